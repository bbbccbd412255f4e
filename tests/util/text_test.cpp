#include "util/text.h"

#include <gtest/gtest.h>

#include "util/code_page.h"

namespace vidlark {
namespace {

TEST(FindText, FollowsTheSearchRule) {
  struct Case {
    const char* text;
    const char* sought;
    int start;
    bool ignoreCase;
    int expected;
  };
  const Case cases[] = {
      {"abcabc", "c", 1, false, 3},  {"abcabc", "c", 4, false, 6},  {"abcabc", "c", 0, false, 3},
      {"abcabc", "c", -5, false, 3}, {"abcabc", "x", 1, false, -1}, {"abc", "", 1, false, 1},
      {"abc", "", 3, false, 1},      {"abc", "", 4, false, -1},     {"", "", 1, false, -1},
      {"abc", "abcd", 1, false, -1}, {"aBc", "bC", 1, false, -1},   {"aBc", "bC", 1, true, 2},
      {"abc", "a", 7, false, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindText(c.text, c.sought, c.start, c.ignoreCase), c.expected)
        << c.text << " / " << c.sought << " from " << c.start;
  }
}

TEST(FindText, NeverMatchesAcrossTwoDoubleByteCharacters) {
  // The second byte of one character and the first byte of the next spell A1 B0.
  const Text text = "\xB0\xA1\xB0\xA1";  // two characters B0A1 B0A1
  EXPECT_EQ(FindText(text, "\xA1\xB0"), -1);
  EXPECT_EQ(FindText(text, "\xB0\xA1", 2), -1);  // counted from byte 2, A1 B0 is one character
  EXPECT_EQ(FindText("a" + text, "\xA1\xB0"), -1);
  // Case folding applies to second bytes too: 0x41 'A' after a lead byte.
  EXPECT_EQ(FindText("\x81\x41", "\x81\x61", 1, true), 1);
  EXPECT_EQ(FindText("\x81\x41", "A"), -1);
}

TEST(TextRules, CompareTrimSplitLeftRight) {
  EXPECT_LT(CompareText("abc", "abd"), 0);
  EXPECT_LT(CompareText("ab", "abc"), 0);
  EXPECT_EQ(CompareText("", ""), 0);
  EXPECT_GT(CompareText("\x80", "\x7F"), 0);  // unsigned bytes

  const Text wide = "\xA1\xA1";
  EXPECT_EQ(TrimSpaces("  a b " + wide), "a b");
  EXPECT_EQ(TrimSpaces(wide + "\ta\t"), "\ta\t");
  EXPECT_EQ(TrimSpaces("\xB0\xA1\xA1"), "\xB0\xA1\xA1");  // A1 A1 across a character is no space
  EXPECT_EQ(RemoveSpaces(" a " + wide + "b "), "ab");

  using Pieces = std::vector<Text>;
  EXPECT_EQ(SplitText("", ","), Pieces{});
  EXPECT_EQ(SplitText("a,b", ","), (Pieces{"a", "b"}));
  EXPECT_EQ(SplitText(",a,,b,", ","), (Pieces{"", "a", "", "b"}));
  EXPECT_EQ(SplitText("a\r\nb", "\r\n"), (Pieces{"a", "b"}));

  EXPECT_EQ(LeftBytes("abc", 0), "");
  EXPECT_EQ(LeftBytes("abc", -1), "");
  EXPECT_EQ(LeftBytes("abc", 9), "abc");
  EXPECT_EQ(RightBytes("abc", 2), "bc");
  EXPECT_EQ(RightBytes("abc", 9), "abc");
}

TEST(TextBetween, CutsBetweenMarkers) {
  struct Case {
    const char* source;
    const char* left;
    const char* right;
    const char* expected;
  };
  const Case cases[] = {
      {"a<b>c", "<", ">", "b"},  {"a<bc", "<", ">", ""},
      {"abc>", "<", ">", ""},    {"abc<", "<", ">", ""},
      {"a<b>c", "<", "", ""},    {"ab>c>", "", ">", "ab"},
      {"a>b<c>", "<", ">", "c"}, {"<>", "<", ">", ""},
      {"", "", "", ""},          {"x=\"a1\" y", "x=", " ", "\"a1\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextBetween(c.source, c.left, c.right), c.expected) << c.source;
  }
  EXPECT_EQ(TextBetween("aXbYc", "x", "y", std::nullopt, true), "b");
  EXPECT_EQ(TextBetween("aXbYc", "x", "y"), "");
  EXPECT_EQ(TextBetween("<1><2>", "<", ">", 3), "2");
}

TEST(TextBetween, QuoteMarkerStandsForADoubleQuote) {
  const Text quote = Local("#引号");
  Text page = "id=\"b1\" name=\"abc\" x";
  EXPECT_EQ(TextBetween(page, quote + "a", quote), "bc");
  EXPECT_EQ(TextBetween(page, "name=" + quote, quote), "abc");
}

TEST(TextBefore, CutsBeforeTheMarker) {
  EXPECT_EQ(TextBefore("abc&line=1", "&line"), "abc");
  EXPECT_EQ(TextBefore("abc", "&line"), "");
  EXPECT_EQ(TextBefore("&lineabc", "&line"), "");
  EXPECT_EQ(TextBefore("a&LINE", "&line", std::nullopt, true), "a");
  EXPECT_EQ(TextBefore("a;b;c", ";", 3), "a;b");
  EXPECT_EQ(TextBefore("a;b", ";", -4), "a");
}

TEST(ReplaceMany, ReplacesWithCountsAndCaseFolding) {
  struct Case {
    const char* source;
    std::optional<int> count;
    std::optional<int> start;
    std::optional<bool> matchCase;
    const char* find;
    const char* replacement;
    const char* expected;
  };
  const Case cases[] = {
      {"a?b??", {}, {}, {}, "?", "", "ab"},     {"14:30:00", {}, {}, {}, ":", "-", "14-30-00"},
      {"AbAB", {}, {}, {}, "ab", "x", "xx"},    {"AbAB", {}, {}, true, "ab", "x", "AbAB"},
      {"a.a.a", 1, {}, {}, "a", "b", "b.a.a"},  {"a.a.a", 0, {}, {}, "a", "b", "a.a.a"},
      {"a.a.a", -1, {}, {}, "a", "b", "b.b.b"}, {"a.a.a", {}, 2, {}, "a", "b", "a.b.b"},
      {"a.a.a", {}, 0, {}, "a", "b", "b.b.b"},  {"a.a", {}, 9, {}, "a", "b", "a.a"},
      {"aaa", {}, {}, {}, "aa", "a", "aa"},  // no overlap, no rescan
      {"", {}, {}, {}, "a", "b", ""},           {"abc", {}, {}, {}, "", "x", "abc"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceMany(c.source, c.count, c.start, c.matchCase, c.find, c.replacement), c.expected)
        << c.source << " " << c.find;
  }
  // Pairs apply one after another; a later pair sees an earlier pair's output.
  EXPECT_EQ(ReplaceMany("abc", std::nullopt, std::nullopt, std::nullopt, "a", "b", "b", "c", "c", "d"), "ddd");
  // A double-byte character whose second byte is "?" (0x3F) is not touched.
  EXPECT_EQ(ReplaceMany("\x81\x3F?", std::nullopt, std::nullopt, std::nullopt, "?", ""), "\x81\x3F");
}

TEST(Utf8ToLocal, ConvertsNetworkText) {
  auto bytes = [](std::string_view s) { return ByteBuffer(s.begin(), s.end()); };
  EXPECT_EQ(Utf8ToLocal({}), "");
  EXPECT_EQ(Utf8ToLocal(bytes("中文")), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(Utf8ToLocal(bytes("a\xF0\x9F\x98\x80"
                              "b")),
            "a??b");  // an emoji: one "?" per UTF-16 unit
  EXPECT_EQ(Utf8ToLocal(bytes(std::string_view("ab\0cd", 5))), "ab");
  EXPECT_EQ(Utf8ToLocal(bytes("a\xFF"
                              "b\xE4\xB8"
                              "c")),
            "a?b?c");  // undecodable sequences
}

}  // namespace
}  // namespace vidlark
