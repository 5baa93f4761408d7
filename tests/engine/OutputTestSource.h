// A push source for the file-output tests: one output pin of a fixed type that delivers a
// given number of samples on its own thread, then ends its stream. Sample i is filled with the
// byte value (i * step) & 0xFF, so readers can check which sample they got.
#pragma once

#include "engine/filters/FilterBase.h"
#include "engine/filters/Pins.h"

#include <atomic>
#include <memory>

namespace outputtest {

struct SourceSetup {
  AM_MEDIA_TYPE type{};  // owned: freed by the source
  long sampleBytes = 0;
  int samples = 0;
  REFERENCE_TIME sampleTime = 0;
  int step = 1;
  DWORD pauseMs = 0;  // between samples, to make a run last
};

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
  // A new source with one reference, as IBaseFilter.
  static IBaseFilter* New(SourceSetup setup);

  int PinCount() override { return 1; }
  IPin* PinAt(int index) override { return index == 0 ? out_.get() : nullptr; }
  const SourceSetup& Setup() const { return setup_; }
  HRESULT LastResult() const { return last_; }

 protected:
  HRESULT OnStart() override;
  void OnStop() override;

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Stream();

  SourceSetup setup_;
  std::unique_ptr<TestSourceOut> out_;
  HANDLE thread_ = nullptr;
  std::atomic<bool> stop_{false};
  std::atomic<HRESULT> last_{S_OK};
};

}  // namespace outputtest
