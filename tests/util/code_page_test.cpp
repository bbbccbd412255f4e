#include "util/code_page.h"

#include <gtest/gtest.h>

namespace vidlark {
namespace {

TEST(CodePage, RoundTripsChineseText) {
  const std::string utf8 = "视频保存/无视频描述：这是我私藏的视频。一般人我才不分享！";
  Text gbk = Utf8ToGbk(utf8);
  EXPECT_NE(gbk, utf8);
  EXPECT_EQ(GbkToUtf8(gbk), utf8);
  EXPECT_EQ(GbkToUtf16(gbk), u"视频保存/无视频描述：这是我私藏的视频。一般人我才不分享！");
  EXPECT_EQ(Utf16ToGbk(u"视频保存"), Utf8ToGbk("视频保存"));
}

TEST(CodePage, ReplacesWhatCannotBeConverted) {
  EXPECT_EQ(Utf16ToGbk(std::u16string(1, char16_t(0xD800)) + u"a"), "?a");  // a lone surrogate
  EXPECT_EQ(Utf8ToGbk("\xC3\x28"), "?(");
  // One replacement per maximal ill-formed sequence, as the Unicode standard recommends.
  EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"
                        "c"),
            u"\uFFFD"
            u"c");
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // an encoded surrogate
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // beyond U+10FFFF
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");                      // an overlong form
  EXPECT_EQ(GbkToUtf8("a\x81"), "a\xEF\xBF\xBD");                           // a lead byte without its second byte
  EXPECT_EQ(GbkToUtf8("\xFF"
                      "b"),
            "\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(Utf8ToGbk(std::string(100000, 'x')).size(), 100000u);
}

}  // namespace
}  // namespace vidlark
