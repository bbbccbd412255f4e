#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "json/json_document.h"

namespace vidlark {
namespace {

JsonDocument Parsed(const Text& json) {
  JsonDocument document;
  document.Parse(json);
  return document;
}

TEST(JsonEditing, SetMember) {
  JsonDocument document;
  document.SetMember("a", "x");
  EXPECT_EQ(document.ToJson(), R"({"a":"x"})");
  document.SetMember("e", "", true);
  document.SetMember("l", "[1,2]", true);
  EXPECT_EQ(document.ToJson(), R"({"a":"x","e":{},"l":[1,2]})");
  document.SetMember("a", "it's");  // a quote breaks the literal: nothing changes
  document.SetMember("a", "line\nbreak");
  EXPECT_EQ(document.GetText("a"), "x");
  document.SetMember("a", "one\\ntwo");
  EXPECT_EQ(document.GetText("a"), "one\ntwo");
  document.SetMember("missing.b", "y");
  EXPECT_FALSE(document.HasValue("missing"));
  document.SetMember("e.b", "y");
  EXPECT_EQ(document.GetMemberJson("e"), R"({"b":"y"})");
  document.SetMemberJson("j", R"({"k":[true]})");
  EXPECT_EQ(document.GetMemberJson("j"), R"({"k":[true]})");
  document.SetMemberJson("j", "");
  EXPECT_EQ(document.GetType("j"), kJsonNull);
}

TEST(JsonEditing, SetMemberNumber) {
  JsonDocument document;
  document.SetMemberNumber("half", 0.5);
  document.SetMemberNumber("long", 1.23456789012345678);
  document.SetMemberNumber("big", 1e300);
  EXPECT_EQ(document.ToJson(), R"({"half":0.5,"long":1.234567890123,"big":1e+300})");
  document.SetMemberNumber("half", std::numeric_limits<double>::infinity());
  document.SetMemberNumber("half", -std::numeric_limits<double>::infinity());
  document.SetMemberNumber("half", std::nan(""));
  document.SetMemberNumber("missing.x", 1);
  EXPECT_EQ(document.GetNumber("half"), 0.5);
}

TEST(JsonEditing, AppendToArray) {
  JsonDocument document = Parsed(R"({"o":{"k":1},"s":"str"})");
  document.AppendToArray("v", "missing");
  document.AppendToArray("w", "o");
  document.AppendToArray("1", "s", true);
  document.AppendToArray("2", "s", true);
  document.AppendToArray("nosuch", "t", true);  // the failing value still leaves an empty array
  EXPECT_EQ(document.ToJson(), R"({"o":["w"],"s":[1,2],"missing":["v"],"t":[]})");
  JsonDocument root;
  root.AppendToArray("x");
  EXPECT_EQ(root.ToJson(), R"(["x"])");
}

TEST(JsonEditing, ElementsAndRoot) {
  JsonDocument array = Parsed("[1]");
  array.SetElement(2, "x");
  EXPECT_EQ(array.ToJson(), R"([1,null,"x"])");
  JsonDocument pair = Parsed("[1,2]");
  pair.RemoveElement(0);
  EXPECT_EQ(pair.ToJson(), "[2]");
  pair.RemoveElement(5);
  EXPECT_EQ(pair.ToJson(), "[2]");
  JsonDocument object = Parsed(R"({"a":1})");
  object.RemoveElement(0);
  EXPECT_EQ(object.ToJson(), R"({"a":1})");
  JsonDocument null = Parsed("null");
  null.SetElement(0, "x");
  EXPECT_EQ(null.ToJson(), "null");

  JsonDocument root = Parsed(R"({"a":1})");
  root.ResetRoot(kJsonArray);
  EXPECT_EQ(root.ToJson(), "[]");
  root.ResetRoot(kJsonNumber);
  root.ResetRoot(kJsonString);
  EXPECT_EQ(root.ToJson(), "[]");
  root.ResetRoot(kJsonNull);
  EXPECT_EQ(root.ToJson(), "{}");
  root.ResetRoot(kJsonArray);
  root.ResetRoot(kJsonObject);
  EXPECT_EQ(root.ToJson(), "{}");

  root.SetRoot("abc");
  EXPECT_EQ(root.ToJson(), R"("abc")");
  root.SetRoot("abc", true);
  EXPECT_EQ(root.ToJson(), R"("abc")");
  root.SetRoot("[7]", true);
  EXPECT_EQ(root.ToJson(), "[7]");
  root.Clear();
  EXPECT_EQ(root.ToJson(), "{}");
}

}  // namespace
}  // namespace vidlark
