#include "engine/codecs/JpegWorkers.h"

#include <algorithm>

namespace engine::codecs {

size_t JpegWorkers::Count() {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  return std::clamp<size_t>(info.dwNumberOfProcessors, 1, 4);
}

HRESULT JpegWorkers::Start() {
  Stop();
  for (size_t i = 0; i < Count(); ++i) {
    auto encoder = std::make_unique<JpegEncoder>();
    HRESULT hr = encoder->Open();
    if (FAILED(hr)) {
      encoders_.clear();
      return hr;
    }
    encoders_.push_back(std::move(encoder));
  }
  stopping_ = false;
  for (auto& encoder : encoders_) threads_.emplace_back(&JpegWorkers::Work, this, encoder.get());
  return S_OK;
}

void JpegWorkers::Stop() {
  {
    std::lock_guard<SlimMutex> hold(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (auto& thread : threads_) thread.join();
  threads_.clear();
  encoders_.clear();
  queue_.clear();
  busy_ = 0;
}

std::unique_ptr<JpegWorkers::Job> JpegWorkers::NewJob() {
  std::lock_guard<SlimMutex> hold(mutex_);
  if (spare_.empty()) return std::make_unique<Job>();
  std::unique_ptr<Job> job = std::move(spare_.back());
  spare_.pop_back();
  return job;
}

void JpegWorkers::Recycle(std::unique_ptr<Job> job) {
  job->out.Reset();
  job->hr = S_OK;
  std::lock_guard<SlimMutex> hold(mutex_);
  spare_.push_back(std::move(job));
}

void JpegWorkers::Push(std::unique_ptr<Job> job) {
  {
    std::lock_guard<SlimMutex> hold(mutex_);
    queue_.push_back({std::move(job)});
  }
  changed_.notify_all();
}

size_t JpegWorkers::Queued() {
  std::lock_guard<SlimMutex> hold(mutex_);
  return queue_.size();
}

std::unique_ptr<JpegWorkers::Job> JpegWorkers::TakeDone(bool wait) {
  std::unique_lock<SlimMutex> hold(mutex_);
  if (wait) changed_.wait(hold, [this] { return queue_.empty() || queue_.front().done; });
  if (queue_.empty() || !queue_.front().done) return nullptr;
  std::unique_ptr<Job> job = std::move(queue_.front().job);
  queue_.pop_front();
  return job;
}

void JpegWorkers::Drop() {
  std::unique_lock<SlimMutex> hold(mutex_);
  auto untaken = [](const Entry& e) { return !e.taken; };
  for (Entry& e : queue_)
    if (untaken(e)) spare_.push_back(std::move(e.job));
  queue_.erase(std::remove_if(queue_.begin(), queue_.end(), untaken), queue_.end());
  // Jobs being encoded are left to finish: their workers still write into them.
  changed_.wait(hold, [this] { return busy_ == 0; });
  for (Entry& e : queue_) spare_.push_back(std::move(e.job));
  queue_.clear();
  for (auto& job : spare_) job->out.Reset();
}

void JpegWorkers::Work(JpegEncoder* encoder) {
  std::unique_lock<SlimMutex> hold(mutex_);
  for (;;) {
    auto next = queue_.end();
    changed_.wait(hold, [&] {
      next = std::find_if(queue_.begin(), queue_.end(), [](const Entry& e) { return !e.taken; });
      return stopping_ || next != queue_.end();
    });
    if (stopping_) return;
    next->taken = true;
    ++busy_;
    // The queue may change while the picture is encoded; the job itself stays where it is.
    Job* job = next->job.get();
    hold.unlock();
    BYTE* data = nullptr;
    DWORD written = 0;
    HRESULT hr = job->out->GetPointer(&data);
    if (SUCCEEDED(hr))
      hr = encoder->EncodeBgr(job->rows.data(), job->width, job->height, job->quality, data,
                              static_cast<DWORD>(job->out->GetSize()), &written);
    if (SUCCEEDED(hr)) hr = job->out->SetActualDataLength(static_cast<long>(written));
    job->hr = hr;
    hold.lock();
    for (Entry& e : queue_)
      if (e.job.get() == job) e.done = true;
    --busy_;
    changed_.notify_all();
  }
}

}  // namespace engine::codecs
