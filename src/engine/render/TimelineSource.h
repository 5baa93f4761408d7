// The front end the render engine puts into the caller's graph: a source filter with one
// output pin per timeline group. Each pin streams on its own thread, which a small command
// state drives (run, park for a seek, exit): uncompressed frames at the group's frame rate or
// PCM buffers at its sample rate, stamped with their times, then end of stream.
#pragma once

#include "engine/base/SlimCondition.h"
#include "engine/filters/FilterBase.h"
#include "engine/filters/MediaSeeking.h"
#include "engine/filters/Pins.h"
#include "engine/render/RenderPlan.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace engine::render {

class TimelineSource;
using PlanPtr = std::shared_ptr<const GroupPlan>;

// Also counts, as a capture pin does, the video frames it delivered and those it skipped for
// being late in preview (IAMDroppedFrames), so that playback can be measured.
class TimelineSourcePin final : public filters::OutputPin, public filters::MediaSeeking, public IAMDroppedFrames {
 public:
  TimelineSourcePin(TimelineSource* filter, std::wstring name, PlanPtr plan);
  ~TimelineSourcePin() override;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return filter_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return filter_->Release(); }

  HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override;
  HRESULT GetMediaType(int index, AM_MEDIA_TYPE* mt) override;
  void BufferNeeds(ALLOCATOR_PROPERTIES& props) override;

  PlanPtr Plan();
  // A plan of the same group after an edit; streaming picks it up at its next start or seek.
  void SetPlan(PlanPtr plan);
  HRESULT StartStreaming(IMediaEventSink* events, IReferenceClock* clock);
  void StopStreaming();

  // Output samples per second of video, or sample frames per buffer of audio.
  static constexpr DWORD kAudioBuffersPerSecond = 10;

  REFERENCE_TIME SeekDuration() override;
  REFERENCE_TIME SeekCurrent() override;
  REFERENCE_TIME SeekStop() override;
  HRESULT SeekTo(bool moveCurrent, REFERENCE_TIME current, REFERENCE_TIME stop) override;

  // IAMDroppedFrames, counted from the last start of streaming.
  STDMETHODIMP GetNumDropped(long* dropped) override;
  STDMETHODIMP GetNumNotDropped(long* delivered) override;
  STDMETHODIMP GetDroppedInfo(long size, long* frames, long* copied) override;
  STDMETHODIMP GetAverageFrameSize(long* bytes) override;

 private:
  enum class Command { Run, Park, Exit };
  void Stream();
  void StreamSegments();
  // Produces and delivers the sample that starts at output index `index` of the segment;
  // S_FALSE past the end.
  HRESULT DeliverOne(int64_t index, bool first);
  // Whether video frame `index` would reach a running preview after its time is over.
  bool TooLate(int64_t index);
  void Report(HRESULT hr);

  SlimMutex mutex_;
  SlimCondition changed_;
  PlanPtr plan_;
  Command command_ = Command::Run;
  bool parked_ = false;
  bool running_ = false;          // a streaming thread exists
  uint64_t segment_ = 0;          // counts seeks: a new value starts a new segment
  REFERENCE_TIME start_ = 0;      // output time the segment starts at
  REFERENCE_TIME stop_ = -1;      // output time it ends at; -1: the duration
  REFERENCE_TIME delivered_ = 0;  // output time reached, for the position
  std::atomic<long> framesDelivered_{0};
  std::atomic<long> framesSkipped_{0};
  std::atomic<long long> bytesDelivered_{0};
  std::thread thread_;
  SlimMutex seekMutex_;                // one seek at a time
  IMediaEventSink* events_ = nullptr;  // while streaming
  IReferenceClock* clock_ = nullptr;   // while streaming, when the graph has one

  // Owned by the streaming thread.
  PlanPtr streamPlan_;
  std::unique_ptr<class VideoComposer> video_;
  std::unique_ptr<class AudioMixer> audio_;
  REFERENCE_TIME segmentStart_ = 0, segmentStop_ = 0;
};

class TimelineSource final : public filters::FilterBase, public filters::MediaSeeking {
 public:
  explicit TimelineSource(const std::vector<PlanPtr>& plans);
  ~TimelineSource() override;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return FilterBase::QueryInterface(iid, out); }
  STDMETHODIMP_(ULONG) AddRef() override { return FilterBase::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return FilterBase::Release(); }

  int PinCount() override { return static_cast<int>(pins_.size()); }
  IPin* PinAt(int index) override;
  TimelineSourcePin* Pin(size_t index) { return index < pins_.size() ? pins_[index].get() : nullptr; }

  // Whether the plans describe the same groups, in the same order and types, as the pins.
  bool SameGroups(const std::vector<PlanPtr>& plans);
  void SetPlans(const std::vector<PlanPtr>& plans);

  REFERENCE_TIME SeekDuration() override;
  REFERENCE_TIME SeekCurrent() override;
  REFERENCE_TIME SeekStop() override;
  HRESULT SeekTo(bool moveCurrent, REFERENCE_TIME current, REFERENCE_TIME stop) override;

  STDMETHODIMP Run(REFERENCE_TIME start) override;
  // The clock time at which stream time 0 is due, while running.
  REFERENCE_TIME StreamStart() const { return streamStart_; }

 protected:
  HRESULT QueryOther(REFIID iid, void** out) override;
  HRESULT OnStart() override;
  void OnStop() override;

 private:
  std::vector<std::unique_ptr<TimelineSourcePin>> pins_;
  std::atomic<REFERENCE_TIME> streamStart_{0};
};

}  // namespace engine::render
