#include "job_fixture.h"

namespace vidlark::testing {
namespace {

using Calls = std::vector<std::string>;

TEST_F(JobTest, EachEndWritesTheCaptionBeforeTheMessage) {
  struct Case {
    const char* name;
    std::function<std::optional<std::string>(int)> list;
    bool filter;
    Calls ending;
  };
  const Case cases[] = {
      {"last page", nullptr, false, {"caption 开始下载", "message 信息：|下载完成"}},
      {"empty body", [](int) { return std::string(); }, false, {"caption 开始下载", "message 信息：|下载失败"}},
      {"service refuses",
       [](int) { return std::string(R"({"status_code":8,"data":{"prompts":"用户不存在"}})"); },
       false,
       {"caption 开始下载", "message 信息：|用户不存在"}},
      {"not json",
       [](int) { return std::string("<html>error</html>"); },
       false,
       {"caption 开始下载", "message 信息：|"}},
      {"older video", nullptr, true, {"caption 开始下载", "message 信息：|下载完成"}},
  };
  for (const Case& c : cases) {
    RecordingWindow fresh;
    fresh.SetUserId("123");
    fresh.SetDateFilter(c.filter, CalendarToDateTime(2030, 1, 1));
    service.SetVideos({Video(1)});
    service.SetListOverride(c.list);
    UserFolder();
    DownloadWorker(fresh, settings);
    auto calls = fresh.calls();
    ASSERT_GE(calls.size(), 2u) << c.name;
    EXPECT_EQ((Calls{calls[calls.size() - 2], calls.back()}), c.ending) << c.name;
    EXPECT_EQ(fresh.messages().size(), 1u) << c.name;
  }
}

TEST_F(JobTest, RequestsPagesWithOffsetCountUserAndMaxTime) {
  std::vector<FakeVideo> videos;
  for (int i = 1; i <= 25; ++i) videos.push_back(Video(i));
  service.SetVideos(videos);
  UserFolder();
  RunJob();
  auto lists = service.targets("/share/load_videos/");
  ASSERT_EQ(lists.size(), 2u);
  EXPECT_EQ(lists[0], "/share/load_videos/?offset=0&count=21&user_id=123&max_time=0");
  EXPECT_EQ(lists[1], "/share/load_videos/?offset=21&count=21&user_id=123&max_time=1600000000000");
  // Rows are numbered across pages, and the last page's videos are all saved before the end.
  ASSERT_EQ(window.rowCount(), 25);
  for (int row = 0; row < 25; ++row) {
    EXPECT_EQ(window.cell(row, 0), std::to_string(row + 1));
    EXPECT_EQ(window.cell(row, 4), "完成下载");
  }
  EXPECT_EQ(FileNames(UserFolder()).size(), 25u);
  EXPECT_EQ(Ending(), (Calls{"caption 开始下载", "message 信息：|下载完成"}));
}

TEST_F(JobTest, SendsTheUserIdAsTyped) {
  struct Case {
    const char* typed;
    const char* query;
  };
  // A space cannot stand in a request line; it goes out percent-encoded and the
  // service reads back exactly what was typed.
  for (Case c : {Case{"12 ab", "user_id=12%20ab&"}, Case{"", "user_id=&"}, Case{"abc", "user_id=abc&"}}) {
    RecordingWindow fresh;
    fresh.SetUserId(c.typed);
    service.SetListOverride([](int) { return std::string(R"({"status_code":0,"extra":{"has_more":false}})"); });
    DownloadWorker(fresh, settings);
    std::string last = service.targets("/share/load_videos/").back();
    EXPECT_NE(last.find(c.query), std::string::npos) << last;
  }
}

TEST_F(JobTest, EchoesMaxTimeEvenWhenMissing) {
  service.SetListOverride([](int n) -> std::optional<std::string> {
    if (n == 0) return std::string(R"({"status_code":0,"extra":{"has_more":true},"data":{"items":[]}})");
    if (n == 1) return std::string(R"({"status_code":"0","extra":{"has_more":true,"max_time":"77"}})");
    return std::string(R"({"status_code":0,"extra":{"has_more":"false","max_time":1}})");
  });
  RunJob();
  auto lists = service.targets("/share/load_videos/");
  ASSERT_EQ(lists.size(), 3u);
  EXPECT_EQ(lists[1], "/share/load_videos/?offset=21&count=21&user_id=123&max_time=");
  EXPECT_EQ(lists[2], "/share/load_videos/?offset=42&count=21&user_id=123&max_time=77");
  EXPECT_EQ(Ending(), (Calls{"caption 开始下载", "message 信息：|下载完成"}));
  EXPECT_EQ(window.rowCount(), 0);
}

TEST_F(JobTest, UnreachableServiceEndsWithFailure) {
  settings.serviceUrl = "http://127.0.0.1:1";
  RunJob();
  EXPECT_EQ(window.calls(), (Calls{"caption 开始下载", "message 信息：|下载失败"}));
}

TEST_F(JobTest, ShowsTheServicesPromptAsItWroteIt) {
  service.SetListOverride(
      [](int) { return std::string(R"({"status_code":2154,"data":{"prompts":"请求太频繁，请稍后再试"}})"); });
  RunJob();
  EXPECT_EQ(window.messages(), (std::vector<std::string>{"请求太频繁，请稍后再试"}));
}

TEST_F(JobTest, EndlessPagingIsBounded) {
  settings.maxListPages = 5;
  service.SetListOverride(
      [](int) { return std::string(R"({"status_code":0,"extra":{"has_more":true,"max_time":1},"data":{}})"); });
  RunJob();
  EXPECT_EQ(service.targets("/share/load_videos/").size(), 5u);
  EXPECT_EQ(Ending(), (Calls{"caption 开始下载", "message 信息：|下载失败"}));
}

TEST_F(JobTest, ReadsTheUserIdAfreshForEveryPage) {
  std::vector<FakeVideo> videos;
  for (int i = 1; i <= 22; ++i) videos.push_back(Video(i));
  service.SetVideos(videos);
  UserFolder("123");
  UserFolder("456");
  service.SetListOverride([this](int n) -> std::optional<std::string> {
    if (n == 0) window.SetUserId("456");  // typed while the first page is on its way
    return std::nullopt;
  });
  RunJob();
  auto lists = service.targets("/share/load_videos/");
  ASSERT_EQ(lists.size(), 2u);
  EXPECT_NE(lists[1].find("user_id=456"), std::string::npos);
  EXPECT_TRUE(FileNames(UserFolder("123")).empty());
  EXPECT_EQ(FileNames(UserFolder("456")).size(), 22u);
}

}  // namespace
}  // namespace vidlark::testing
