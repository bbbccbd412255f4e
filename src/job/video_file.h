// Storing one media download as a file: the body goes to a temporary file
// beside the final one and gets the final name only once it is complete, so no
// run, crash or full disk ever leaves a truncated file under a video's name.
#pragma once

#include <filesystem>

#include "net/media_download.h"
#include "util/run_control.h"
#include "util/text.h"

namespace vidlark {

enum class SaveOutcome { Saved, Failed, Cancelled };

// Downloads `url` into `finalPath`. On anything but a complete, non-empty 2xx
// body nothing is left behind under either name.
SaveOutcome SaveMediaFile(const Text& url, const std::filesystem::path& finalPath,
                          const MediaDownloadSettings& settings, const RunControl& control);

// True when a file or folder of that name exists.
bool FileExists(const std::filesystem::path& path);

}  // namespace vidlark
