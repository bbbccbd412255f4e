#include "net/web_request.h"

#include "net/cookies.h"

namespace vidlark {
namespace {

constexpr std::int32_t kMaxTimeoutMilliseconds = 2147483647;

const char* MethodName(std::int32_t method) {
  switch (method) {
    case 1: return "POST";
    case 2: return "HEAD";
    default: return "GET";
  }
}

// Appends the default lines the caller's text does not mention. The tests are
// case-sensitive searches anywhere in the text, values included.
void AddDefaultHeaderLines(Text& lines, const Text& url) {
  auto appendUnless = [&lines](std::string_view marker, const Text& line) {
    if (FindText(lines, marker) == -1) lines += "\r\n" + line;
  };
  if (lines.empty()) {
    lines = "Accept: */*";
  } else {
    appendUnless("Accept:", "Accept: */*");
  }
  appendUnless("Referer:", "Referer: " + url);
  appendUnless("Accept-Language:", "Accept-Language: zh-cn");
  appendUnless("User-Agent:", "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
  appendUnless("Content-Type:", "Content-Type: application/x-www-form-urlencoded");
}

}  // namespace

Text HeaderName(const Text& line) {
  int colon = FindText(line, ":");
  return colon == -1 ? Text() : TrimSpaces(LeftBytes(line, colon - 1));
}

Text HeaderValue(const Text& line) {
  int colon = FindText(line, ":");
  return colon == -1 ? Text() : TrimSpaces(line.substr(static_cast<size_t>(colon)));
}

ByteBuffer WebRequest(const Text& Url, WebRequestOptions& options) {
  const char* method = MethodName(options.Method);
  std::shared_ptr<HttpRequest> request = options.RequestObject ? options.RequestObject : HttpRequest::Create();
  if (!request) return ByteBuffer();

  if (options.TimeoutSeconds != -1) {
    std::int32_t ms = options.TimeoutSeconds < 1                                ? 15000
                      : options.TimeoutSeconds > kMaxTimeoutMilliseconds / 1000 ? kMaxTimeoutMilliseconds
                                                                                : options.TimeoutSeconds * 1000;
    request->SetTimeouts(ms, ms, ms, ms);
  }
  if (!options.ProxyAddress.empty()) {
    request->SetProxy(HttpRequest::kProxyNamedServer, options.ProxyAddress);
    if (!options.ProxyUser.empty()) {
      request->SetCredentials(options.ProxyUser, options.ProxyPassword, options.CredentialsTarget.value_or(1));
    }
  }
  request->Open(method, Url, false);
  if (options.NoRedirect) request->SetOption(HttpRequest::kOptionEnableRedirects, 0);
  request->SetOption(HttpRequest::kOptionSslErrorIgnoreFlags, 0x3300);

  AddDefaultHeaderLines(options.HeaderLines, Url);
  if (!options.Cookies.empty()) request->SetRequestHeader("Cookie", options.Cookies);
  for (const Text& line : SplitText(options.HeaderLines, "\r\n")) {
    if (line.empty()) continue;
    Text name = HeaderName(line);
    if (!name.empty()) request->SetRequestHeader(name, HeaderValue(line));
  }

  if (!options.BodyBytes.empty()) {
    request->Send(options.BodyBytes);
  } else {
    request->Send(options.BodyText);
  }

  ByteBuffer body = request->ResponseBody();
  options.ResponseHeaders = ReplaceMany(request->GetAllResponseHeaders(), std::nullopt, std::nullopt, std::nullopt,
                                        "Set-Cookie", "Set-Cookie");
  options.Status = request->Status();
  options.ResponseCookies = CollectResponseCookies(options.ResponseHeaders);
  CookieMerge(options.Cookies, options.ResponseCookies);
  return body;
}

}  // namespace vidlark
