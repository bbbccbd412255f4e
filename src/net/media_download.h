// The download of a video's media file: a plain GET streamed into a file,
// with progress, pause and cancel, that tells whether the whole body arrived.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "util/run_control.h"
#include "util/text.h"

namespace vidlark {

struct MediaDownloadProgress {
  std::uint64_t received = 0;
  std::optional<std::uint64_t> total;  // when the server announced a length
};

struct MediaDownloadSettings {
  // A transfer that receives nothing for this long is ended.
  std::chrono::milliseconds stallLimit{60000};
  std::chrono::milliseconds connectLimit{60000};
  // One more certificate authority to trust besides the system's (PEM text).
  std::string trustedAuthority;
  std::function<void(const MediaDownloadProgress&)> progress;
};

enum class MediaDownloadOutcome {
  Complete,   // a 2xx answer whose whole body was written
  Failed,     // no answer, an error status, a broken or short body, a failed write, an empty URL
  Cancelled,  // the run control was cancelled
};

struct MediaDownloadResult {
  MediaDownloadOutcome outcome = MediaDownloadOutcome::Failed;
  std::int32_t status = 0;
  std::uint64_t bytesWritten = 0;
};

// GETs `url` as an old desktop browser would (HTTP/1.0, no cookies, no referrer,
// no proxy, redirects followed) and writes the body to `sink` as it arrives.
// A paused `control` halts the transfer in the middle; a cancelled one ends it.
MediaDownloadResult DownloadMedia(const Text& url, std::ostream& sink, const MediaDownloadSettings& settings = {},
                                  const RunControl* control = RunControl::Current());

}  // namespace vidlark
