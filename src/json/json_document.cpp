#include "json/json_document.h"

#include <charconv>
#include <cmath>

namespace vidlark {
namespace {

Text Index(std::int32_t index) { return std::to_string(index); }

Text Quoted(const Text& value, bool valueIsScript) { return valueIsScript ? value : "'" + value + "'"; }

// Numbers written as "%.13g" writes them, but independent of the C locale's
// decimal separator (the window's toolkit sets the user's locale).
Text FormatNumber13(double number) {
  char buffer[64];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::general, 13);
  if (error != std::errc()) return Text();
  return Text(buffer, end);
}

std::int32_t TruncateToInt32(double value) {
  if (!std::isfinite(value)) return 0;
  value = std::trunc(value);
  if (value < -2147483648.0 || value > 2147483647.0) return 0;
  return static_cast<std::int32_t>(value);
}

}  // namespace

JsonDocument::JsonDocument() : rootName_("da") { CreateEngine(); }

JsonDocument::~JsonDocument() = default;

JsonDocument::JsonDocument(const JsonDocument& other) = default;

JsonDocument& JsonDocument::operator=(const JsonDocument& other) = default;

void JsonDocument::CreateEngine() {
  std::unique_ptr<ScriptEngine> created = ScriptEngine::Create("MSScriptControl.ScriptControl");
  if (!created) return;
  engine_ = std::move(created);
  engine_->SetLanguage("JavaScript");
  engine_->AddCode(JsonSupportScript);
  engine_->Eval("var " + rootName_ + "={}");
}

bool JsonDocument::Parse(const Text& text) {
  if (engine_) {
    engine_.reset();
    CreateEngine();
  }
  if (!engine_) return false;
  engine_->Eval("var " + rootName_ + "=null");
  // The text is read as a script expression, so any literal becomes the root;
  // a string literal's content is run once more as script.
  engine_->AddCode("var " + rootName_ + "=eval(" + text + ")");
  return engine_->Eval("null !=" + rootName_).AsBool();
}

ScriptValue JsonDocument::Eval(const Text& script) { return engine_ ? engine_->Eval(script) : ScriptValue::Failure(); }

Text JsonDocument::MemberTarget(const Text& path) const { return rootName_ + "." + path; }

Text JsonDocument::MemberOrRootTarget(const Text& path) const {
  return path.empty() ? rootName_ : rootName_ + "." + path;
}

Text JsonDocument::SubscriptAwareTarget(const Text& path) const {
  return !path.empty() && path[0] == '[' ? rootName_ + path : rootName_ + "." + path;
}

Text JsonDocument::ToJson() { return Eval("JSON.stringify(" + rootName_ + ")").AsText(); }

void JsonDocument::SetMember(const Text& name, const Text& value, bool valueIsScript) {
  Text target = MemberTarget(name);
  if (valueIsScript) {
    Eval(target + "= eval(" + (value.empty() ? Text("{}") : value) + ")");
  } else {
    Eval(target + "='" + value + "'");
  }
}

void JsonDocument::SetMemberJson(const Text& name, const Text& json) {
  Eval(MemberTarget(name) + "= eval(" + json + ")");
}

void JsonDocument::SetMemberNumber(const Text& name, double number) {
  Eval(MemberTarget(name) + "=" + FormatNumber13(number));
}

double JsonDocument::GetNumber(const Text& path) { return Eval(MemberTarget(path)).AsNumber(); }

Text JsonDocument::GetMemberJson(const Text& path) {
  return Eval("JSON.stringify(" + MemberTarget(path) + ")").AsText();
}

Text JsonDocument::GetText(const Text& path, bool asJson) {
  Text target = SubscriptAwareTarget(path);
  return Eval(asJson ? "JSON.stringify(" + target + ")" : target).AsText();
}

JsonDocument JsonDocument::GetDocument(const Text& path) {
  Text json = Eval("JSON.stringify(" + SubscriptAwareTarget(path) + ")").AsText();
  JsonDocument document;
  document.Parse(json);
  return document;
}

std::int32_t JsonDocument::GetCount(const Text& path) {
  Text target = path.empty() ? rootName_ : SubscriptAwareTarget(path);
  return TruncateToInt32(Eval("get__count(" + target + ")").AsNumber());
}

void JsonDocument::AppendToArray(const Text& value, const Text& path, bool valueIsScript) {
  Text target = MemberOrRootTarget(path);
  Eval("if (Object.prototype.toString.call(" + target + ") != '[object Array]') { " + target + "=new Array();} " +
       target + ".push(" + Quoted(value, valueIsScript) + ")");
}

JsonDocument JsonDocument::GetElementDocument(std::int32_t index, const Text& path) {
  Text json = Eval("JSON.stringify(" + MemberOrRootTarget(path) + "[" + Index(index) + "])").AsText();
  JsonDocument document;
  document.Parse(json);
  return document;
}

Text JsonDocument::GetElementText(std::int32_t index, const Text& path, bool asJson) {
  Text element = MemberOrRootTarget(path) + "[" + Index(index) + "]";
  return Eval(asJson ? "JSON.stringify(" + element + ")" : element).AsText();
}

void JsonDocument::SetElement(std::int32_t index, const Text& value, bool valueIsScript) {
  Eval(rootName_ + "[" + Index(index) + "]=" + Quoted(value, valueIsScript));
}

void JsonDocument::RemoveElement(std::int32_t index) { Eval(rootName_ + ".splice(" + Index(index) + ",1)"); }

void JsonDocument::ResetRoot(std::int32_t kind) {
  if (kind == kJsonNull || kind == kJsonObject) {
    Eval("var " + rootName_ + "={}");
  } else if (kind == kJsonArray) {
    Eval("var " + rootName_ + "=new Array()");
  }
}

void JsonDocument::SetRoot(const Text& value, bool valueIsScript) {
  Eval(rootName_ + "=" + Quoted(value, valueIsScript));
}

bool JsonDocument::HasValue(const Text& path) { return Eval(MemberTarget(path) + " !=null").AsBool(); }

std::int32_t JsonDocument::GetKeys(std::vector<Text>& keys, const Text& path) {
  Text names = Eval("var ary=''; for (var key in " + MemberOrRootTarget(path) + ") {ary=ary+ key+','; }").AsText();
  names = ReplaceMany(names, std::nullopt, std::nullopt, true, "toJSONString,", "");
  names = ReplaceMany(names, std::nullopt, std::nullopt, true, "parseJSON,", "");
  Eval("ary=null");
  keys = SplitText(names, ",");
  return static_cast<std::int32_t>(keys.size());
}

std::int32_t JsonDocument::GetType(const Text& path) {
  Text target = MemberOrRootTarget(path);
  if (Eval(target + "==null").AsBool()) return kJsonNull;
  Text type = Eval("typeof (" + target + ")").AsText();
  if (type == "string") return kJsonString;
  if (type == "object") {
    Text json = Eval("JSON.stringify(" + target + ")").AsText();
    return !json.empty() && json[0] == '[' ? kJsonArray : kJsonObject;
  }
  if (type == "number") return kJsonNumber;
  return kJsonOther;
}

void JsonDocument::Clear() { Eval(rootName_ + "={}"); }

}  // namespace vidlark
