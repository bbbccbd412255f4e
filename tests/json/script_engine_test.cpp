#include "json/script_engine.h"

#include <gtest/gtest.h>

#include <chrono>

#include "util/code_page.h"

namespace vidlark {
namespace {

std::unique_ptr<ScriptEngine> NewEngine() {
  auto engine = ScriptEngine::Create("ScriptControl");
  engine->SetLanguage("JScript");
  return engine;
}

TEST(ScriptEngine, KeepsGlobalsBetweenCalls) {
  auto engine = NewEngine();
  ASSERT_NE(engine, nullptr);
  engine->AddCode("function twice(x) { return 2 * x; } var base = 20;");
  EXPECT_EQ(engine->Eval("var y = twice(base); y + 1").AsNumber(), 41);
  EXPECT_EQ(engine->Eval("y").AsText(), "40");  // a var inside Eval is a global
  engine->ExecuteStatement("function answer() { return 'forty' + 2; }");
  EXPECT_EQ(engine->Run("answer").AsText(), "forty2");
  EXPECT_EQ(engine->Eval("var z = 1").kind(), ScriptValue::Kind::Undefined);
}

TEST(ScriptEngine, ReadsResultsByTheirKind) {
  auto engine = NewEngine();
  struct Case {
    const char* script;
    const char* text;
    double number;
    bool truth;
  };
  const Case cases[] = {
      {"'abc'", "abc", 0, false},
      {"-42", "-42", -42, false},
      {"2147483647", "2147483647", 2147483647, false},
      {"1.5", "1.5", 1.5, false},
      {"1e21", "1e+21", 1e21, false},
      {"true", "true", 0, true},
      {"false", "false", 0, false},
      {"null", "", 0, false},
      {"undefined", "", 0, false},
      {"[1,2]", "1,2", 0, false},
      {"({})", "[object Object]", 0, false},
      {"nosuch", "", 0, false},
      {"throw 'x'", "", 0, false},
      {"var = ;", "", 0, false},
  };
  for (const Case& c : cases) {
    ScriptValue value = engine->Eval(c.script);
    EXPECT_EQ(value.AsText(), c.text) << c.script;
    EXPECT_EQ(value.AsNumber(), c.number) << c.script;
    EXPECT_EQ(value.AsBool(), c.truth) << c.script;
  }
}

TEST(ScriptEngine, ConvertsTextsBothWays) {
  auto engine = NewEngine();
  engine->AddCode(Local("var s = '视频' + '保存';"));
  EXPECT_EQ(engine->Eval("s").AsText(), Local("视频保存"));
  EXPECT_EQ(engine->Eval("s.length").AsNumber(), 4);
  EXPECT_EQ(engine->Eval("'\\ud83d\\ude00'").AsText(), "??");
}

TEST(ScriptEngine, FailingCallsKeepEarlierEffects) {
  auto engine = NewEngine();
  engine->AddCode("var a = 1; a = 2; nosuch(); a = 3;");
  EXPECT_EQ(engine->Eval("a").AsNumber(), 2);
  EXPECT_EQ(engine->Run("nosuch").kind(), ScriptValue::Kind::Failed);
  engine->AddCode("function fails() { throw new Error('no'); }");
  EXPECT_EQ(engine->Run("fails").kind(), ScriptValue::Kind::Failed);
  EXPECT_EQ(engine->Eval("a + 1").AsNumber(), 3);
}

TEST(ScriptEngine, InterruptsEndlessScripts) {
  auto engine = NewEngine();
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(engine->Eval("(function(){while(true){}})()").kind(), ScriptValue::Kind::Failed);
  EXPECT_EQ(engine->Eval("({toString: function() { for(;;){} }})").kind(), ScriptValue::Kind::Failed);
  auto elapsed = std::chrono::steady_clock::now() - started;
  EXPECT_LT(elapsed, 3 * ScriptEngine::kTimeLimit + std::chrono::seconds(2));
  EXPECT_EQ(engine->Eval("6 * 7").AsNumber(), 42);
}

TEST(ScriptEngine, RefusesOversizedScripts) {
  auto engine = NewEngine();
  Text huge = "'" + std::string(ScriptEngine::kMaxScriptBytes, 'x') + "'";
  EXPECT_EQ(engine->Eval(huge).kind(), ScriptValue::Kind::Failed);
  EXPECT_EQ(engine->Eval("1").AsNumber(), 1);
}

TEST(ScriptEngine, ExposesNothingOfTheHost) {
  auto engine = NewEngine();
  for (const char* name : {"console", "print", "Qt", "XMLHttpRequest", "require", "process", "gc", "importScripts"}) {
    EXPECT_EQ(engine->Eval(std::string("typeof ") + name).AsText(), "undefined") << name;
  }
}

TEST(ScriptEngine, CreationAndLanguage) {
  EXPECT_EQ(ScriptEngine::Create("Something.Else"), nullptr);
  ScriptEngine::SetCreationFailsForTesting(true);
  EXPECT_EQ(ScriptEngine::Create("ScriptControl"), nullptr);
  ScriptEngine::SetCreationFailsForTesting(false);
  auto engine = ScriptEngine::Create("MSScriptControl.ScriptControl");
  ASSERT_NE(engine, nullptr);
  engine->SetLanguage("VBScript");
  EXPECT_EQ(engine->Eval("1").kind(), ScriptValue::Kind::Failed);
  engine->SetLanguage("JavaScript");
  EXPECT_EQ(engine->Eval("1").AsNumber(), 1);
}

}  // namespace
}  // namespace vidlark
