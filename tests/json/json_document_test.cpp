#include "json/json_document.h"

#include <gtest/gtest.h>

#include <chrono>

#include "util/code_page.h"

namespace vidlark {
namespace {

using Keys = std::vector<Text>;

JsonDocument Parsed(const Text& json) {
  JsonDocument document;
  document.Parse(json);
  return document;
}

TEST(JsonDocument, NewDocumentHoldsAnEmptyObject) {
  JsonDocument document;
  EXPECT_EQ(document.RootName(), "da");
  EXPECT_EQ(document.ToJson(), "{}");
  EXPECT_EQ(document.GetCount(), 0);
}

TEST(JsonDocument, ParseResults) {
  struct Case {
    const char* text;
    bool result;
    const char* json;
  };
  const Case cases[] = {
      {"", false, ""},
      {"null", false, "null"},
      {"0", true, "0"},
      {"false", true, "false"},
      {"{\"a\":", false, "null"},
      {"\"plainword\"", false, "null"},
      {"\"12\"", true, "12"},
      {"[1,{\"b\":true}]", true, "[1,{\"b\":true}]"},
      {"{\"a\":1}", true, "{\"a\":1}"},
  };
  for (const Case& c : cases) {
    JsonDocument document;
    document.Parse("{\"old\":1}");
    EXPECT_EQ(document.Parse(c.text), c.result) << c.text;
    EXPECT_EQ(document.ToJson(), c.json) << c.text;  // nothing of the former value survives
  }
  JsonDocument empty = Parsed("");
  EXPECT_EQ(empty.GetCount(), -2);
}

TEST(JsonDocument, ReadsAListPage) {
  JsonDocument page = Parsed(
      R"({"status_code":0,"extra":{"has_more":true,"max_time":1504681200000},)"
      R"("data":{"items":[{"id":"66","video":{"url_list":["https://a/b?x=1&line=0","c"]}},{"id":7}],"prompts":"msg"}})");
  EXPECT_EQ(page.GetText("extra.max_time"), "1504681200000");
  EXPECT_EQ(page.GetText("data.prompts"), "msg");
  EXPECT_EQ(page.GetDocument("status_code").ToJson(), "0");
  EXPECT_EQ(page.GetDocument("extra").GetDocument("has_more").ToJson(), "true");
  JsonDocument items = page.GetDocument("data").GetDocument("items");
  EXPECT_EQ(items.GetCount(), 2);
  JsonDocument item = items.GetElementDocument(0);
  EXPECT_EQ(item.GetText("id"), "66");
  EXPECT_EQ(item.GetText("video.url_list[0]"), "https://a/b?x=1&line=0");
  EXPECT_EQ(item.GetText("video.url_list[0]", true), "\"https://a/b?x=1&line=0\"");
  EXPECT_EQ(items.GetElementDocument(1).GetText("id"), "7");
  EXPECT_EQ(page.GetNumber("extra.max_time"), 1504681200000.0);
  EXPECT_EQ(page.GetMemberJson("extra"), R"({"has_more":true,"max_time":1504681200000})");
  // Strings that read as JSON text once more: "0" and "false" count like the literals.
  EXPECT_EQ(Parsed(R"({"s":"0"})").GetDocument("s").ToJson(), "0");
  EXPECT_EQ(Parsed(R"({"s":"false"})").GetDocument("s").ToJson(), "false");
}

TEST(JsonDocument, ArraysByIndex) {
  JsonDocument array = Parsed("[5,6]");
  EXPECT_EQ(array.GetText("[0]"), "5");
  EXPECT_EQ(array.GetCount(), 2);
  EXPECT_EQ(array.GetElementText(1), "6");
  EXPECT_EQ(array.GetElementText(2), "");
  EXPECT_EQ(array.GetElementText(-1), "");
  EXPECT_EQ(array.GetType(), kJsonArray);
  JsonDocument nested = Parsed(R"({"a":[{"x":"y"}]})");
  EXPECT_EQ(nested.GetElementText(0, "a", true), R"({"x":"y"})");
  EXPECT_EQ(nested.GetText("a[0].x"), "y");
}

TEST(JsonDocument, CountsAndKeys) {
  JsonDocument document = Parsed(R"({"two":{"a":1,"b":2},"none":{},"list":[10,20],"n":null})");
  EXPECT_EQ(document.GetCount("two"), 2);
  EXPECT_EQ(document.GetCount("none"), 0);
  EXPECT_EQ(document.GetCount("missing"), -2);
  EXPECT_EQ(document.GetCount("missing.deeper"), 0);
  EXPECT_EQ(document.GetCount("n"), -2);

  Keys keys{"stale"};
  EXPECT_EQ(document.GetKeys(keys, "two"), 2);
  EXPECT_EQ(keys, (Keys{"a", "b"}));
  EXPECT_EQ(document.GetKeys(keys, "list"), 2);
  EXPECT_EQ(keys, (Keys{"0", "1"}));
  EXPECT_EQ(document.GetKeys(keys, "none"), 0);
  EXPECT_TRUE(keys.empty());
  EXPECT_EQ(document.GetKeys(keys, "missing.deeper"), 0);

  JsonDocument odd = Parsed(R"({"xtoJSONString":1,"b":2})");
  EXPECT_EQ(odd.GetKeys(keys), 1);
  EXPECT_EQ(keys, (Keys{"xb"}));
  JsonDocument comma = Parsed(R"({"p,q":1})");
  EXPECT_EQ(comma.GetKeys(keys), 2);
  EXPECT_EQ(keys, (Keys{"p", "q"}));
}

TEST(JsonDocument, TypesAndPresence) {
  JsonDocument document = Parsed(R"({"n":null,"t":true,"f":false,"z":0,"num":1.5,"s":"x","o":{},"a":[]})");
  struct Case {
    const char* path;
    std::int32_t type;
    bool present;
  };
  const Case cases[] = {
      {"n", kJsonNull, false},    {"missing", kJsonNull, false}, {"missing.x", kJsonOther, false},
      {"t", kJsonOther, true},    {"f", kJsonOther, true},       {"z", kJsonNumber, true},
      {"num", kJsonNumber, true}, {"s", kJsonString, true},      {"o", kJsonObject, true},
      {"a", kJsonArray, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(document.GetType(c.path), c.type) << c.path;
    EXPECT_EQ(document.HasValue(c.path), c.present) << c.path;
  }
  EXPECT_EQ(document.GetType(), kJsonObject);
}

TEST(JsonDocument, DocumentsOfMembers) {
  JsonDocument document = Parsed(R"({"f":false,"s":"word","twelve":"12","o":{"k":[1]}})");
  EXPECT_EQ(document.GetDocument("f").ToJson(), "false");
  EXPECT_EQ(document.GetDocument("missing").ToJson(), "");
  EXPECT_EQ(document.GetDocument("missing.x").ToJson(), "");
  EXPECT_EQ(document.GetDocument("s").ToJson(), "null");  // the string's content runs as script
  EXPECT_EQ(document.GetDocument("twelve").ToJson(), "12");
  JsonDocument inner = document.GetDocument("o");
  inner.SetMemberNumber("k", 5);
  EXPECT_EQ(document.GetMemberJson("o"), R"({"k":[1]})");  // independent of its source
  EXPECT_EQ(inner.ToJson(), R"({"k":5})");

  JsonDocument list = Parsed(R"([{"id":1},{"id":2}])");
  JsonDocument first = list.GetElementDocument(0);
  EXPECT_EQ(first.GetText("id"), "1");
  first.SetMember("id", "changed");
  EXPECT_EQ(list.ToJson(), R"([{"id":1},{"id":2}])");
}

TEST(JsonDocument, CopiesShareTheEngineUntilParsed) {
  JsonDocument original = Parsed(R"({"a":1})");
  JsonDocument copy = original;
  copy.SetMemberNumber("b", 2);
  EXPECT_EQ(original.ToJson(), R"({"a":1,"b":2})");
  copy.Parse("[3]");
  EXPECT_EQ(original.ToJson(), R"({"a":1,"b":2})");
  EXPECT_EQ(copy.ToJson(), "[3]");
  JsonDocument assigned;
  assigned = original;
  assigned.Clear();
  EXPECT_EQ(original.ToJson(), "{}");
}

TEST(JsonDocument, CarriesChineseText) {
  JsonDocument document = Parsed(Local(R"({"desc":"无视频描述","视频":1})"));
  EXPECT_EQ(document.GetText("desc"), Local("无视频描述"));
  Keys keys;
  EXPECT_EQ(document.GetKeys(keys), 2);
  EXPECT_EQ(keys[1], Local("视频"));
}

TEST(JsonDocument, HostileTextIsStopped) {
  JsonDocument document;
  auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(document.Parse("(function(){while(true){}})()"));
  EXPECT_LT(std::chrono::steady_clock::now() - started, ScriptEngine::kTimeLimit + std::chrono::seconds(2));
  EXPECT_EQ(document.ToJson(), "null");
  EXPECT_TRUE(document.Parse(R"({"still":"works"})"));
  EXPECT_EQ(document.GetText("still"), "works");
}

TEST(JsonDocument, WithoutAnEngineEverythingIsEmpty) {
  ScriptEngine::SetCreationFailsForTesting(true);
  JsonDocument document;
  EXPECT_FALSE(document.HasEngine());
  EXPECT_FALSE(document.Parse(R"({"a":1})"));
  EXPECT_EQ(document.ToJson(), "");
  EXPECT_EQ(document.GetText("a"), "");
  EXPECT_EQ(document.GetNumber("a"), 0);
  EXPECT_FALSE(document.HasValue("a"));
  EXPECT_EQ(document.GetCount(), 0);
  Keys keys{"x"};
  EXPECT_EQ(document.GetKeys(keys), 0);
  EXPECT_TRUE(keys.empty());
  EXPECT_EQ(document.GetType(), kJsonOther);
  EXPECT_FALSE(document.GetDocument("a").HasEngine());
  EXPECT_EQ(document.GetElementDocument(0).ToJson(), "");
  document.SetMember("a", "b");
  EXPECT_EQ(document.ToJson(), "");
  ScriptEngine::SetCreationFailsForTesting(false);
  // A document that once had an engine keeps it when creating a new one fails.
  JsonDocument kept = Parsed("[1]");
  ScriptEngine::SetCreationFailsForTesting(true);
  kept.CreateEngine();
  EXPECT_EQ(kept.ToJson(), "[1]");
  EXPECT_FALSE(kept.Parse("[2]"));  // parsing releases the engine first
  EXPECT_FALSE(kept.HasEngine());
  ScriptEngine::SetCreationFailsForTesting(false);
}

}  // namespace
}  // namespace vidlark
