// Text: the program's internal string, a code page 936 (GBK) byte string, and
// the common rules every routine applies to it (positions from 1, searches that
// never start inside a double-byte character, byte-wise comparison, trimming,
// splitting, left/right).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vidlark {

// A code page 936 byte string: a character is one byte below 0x80 or two bytes
// starting with a byte of 0x80 or above.
using Text = std::string;

// Raw bytes of an HTTP body or of a file.
using ByteBuffer = std::vector<std::uint8_t>;

// The search rule: the 1-based position of `sought` in `text`, or -1. A start
// of 1 or less searches from the beginning. The scan moves one character at a
// time, so a match never begins on the second byte of a double-byte character.
// With `ignoreCase` the bytes of "A" to "Z" count as those of "a" to "z".
int FindText(std::string_view text, std::string_view sought, int start = 1, bool ignoreCase = false);

// Byte-wise comparison by unsigned value; a prefix is the smaller. Returns <0, 0, >0.
int CompareText(std::string_view a, std::string_view b);

// Spaces are the byte 0x20 and the full-width space A1 A1; tabs and line breaks are not.
Text TrimSpaces(std::string_view text);
Text RemoveSpaces(std::string_view text);

// Cuts at every separator from the start. An empty text gives no pieces; a
// separator at the end gives no piece after it.
std::vector<Text> SplitText(std::string_view text, std::string_view separator);

// The first / last n bytes; empty for n <= 0, the whole text for n beyond its length.
Text LeftBytes(std::string_view text, long long n);
Text RightBytes(std::string_view text, long long n);

// The text between the first `left` (from `start`) and the first `right` after
// it; empty when either is missing. "#引号" in a marker stands for a double quote.
Text TextBetween(std::string_view source, std::string_view left, std::string_view right,
                 std::optional<int> start = std::nullopt, bool ignoreCase = false);

// The text in front of the first `marker`; empty when the marker is missing.
Text TextBefore(std::string_view source, std::string_view marker, std::optional<int> start = std::nullopt,
                bool ignoreCase = false);

// Applies up to five replacements one after another. An absent `count` means no
// limit, 0 no replacement, a negative count no limit. Letters are compared
// without regard to case unless `matchCase` is true.
Text ReplaceMany(std::string_view source, std::optional<int> count, std::optional<int> start,
                 std::optional<bool> matchCase, std::string_view find1, std::string_view replacement1,
                 std::string_view find2 = {}, std::string_view replacement2 = {}, std::string_view find3 = {},
                 std::string_view replacement3 = {}, std::string_view find4 = {}, std::string_view replacement4 = {},
                 std::string_view find5 = {}, std::string_view replacement5 = {});

// UTF-8 bytes from the network as Text: characters code page 936 cannot hold
// come out as "?", and the text ends at the first zero byte.
Text Utf8ToLocal(const ByteBuffer& bytes);

}  // namespace vidlark
