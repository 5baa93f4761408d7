#include "engine/filters/SlimAllocator.h"

#include "services/MediaTypes.h"

#include <vfwmsgs.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace engine::filters {

// One buffer with the state a sample carries. Handed out with one reference; the last Release
// gives it back to its allocator, which it keeps alive until then.
class SlimAllocator::Sample final : public ComObject<SlimAllocator::Sample, IMediaSample> {
 public:
  Sample(SlimAllocator* owner, BYTE* data, long size) : owner_(owner), data_(data), size_(size) {}
  ~Sample() override { DeleteMediaType(type_); }

  void Reset() {
    RestartCount();
    timeValid_ = mediaTimeValid_ = sync_ = preroll_ = discontinuity_ = false;
    length_ = size_;
    DeleteMediaType(type_);
    type_ = nullptr;
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    return QueryTable(iid, out, {{IID_IUnknown, this}, {IID_IMediaSample, this}});
  }
  // The last reference gives the buffer back instead of deleting it.
  void FinalRelease() { owner_->ReleaseBuffer(this); }

  STDMETHODIMP GetPointer(BYTE** data) override {
    if (!data) return E_POINTER;
    *data = data_;
    return S_OK;
  }
  STDMETHODIMP_(long) GetSize() override { return size_; }
  STDMETHODIMP GetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override {
    if (!start || !end) return E_POINTER;
    if (!timeValid_) return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = start_;
    *end = end_;
    return endValid_ ? S_OK : VFW_S_NO_STOP_TIME;
  }
  STDMETHODIMP SetTime(REFERENCE_TIME* start, REFERENCE_TIME* end) override {
    timeValid_ = start != nullptr;
    endValid_ = end != nullptr;
    if (start) start_ = *start;
    end_ = end ? *end : start_ + 1;
    return S_OK;
  }
  STDMETHODIMP IsSyncPoint() override { return sync_ ? S_OK : S_FALSE; }
  STDMETHODIMP SetSyncPoint(BOOL sync) override {
    sync_ = sync != FALSE;
    return S_OK;
  }
  STDMETHODIMP IsPreroll() override { return preroll_ ? S_OK : S_FALSE; }
  STDMETHODIMP SetPreroll(BOOL preroll) override {
    preroll_ = preroll != FALSE;
    return S_OK;
  }
  STDMETHODIMP_(long) GetActualDataLength() override { return length_; }
  STDMETHODIMP SetActualDataLength(long length) override {
    if (length < 0 || length > size_) return VFW_E_BUFFER_OVERFLOW;
    length_ = length;
    return S_OK;
  }
  STDMETHODIMP GetMediaType(AM_MEDIA_TYPE** type) override {
    if (!type) return E_POINTER;
    *type = nullptr;
    if (!type_) return S_FALSE;
    *type = CreateMediaType(type_);
    return *type ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP SetMediaType(AM_MEDIA_TYPE* type) override {
    DeleteMediaType(type_);
    type_ = nullptr;
    if (!type) return S_OK;
    type_ = CreateMediaType(type);
    return type_ ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP IsDiscontinuity() override { return discontinuity_ ? S_OK : S_FALSE; }
  STDMETHODIMP SetDiscontinuity(BOOL discontinuity) override {
    discontinuity_ = discontinuity != FALSE;
    return S_OK;
  }
  STDMETHODIMP GetMediaTime(LONGLONG* start, LONGLONG* end) override {
    if (!start || !end) return E_POINTER;
    if (!mediaTimeValid_) return VFW_E_MEDIA_TIME_NOT_SET;
    *start = mediaStart_;
    *end = mediaEnd_;
    return S_OK;
  }
  STDMETHODIMP SetMediaTime(LONGLONG* start, LONGLONG* end) override {
    mediaTimeValid_ = start && end;
    if (mediaTimeValid_) {
      mediaStart_ = *start;
      mediaEnd_ = *end;
    }
    return S_OK;
  }

 private:
  static void DeleteMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return;
    FreeMediaTypeContents(*type);
    CoTaskMemFree(type);
  }
  static AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* from) {
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (type && FAILED(CopyMediaType(type, *from))) {
      CoTaskMemFree(type);
      return nullptr;
    }
    return type;
  }

  SlimAllocator* owner_;
  BYTE* data_;
  long size_;
  long length_ = 0;
  bool timeValid_ = false, endValid_ = false, mediaTimeValid_ = false;
  bool sync_ = false, preroll_ = false, discontinuity_ = false;
  REFERENCE_TIME start_ = 0, end_ = 0;
  LONGLONG mediaStart_ = 0, mediaEnd_ = 0;
  AM_MEDIA_TYPE* type_ = nullptr;
  friend class SlimAllocator;
  std::unique_ptr<BYTE[]> memory_;  // the buffer with its prefix and alignment slack
};

