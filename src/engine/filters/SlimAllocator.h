// A memory allocator for the engine's pins, behind IMemAllocator, whose samples wait for one
// another on slim locks. The platform's allocator waits on a kernel semaphore: under the
// emulation we run on, every buffer taken and given back was a round trip to the server,
// several per frame.
#pragma once

#include "engine/base/ComObject.h"
#include "engine/base/SlimCondition.h"

#include <strmif.h>

#include <memory>
#include <vector>

namespace engine::filters {

class SlimAllocator final : public ComObject<SlimAllocator, IMemAllocator> {
 public:
  static HRESULT Create(IMemAllocator** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;

  STDMETHODIMP SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
  STDMETHODIMP GetProperties(ALLOCATOR_PROPERTIES* props) override;
  STDMETHODIMP Commit() override;
  STDMETHODIMP Decommit() override;
  STDMETHODIMP GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* end, DWORD flags) override;
  STDMETHODIMP ReleaseBuffer(IMediaSample* sample) override;

 private:
  class Sample;
  SlimAllocator() = default;
  ~SlimAllocator();
  // Frees the buffers once decommitted and all are back; under the lock.
  void FreeIfIdle();

  SlimMutex mutex_;
  SlimCondition returned_;
  ALLOCATOR_PROPERTIES props_{};
  bool sized_ = false;
  bool committed_ = false;
  std::vector<std::unique_ptr<Sample>> samples_;  // all of them, while allocated
  std::vector<Sample*> free_;
  size_t outstanding_ = 0;
};

}  // namespace engine::filters
