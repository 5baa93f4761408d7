// The slim lock and condition that frames cross threads through.
#include "engine/base/SlimCondition.h"
#include "engine/media/TimeLimit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
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
}

// Stuck work must not hold up its caller; what it was given lives until it returns, on its own thread.
TEST(TimeLimit, GivesUpOnStuckWorkWhichThenEndsOnItsOwn) {
  using engine::media::RunWithTimeLimit;
  EXPECT_EQ(S_FALSE, RunWithTimeLimit(5000, [] { return S_FALSE; }));

  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  auto held = std::make_shared<int>(7);
  std::weak_ptr<int> watch = held;
  std::atomic<DWORD> finishedOn{0};
  const auto start = std::chrono::steady_clock::now();
  const HRESULT hr = RunWithTimeLimit(100, [release, held, &finishedOn] {
    WaitForSingleObject(release, INFINITE);
    finishedOn = GetCurrentThreadId();
    return S_OK;
  });
  held.reset();
  EXPECT_EQ(engine::media::kTimedOut, hr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  EXPECT_TRUE(engine::media::WorkStillStuck());
  EXPECT_FALSE(watch.expired()) << "the stuck work's state went while it still ran";

  SetEvent(release);
  for (int i = 0; i < 500 && (!watch.expired() || engine::media::WorkStillStuck()); ++i)
    std::this_thread::sleep_for(10ms);
  EXPECT_TRUE(watch.expired()) << "the work's state outlived it";
  EXPECT_NE(0u, finishedOn.load());
  EXPECT_NE(GetCurrentThreadId(), finishedOn.load());
  EXPECT_FALSE(engine::media::WorkStillStuck());
  CloseHandle(release);

  // Letting go in the background never waits for the destructor.
  struct SlowToGo {
    explicit SlowToGo(HANDLE g) : gate(g) {}
    ~SlowToGo() { WaitForSingleObject(gate, INFINITE); }
    HANDLE gate;
  };
  HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const auto before = std::chrono::steady_clock::now();
  engine::media::LetGoInBackground(std::make_unique<SlowToGo>(gate));
  EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
  SetEvent(gate);
  for (int i = 0; i < 500 && engine::media::WorkStillStuck(); ++i) std::this_thread::sleep_for(10ms);
  CloseHandle(gate);
}

}  // namespace
