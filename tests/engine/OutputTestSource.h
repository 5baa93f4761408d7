// Filters for tests in real graphs: a push source whose sample i is filled with the byte
// (i * step) & 0xFF, so readers can tell which sample they got, and a sink that records.
#pragma once

#include "engine/filters/FilterBase.h"
#include "engine/filters/Pins.h"

#include <evcode.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace outputtest {

using Microsoft::WRL::ComPtr;

// A filter's first pin of one direction, or null.
ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION dir);
// The filter of that name in a category of the platform's catalogue, bound; null and a failure if none.
ComPtr<IBaseFilter> Catalogued(const wchar_t* name, REFCLSID category);

struct SourceSetup {
  AM_MEDIA_TYPE type{};  // owned: freed by the source
  long sampleBytes = 0;
  int samples = 0;
  REFERENCE_TIME sampleTime = 0;
  int step = 1;
  DWORD pauseMs = 0;  // between samples, to make a run last
};

// Uncompressed RGB of 32, 24 or 16 bits, or 8 bits indexing a grey ramp.
SourceSetup VideoSetup(LONG width, LONG height, WORD bits, REFERENCE_TIME frameTime, int frames);
SourceSetup AudioSetup(DWORD rate, WORD channels, int chunks, DWORD framesPerChunk);

class TestSource;

class TestSourceOut final : public engine::filters::OutputPin {
 public:
  explicit TestSourceOut(TestSource* source);
  HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
  HRESULT GetMediaType(int index, AM_MEDIA_TYPE* mt) override;
  void BufferNeeds(ALLOCATOR_PROPERTIES& props) override;

 private:
  TestSource* source_;
};

class TestSource final : public engine::filters::FilterBase {
 public:
  explicit TestSource(SourceSetup setup);
  ~TestSource() override;
  static ComPtr<IBaseFilter> New(SourceSetup setup);

  int PinCount() override { return 1; }
  IPin* PinAt(int index) override { return index == 0 ? out_.get() : nullptr; }
  const SourceSetup& Setup() const { return setup_; }

 protected:
  HRESULT OnStart() override;
  void OnStop() override;

 private:
  void Stream();

  SourceSetup setup_;
  std::unique_ptr<TestSourceOut> out_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
};

// A sink of one major type recording sample times and first bytes, segments, flushes and ends
// of stream (reported to the graph as a renderer does); it may be slow, or run out of room.
class TestSink final : public engine::filters::FilterBase {
 public:
  struct Sample {
    REFERENCE_TIME start, stop;
    uint32_t first;
  };
  explicit TestSink(const GUID& major) : FilterBase(GUID_NULL), in_(this, major) {}
  // A new sink, owned by `filter`.
  static TestSink* New(const GUID& major, ComPtr<IBaseFilter>* filter);
  HRESULT OnStart() override {
    in_.ResetStream();
    return S_OK;
  }
  int PinCount() override { return 1; }
  IPin* PinAt(int i) override { return i == 0 ? &in_ : nullptr; }
  // Waits until the stream has ended `n` times.
  bool WaitForEnds(int n) {
    for (int i = 0; i < 1000; ++i, Sleep(10)) {
      std::lock_guard<std::mutex> lock(mutex);
      if (ends >= n) return true;
    }
    return false;
  }

  std::mutex mutex;
  std::vector<Sample> samples;
  std::vector<REFERENCE_TIME> segments;
  int flushes = 0, ends = 0;
  DWORD delayMs = 0;
  REFERENCE_TIME roomUntil = -1;  // past this stop, samples fail with ERROR_DISK_FULL; -1: no end

 private:
  class In final : public engine::filters::InputPin {
   public:
    In(TestSink* sink, const GUID& major) : InputPin(sink, L"in"), sink_(sink), major_(major) {}
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override { return mt.majortype == major_ ? S_OK : S_FALSE; }
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME, double) override {
      std::lock_guard<std::mutex> lock(sink_->mutex);
      sink_->segments.push_back(start);
      return S_OK;
    }

   protected:
    HRESULT OnReceive(IMediaSample* sample) override {
      if (sink_->delayMs) Sleep(sink_->delayMs);
      Sample s{};
      sample->GetTime(&s.start, &s.stop);
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      memcpy(&s.first, data, std::min<long>(4, sample->GetActualDataLength()));
      std::lock_guard<std::mutex> lock(sink_->mutex);
      sink_->samples.push_back(s);
      return sink_->roomUntil >= 0 && s.stop > sink_->roomUntil ? HRESULT_FROM_WIN32(ERROR_DISK_FULL) : S_OK;
    }
    HRESULT OnEndOfStream() override {
      std::unique_lock<std::mutex> lock(sink_->mutex);
      ++sink_->ends;
      lock.unlock();
      return sink_->NotifyEvent(EC_COMPLETE, S_OK, 0);
    }
    void OnFlush() override {
      std::lock_guard<std::mutex> lock(sink_->mutex);
      ++sink_->flushes;
      sink_->samples.clear();
    }

   private:
    TestSink* sink_;
    GUID major_;
  };
  In in_;
};

}  // namespace outputtest
