#include "job/video_file.h"

#include <fstream>
#include <random>
#include <system_error>

namespace vidlark {
namespace {

// A short name of its own in the same folder: the final name may already be
// near the file system's length limit, so nothing is appended to it.
std::filesystem::path TemporaryPathBeside(const std::filesystem::path& finalPath) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  char name[40];
  std::snprintf(name, sizeof name, ".vidlark-%016llx.part", static_cast<unsigned long long>(random()));
  return finalPath.parent_path() / name;
}

void RemoveQuietly(const std::filesystem::path& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

}  // namespace

bool FileExists(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

SaveOutcome SaveMediaFile(const Text& url, const std::filesystem::path& finalPath,
                          const MediaDownloadSettings& settings, const RunControl& control) {
  if (url.empty()) return SaveOutcome::Failed;
  std::filesystem::path temporary = TemporaryPathBeside(finalPath);
  MediaDownloadResult result;
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) return SaveOutcome::Failed;
    result = DownloadMedia(url, file, settings, &control);
    file.close();
    if (file.fail() && result.outcome == MediaDownloadOutcome::Complete) result.outcome = MediaDownloadOutcome::Failed;
  }
  // An empty body is no video either: storing it would make later runs skip it for ever.
  if (result.outcome != MediaDownloadOutcome::Complete || result.bytesWritten == 0) {
    RemoveQuietly(temporary);
    return result.outcome == MediaDownloadOutcome::Cancelled ? SaveOutcome::Cancelled : SaveOutcome::Failed;
  }
  std::error_code error;
  std::filesystem::rename(temporary, finalPath, error);
  if (error) {
    RemoveQuietly(temporary);
    return SaveOutcome::Failed;
  }
  return SaveOutcome::Saved;
}

}  // namespace vidlark