HRESULT SlimAllocator::Create(IMemAllocator** out) {
  if (!out) return E_POINTER;
  *out = new (std::nothrow) SlimAllocator();
  return *out ? S_OK : E_OUTOFMEMORY;
}

SlimAllocator::~SlimAllocator() = default;

STDMETHODIMP SlimAllocator::QueryInterface(REFIID iid, void** out) {
  return QueryTable(iid, out, {{IID_IUnknown, this}, {IID_IMemAllocator, this}});
}

STDMETHODIMP SlimAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) {
  if (!request || !actual) return E_POINTER;
  std::lock_guard<SlimMutex> lock(mutex_);
  if (committed_) return VFW_E_ALREADY_COMMITTED;
  if (outstanding_) return VFW_E_BUFFERS_OUTSTANDING;
  const long align = request->cbAlign <= 0 ? 1 : request->cbAlign;
  if ((align & (align - 1)) != 0) return VFW_E_BADALIGN;
  if (request->cBuffers < 0 || request->cbBuffer < 0 || request->cbPrefix < 0) return E_INVALIDARG;
  props_.cBuffers = request->cBuffers < 1 ? 1 : request->cBuffers;
  props_.cbBuffer = (request->cbBuffer + align - 1) / align * align;
  props_.cbAlign = align;
  props_.cbPrefix = request->cbPrefix;
  sized_ = true;
  samples_.clear();  // decommitted and idle: the old buffers are of no use
  free_.clear();
  *actual = props_;
  return S_OK;
}

STDMETHODIMP SlimAllocator::GetProperties(ALLOCATOR_PROPERTIES* props) {
  if (!props) return E_POINTER;
  std::lock_guard<SlimMutex> lock(mutex_);
  *props = props_;
  return S_OK;
}

STDMETHODIMP SlimAllocator::Commit() {
  std::lock_guard<SlimMutex> lock(mutex_);
  if (!sized_) return VFW_E_SIZENOTSET;
  committed_ = true;
  if (!samples_.empty()) return S_OK;  // buffers still out from before a decommit are kept
  try {
    for (long i = 0; i < props_.cBuffers; ++i) {
      const size_t bytes = static_cast<size_t>(props_.cbPrefix) + static_cast<size_t>(props_.cbBuffer) +
                           static_cast<size_t>(props_.cbAlign) - 1;
      std::unique_ptr<BYTE[]> memory(new BYTE[bytes]);
      auto at = reinterpret_cast<uintptr_t>(memory.get()) + static_cast<uintptr_t>(props_.cbPrefix);
      at = (at + static_cast<uintptr_t>(props_.cbAlign) - 1) & ~(static_cast<uintptr_t>(props_.cbAlign) - 1);
      auto sample = std::make_unique<Sample>(this, reinterpret_cast<BYTE*>(at), props_.cbBuffer);
      sample->memory_ = std::move(memory);
      free_.push_back(sample.get());
      samples_.push_back(std::move(sample));
    }
  } catch (const std::bad_alloc&) {
    samples_.clear();
    free_.clear();
    committed_ = false;
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

STDMETHODIMP SlimAllocator::Decommit() {
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    committed_ = false;
    FreeIfIdle();
  }
  returned_.notify_all();  // whoever waits for a buffer gives up
  return S_OK;
}

void SlimAllocator::FreeIfIdle() {
  if (committed_ || outstanding_) return;
  free_.clear();
  samples_.clear();
}

STDMETHODIMP SlimAllocator::GetBuffer(IMediaSample** out, REFERENCE_TIME* start, REFERENCE_TIME* end, DWORD flags) {
  if (!out) return E_POINTER;
  *out = nullptr;
  Sample* sample = nullptr;
  {
    std::unique_lock<SlimMutex> lock(mutex_);
    for (;;) {
      if (!committed_) return VFW_E_NOT_COMMITTED;
      if (!free_.empty()) break;
      if (flags & AM_GBF_NOWAIT) return VFW_E_TIMEOUT;
      returned_.wait(lock);
    }
    sample = free_.back();
    free_.pop_back();
    ++outstanding_;
  }
  AddRef();  // the allocator lives while any of its buffers is out
  sample->Reset();
  if (start && end) sample->SetTime(start, end);
  *out = sample;
  return S_OK;
}

STDMETHODIMP SlimAllocator::ReleaseBuffer(IMediaSample* buffer) {
  if (!buffer) return E_POINTER;
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    const bool ours = std::any_of(samples_.begin(), samples_.end(), [&](const auto& s) { return s.get() == buffer; });
    if (!ours) return E_INVALIDARG;  // only our own samples come back here
    free_.push_back(static_cast<Sample*>(buffer));
    --outstanding_;
    FreeIfIdle();
  }
  returned_.notify_one();
  Release();
  return S_OK;
}

}  // namespace engine::filters
