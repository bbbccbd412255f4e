#include "net/cookies.h"

namespace vidlark {
namespace {

Text DropLastBytes(const Text& text, size_t count) {
  return text.size() >= count ? text.substr(0, text.size() - count) : Text();
}

}  // namespace

Text CollectResponseCookies(const Text& responseHeaders) {
  Text result;
  for (const Text& line : SplitText(responseHeaders, "\r\n")) {
    if (FindText(line, "Set-Cookie") == -1) continue;
    Text piece = FindText(line, ";") != -1
                     ? TextBetween(line, "Set-Cookie:", ";")
                     : ReplaceMany(line, std::nullopt, std::nullopt, std::nullopt, "Set-Cookie:", "");
    result += TrimSpaces(piece) + "; ";
  }
  return DropLastBytes(result, 2);
}

Text CookieMerge(Text& oldCookies, Text& newCookies) {
  oldCookies = RemoveSpaces(oldCookies);
  newCookies = RemoveSpaces(newCookies);
  std::vector<Text> kept = SplitText(newCookies, ";");
  for (const Text& piece : SplitText(oldCookies, ";")) {
    if (!HasCookieName(kept, CookieName(piece))) kept.push_back(piece);
  }
  static const Text kDeleted = "=deleted";
  oldCookies.clear();
  for (const Text& piece : kept) {
    if (RightBytes(piece, 8) == kDeleted) continue;
    oldCookies += piece + "; ";
  }
  oldCookies = RemoveDuplicatePieces(DropLastBytes(oldCookies, 2), "; ");
  return oldCookies;
}

Text CookieName(const Text& piece) {
  int equals = FindText(piece, "=");
  return TrimSpaces(equals == -1 ? piece : LeftBytes(piece, equals - 1));
}

bool HasCookieName(const std::vector<Text>& pieces, const Text& name) {
  for (const Text& piece : pieces) {
    if (CookieName(piece) == name) return true;
  }
  return false;
}

Text RemoveDuplicatePieces(const Text& text, const Text& separator) {
  std::vector<Text> seen;
  Text output;
  for (const Text& piece : SplitText(text, separator)) {
    if (IndexOfPiece(seen, piece) != -1) continue;
    seen.push_back(piece);
    output += piece + separator;
  }
  return DropLastBytes(output, separator.size());
}

int IndexOfPiece(const std::vector<Text>& pieces, const Text& text) {
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (pieces[i] == text) return static_cast<int>(i) + 1;
  }
  return -1;
}

}  // namespace vidlark
