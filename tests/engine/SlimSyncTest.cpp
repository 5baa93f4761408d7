// The slim lock and condition that frames cross threads through.
#include "engine/SlimCondition.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(SlimCondition, TimedWaitsEndOnTheirPredicateOrTheirTimeAndWakesReachWaiters) {
  engine::SlimMutex mutex;
  engine::SlimCondition changed;
  bool ready = false;
  {
    // Nothing ever comes: the wait gives up after about its time, not before and not never.
    std::unique_lock<engine::SlimMutex> lock(mutex);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(changed.wait_for(lock, 60ms, [&] { return ready; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 55ms);
    EXPECT_TRUE(lock.owns_lock());
  }
  // A producer on another thread sets the flag under the lock and wakes the waiter.
  std::thread producer([&] {
    std::this_thread::sleep_for(20ms);
    {
      std::lock_guard<engine::SlimMutex> lock(mutex);
      ready = true;
    }
    changed.notify_all();
  });
  {
    std::unique_lock<engine::SlimMutex> lock(mutex);
    EXPECT_TRUE(changed.wait_for(lock, 10s, [&] { return ready; }));
  }
  producer.join();
  // The untimed wait returns at once when its predicate already holds.
  std::unique_lock<engine::SlimMutex> lock(mutex);
  changed.wait(lock, [&] { return ready; });
  EXPECT_TRUE(ready);
  EXPECT_FALSE(mutex.try_lock());  // still held by `lock`
}

}  // namespace
