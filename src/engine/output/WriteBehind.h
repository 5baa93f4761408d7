// Writes samples to a file on a thread of its own, in the order they were handed over, each
// at its own byte position. Copying a frame into the system's file cache is the most
// expensive step of an uncompressed render here (the cache's pages are new memory every
// time); done on the streaming thread it stalled composing, done here it overlaps it.
// A sample is held until it is written, so the upstream allocator bounds what is queued.
#pragma once

#include "engine/base/SlimCondition.h"

#include <strmif.h>
#include <vfwmsgs.h>

#include <cstdint>
#include <deque>
#include <thread>

namespace engine::output {

class WriteBehind {
 public:
  WriteBehind() = default;
  ~WriteBehind();
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // Starts writing to `file`, which stays the caller's and open until Stop returns.
  HRESULT Start(HANDLE file);
  // Queues the sample's valid bytes for `position`; the first failure of an earlier write
  // instead, once there is one (nothing more is written after it).
  HRESULT Queue(IMediaSample* sample, uint64_t position);
  // Waits until everything queued is in the file; the first failure, if any.
  HRESULT Drain();
  // Drains, then ends the thread; the first failure, if any.
  HRESULT Stop();
  bool Running() const { return thread_.joinable(); }

 private:
  struct Job {
    IMediaSample* sample;
    uint64_t position;
  };
  void Run();
  HRESULT WriteOne(const Job& job);

  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::thread thread_;
  SlimMutex mutex_;
  SlimCondition changed_;
  std::deque<Job> jobs_;
  bool busy_ = false;  // a job is being written
  bool exiting_ = false;
  HRESULT error_ = S_OK;
};

}  // namespace engine::output
