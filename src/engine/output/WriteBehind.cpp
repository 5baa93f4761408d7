#include "engine/output/WriteBehind.h"

#include <algorithm>
#include <system_error>

namespace engine::output {

namespace {

// Blocks go to the file in pieces of this size. Measured on these virtual machines: a
// megabyte at a time made the system's file cache take fresh memory that the host had to
// supply page by page, and the copy measured several times as costly.
constexpr long kPiece = 256 * 1024;

}  // namespace

WriteBehind::~WriteBehind() { Stop(); }

HRESULT WriteBehind::Start(HANDLE file) {
  Stop();
  std::lock_guard<SlimMutex> lock(mutex_);
  file_ = file;
  exiting_ = false;
  error_ = S_OK;
  try {
    thread_ = std::thread(&WriteBehind::Run, this);
  } catch (const std::system_error&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT WriteBehind::Queue(IMediaSample* sample, uint64_t position) {
  std::lock_guard<SlimMutex> lock(mutex_);
  if (FAILED(error_)) return error_;
  if (!thread_.joinable()) return VFW_E_WRONG_STATE;
  sample->AddRef();
  try {
    jobs_.push_back(Job{sample, position});
  } catch (const std::bad_alloc&) {
    sample->Release();
    return E_OUTOFMEMORY;
  }
  changed_.notify_all();
  return S_OK;
}

HRESULT WriteBehind::Drain() {
  std::unique_lock<SlimMutex> lock(mutex_);
  changed_.wait(lock, [&] { return jobs_.empty() && !busy_; });
  return error_;
}

HRESULT WriteBehind::Stop() {
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    if (!thread_.joinable()) return error_;
    exiting_ = true;
  }
  changed_.notify_all();
  thread_.join();
  std::lock_guard<SlimMutex> lock(mutex_);
  file_ = INVALID_HANDLE_VALUE;
  return error_;
}

void WriteBehind::Run() {
  std::unique_lock<SlimMutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return !jobs_.empty() || exiting_; });
    if (jobs_.empty()) return;  // exiting, with everything written
    const Job job = jobs_.front();
    jobs_.pop_front();
    busy_ = true;
    const bool write = SUCCEEDED(error_);  // after a failure the rest is only let go
    lock.unlock();
    const HRESULT hr = write ? WriteOne(job) : S_OK;
    job.sample->Release();
    lock.lock();
    if (FAILED(hr) && SUCCEEDED(error_)) error_ = hr;
    busy_ = false;
    changed_.notify_all();
  }
}

HRESULT WriteBehind::WriteOne(const Job& job) {
  BYTE* data = nullptr;
  if (FAILED(job.sample->GetPointer(&data)) || !data) return E_POINTER;
  const long size = job.sample->GetActualDataLength();
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(job.position);
  if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN)) return HRESULT_FROM_WIN32(GetLastError());
  for (long done = 0; done < size;) {
    const DWORD piece = static_cast<DWORD>(std::min<long>(size - done, kPiece));
    DWORD written = 0;
    if (!WriteFile(file_, data + done, piece, &written, nullptr)) return HRESULT_FROM_WIN32(GetLastError());
    if (written != piece) return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    done += static_cast<long>(piece);
  }
  return S_OK;
}

}  // namespace engine::output
