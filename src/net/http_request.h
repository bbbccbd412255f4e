// The program's HTTP request object: one synchronous request at a time on the
// calling thread, configured member by member. A member call that fails
// returns false, leaves its effect missing, and values read afterwards are empty.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "util/text.h"

namespace vidlark {

class HttpRequest {
 public:
  // Option numbers of SetOption.
  static constexpr int kOptionSslErrorIgnoreFlags = 4;
  static constexpr int kOptionEnableRedirects = 6;
  // SetProxy settings.
  static constexpr int kProxyNamedServer = 2;
  // SetCredentials targets.
  static constexpr int kCredentialsForServer = 0;
  static constexpr int kCredentialsForProxy = 1;
  // A response body larger than this fails the request.
  static constexpr size_t kMaxBodyBytes = 64u << 20;

  // nullptr when the object cannot be created (or creation is forced to fail).
  static std::shared_ptr<HttpRequest> Create();
  static void SetCreationFailsForTesting(bool fails);

  ~HttpRequest();
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;

  // Resolve and connect bound setting up a connection; send and receive bound
  // how long a transfer may go without progress. Milliseconds.
  bool SetTimeouts(std::int32_t resolve, std::int32_t connect, std::int32_t send, std::int32_t receive);
  bool SetProxy(int setting, const Text& server);
  bool SetCredentials(const Text& user, const Text& password, int target);
  // Prepares a request; forgets the headers and response of an earlier one.
  bool Open(const Text& method, const Text& url, bool asynchronous = false);
  // Option 6 value 0 turns redirects off. Option 4 is accepted, but certificates
  // are always verified: the pages fetched run as script and files are stored.
  bool SetOption(int option, std::int32_t value);
  bool SetRequestHeader(const Text& name, const Text& value);
  bool Send(const ByteBuffer& body);
  bool Send(const Text& body);

  ByteBuffer ResponseBody() const;
  // All header lines of the final response, each ended by CR LF.
  Text GetAllResponseHeaders() const;
  std::int32_t Status() const;

  // Trusts one more certificate authority (PEM text) besides the system's.
  void TrustCertificateAuthority(std::string pem);

 private:
  HttpRequest() = default;
  void ClearResponse();

  struct Settings;
  std::unique_ptr<Settings> settings_;
  bool opened_ = false;
  ByteBuffer body_;
  Text headers_;
  std::int32_t status_ = 0;
};

// Turns a URL text into what goes on the wire: UTF-8, with spaces, control
// bytes and characters outside ASCII percent-encoded. Empty when it is no
// http or https URL.
std::string WireUrl(const Text& url);

}  // namespace vidlark
