// Conversions between the program's code page 936 texts and the Unicode forms
// used at its edges (network bodies, widgets, file-system paths, script engine).
// None of them fails: undecodable input and characters that the target cannot
// hold come out as replacement characters ("?" in code page 936, U+FFFD in
// Unicode).
#pragma once

#include <string>
#include <string_view>

#include "util/text.h"

namespace vidlark {

// UTF-8 to code page 936. Each undecodable UTF-8 sequence and each UTF-16 code
// unit of a character that code page 936 cannot hold becomes "?".
Text Utf8ToGbk(std::string_view utf8);
Text Utf16ToGbk(std::u16string_view utf16);

// UTF-8 to UTF-16; each maximal ill-formed sequence becomes one U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);

// Code page 936 to Unicode. An invalid byte sequence becomes U+FFFD.
std::string GbkToUtf8(std::string_view gbk);
std::u16string GbkToUtf16(std::string_view gbk);

// A UTF-8 literal in the source turned into Text, for the system's own captions and markers.
inline Text Local(std::string_view utf8) { return Utf8ToGbk(utf8); }

}  // namespace vidlark
