#include "json/script_engine.h"

#include <QCoreApplication>
#include <QJSEngine>
#include <QJSValue>
#include <atomic>
#include <cmath>

#include "json/script_watchdog.h"
#include "util/code_page.h"

namespace vidlark {
namespace {

std::atomic<bool> creationFails{false};

QString ToEngineString(const Text& text) {
  std::u16string utf16 = GbkToUtf16(text);
  return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}

Text FromEngineString(const QString& text) {
  return Utf16ToGbk(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())));
}

}  // namespace

Text ScriptValue::AsText() const {
  switch (kind_) {
    case Kind::String:
    case Kind::Number:
    case Kind::Boolean:
    case Kind::Other: return text_;
    default: return Text();
  }
}

double ScriptValue::AsNumber() const { return kind_ == Kind::Number ? number_ : 0.0; }

bool ScriptValue::AsBool() const { return kind_ == Kind::Boolean && boolean_; }

std::unique_ptr<ScriptEngine> ScriptEngine::Create(const Text& name) {
  if (creationFails.load() || QCoreApplication::instance() == nullptr) return nullptr;
  if (name != "MSScriptControl.ScriptControl" && name != "ScriptControl") return nullptr;
  return std::unique_ptr<ScriptEngine>(new ScriptEngine());
}

void ScriptEngine::SetCreationFailsForTesting(bool fails) { creationFails.store(fails); }

// A bare QJSEngine: no extensions are installed, so script sees only the
// language's own objects (no console, no module loading, no host access).
ScriptEngine::ScriptEngine() : engine_(std::make_unique<QJSEngine>()) {}

ScriptEngine::~ScriptEngine() = default;

void ScriptEngine::SetLanguage(const Text& language) {
  languageUsable_ = language == "JavaScript" || language == "JScript";
}

void ScriptEngine::AddCode(const Text& script) { Execute(script, Mode::Evaluate); }

ScriptValue ScriptEngine::Eval(const Text& script) { return Execute(script, Mode::Evaluate); }

void ScriptEngine::ExecuteStatement(const Text& script) { Execute(script, Mode::Evaluate); }

ScriptValue ScriptEngine::Run(const Text& name) { return Execute(name, Mode::Call); }

ScriptValue ScriptEngine::Execute(const Text& script, Mode mode) {
  if (!languageUsable_ || script.size() > kMaxScriptBytes) return ScriptValue::Failure();
  QString source = ToEngineString(script);
  ScopedScriptDeadline deadline(engine_.get(), kTimeLimit);
  QJSValue value;
  QStringList exceptionTrace;
  if (mode == Mode::Evaluate) {
    value = engine_->evaluate(source, QString(), 1, &exceptionTrace);
  } else {
    QJSValue function = engine_->globalObject().property(source);
    if (!function.isCallable()) return ScriptValue::Failure();
    value = function.call();
  }
  // A thrown value leaves a trace; an interruption marks the deadline.
  if (!exceptionTrace.isEmpty() || deadline.expired() || value.isError() || engine_->hasError()) {
    if (engine_->hasError()) engine_->catchError();
    return ScriptValue::Failure();
  }
  ScriptValue result;
  if (value.isUndefined()) {
    result.kind_ = ScriptValue::Kind::Undefined;
  } else if (value.isNull()) {
    result.kind_ = ScriptValue::Kind::Null;
  } else if (value.isBool()) {
    result.kind_ = ScriptValue::Kind::Boolean;
    result.boolean_ = value.toBool();
    result.text_ = result.boolean_ ? "true" : "false";
  } else if (value.isNumber()) {
    result.kind_ = ScriptValue::Kind::Number;
    result.number_ = value.toNumber();
    result.text_ = FromEngineString(value.toString());
  } else if (value.isString()) {
    result.kind_ = ScriptValue::Kind::String;
    result.text_ = FromEngineString(value.toString());
  } else {
    // The text form of an object may run script of its own (a toString member),
    // so it is taken while the deadline still holds.
    QString text = value.toString();
    if (deadline.expired() || engine_->hasError()) {
      if (engine_->hasError()) engine_->catchError();
      return ScriptValue::Failure();
    }
    result.kind_ = ScriptValue::Kind::Other;
    result.text_ = FromEngineString(text);
  }
  return result;
}

}  // namespace vidlark
