#include "util/file_path.h"

#include "util/code_page.h"

namespace vidlark {

const Text kPathSeparator(1, static_cast<char>(std::filesystem::path::preferred_separator));

std::filesystem::path PathUnder(const std::filesystem::path& base, const Text& relative) {
#ifdef _WIN32
  std::u16string wide = GbkToUtf16(relative);
  std::filesystem::path tail(std::wstring(wide.begin(), wide.end()));
#else
  std::string utf8 = GbkToUtf8(relative);
  std::filesystem::path tail(std::u8string(utf8.begin(), utf8.end()));
#endif
  // Concatenation, not appending: the relative path is joined as built.
  std::filesystem::path full = base;
  full += std::filesystem::path(kPathSeparator);
  full += tail;
  return full;
}

}  // namespace vidlark
