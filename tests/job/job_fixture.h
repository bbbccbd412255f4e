// Whole download jobs against the local service, through the headless window,
// saving into a temporary program folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "job/download_worker.h"
#include "support/fake_vidlark_service.h"
#include "support/recording_window.h"
#include "support/temp_folder.h"
#include "util/timestamp.h"

namespace vidlark::testing {

class JobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClockLocaleReader(+[] { return true; });
    window.SetUserId("123");
    settings.serviceUrl = service.base();
    settings.programFolder = program.path();
    settings.control = &control;
    settings.media.stallLimit = std::chrono::seconds(2);
  }
  void TearDown() override { SetClockLocaleReader(nullptr); }

  // The window creates these at each start; the job creates no folder.
  std::filesystem::path UserFolder(const std::string& userId = "123") {
    std::filesystem::path folder = program.path() / std::filesystem::path(u8"视频保存") /
                                   std::filesystem::path(std::u8string(userId.begin(), userId.end()));
    std::filesystem::create_directories(folder);
    return folder;
  }

  void RunJob() { DownloadWorker(window, settings); }

  // The file names in a folder, as UTF-8.
  static std::vector<std::string> FileNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::u8string name = entry.path().filename().u8string();
      names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  static std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  // The last two calls of a job that ended by itself.
  std::vector<std::string> Ending() const {
    auto calls = window.calls();
    if (calls.size() < 2) return calls;
    return {calls[calls.size() - 2], calls.back()};
  }

  static FakeVideo Video(int n, const std::string& createTime = "1504681200") {
    return FakeVideo{"\"" + std::to_string(n) + "\"", "video " + std::to_string(n), createTime,
                     "media-bytes-of-" + std::to_string(n)};
  }

  FakeVidlarkService service;
  RecordingWindow window;
  TempFolder program;
  RunControl control;
  JobSettings settings;
};

}  // namespace vidlark::testing
