#include "net/web_request.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <set>

#include "support/local_server.h"
#include "support/raw_http_server.h"
#include "support/test_certificates.h"
#include "util/code_page.h"

namespace vidlark {
namespace {

using testing::LocalServer;
using testing::RawHttpServer;
using testing::RawRequest;
using testing::TestCertificates;
using Lines = std::vector<std::string>;

// The header lines after Host, which libcurl puts first as HTTP requires.
Lines HeadersAfterHost(const RawRequest& request) {
  Lines lines = request.headers;
  if (!lines.empty() && lines.front().starts_with("Host: ")) lines.erase(lines.begin());
  return lines;
}

std::string AsString(const ByteBuffer& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(WebRequest, SendsTheDefaultHeaderLinesInOrder) {
  RawHttpServer server;
  WebRequestOptions options;
  Text url = server.base() + "/list?x=1";
  EXPECT_EQ(AsString(WebRequest(url, options)), "ok");
  ASSERT_EQ(server.requests().size(), 1u);
  RawRequest request = server.requests()[0];
  EXPECT_EQ(request.line, "GET /list?x=1 HTTP/1.1");
  EXPECT_EQ(HeadersAfterHost(request), (Lines{"Accept: */*", "Referer: " + url, "Accept-Language: zh-cn",
                                              "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
                                              "Content-Type: application/x-www-form-urlencoded"}));
  EXPECT_EQ(options.HeaderLines,
            "Accept: */*\r\nReferer: " + url +
                "\r\nAccept-Language: zh-cn\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT "
                "6.1)\r\nContent-Type: application/x-www-form-urlencoded");
  EXPECT_EQ(options.Status, 200);
}

TEST(WebRequest, CallerLinesAndDefaults) {
  const std::string mobile = "Mozilla/5.0 (Linux; Android 6.0; Nexus 5 Build/MRA58N) Mobile Safari/537.36";
  struct Case {
    std::string lines;
    Lines expected;
  };
  RawHttpServer server;
  const Text url = server.base() + "/p";
  const std::string referer = "Referer: " + url;
  const std::string ua = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
  const std::string form = "Content-Type: application/x-www-form-urlencoded";
  const Case cases[] = {
      // No space after the colon: no default User-Agent, the value is the rest of the line.
      {"User-Agent:" + mobile, {"User-Agent: " + mobile, "Accept: */*", referer, "Accept-Language: zh-cn", form}},
      // A lower-case name does not stop the default.
      {"accept: text/html", {"accept: text/html", "Accept: */*", referer, "Accept-Language: zh-cn", ua, form}},
      // "Referer:" inside a value stops the default Referer line.
      {"X-Note: Referer: elsewhere", {"X-Note: Referer: elsewhere", "Accept: */*", "Accept-Language: zh-cn", ua, form}},
      // Lines without a name set nothing; the others still go out.
      {"no colon here\r\n: empty name\r\n\r\nX-A: 1",
       {"X-A: 1", "Accept: */*", referer, "Accept-Language: zh-cn", ua, form}},
  };
  size_t seen = 0;
  for (const Case& c : cases) {
    WebRequestOptions options;
    options.HeaderLines = c.lines;
    WebRequest(url, options);
    ASSERT_EQ(server.requests().size(), ++seen);
    EXPECT_EQ(HeadersAfterHost(server.requests().back()), c.expected) << c.lines;
  }
  WebRequestOptions options;
  options.HeaderLines = "User-Agent:" + mobile;
  WebRequest(url, options);
  EXPECT_EQ(options.HeaderLines,
            "User-Agent:" + mobile + "\r\nAccept: */*\r\n" + referer + "\r\nAccept-Language: zh-cn\r\n" + form);
}

TEST(WebRequest, SendsTheCookieHeaderFirst) {
  RawHttpServer server;
  WebRequestOptions options;
  options.Cookies = "a=1; b=2";
  WebRequest(server.base() + "/", options);
  Lines lines = HeadersAfterHost(server.requests().at(0));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Cookie: a=1; b=2");
  EXPECT_EQ(lines.size(), 6u);
}

TEST(WebRequest, MethodsAndBodies) {
  RawHttpServer server;
  struct Case {
    std::int32_t method;
    std::string bodyText;
    std::string bodyBytes;
    std::string line;
    std::string body;
  };
  const Case cases[] = {
      {7, "", "", "GET /m HTTP/1.1", ""},
      {-1, "", "", "GET /m HTTP/1.1", ""},
      {1, "a=1&b=2", "", "POST /m HTTP/1.1", "a=1&b=2"},
      {1, "text", std::string("by\0tes", 6), "POST /m HTTP/1.1", std::string("by\0tes", 6)},
      {1, Local("中文"), "", "POST /m HTTP/1.1", "中文"},  // a text body goes out as UTF-8
      {2, "", "", "HEAD /m HTTP/1.1", ""},
  };
  for (const Case& c : cases) {
    WebRequestOptions options;
    options.Method = c.method;
    options.BodyText = c.bodyText;
    options.BodyBytes.assign(c.bodyBytes.begin(), c.bodyBytes.end());
    ByteBuffer body = WebRequest(server.base() + "/m", options);
    RawRequest request = server.requests().back();
    EXPECT_EQ(request.line, c.line) << c.method;
    EXPECT_EQ(request.body, c.body) << c.method;
    EXPECT_EQ(AsString(body), c.method == 2 ? "" : "ok");
  }
}

TEST(WebRequest, RedirectsFollowedOrNot) {
  LocalServer local;
  local.server().Get("/from", [](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("/to");
    res.set_content("moved", "text/plain");
  });
  local.server().Get("/to",
                     [](const httplib::Request&, httplib::Response& res) { res.set_content("arrived", "text/plain"); });
  local.Start();
  WebRequestOptions followed;
  EXPECT_EQ(AsString(WebRequest(local.base() + "/from", followed)), "arrived");
  EXPECT_EQ(followed.Status, 200);
  WebRequestOptions stopped;
  stopped.NoRedirect = true;
  EXPECT_EQ(AsString(WebRequest(local.base() + "/from", stopped)), "moved");
  EXPECT_EQ(stopped.Status, 302);
  EXPECT_NE(stopped.ResponseHeaders.find("Location: /to\r\n"), std::string::npos);
}

TEST(WebRequest, GoesThroughANamedProxy) {
  RawHttpServer proxy;
  WebRequestOptions options;
  options.ProxyAddress = "127.0.0.1:" + std::to_string(proxy.port());
  options.ProxyUser = "user";
  options.ProxyPassword = "secret";
  EXPECT_EQ(AsString(WebRequest("http://service.invalid/share/video/1/", options)), "ok");
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_EQ(proxy.requests()[0].line, "GET http://service.invalid/share/video/1/ HTTP/1.1");
  EXPECT_EQ(proxy.requests()[0].headers.size(), 6u);  // Host and the five defaults, nothing of libcurl's

  // A proxy user without a proxy address sets neither: the request goes straight to the server.
  RawHttpServer direct;
  WebRequestOptions noProxy;
  noProxy.ProxyUser = "user";
  WebRequest(direct.base() + "/d", noProxy);
  ASSERT_EQ(direct.requests().size(), 1u);
  EXPECT_EQ(direct.requests()[0].line, "GET /d HTTP/1.1");
  EXPECT_EQ(proxy.requests().size(), 1u);
}

TEST(WebRequest, OffersCredentialsToTheProxyOrTheServer) {
  RawHttpServer proxy([](const RawRequest& request) {
    for (const std::string& line : request.headers) {
      if (line.starts_with("Proxy-Authorization: Basic ")) return RawHttpServer::Response(200, "through");
    }
    return RawHttpServer::Response(407, "auth", "Proxy-Authenticate: Basic realm=\"p\"\r\n");
  });
  WebRequestOptions options;
  options.ProxyAddress = "127.0.0.1:" + std::to_string(proxy.port());
  options.ProxyUser = "user";
  options.ProxyPassword = "secret";
  EXPECT_EQ(AsString(WebRequest("http://service.invalid/", options)), "through");

  RawHttpServer server([](const RawRequest& request) {
    for (const std::string& line : request.headers) {
      if (line == "Authorization: Basic dXNlcjpzZWNyZXQ=") return RawHttpServer::Response(200, "welcome");
    }
    return RawHttpServer::Response(401, "who", "WWW-Authenticate: Basic realm=\"s\"\r\n");
  });
  // Credentials go with a proxy only; with target 0 they are the web server's.
  // The recorder plays proxy and server at once.
  WebRequestOptions toServer = options;
  toServer.ProxyAddress = "127.0.0.1:" + std::to_string(server.port());
  toServer.CredentialsTarget = 0;
  EXPECT_EQ(AsString(WebRequest("http://service.invalid/", toServer)), "welcome");
  EXPECT_EQ(server.requests().back().line, "GET http://service.invalid/ HTTP/1.1");
}

TEST(WebRequest, TimeOutsBoundASlowAnswer) {
  LocalServer local;
  local.server().Get("/slow", [](const httplib::Request&, httplib::Response& res) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2200));
    res.set_content("late", "text/plain");
  });
  local.Start();
  struct Case {
    std::int32_t seconds;
    bool answered;
  };
  // 1 second is shorter than the answer takes; -1 (the object's own), 0 and -7
  // (fifteen seconds) and 5 are longer.
  for (Case c : {Case{1, false}, Case{5, true}, Case{0, true}, Case{-7, true}, Case{-1, true}}) {
    WebRequestOptions options;
    options.TimeoutSeconds = c.seconds;
    auto started = std::chrono::steady_clock::now();
    ByteBuffer body = WebRequest(local.base() + "/slow", options);
    auto elapsed = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(AsString(body), c.answered ? "late" : "") << c.seconds;
    EXPECT_EQ(options.Status, c.answered ? 200 : 0) << c.seconds;
    if (!c.answered) {
      EXPECT_LT(elapsed, std::chrono::milliseconds(2000)) << c.seconds;
    }
  }
}

