#include "net/media_download.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include "support/local_server.h"
#include "support/raw_http_server.h"
#include "support/test_certificates.h"

namespace vidlark {
namespace {

using testing::LocalServer;
using testing::RawHttpServer;
using testing::RawRequest;
using namespace std::chrono_literals;

long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0;
  long resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// Counts bytes and keeps nothing, so memory shows only what the download holds.
class CountingBuffer : public std::streambuf {
 public:
  std::uint64_t count = 0;

 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override {
    count += static_cast<std::uint64_t>(n);
    return n;
  }
  int_type overflow(int_type c) override {
    ++count;
    return c;
  }
};

// Serves `size` bytes from /file in blocks, pacing each block by `pause`.
void ServeFile(LocalServer& local, size_t size, std::chrono::milliseconds pace = 0ms) {
  local.server().Get("/file", [size, pace](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(size, "video/mp4", [size, pace](size_t offset, size_t, httplib::DataSink& sink) {
      static const std::string block(1 << 16, 'v');
      if (pace.count() > 0) std::this_thread::sleep_for(pace);
      return sink.write(block.data(), std::min(block.size(), size - offset));
    });
  });
}

// Serves /stall: ten bytes of an announced thousand, then nothing for three seconds.
void ServeStall(LocalServer& local) {
  local.server().Get("/stall", [](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(1000, "video/mp4", [](size_t offset, size_t, httplib::DataSink& sink) {
      if (offset == 0) return sink.write("0123456789", 10);
      std::this_thread::sleep_for(3s);
      return false;
    });
  });
}

TEST(DownloadMedia, SendsAPlainOldBrowserRequest) {
  RawHttpServer server([](const RawRequest&) { return RawHttpServer::Response(200, "movie"); });
  std::ostringstream out;
  MediaDownloadResult result = DownloadMedia(server.base() + "/v.mp4?a=1&b=2", out);
  EXPECT_EQ(result.outcome, MediaDownloadOutcome::Complete);
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(out.str(), "movie");
  ASSERT_EQ(server.requests().size(), 1u);
  RawRequest request = server.requests()[0];
  EXPECT_EQ(request.line, "GET /v.mp4?a=1&b=2 HTTP/1.0");
  EXPECT_EQ(request.headers, (std::vector<std::string>{"Host: 127.0.0.1:" + std::to_string(server.port()),
                                                       "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)",
                                                       "Accept: */*"}));
}

TEST(DownloadMedia, EmptyUrlSendsNothing) {
  std::ostringstream out;
  EXPECT_EQ(DownloadMedia("", out).outcome, MediaDownloadOutcome::Failed);
  EXPECT_EQ(DownloadMedia("javascript:alert(1)", out).outcome, MediaDownloadOutcome::Failed);
  EXPECT_TRUE(out.str().empty());
}

TEST(DownloadMedia, StreamsALargeFileWithFlatMemory) {
  LocalServer local;
  const size_t size = 256u << 20;
  ServeFile(local, size);
  local.Start();
  CountingBuffer counter;
  std::ostream out(&counter);
  long before = ResidentBytes();
  long peak = before;
  std::uint64_t lastReceived = 0;
  std::optional<std::uint64_t> total;
  MediaDownloadSettings settings;
  settings.progress = [&](const MediaDownloadProgress& progress) {
    EXPECT_GE(progress.received, lastReceived);
    lastReceived = progress.received;
    total = progress.total;
    peak = std::max(peak, ResidentBytes());
  };
  MediaDownloadResult result = DownloadMedia(local.base() + "/file", out, settings);
  EXPECT_EQ(result.outcome, MediaDownloadOutcome::Complete);
  EXPECT_EQ(result.bytesWritten, size);
  EXPECT_EQ(counter.count, size);
  EXPECT_EQ(lastReceived, size);
  EXPECT_EQ(total, size);
  EXPECT_LT(peak - before, 32l << 20) << "memory grew with the file";
}

TEST(DownloadMedia, PausesMidTransferAndResumes) {
  LocalServer local;
  local.server().set_write_timeout(10);
  const size_t size = 8u << 20;
  ServeFile(local, size, 2ms);
  local.Start();
  RunControl control;
  std::atomic<std::uint64_t> received{0};
  bool pausedOnce = false;
  MediaDownloadSettings settings;
  settings.progress = [&](const MediaDownloadProgress& progress) {
    received = progress.received;
    if (progress.received >= (1u << 20) && !pausedOnce) {
      pausedOnce = true;
      control.Pause();
    }
  };
  std::ostringstream out;
  std::thread observer([&] {
    while (!control.IsPaused()) std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(300ms);  // let what was in flight settle
    std::uint64_t atPause = received;
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(received.load(), atPause) << "bytes arrived while paused";
    EXPECT_LT(atPause, size);
    control.Resume();
  });
  MediaDownloadResult result = DownloadMedia(local.base() + "/file", out, settings, &control);
  observer.join();
  EXPECT_EQ(result.outcome, MediaDownloadOutcome::Complete);
  EXPECT_EQ(out.str().size(), size);
}

TEST(DownloadMedia, CancelEndsPausedOrStalledTransfersPromptly) {
  LocalServer local;
  ServeStall(local);
  ServeFile(local, 64u << 20, 5ms);
  local.Start();
  for (const char* path : {"/stall", "/file"}) {
    RunControl control;
    if (std::string(path) == "/file") control.Pause();
    std::ostringstream out;
    std::thread canceller([&] {
      std::this_thread::sleep_for(500ms);
      control.Cancel();
    });
    auto started = std::chrono::steady_clock::now();
    MediaDownloadResult result = DownloadMedia(local.base() + path, out, {}, &control);
    auto elapsed = std::chrono::steady_clock::now() - started;
    canceller.join();
    EXPECT_EQ(result.outcome, MediaDownloadOutcome::Cancelled) << path;
    EXPECT_LT(elapsed, 1500ms) << path;
  }
}

TEST(DownloadMedia, IncompleteOrRefusedDownloadsFail) {
  LocalServer local;
  local.server().Get("/short", [](const httplib::Request&, httplib::Response& res) {
    // Announces 100000 bytes, sends 1000, closes.
    res.set_content_provider(100000, "video/mp4", [](size_t offset, size_t, httplib::DataSink& sink) {
      if (offset == 0) return sink.write(std::string(1000, 's').data(), 1000);
      return false;
    });
  });
  ServeStall(local);
  local.server().Get("/missing", [](const httplib::Request&, httplib::Response& res) {
    res.status = 404;
    res.set_content("<html>not here</html>", "text/html");
  });
  local.Start();
  MediaDownloadSettings quick;
  quick.stallLimit = 1s;
  for (const char* path : {"/short", "/stall", "/missing"}) {
    std::ostringstream out;
    auto started = std::chrono::steady_clock::now();
    MediaDownloadResult result = DownloadMedia(local.base() + path, out, quick);
    EXPECT_EQ(result.outcome, MediaDownloadOutcome::Failed) << path;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2800ms) << path;
    if (std::string(path) == "/missing") {
      EXPECT_EQ(result.status, 404);
      EXPECT_TRUE(out.str().empty());  // an error page is not stored
    }
  }
  std::ostringstream out;
  EXPECT_EQ(DownloadMedia("http://127.0.0.1:" + std::to_string(RawHttpServer::UnusedPort()) + "/v", out).outcome,
            MediaDownloadOutcome::Failed);
}

TEST(DownloadMedia, FailsWhenTheFileCannotBeWritten) {
  RawHttpServer server([](const RawRequest&) { return RawHttpServer::Response(200, std::string(5000, 'z')); });
  std::ostringstream out;
  out.setstate(std::ios::badbit);
  EXPECT_EQ(DownloadMedia(server.base() + "/v", out).outcome, MediaDownloadOutcome::Failed);
}

TEST(DownloadMedia, FollowsRedirectsAndVerifiesCertificates) {
  const auto& certificates = testing::TestCertificates::Get();
  LocalServer secure(certificates.good);
  secure.server().Get("/cdn/v.mp4", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("secure movie", "video/mp4");
  });
  secure.Start();
  LocalServer plain;
  plain.server().Get(
      "/v", [&](const httplib::Request&, httplib::Response& res) { res.set_redirect(secure.base() + "/cdn/v.mp4"); });
  plain.Start();

  MediaDownloadSettings trusting;
  trusting.trustedAuthority = certificates.authorityPem;
  std::ostringstream out;
  MediaDownloadResult result = DownloadMedia(plain.base() + "/v", out, trusting);
  EXPECT_EQ(result.outcome, MediaDownloadOutcome::Complete);
  EXPECT_EQ(out.str(), "secure movie");

  std::ostringstream untrusted;
  EXPECT_EQ(DownloadMedia(plain.base() + "/v", untrusted).outcome, MediaDownloadOutcome::Failed);
  EXPECT_TRUE(untrusted.str().empty());
}

}  // namespace
}  // namespace vidlark
