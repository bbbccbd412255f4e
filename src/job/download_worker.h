// The download job: pages through a user's video list on the service, lists
// every video and saves its media file under the program's folder.
#pragma once

#include <cstdint>
#include <filesystem>

#include "job/job_window.h"
#include "net/media_download.h"
#include "util/run_control.h"
#include "util/text.h"

namespace vidlark {

// Videos asked for per list page, and the step of the offset.
constexpr std::int32_t ListPageSize = 21;
// A service that never says "no more pages" is paged this far and no further.
constexpr std::int32_t kMaxListPages = 10000;

// What the job is handed at its start instead of reading any configuration.
struct JobSettings {
  // Scheme and host of the service, e.g. "https://www.vidlark.com".
  Text serviceUrl;
  // The folder that holds the program; files go below "视频保存" in it.
  std::filesystem::path programFolder;
  // Pause and cancel; the window's thread decides, the worker obeys.
  const RunControl* control = nullptr;
  // Settings of the media downloads (tests shorten limits or add trust).
  MediaDownloadSettings media;
  std::int32_t maxListPages = kMaxListPages;
};

// The worker's record of the current video.
struct VideoFields {
  Text description;
  Text publishTime;  // Unix time in whole seconds, as cut from the share page
  Text videoUrl;
};

// The job's thread procedure. Returns when the job has ended (after its final
// message was closed) or promptly once the control is cancelled.
void DownloadWorker(JobWindow& window, const JobSettings& settings);

}  // namespace vidlark