TEST(WebRequest, ErrorStatusIsAnAnswer) {
  RawHttpServer server([](const RawRequest&) { return RawHttpServer::Response(404, "<html>gone</html>"); });
  WebRequestOptions options;
  EXPECT_EQ(AsString(WebRequest(server.base() + "/x", options)), "<html>gone</html>");
  EXPECT_EQ(options.Status, 404);
  EXPECT_NE(options.ResponseHeaders.find("Content-Length: 17\r\n"), std::string::npos);
}

TEST(WebRequest, CollectsAndMergesCookies) {
  RawHttpServer server([](const RawRequest&) {
    return RawHttpServer::Response(200, "ok",
                                   "set-cookie: a=1; path=/\r\nSET-COOKIE: b=2\r\nSet-cookie: old=deleted\r\n");
  });
  WebRequestOptions options;
  options.Cookies = "old=9; keep=yes";
  WebRequest(server.base() + "/", options);
  EXPECT_NE(options.ResponseHeaders.find("Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\nSet-Cookie: old=deleted"),
            std::string::npos);
  EXPECT_EQ(options.ResponseCookies, "a=1;b=2;old=deleted");
  EXPECT_EQ(options.Cookies, "a=1; b=2; keep=yes");
}

TEST(WebRequest, FailuresGiveEmptyResults) {
  const Text urls[] = {"http://127.0.0.1:" + std::to_string(RawHttpServer::UnusedPort()) + "/", "", "not a url",
                       "ftp://127.0.0.1/", "http://"};
  for (const Text& url : urls) {
    WebRequestOptions options;
    options.Cookies = "a=1 ; b=2";
    options.ResponseHeaders = "stale";
    options.Status = 99;
    EXPECT_TRUE(WebRequest(url, options).empty()) << url;
    EXPECT_EQ(options.Status, 0) << url;
    EXPECT_EQ(options.ResponseHeaders, "") << url;
    EXPECT_EQ(options.ResponseCookies, "") << url;
    EXPECT_EQ(options.Cookies, "a=1; b=2") << url;  // still normalised by the merge
  }
}

