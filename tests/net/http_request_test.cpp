#include "net/http_request.h"

#include <gtest/gtest.h>

#include "support/local_server.h"
#include "support/raw_http_server.h"
#include "util/code_page.h"
#include "util/run_control.h"

namespace vidlark {
namespace {

using testing::LocalServer;
using testing::RawHttpServer;

TEST(HttpRequest, SendsOnlyTheHeadersSet) {
  RawHttpServer server;
  auto request = HttpRequest::Create();
  ASSERT_TRUE(request->Open("POST", server.base() + "/p"));
  EXPECT_TRUE(request->SetRequestHeader("X-First", "1"));
  EXPECT_TRUE(request->SetRequestHeader("X-Empty", ""));
  EXPECT_FALSE(request->SetRequestHeader("X-Bad", "a\r\nInjected: 1"));
  EXPECT_FALSE(request->SetRequestHeader("", "v"));
  // A large body: libcurl would normally ask "Expect: 100-continue".
  ASSERT_TRUE(request->Send(Text(200000, 'x')));
  auto headers = server.requests().at(0).headers;
  EXPECT_EQ(headers, (std::vector<std::string>{"Host: 127.0.0.1:" + std::to_string(server.port()), "X-First: 1",
                                               "X-Empty:", "Content-Length: 200000"}));
  EXPECT_EQ(request->Status(), 200);
}

TEST(HttpRequest, MemberCallsNeedAnOpenRequest) {
  auto request = HttpRequest::Create();
  EXPECT_FALSE(request->SetRequestHeader("A", "b"));
  EXPECT_FALSE(request->Send(Text()));
  EXPECT_TRUE(request->ResponseBody().empty());
  EXPECT_FALSE(request->Open("GET", "http://127.0.0.1/", true));  // only synchronous sending
  EXPECT_FALSE(request->SetTimeouts(-1, 1, 1, 1));
  EXPECT_FALSE(request->SetCredentials("u", "p", 7));
}

TEST(HttpRequest, RefusesAnOversizedBody) {
  LocalServer local;
  local.server().Get("/big", [](const httplib::Request&, httplib::Response& res) {
    const size_t size = HttpRequest::kMaxBodyBytes + 1;
    res.set_content_provider(size, "application/octet-stream", [size](size_t offset, size_t, httplib::DataSink& sink) {
      static const std::string block(1 << 16, 'b');
      size_t n = std::min(block.size(), size - offset);
      return sink.write(block.data(), n);
    });
  });
  local.server().Get("/fits", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string(1 << 20, 'f'), "application/octet-stream");
  });
  local.Start();
  auto request = HttpRequest::Create();
  ASSERT_TRUE(request->Open("GET", local.base() + "/big"));
  EXPECT_FALSE(request->Send(Text()));
  EXPECT_TRUE(request->ResponseBody().empty());
  EXPECT_EQ(request->Status(), 0);
  // The same object serves the next request.
  ASSERT_TRUE(request->Open("GET", local.base() + "/fits"));
  EXPECT_TRUE(request->Send(Text()));
  EXPECT_EQ(request->ResponseBody().size(), 1u << 20);
}

TEST(HttpRequest, CancelEndsARequestAtOnce) {
  LocalServer local;
  local.server().Get("/hang", [](const httplib::Request&, httplib::Response& res) {
    std::this_thread::sleep_for(std::chrono::seconds(2));
    res.set_content("late", "text/plain");
  });
  local.Start();
  RunControl control;
  RunControl::Scope scope(&control);
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    control.Cancel();
  });
  auto request = HttpRequest::Create();
  request->Open("GET", local.base() + "/hang");
  auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(request->Send(Text()));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
  canceller.join();
}

TEST(WireUrl, EncodesWhatCannotGoOnTheWire) {
  EXPECT_EQ(WireUrl("http://h/a?b=1 2&c=x"), "http://h/a?b=1%202&c=x");
  EXPECT_EQ(WireUrl(Local("http://h/视")), "http://h/%E8%A7%86");
  EXPECT_EQ(WireUrl("https://h/%41"), "https://h/%41");
  EXPECT_EQ(WireUrl("file:///etc/passwd"), "");
  EXPECT_EQ(WireUrl("h/no-scheme"), "");
  EXPECT_EQ(WireUrl(""), "");
}

}  // namespace
}  // namespace vidlark
