// The one place where a Text path meets the file system: converted to the
// platform's encoding (UTF-16 on Windows, UTF-8 elsewhere) only here.
#pragma once

#include <filesystem>

#include "util/text.h"

namespace vidlark {

// The platform's separator as Text.
extern const Text kPathSeparator;

// `base` followed by the relative Text path, converted for the file system.
std::filesystem::path PathUnder(const std::filesystem::path& base, const Text& relative);

}  // namespace vidlark