TEST(WebRequest, RequestObjectThatCannotBeCreated) {
  HttpRequest::SetCreationFailsForTesting(true);
  WebRequestOptions options;
  options.Cookies = "a=1 ; b=2";
  options.HeaderLines = "X: 1";
  options.Status = 5;
  EXPECT_TRUE(WebRequest("http://127.0.0.1:1/", options).empty());
  HttpRequest::SetCreationFailsForTesting(false);
  EXPECT_EQ(options.Cookies, "a=1 ; b=2");
  EXPECT_EQ(options.HeaderLines, "X: 1");
  EXPECT_EQ(options.Status, 5);
}

TEST(WebRequest, VerifiesCertificates) {
  const TestCertificates& certificates = TestCertificates::Get();
  auto fetch = [&](const testing::ServerCertificate& certificate, bool trustTestAuthority) {
    LocalServer local(certificate);
    local.server().Get(
        "/", [](const httplib::Request&, httplib::Response& res) { res.set_content("secret page", "text/plain"); });
    local.Start();
    WebRequestOptions options;
    options.RequestObject = HttpRequest::Create();
    if (trustTestAuthority) options.RequestObject->TrustCertificateAuthority(certificates.authorityPem);
    ByteBuffer body = WebRequest(local.base() + "/", options);
    return std::make_pair(AsString(body), options.Status);
  };
  EXPECT_EQ(fetch(certificates.good, true), std::make_pair(std::string("secret page"), 200));
  // An authority nobody trusts, another host's certificate, an expired one:
  // each fails like an unreachable host.
  EXPECT_EQ(fetch(certificates.good, false), std::make_pair(std::string(), 0));
  EXPECT_EQ(fetch(certificates.unknownAuthority, true), std::make_pair(std::string(), 0));
  EXPECT_EQ(fetch(certificates.otherHost, true), std::make_pair(std::string(), 0));
  EXPECT_EQ(fetch(certificates.expired, true), std::make_pair(std::string(), 0));
}

TEST(WebRequest, ReusesOneConnectionForSequentialRequests) {
  LocalServer local;
  std::mutex mutex;
  std::set<int> ports;
  local.server().Get("/page", [&](const httplib::Request& req, httplib::Response& res) {
    std::lock_guard lock(mutex);
    ports.insert(req.remote_port);
    res.set_content("{}", "application/json");
  });
  local.Start();
  for (int i = 0; i < 10; ++i) {
    WebRequestOptions options;
    EXPECT_EQ(AsString(WebRequest(local.base() + "/page", options)), "{}");
  }
  EXPECT_EQ(ports.size(), 1u);
}

TEST(HeaderLine, NameAndValue) {
  EXPECT_EQ(HeaderName(" Accept : */*"), "Accept");
  EXPECT_EQ(HeaderValue(" Accept : */*"), "*/*");
  EXPECT_EQ(HeaderValue("Referer: http://a:1/b"), "http://a:1/b");
  EXPECT_EQ(HeaderName("no colon"), "");
  EXPECT_EQ(HeaderValue("no colon"), "");
  EXPECT_EQ(HeaderName(": v"), "");
}

}  // namespace
}  // namespace vidlark
