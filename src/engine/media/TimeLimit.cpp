#include "engine/media/TimeLimit.h"

#include "engine/base/SlimCondition.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <new>

namespace engine::media {

namespace {

std::atomic<DWORD> timeLimitMs{10000};
std::atomic<long> abandoned{0};

struct Job {
  std::function<HRESULT()> work;
  SlimMutex mutex;
  SlimCondition done;
  bool finished = false;
  bool givenUp = false;  // the caller went on without it
  HRESULT hr = E_PENDING;
};

}  // namespace

DWORD SourceTimeLimitMs() { return timeLimitMs.load(); }

void SetSourceTimeLimitMs(DWORD ms) { timeLimitMs.store(ms ? ms : 1); }

bool WorkStillStuck() { return abandoned.load() > 0; }

// The body of a job's thread; `param` is a heap copy of the job's pointer, the thread's own.
DWORD WINAPI RunJob(void* param) {
  std::unique_ptr<std::shared_ptr<Job>> own(static_cast<std::shared_ptr<Job>*>(param));
  Job& job = **own;
  const HRESULT init = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  const HRESULT hr = FAILED(init) ? init : job.work();
  // What the work holds is let go here, on this thread, whether or not anyone still waits.
  job.work = nullptr;
  if (SUCCEEDED(init)) CoUninitialize();
  std::lock_guard<SlimMutex> lock(job.mutex);
  job.hr = hr;
  job.finished = true;
  if (job.givenUp) --abandoned;
  job.done.notify_all();
  return 0;
}

HRESULT RunWithTimeLimit(DWORD timeoutMs, std::function<HRESULT()> work) {
  auto job = std::make_shared<Job>();
  job->work = std::move(work);
  // A thread of the platform's own, never joined: measured, detached threads of the C++ runtime
  // here now and then crashed a process that went on making threads while they ended.
  auto* param = new (std::nothrow) std::shared_ptr<Job>(job);
  if (!param) return E_OUTOFMEMORY;
  HANDLE thread = CreateThread(nullptr, 0, &RunJob, param, 0, nullptr);
  if (!thread) {
    delete param;
    return HRESULT_FROM_WIN32(GetLastError());
  }
  CloseHandle(thread);
  std::unique_lock<SlimMutex> lock(job->mutex);
  if (!job->done.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return job->finished; })) {
    job->givenUp = true;
    ++abandoned;
    return kTimedOut;
  }
  return job->hr;
}

}  // namespace engine::media
