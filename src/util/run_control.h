// Pause and cancel for a long-running job, shared between the thread that
// decides (the window) and the thread that works (the download worker).
// The worker checks it between steps and while waiting on the network; the
// deciding side never waits on the worker.
#pragma once

#include <condition_variable>
#include <mutex>

namespace vidlark {

class RunControl {
 public:
  void Pause();
  void Resume();
  void Cancel();

  bool IsPaused() const;
  bool IsCancelled() const;

  // Blocks while paused. Returns false once cancelled (at once when it already is).
  bool WaitWhilePaused() const;

  // The control in force on the calling thread; network transfers started on a
  // thread observe it without being handed it. nullptr when none is set.
  static const RunControl* Current();

  // Makes a control current on this thread for the lifetime of the scope.
  class Scope {
   public:
    explicit Scope(const RunControl* control);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    const RunControl* previous_;
  };

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool paused_ = false;
  bool cancelled_ = false;
};

}  // namespace vidlark
