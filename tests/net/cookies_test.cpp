#include "net/cookies.h"

#include <gtest/gtest.h>

#include "util/code_page.h"

namespace vidlark {
namespace {

TEST(CookieMerge, FoldsNewCookiesIntoTheJar) {
  struct Case {
    const char* oldCookies;
    const char* newCookies;
    const char* merged;
    const char* newAfter;
  };
  const Case cases[] = {
      {"", "", "", ""},
      {"a=1; b=2", "", "a=1; b=2", ""},
      {"a=1", "a=2", "a=2", "a=2"},
      {"a=1; b=2", "b=deleted", "a=1", "b=deleted"},
      {"a=1;a=5", "", "a=1", ""},
      {"", "a=1; a=2", "a=1; a=2", "a=1;a=2"},
      {"", "a=1;a=1", "a=1", "a=1;a=1"},
      {"A=1", "a=2", "a=2; A=1", "a=2"},
      {"flag", "flag=1", "flag=1", "flag=1"},
      {"flag", "", "flag", ""},
      {"a=x y", "", "a=xy", ""},
      {"a=1;", "", "a=1", ""},
      {"a=1;;b=2", "", "a=1; ; b=2", ""},
      {"x=Deleted; y=deletedx", "", "x=Deleted; y=deletedx", ""},
      {"x=deleted; =deleted; z=1", "", "z=1", ""},
      {"", " c = 3 ;d=4", "c=3; d=4", "c=3;d=4"},
  };
  for (const Case& c : cases) {
    Text oldCookies = c.oldCookies;
    Text newCookies = c.newCookies;
    Text result = CookieMerge(oldCookies, newCookies);
    EXPECT_EQ(result, c.merged) << c.oldCookies << " + " << c.newCookies;
    EXPECT_EQ(oldCookies, c.merged) << c.oldCookies << " + " << c.newCookies;
    EXPECT_EQ(newCookies, c.newAfter) << c.oldCookies << " + " << c.newCookies;
  }
  // A full-width space is a space too.
  Text wide = "a=1" + Local("　") + "2";
  Text none;
  EXPECT_EQ(CookieMerge(wide, none), "a=12");
}

TEST(CollectResponseCookies, KeepsNameValuePieces) {
  EXPECT_EQ(CollectResponseCookies("Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n"), "a=1; b=2");
  EXPECT_EQ(CollectResponseCookies("Content-Type: text/html\r\n"), "");
  EXPECT_EQ(CollectResponseCookies(""), "");
  EXPECT_EQ(CollectResponseCookies("Set-Cookie:c=3;Secure"), "c=3");
  EXPECT_EQ(CollectResponseCookies("X-Set-Cookie-Note: ;"), "");  // no "Set-Cookie:" before the ";"
  EXPECT_EQ(CollectResponseCookies("Set-Cookie: d=4 Set-Cookie: e"), "d=4  e");
}

TEST(CookiePieces, NamesAndDuplicates) {
  EXPECT_EQ(CookieName(" a =1=2"), "a");
  EXPECT_EQ(CookieName(" flag "), "flag");
  EXPECT_TRUE(HasCookieName({"x=1", "a=2"}, "a"));
  EXPECT_FALSE(HasCookieName({"A=2"}, "a"));
  EXPECT_EQ(RemoveDuplicatePieces("a; b; a; c; b", "; "), "a; b; c");
  EXPECT_EQ(RemoveDuplicatePieces("", "; "), "");
  EXPECT_EQ(IndexOfPiece({"a", "b"}, "b"), 2);
  EXPECT_EQ(IndexOfPiece({"a", "b"}, "c"), -1);
}

}  // namespace
}  // namespace vidlark
