// A JSON value held in a script engine of its own and read or edited by path.
// Paths are member-access text after the root's name ("extra.max_time",
// "video.url_list[0]", "[0].id"); they go into the script unescaped.
#pragma once

#include <memory>
#include <vector>

#include "json/script_engine.h"
#include "util/text.h"

namespace vidlark {

// Type codes of GetType and ResetRoot.
enum JsonKind : std::int32_t {
  kJsonNull = 0,  // null, or no value
  kJsonNumber = 2,
  kJsonObject = 4,
  kJsonArray = 5,
  kJsonString = 6,
  kJsonOther = -1,  // a boolean, a function, or a failed examination
};

// Given to every engine right after creation: the member counter and the
// enumerable toJSONString / parseJSON members that counts and key lists rely on.
extern const char* const JsonSupportScript;

class JsonDocument {
 public:
  JsonDocument();
  ~JsonDocument();
  // A copy shares the engine, and so the value, until either is parsed.
  JsonDocument(const JsonDocument& other);
  JsonDocument& operator=(const JsonDocument& other);

  void CreateEngine();
  bool Parse(const Text& text);
  Text ToJson();
  void SetMember(const Text& name, const Text& value, bool valueIsScript = false);
  void SetMemberJson(const Text& name, const Text& json);
  void SetMemberNumber(const Text& name, double number);
  double GetNumber(const Text& path);
  Text GetMemberJson(const Text& path);
  Text GetText(const Text& path, bool asJson = false);
  JsonDocument GetDocument(const Text& path);
  std::int32_t GetCount(const Text& path = Text());
  void AppendToArray(const Text& value, const Text& path = Text(), bool valueIsScript = false);
  JsonDocument GetElementDocument(std::int32_t index, const Text& path = Text());
  Text GetElementText(std::int32_t index, const Text& path = Text(), bool asJson = false);
  void SetElement(std::int32_t index, const Text& value, bool valueIsScript = false);
  void RemoveElement(std::int32_t index);
  void ResetRoot(std::int32_t kind);
  void SetRoot(const Text& value, bool valueIsScript = false);
  bool HasValue(const Text& path);
  std::int32_t GetKeys(std::vector<Text>& keys, const Text& path = Text());
  std::int32_t GetType(const Text& path = Text());
  void Clear();

  const Text& RootName() const { return rootName_; }
  bool HasEngine() const { return engine_ != nullptr; }

 private:
  // The three ways of joining the root's name and a path.
  Text MemberTarget(const Text& path) const;
  Text MemberOrRootTarget(const Text& path) const;
  Text SubscriptAwareTarget(const Text& path) const;

  ScriptValue Eval(const Text& script);

  Text rootName_;
  std::shared_ptr<ScriptEngine> engine_;
};

}  // namespace vidlark
