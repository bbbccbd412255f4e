#include "json/script_watchdog.h"

#include <QJSEngine>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace vidlark {

struct ScriptWatchdog::State {
  struct Watch {
    QJSEngine* engine;
    std::chrono::steady_clock::time_point deadline;
    std::atomic<bool>* fired;
  };
  std::mutex mutex;
  std::condition_variable changed;
  std::map<std::uint64_t, Watch> watches;
  std::uint64_t nextTicket = 1;
  bool stopping = false;
  std::thread thread;

  void Loop() {
    std::unique_lock lock(mutex);
    while (!stopping) {
      auto now = std::chrono::steady_clock::now();
      auto next = std::chrono::steady_clock::time_point::max();
      for (auto& [ticket, watch] : watches) {
        if (watch.deadline <= now) {
          if (!watch.fired->exchange(true)) watch.engine->setInterrupted(true);
        } else {
          next = std::min(next, watch.deadline);
        }
      }
      if (next == std::chrono::steady_clock::time_point::max()) {
        changed.wait(lock);
      } else {
        changed.wait_until(lock, next);
      }
    }
  }
};

ScriptWatchdog& ScriptWatchdog::Instance() {
  static ScriptWatchdog watchdog;
  return watchdog;
}

ScriptWatchdog::ScriptWatchdog() : state_(new State) {
  state_->thread = std::thread([this] { state_->Loop(); });
}

ScriptWatchdog::~ScriptWatchdog() {
  {
    std::lock_guard lock(state_->mutex);
    state_->stopping = true;
  }
  state_->changed.notify_all();
  state_->thread.join();
  delete state_;
}

std::uint64_t ScriptWatchdog::Arm(QJSEngine* engine, std::chrono::milliseconds limit, std::atomic<bool>* fired) {
  std::lock_guard lock(state_->mutex);
  std::uint64_t ticket = state_->nextTicket++;
  state_->watches[ticket] = {engine, std::chrono::steady_clock::now() + limit, fired};
  state_->changed.notify_all();
  return ticket;
}

void ScriptWatchdog::Disarm(std::uint64_t ticket) {
  std::lock_guard lock(state_->mutex);
  state_->watches.erase(ticket);
}

ScopedScriptDeadline::ScopedScriptDeadline(QJSEngine* engine, std::chrono::milliseconds limit)
    : engine_(engine), ticket_(ScriptWatchdog::Instance().Arm(engine, limit, &fired_)) {}

ScopedScriptDeadline::~ScopedScriptDeadline() {
  ScriptWatchdog::Instance().Disarm(ticket_);
  if (fired_.load()) engine_->setInterrupted(false);
}

}  // namespace vidlark
