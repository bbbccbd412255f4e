#include "net/http_request.h"

#include <curl/curl.h>

#include <atomic>

#include "net/curl_transfer.h"
#include "util/code_page.h"
#include "util/run_control.h"

namespace vidlark {
namespace {

std::atomic<bool> creationFails{false};

// Without SetTimeouts the object keeps its own limits.
constexpr std::chrono::milliseconds kDefaultConnectTimeout{60000};
constexpr std::chrono::milliseconds kDefaultStallTimeout{30000};

struct Response {
  ByteBuffer body;
  Text headers;
  bool tooLarge = false;
};

size_t CollectBody(char* data, size_t size, size_t count, void* user) {
  auto* response = static_cast<Response*>(user);
  size_t bytes = size * count;
  if (response->body.size() + bytes > HttpRequest::kMaxBodyBytes) {
    response->tooLarge = true;
    return 0;
  }
  response->body.insert(response->body.end(), data, data + bytes);
  return bytes;
}

size_t CollectHeader(char* data, size_t size, size_t count, void* user) {
  auto* response = static_cast<Response*>(user);
  std::string_view line(data, size * count);
  // Each status line starts the headers of a new response (a redirect, an
  // interim 100): only the final response's lines are kept.
  if (line.starts_with("HTTP/")) {
    response->headers.clear();
    return line.size();
  }
  if (line == "\r\n" || line == "\n") return line.size();
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  response->headers.append(line);
  response->headers.append("\r\n");
  return size * count;
}

bool HasLineBreak(const Text& text) { return text.find_first_of("\r\n") != Text::npos; }

}  // namespace

struct HttpRequest::Settings {
  std::chrono::milliseconds connectTimeout = kDefaultConnectTimeout;
  std::chrono::milliseconds stallTimeout = kDefaultStallTimeout;
  std::string proxy;
  std::string proxyUser;
  std::string proxyPassword;
  std::string serverUser;
  std::string serverPassword;
  std::string extraAuthority;
  // Per request, reset by Open.
  std::string method;
  std::string url;
  bool followRedirects = true;
  std::vector<std::string> headers;
  bool hasContentType = false;
  bool hasAccept = false;
};

std::shared_ptr<HttpRequest> HttpRequest::Create() {
  if (creationFails.load()) return nullptr;
  std::shared_ptr<HttpRequest> request(new HttpRequest());
  request->settings_ = std::make_unique<Settings>();
  return request;
}

void HttpRequest::SetCreationFailsForTesting(bool fails) { creationFails.store(fails); }

HttpRequest::~HttpRequest() = default;

bool HttpRequest::SetTimeouts(std::int32_t resolve, std::int32_t connect, std::int32_t send, std::int32_t receive) {
  if (resolve < 0 || connect < 0 || send < 0 || receive < 0) return false;
  // Resolving and connecting are one phase to libcurl; sending and receiving
  // are both "no progress for this long". Zero means no limit.
  auto limit = [](std::int32_t ms) { return std::chrono::milliseconds(ms == 0 ? 0x7FFFFFFF : ms); };
  settings_->connectTimeout = limit(resolve) + limit(connect);
  settings_->stallTimeout = std::max(limit(send), limit(receive));
  return true;
}

bool HttpRequest::SetProxy(int setting, const Text& server) {
  if (setting != kProxyNamedServer) {
    settings_->proxy.clear();
    return setting == 0 || setting == 1;
  }
  settings_->proxy = GbkToUtf8(server);
  return true;
}

bool HttpRequest::SetCredentials(const Text& user, const Text& password, int target) {
  if (target == kCredentialsForProxy) {
    settings_->proxyUser = GbkToUtf8(user);
    settings_->proxyPassword = GbkToUtf8(password);
    return true;
  }
  if (target == kCredentialsForServer) {
    settings_->serverUser = GbkToUtf8(user);
    settings_->serverPassword = GbkToUtf8(password);
    return true;
  }
  return false;
}

bool HttpRequest::Open(const Text& method, const Text& url, bool asynchronous) {
  opened_ = false;
  ClearResponse();
  settings_->headers.clear();
  settings_->hasAccept = false;
  settings_->hasContentType = false;
  settings_->followRedirects = true;
  if (asynchronous || method.empty() || HasLineBreak(method) || method.find(' ') != Text::npos) return false;
  std::string wire = WireUrl(url);
  if (wire.empty()) return false;
  settings_->method = method;
  settings_->url = wire;
  opened_ = true;
  return true;
}

bool HttpRequest::SetOption(int option, std::int32_t value) {
  if (option == kOptionEnableRedirects) {
    settings_->followRedirects = value != 0;
    return true;
  }
  return option == kOptionSslErrorIgnoreFlags;
}

bool HttpRequest::SetRequestHeader(const Text& name, const Text& value) {
  if (!opened_ || name.empty() || HasLineBreak(name) || HasLineBreak(value) || name.find(':') != Text::npos) {
    return false;
  }
  // "Name;" is libcurl's way of sending a header with an empty value.
  settings_->headers.push_back(value.empty() ? name + ";" : name + ": " + value);
  auto sameName = [&](std::string_view other) {
    if (name.size() != other.size()) return false;
    return FindText(name, other, 1, true) == 1;
  };
  if (sameName("Content-Type")) settings_->hasContentType = true;
  if (sameName("Accept")) settings_->hasAccept = true;
  return true;
}

bool HttpRequest::Send(const Text& body) {
  std::string utf8 = GbkToUtf8(body);
  return Send(ByteBuffer(utf8.begin(), utf8.end()));
}

bool HttpRequest::Send(const ByteBuffer& body) {
  ClearResponse();
  if (!opened_) return false;
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(NewEasyHandle(), &curl_easy_cleanup);
  if (!easy) return false;
  CURL* h = easy.get();
  const Settings& s = *settings_;

  curl_easy_setopt(h, CURLOPT_URL, s.url.c_str());
  if (s.method == "GET" && body.empty()) {
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  } else if (s.method == "POST") {
    curl_easy_setopt(h, CURLOPT_POST, 1L);
  } else if (s.method == "HEAD") {
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  } else {
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, s.method.c_str());
  }
  if (!body.empty() || s.method == "POST") {
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(h, CURLOPT_COPYPOSTFIELDS, body.empty() ? "" : reinterpret_cast<const char*>(body.data()));
  }

