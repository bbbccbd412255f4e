#include "util/run_control.h"

namespace vidlark {
namespace {
thread_local const RunControl* currentControl = nullptr;
}  // namespace

void RunControl::Pause() {
  std::lock_guard lock(mutex_);
  paused_ = true;
  changed_.notify_all();
}

void RunControl::Resume() {
  std::lock_guard lock(mutex_);
  paused_ = false;
  changed_.notify_all();
}

void RunControl::Cancel() {
  std::lock_guard lock(mutex_);
  cancelled_ = true;
  changed_.notify_all();
}

bool RunControl::IsPaused() const {
  std::lock_guard lock(mutex_);
  return paused_;
}

bool RunControl::IsCancelled() const {
  std::lock_guard lock(mutex_);
  return cancelled_;
}

bool RunControl::WaitWhilePaused() const {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !paused_ || cancelled_; });
  return !cancelled_;
}

const RunControl* RunControl::Current() { return currentControl; }

RunControl::Scope::Scope(const RunControl* control) : previous_(currentControl) { currentControl = control; }

RunControl::Scope::~Scope() { currentControl = previous_; }

}  // namespace vidlark
