// One background thread that interrupts script evaluations running past their
// deadline. Shared by every engine, so that short-lived engines cost no thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

class QJSEngine;

namespace vidlark {

class ScriptWatchdog {
 public:
  static ScriptWatchdog& Instance();

  // Starts watching one evaluation on `engine`; returns a ticket for Disarm.
  std::uint64_t Arm(QJSEngine* engine, std::chrono::milliseconds limit, std::atomic<bool>* fired);
  // Stops watching. Once Disarm has returned the watchdog no longer touches the engine.
  void Disarm(std::uint64_t ticket);

  ~ScriptWatchdog();

 private:
  ScriptWatchdog();
  struct State;
  State* state_;
};

// Arms the watchdog for one scope and clears the engine's interruption afterwards.
class ScopedScriptDeadline {
 public:
  ScopedScriptDeadline(QJSEngine* engine, std::chrono::milliseconds limit);
  ~ScopedScriptDeadline();
  ScopedScriptDeadline(const ScopedScriptDeadline&) = delete;
  ScopedScriptDeadline& operator=(const ScopedScriptDeadline&) = delete;
  bool expired() const { return fired_.load(); }

 private:
  QJSEngine* engine_;
  std::atomic<bool> fired_{false};
  std::uint64_t ticket_;
};

}  // namespace vidlark
