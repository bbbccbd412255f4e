#include <chrono>

#include "job_fixture.h"

namespace vidlark::testing {
namespace {

using namespace std::chrono_literals;

TEST_F(JobTest, PauseHoldsRequestsAndRowsUntilResumed) {
  std::vector<FakeVideo> videos;
  for (int i = 1; i <= 6; ++i) videos.push_back(Video(i, std::to_string(1504681200 + i)));
  service.SetVideos(videos);
  UserFolder();
  std::thread job([this] { RunJob(); });
  ASSERT_TRUE(window.WaitForRows(1, 10s));
  control.Pause();
  std::this_thread::sleep_for(300ms);  // what was under way may finish
  size_t requests = service.requests().size();
  size_t calls = window.calls().size();
  std::this_thread::sleep_for(700ms);
  EXPECT_EQ(service.requests().size(), requests);
  EXPECT_EQ(window.calls().size(), calls);
  EXPECT_LT(window.rowCount(), 6);
  control.Resume();
  job.join();
  EXPECT_EQ(window.rowCount(), 6);
  for (int row = 0; row < 6; ++row) EXPECT_EQ(window.cell(row, 4), "完成下载");
  EXPECT_EQ(window.messages(), (std::vector<std::string>{"下载完成"}));
}

TEST_F(JobTest, CancelReturnsPromptly) {
  struct Case {
    const char* name;
    MediaFault fault;
    bool pause;
    bool holdMessage;
  };
  for (Case c :
       {Case{"paused", MediaFault::None, true, false}, Case{"stalled download", MediaFault::Stall, false, false},
        Case{"message open", MediaFault::None, false, true}}) {
    RunControl fresh;
    RecordingWindow window2;
    window2.SetUserId("123");
    window2.HoldMessages(c.holdMessage);
    settings.control = &fresh;
    settings.media.stallLimit = 60s;
    service.SetVideos({Video(1), Video(2)});
    service.SetMediaFault("1", c.fault);
    std::filesystem::path folder = UserFolder();
    std::thread job([&] { DownloadWorker(window2, settings); });
    if (c.holdMessage) {
      ASSERT_TRUE(window2.WaitForMessage(10s)) << c.name;
    } else {
      ASSERT_TRUE(window2.WaitForRows(1, 10s)) << c.name;
      if (c.pause) fresh.Pause();
      std::this_thread::sleep_for(300ms);
    }
    auto started = std::chrono::steady_clock::now();
    fresh.Cancel();
    job.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s) << c.name;
    if (!c.holdMessage) {
      EXPECT_LT(window2.rowCount(), 2) << c.name;
      EXPECT_TRUE(window2.messages().empty()) << c.name;
    }
    for (const std::string& name : FileNames(folder)) {
      EXPECT_EQ(name.find(".part"), std::string::npos) << c.name << ": " << name;
    }
    service.SetMediaFault("1", MediaFault::None);
    std::filesystem::remove_all(folder);
  }
}

}  // namespace
}  // namespace vidlark::testing
