#include "util/text.h"

#include "util/code_page.h"

namespace vidlark {
namespace {

unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

bool MatchesAt(std::string_view text, size_t pos, std::string_view sought, bool ignoreCase) {
  for (size_t i = 0; i < sought.size(); ++i) {
    auto a = static_cast<unsigned char>(text[pos + i]);
    auto b = static_cast<unsigned char>(sought[i]);
    if (ignoreCase ? Fold(a) != Fold(b) : a != b) return false;
  }
  return true;
}

// Bytes of the character that starts at `pos`: two for a lead byte of 0x80 or above.
size_t CharacterLength(std::string_view text, size_t pos) {
  return static_cast<unsigned char>(text[pos]) >= 0x80 && pos + 1 < text.size() ? 2 : 1;
}

size_t SkipFor(int start) { return start > 1 ? static_cast<size_t>(start) - 1 : 0; }

// The replacement rule for one find/replacement pair.
Text ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement, std::optional<int> count,
                int start, bool matchCase) {
  size_t skip = SkipFor(start);
  if (text.empty() || find.empty() || skip >= text.size() || (count && *count == 0)) return Text(text);
  const bool limited = count && *count > 0;
  int done = 0;
  Text out(text.substr(0, skip));
  size_t pos = skip;
  while (pos < text.size()) {
    if (limited && done >= *count) break;
    if (text.size() - pos >= find.size() && MatchesAt(text, pos, find, !matchCase)) {
      out.append(replacement);
      pos += find.size();
      ++done;
      continue;
    }
    size_t length = CharacterLength(text, pos);
    out.append(text.substr(pos, length));
    pos += length;
  }
  out.append(text.substr(pos));
  return out;
}

Text WithQuoteMarkers(std::string_view marker) {
  static const Text kQuoteMarker = Local("#引号");
  return ReplaceAll(marker, kQuoteMarker, "\"", std::nullopt, 1, true);
}

bool IsSpaceAt(std::string_view text, size_t pos) {
  if (text[pos] == ' ') return true;
  return pos + 1 < text.size() && static_cast<unsigned char>(text[pos]) == 0xA1 &&
         static_cast<unsigned char>(text[pos + 1]) == 0xA1;
}

}  // namespace

int FindText(std::string_view text, std::string_view sought, int start, bool ignoreCase) {
  size_t skip = SkipFor(start);
  if (skip >= text.size()) return -1;
  if (sought.empty()) return 1;
  size_t pos = skip;
  while (pos < text.size() && text.size() - pos >= sought.size()) {
    if (MatchesAt(text, pos, sought, ignoreCase)) return static_cast<int>(pos) + 1;
    pos += CharacterLength(text, pos);
  }
  return -1;
}

int CompareText(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

Text TrimSpaces(std::string_view text) {
  // Scans forward character by character, so that the bytes A1 A1 count as a
  // space only where they form one character.
  size_t pos = 0;
  while (pos < text.size() && IsSpaceAt(text, pos)) pos += CharacterLength(text, pos);
  size_t begin = pos;
  size_t end = pos;
  while (pos < text.size()) {
    size_t length = CharacterLength(text, pos);
    if (!IsSpaceAt(text, pos)) end = pos + length;
    pos += length;
  }
  return Text(text.substr(begin, end - begin));
}

Text RemoveSpaces(std::string_view text) {
  Text out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t length = CharacterLength(text, pos);
    if (IsSpaceAt(text, pos)) {
      pos += length;
      continue;
    }
    out.append(text.substr(pos, length));
    pos += length;
  }
  return out;
}

std::vector<Text> SplitText(std::string_view text, std::string_view separator) {
  std::vector<Text> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  size_t from = 0;
  while (from < text.size()) {
    int found = FindText(text, separator, static_cast<int>(from) + 1);
    if (found < 0) {
      pieces.emplace_back(text.substr(from));
      return pieces;
    }
    size_t at = static_cast<size_t>(found) - 1;
    pieces.emplace_back(text.substr(from, at - from));
    from = at + separator.size();
  }
  return pieces;
}

Text LeftBytes(std::string_view text, long long n) {
  if (n <= 0) return Text();
  return Text(text.substr(0, static_cast<size_t>(std::min<long long>(n, static_cast<long long>(text.size())))));
}

Text RightBytes(std::string_view text, long long n) {
  if (n <= 0) return Text();
  size_t length = static_cast<size_t>(std::min<long long>(n, static_cast<long long>(text.size())));
  return Text(text.substr(text.size() - length));
}

Text TextBetween(std::string_view source, std::string_view left, std::string_view right, std::optional<int> start,
                 bool ignoreCase) {
  Text leftMarker = WithQuoteMarkers(left);
  Text rightMarker = WithQuoteMarkers(right);
  int p = FindText(source, leftMarker, start.value_or(0), ignoreCase);
  if (p != -1) p += static_cast<int>(leftMarker.size());
  int q = FindText(source, rightMarker, p, ignoreCase);
  if (p == -1 || q == -1 || q <= p) return Text();
  return Text(source.substr(static_cast<size_t>(p) - 1, static_cast<size_t>(q - p)));
}

Text TextBefore(std::string_view source, std::string_view marker, std::optional<int> start, bool ignoreCase) {
  int from = start.value_or(1);
  if (from <= 0) from = 1;
  int p = FindText(source, marker, from, ignoreCase);
  if (p == -1) return Text();
  return LeftBytes(source, p - 1);
}

Text ReplaceMany(std::string_view source, std::optional<int> count, std::optional<int> start,
                 std::optional<bool> matchCase, std::string_view find1, std::string_view replacement1,
                 std::string_view find2, std::string_view replacement2, std::string_view find3,
                 std::string_view replacement3, std::string_view find4, std::string_view replacement4,
                 std::string_view find5, std::string_view replacement5) {
  int from = start.value_or(0);
  if (from == 0) from = 1;
  bool exact = matchCase.value_or(false);
  Text result(source);
  const std::string_view pairs[5][2] = {{find1, replacement1},
                                        {find2, replacement2},
                                        {find3, replacement3},
                                        {find4, replacement4},
                                        {find5, replacement5}};
  for (const auto& pair : pairs) result = ReplaceAll(result, pair[0], pair[1], count, from, exact);
  return result;
}

Text Utf8ToLocal(const ByteBuffer& bytes) {
  if (bytes.empty()) return Text();
  Text converted = Utf8ToGbk(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  size_t zero = converted.find('\0');
  if (zero != Text::npos) converted.resize(zero);
  return converted;
}

}  // namespace vidlark
