// Encodes pictures to JPEG on worker threads, several at once, and hands them back in the order
// they came: the frames of a Motion JPEG stream do not depend on one another, so the cores of
// the machine can share them. Each job fills the output sample it carries.
#pragma once

#include "engine/base/SlimCondition.h"
#include "engine/codecs/JpegEncoder.h"

#include <strmif.h>
#include <wrl/client.h>

#include <deque>
#include <memory>
#include <thread>
#include <vector>

namespace engine::codecs {

class JpegWorkers {
 public:
  struct Job {
    std::vector<BYTE> rows;  // as JpegEncoder::ToTopDownBgr makes them
    UINT width = 0, height = 0;
    double quality = 0;
    Microsoft::WRL::ComPtr<IMediaSample> out;
    HRESULT hr = S_OK;
  };

  JpegWorkers() = default;
  ~JpegWorkers() { Stop(); }
  JpegWorkers(const JpegWorkers&) = delete;
  JpegWorkers& operator=(const JpegWorkers&) = delete;

  // As many workers as the machine has processors, up to four.
  static size_t Count();

  // Starts the workers, each with an encoder readied on this thread (which has COM).
  HRESULT Start();
  // Ends the workers; jobs not taken back are dropped.
  void Stop();

  // A job to fill in, its picture buffer kept from an earlier one.
  std::unique_ptr<Job> NewJob();
  void Push(std::unique_ptr<Job> job);
  // The oldest job once it is encoded (waiting for that when `wait`); null when none is queued
  // or, without `wait`, the oldest is not encoded yet.
  std::unique_ptr<Job> TakeDone(bool wait);
  // Gives a job taken back for its buffer to be used again.
  void Recycle(std::unique_ptr<Job> job);
  size_t Queued();
  // Drops every queued job, waiting for those being encoded.
  void Drop();

 private:
  struct Entry {
    std::unique_ptr<Job> job;
    bool taken = false, done = false;
  };
  void Work(JpegEncoder* encoder);

  SlimMutex mutex_;
  SlimCondition changed_;
  std::deque<Entry> queue_;  // oldest first; a job being encoded is never removed
  std::vector<std::unique_ptr<Job>> spare_;
  size_t busy_ = 0;
  bool stopping_ = false;
  std::vector<std::unique_ptr<JpegEncoder>> encoders_;
  std::vector<std::thread> threads_;
};

}  // namespace engine::codecs
