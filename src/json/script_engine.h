// A JavaScript engine that runs script text in a global scope of its own and
// hands values back. The texts it runs come from the network, so every call is
// bounded in time and size, and the engine exposes nothing of the host: no
// file, process or network access from script.
#pragma once

#include <chrono>
#include <memory>

#include "util/text.h"

class QJSEngine;

namespace vidlark {

// A result of the engine, read in one of the three ways callers use.
class ScriptValue {
 public:
  enum class Kind { Failed, Undefined, Null, Boolean, Number, String, Other };

  ScriptValue() = default;
  static ScriptValue Failure() { return ScriptValue(); }

  Kind kind() const { return kind_; }
  // Strings give their characters, numbers and other values their text form,
  // undefined, null and failures the empty text.
  Text AsText() const;
  // Numbers give their value; everything else 0.
  double AsNumber() const;
  // Booleans give their value; everything else false.
  bool AsBool() const;

 private:
  friend class ScriptEngine;
  Kind kind_ = Kind::Failed;
  Text text_;
  double number_ = 0;
  bool boolean_ = false;
};

class ScriptEngine {
 public:
  // Scripts are stopped after this long and yield the failure result.
  static constexpr std::chrono::milliseconds kTimeLimit{2000};
  // Script texts above this size are not run.
  static constexpr size_t kMaxScriptBytes = 32u << 20;

  // Creates an engine for "MSScriptControl.ScriptControl" or "ScriptControl";
  // nullptr when it cannot be created (no application object, or failure forced
  // for testing).
  static std::unique_ptr<ScriptEngine> Create(const Text& name);
  // Makes every later Create on any thread fail, or succeed again.
  static void SetCreationFailsForTesting(bool fails);

  ~ScriptEngine();
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  // "JavaScript" and "JScript" both select the engine's dialect; any other
  // language makes every later call fail.
  void SetLanguage(const Text& language);
  // Runs the text in the global scope; what it defines stays for later calls.
  void AddCode(const Text& script);
  // Runs the text in the global scope and yields its completion value.
  ScriptValue Eval(const Text& script);
  void ExecuteStatement(const Text& script);
  // Calls the global function `name` without arguments.
  ScriptValue Run(const Text& name);

 private:
  ScriptEngine();
  enum class Mode { Evaluate, Call };
  ScriptValue Execute(const Text& script, Mode mode);

  std::unique_ptr<QJSEngine> engine_;
  bool languageUsable_ = true;
};

}  // namespace vidlark
