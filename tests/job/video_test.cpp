#include "job_fixture.h"
#include "util/code_page.h"

namespace vidlark::testing {
namespace {

using Calls = std::vector<std::string>;
namespace fs = std::filesystem;

fs::path Under(const fs::path& folder, const std::string& utf8) {
  return folder / fs::path(std::u8string(utf8.begin(), utf8.end()));
}

TEST_F(JobTest, ListsAndSavesAVideo) {
  FakeVideo video = Video(66, "1504591407");
  video.description = "abc";
  service.SetVideos({video});
  fs::path folder = UserFolder();
  RunJob();
  // The row: number, description, publish time, URL cut before "&line", status.
  EXPECT_EQ(window.cell(0, 0), "1");
  EXPECT_EQ(window.cell(0, 1), "abc");
  EXPECT_EQ(window.cell(0, 2), "2017-9-05 14:03:27");
  EXPECT_EQ(window.cell(0, 3), service.MediaUrl("66"));
  EXPECT_EQ(window.cell(0, 4), "完成下载");
  EXPECT_EQ(FileNames(folder), (std::vector<std::string>{"abc_2017-9-05 14-03-27.MP4"}));
  EXPECT_EQ(ReadFile(Under(folder, "abc_2017-9-05 14-03-27.MP4")), "media-bytes-of-66");
  // The row is complete and scrolled into view before the download, and its status changes once.
  Calls calls = window.calls();
  Calls expected = {"row 0",
                    "cell 0 0 1",
                    "cell 0 1 abc",
                    "cell 0 2 2017-9-05 14:03:27",
                    "cell 0 3 " + service.MediaUrl("66"),
                    "cell 0 4 正在下载",
                    "repaint",
                    "cell 0 4 完成下载",
                    "caption 开始下载",
                    "message 信息：|下载完成"};
  EXPECT_EQ(calls, expected);
}

TEST_F(JobTest, RequestsTheSharePageAsAMobileBrowser) {
  service.SetVideos({Video(123)});
  UserFolder();
  RunJob();
  auto requests = service.requests();
  auto share = std::find_if(requests.begin(), requests.end(),
                            [](const RecordedRequest& r) { return r.target.starts_with("/share/video/"); });
  ASSERT_NE(share, requests.end());
  EXPECT_EQ(share->target, "/share/video/123/");
  EXPECT_EQ(share->Header("User-Agent"),
            "Mozilla/5.0 (Linux; Android 6.0; Nexus 5 Build/MRA58N) AppleWebKit/537.36 (KHTML, like Gecko) "
            "Chrome/60.0.3112.113 Mobile Safari/537.36");
  EXPECT_EQ(share->Header("Referer"), service.base() + "/share/video/123/");
  EXPECT_EQ(share->headers.count("User-Agent"), 1u);
  auto media = std::find_if(requests.begin(), requests.end(),
                            [](const RecordedRequest& r) { return r.target.starts_with("/media/"); });
  ASSERT_NE(media, requests.end());
  EXPECT_EQ(media->target, "/media/123.mp4?sign=ab");
}

TEST_F(JobTest, TidiesDescriptions) {
  struct Case {
    std::string shared;
    std::string listed;
  };
  const Case cases[] = {
      {"why? really??", "why really"},
      {"smile \xF0\x9F\x98\x80 done", "smile  done"},  // what code page 936 cannot hold goes with the "?"
      {"这是我私藏的视频。一般人我才不分享！", "无视频描述"},
      {"说：这是我私藏的视频。一般人我才不分享！", "说：这是我私藏的视频。一般人我才不分享！"},
  };
  std::vector<FakeVideo> videos;
  int n = 0;
  for (const Case& c : cases) {
    ++n;
    FakeVideo video = Video(n, std::to_string(1504681200 + n));
    video.description = c.shared;
    videos.push_back(video);
  }
  service.SetVideos(videos);
  UserFolder();
  RunJob();
  ASSERT_EQ(window.rowCount(), 4);
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(window.cell(row, 1), cases[row].listed);
    EXPECT_EQ(window.cell(row, 4), "完成下载");
  }
}

TEST_F(JobTest, MissingPartsOfAVideo) {
  FakeVideo noPage = Video(1);
  noPage.sharePage = false;
  FakeVideo noUrl = Video(2);
  noUrl.mediaUrl = false;
  service.SetVideos({noPage, noUrl});
  fs::path folder = UserFolder();
  RunJob();
  ASSERT_EQ(window.rowCount(), 2);
  // Without its share page a video has no description and no time, but its media still saves.
  EXPECT_EQ(window.cell(0, 1), "");
  const std::string noTime = GbkToUtf8(TimestampToText(""));  // the epoch in the machine's local time
  EXPECT_EQ(window.cell(0, 2), noTime);
  EXPECT_EQ(window.cell(0, 4), "完成下载");
  // Without a media URL nothing can be saved.
  EXPECT_EQ(window.cell(1, 3), "");
  EXPECT_EQ(window.cell(1, 4), "下载失败");
  std::string timePart = noTime;
  std::replace(timePart.begin(), timePart.end(), ':', '-');
  EXPECT_EQ(FileNames(folder), (std::vector<std::string>{"_" + timePart + ".MP4"}));
}

TEST_F(JobTest, DateFilterBoundary) {
  // The chosen day is 2017-09-06; 00:00:00 of it is 1504627200 in the service's time.
  window.SetDateFilter(true, CalendarToDateTime(2017, 9, 6, 15, 30, 0));
  service.SetVideos({Video(1, "1504681200"), Video(2, "1504627200"), Video(3, "1504627199"), Video(4, "1504681200")});
  fs::path folder = UserFolder();
  RunJob();
  EXPECT_EQ(window.rowCount(), 2);
  EXPECT_EQ(FileNames(folder).size(), 2u);
  EXPECT_EQ(Ending(), (Calls{"caption 开始下载", "message 信息：|下载完成"}));
  // Nothing after the older video is looked at.
  EXPECT_EQ(service.targets("/share/video/4/").size(), 0u);
  EXPECT_EQ(service.targets("/media/3").size(), 0u);
}

TEST_F(JobTest, DateFilterWithoutAPublishTimeFails) {
  window.SetDateFilter(true, CalendarToDateTime(2017, 9, 6));
  FakeVideo noPage = Video(1);
  noPage.sharePage = false;
  service.SetVideos({noPage, Video(2)});
  UserFolder();
  RunJob();
  EXPECT_EQ(window.rowCount(), 0);
  EXPECT_EQ(Ending(), (Calls{"caption 开始下载", "message 信息：|下载失败"}));
}

TEST_F(JobTest, SecondRunSkipsExistingFilesWithoutARequest) {
  service.SetVideos({Video(1, "1504681201"), Video(2, "1504681202")});
  fs::path folder = UserFolder();
  RunJob();
  ASSERT_EQ(service.targets("/media/").size(), 2u);
  fs::path first = Under(folder, "video 1_2017-9-06 15-00-01.MP4");
  std::ofstream(first, std::ios::binary | std::ios::trunc) << "the user's own";
  RecordingWindow again;
  again.SetUserId("123");
  DownloadWorker(again, settings);
  EXPECT_EQ(service.targets("/media/").size(), 2u);
  EXPECT_EQ(again.cell(0, 4), "完成下载");
  EXPECT_EQ(again.cell(1, 4), "完成下载");
  EXPECT_EQ(ReadFile(first), "the user's own");  // found files are never rewritten
}

TEST_F(JobTest, FailedDownloadsLeaveNoFileAndAreTriedAgain) {
  std::vector<FakeVideo> videos;
  for (int i = 1; i <= 4; ++i) videos.push_back(Video(i, std::to_string(1504681200 + i)));
  service.SetVideos(videos);
  service.SetMediaFault("1", MediaFault::NotFound);
  service.SetMediaFault("2", MediaFault::CutMidBody);
  service.SetMediaFault("3", MediaFault::Empty);
  service.SetMediaFault("4", MediaFault::Stall);
  fs::path folder = UserFolder();
  RunJob();
  ASSERT_EQ(window.rowCount(), 4);
  for (int row = 0; row < 4; ++row) EXPECT_EQ(window.cell(row, 4), "下载失败") << row;
  EXPECT_TRUE(FileNames(folder).empty()) << "no file, final or temporary, is left behind";

  for (const char* id : {"1", "2", "3", "4"}) service.SetMediaFault(id, MediaFault::None);
  RecordingWindow again;
  again.SetUserId("123");
  DownloadWorker(again, settings);
  for (int row = 0; row < 4; ++row) EXPECT_EQ(again.cell(row, 4), "完成下载") << row;
  EXPECT_EQ(FileNames(folder).size(), 4u);
}

TEST_F(JobTest, DescriptionsNeverNameAFolder) {
  FakeVideo slash = Video(1);
  slash.description = "../../escape";
  FakeVideo backslash = Video(2);
  backslash.description = "a\\b";
  service.SetVideos({slash, backslash});
  fs::path folder = UserFolder();
  RunJob();
  EXPECT_EQ(window.cell(0, 4), "下载失败");
  EXPECT_EQ(window.cell(1, 4), "下载失败");
  EXPECT_TRUE(FileNames(folder).empty());
  EXPECT_EQ(FileNames(program.path()), (std::vector<std::string>{"视频保存"}));
  EXPECT_TRUE(service.targets("/media/").empty());
}

TEST_F(JobTest, SavesANameNearTheLengthLimit) {
  // 232 bytes of description make a 255-byte file name, the most most file systems take.
  FakeVideo video = Video(1, "1504591407");
  video.description = std::string(232, 'd');
  service.SetVideos({video});
  fs::path folder = UserFolder();
  RunJob();
  EXPECT_EQ(window.cell(0, 4), "完成下载");
  auto names = FileNames(folder);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].size(), 255u);
}

TEST_F(JobTest, MissingUserFolderFails) {
  service.SetVideos({Video(1)});
  RunJob();  // nobody created 视频保存/123
  EXPECT_EQ(window.cell(0, 4), "下载失败");
  EXPECT_FALSE(fs::exists(program.path() / fs::path(u8"视频保存")));
}

}  // namespace
}  // namespace vidlark::testing
