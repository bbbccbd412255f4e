// The steps of one download job, for DownloadWorker: list paging, per-video
// processing, and saving each video's file.
#pragma once

#include <optional>

#include "job/download_worker.h"
#include "json/json_document.h"

namespace vidlark {

class DownloadJob {
 public:
  DownloadJob(JobWindow& window, const JobSettings& settings);
  void Run();

  // How a step ends: the job goes on, has ended (its message shown), or was cancelled.
  enum class Flow { Continue, Ended, Cancelled };

  // Per-video processing of the item at `index` of the page's items.
  Flow ProcessVideo(JsonDocument& items, std::int32_t index);
  // Adds the video's row; nullopt when cancelled.
  std::optional<std::int32_t> AddVideoRow(const VideoFields& fields);
  // Saves the video of `row` into the user's folder and writes its status.
  Flow SaveVideo(std::int32_t row);

 private:
  // Waits out a pause; false once cancelled. Called before every request,
  // every write to the window and every file.
  bool Proceed() const;
  // Writes "开始下载" and shows the message; the job has ended.
  Flow EndJob(const Text& message);
  ByteBuffer Fetch(const Text& url, const Text& headerLines = Text());
  bool SetCell(std::int32_t row, int column, const Text& text);

  JobWindow& window_;
  const JobSettings& settings_;
  const RunControl& control_;
  VideoFields fields_;
};

}  // namespace vidlark
