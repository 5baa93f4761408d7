// A condition variable on the platform's own, for waits under a SlimMutex; the counterpart of
// std::condition_variable for the same reason (see SlimMutex.h).
#pragma once

#include "engine/base/SlimMutex.h"

#include <chrono>
#include <mutex>

namespace engine {

class SlimCondition {
 public:
  SlimCondition() = default;
  SlimCondition(const SlimCondition&) = delete;
  SlimCondition& operator=(const SlimCondition&) = delete;

  void notify_one() { WakeConditionVariable(&cv_); }
  void notify_all() { WakeAllConditionVariable(&cv_); }

  // Wakes may be spurious, as with any condition variable.
  void wait(std::unique_lock<SlimMutex>& lock) { Sleep(lock, INFINITE); }
  template <class Predicate>
  void wait(std::unique_lock<SlimMutex>& lock, Predicate done) {
    while (!done()) Sleep(lock, INFINITE);
  }
  // False when `done` still does not hold after `timeout`.
  template <class Rep, class Period, class Predicate>
  bool wait_for(std::unique_lock<SlimMutex>& lock, std::chrono::duration<Rep, Period> timeout, Predicate done) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return done();
      Sleep(lock, left.count() >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(left.count()));
    }
    return true;
  }

 private:
  void Sleep(std::unique_lock<SlimMutex>& lock, DWORD ms) {
    SleepConditionVariableSRW(&cv_, lock.mutex()->Native(), ms, 0);
  }
  CONDITION_VARIABLE cv_ = CONDITION_VARIABLE_INIT;
};

}  // namespace engine
