// A mutex on the platform's slim reader/writer lock, usable with std::lock_guard and
// std::unique_lock. Measured under the emulation we run on: std::mutex sits on kernel
// objects, so every contended hand-off is a round trip to the server; a slim lock waits in
// user space, and a hand-off costs about a seventh as much. Frames cross threads through
// these, several times each.
#pragma once

#include <windows.h>

namespace engine {

class SlimMutex {
 public:
  SlimMutex() = default;
  SlimMutex(const SlimMutex&) = delete;
  SlimMutex& operator=(const SlimMutex&) = delete;

  void lock() { AcquireSRWLockExclusive(&lock_); }
  void unlock() { ReleaseSRWLockExclusive(&lock_); }
  bool try_lock() { return TryAcquireSRWLockExclusive(&lock_) != FALSE; }
  SRWLOCK* Native() { return &lock_; }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
};

}  // namespace engine