  // The headers that reach the server are the ones set, in order; libcurl's
  // own Accept, Expect, Proxy-Connection and form Content-Type are switched off.
  curl_slist* headerList = nullptr;
  for (const std::string& line : s.headers) headerList = curl_slist_append(headerList, line.c_str());
  if (!s.hasAccept) headerList = curl_slist_append(headerList, "Accept:");
  if (!s.hasContentType) headerList = curl_slist_append(headerList, "Content-Type:");
  headerList = curl_slist_append(headerList, "Expect:");
  headerList = curl_slist_append(headerList, "Proxy-Connection:");
  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(headerList, &curl_slist_free_all);
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());

  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, s.followRedirects ? 1L : 0L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(s.connectTimeout.count()));
  if (!s.proxy.empty()) {
    curl_easy_setopt(h, CURLOPT_PROXY, s.proxy.c_str());
    if (!s.proxyUser.empty()) {
      curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, s.proxyUser.c_str());
      curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, s.proxyPassword.c_str());
      curl_easy_setopt(h, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
    }
  }
  if (!s.serverUser.empty()) {
    curl_easy_setopt(h, CURLOPT_USERNAME, s.serverUser.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, s.serverPassword.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
  }
  if (!s.extraAuthority.empty()) vidlark::TrustCertificateAuthority(h, s.extraAuthority);

  Response response;
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CollectBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &response);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CollectHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &response);

  TransferLimits limits;
  limits.stall = s.stallTimeout;
  CURLcode result = PerformTransfer(h, RunControl::Current(), limits);
  if (result != CURLE_OK || response.tooLarge) return false;
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  body_ = std::move(response.body);
  headers_ = std::move(response.headers);
  status_ = static_cast<std::int32_t>(status);
  return true;
}

ByteBuffer HttpRequest::ResponseBody() const { return body_; }

Text HttpRequest::GetAllResponseHeaders() const { return headers_; }

std::int32_t HttpRequest::Status() const { return status_; }

void HttpRequest::TrustCertificateAuthority(std::string pem) { settings_->extraAuthority = std::move(pem); }

void HttpRequest::ClearResponse() {
  body_.clear();
  headers_.clear();
  status_ = 0;
}

std::string WireUrl(const Text& url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string utf8 = GbkToUtf8(url);
  std::string wire;
  for (unsigned char c : utf8) {
    if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' || c == '{' ||
        c == '|' || c == '}') {
      wire += '%';
      wire += kHex[c >> 4];
      wire += kHex[c & 0x0F];
    } else {
      wire += static_cast<char>(c);
    }
  }
  CURLU* parsed = curl_url();
  bool valid = curl_url_set(parsed, CURLUPART_URL, wire.c_str(), 0) == CURLUE_OK;
  char* scheme = nullptr;
  char* host = nullptr;
  if (valid) valid = curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK;
  if (valid) valid = curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK;
  if (valid) valid = std::string_view(scheme) == "http" || std::string_view(scheme) == "https";
  curl_free(scheme);
  curl_free(host);
  curl_url_cleanup(parsed);
  return valid ? wire : std::string();
}

}  // namespace vidlark
