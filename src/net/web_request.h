// One HTTP or HTTPS request with the program's default header lines, time-outs,
// optional proxy and a small cookie jar in text form.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "net/http_request.h"
#include "util/text.h"

namespace vidlark {

struct WebRequestOptions {
  std::int32_t Method = 0;  // 0 GET, 1 POST, 2 HEAD; anything else GET
  Text BodyText;            // sent when BodyBytes is empty
  Text Cookies;             // in: sent as the Cookie header; out: the merged jar
  Text ResponseCookies;     // out: the cookies this response set
  Text HeaderLines;         // in: extra lines "Name: value" joined by CR LF; out: with the defaults added
  Text ResponseHeaders;     // out: every "Set-Cookie" spelled so
  std::int32_t Status = 0;  // out: 0 when no response could be read
  bool NoRedirect = false;
  ByteBuffer BodyBytes;
  Text ProxyAddress;
  std::int32_t TimeoutSeconds = 0;  // -1 the object's own limits; below 1 fifteen seconds
  Text ProxyUser;
  Text ProxyPassword;
  std::optional<std::int32_t> CredentialsTarget;  // absent: 1, the proxy; 0 the web server
  std::shared_ptr<HttpRequest> RequestObject;     // absent: a new object for this call
};

ByteBuffer WebRequest(const Text& Url, WebRequestOptions& options);

// The bytes before / after the first ':' of a header line, trimmed; empty without ':'.
Text HeaderName(const Text& line);
Text HeaderValue(const Text& line);

}  // namespace vidlark
