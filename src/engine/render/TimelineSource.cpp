#include "engine/render/TimelineSource.h"

#include "services/MediaTypes.h"
#include "engine/render/Composer.h"
#include "engine/render/Palette.h"
#include "engine/base/TimeUnits.h"

#include <amvideo.h>
#include <evcode.h>
#include <mmreg.h>
#include <uuids.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>

namespace engine::render {

namespace {

// DeliverOne's result when downstream took the sample but wants no more for now.
constexpr HRESULT kRefused = 2;

bool Is32Bit(const GUID& subtype) { return subtype == MEDIASUBTYPE_RGB32 || subtype == MEDIASUBTYPE_ARGB32; }

REFERENCE_TIME FrameTime(int64_t frame, double fps) {
  return static_cast<REFERENCE_TIME>(std::llround(static_cast<double>(frame) * kUnitsPerSecond / fps));
}

REFERENCE_TIME SampleTime(int64_t frame, DWORD rate) {
  return static_cast<REFERENCE_TIME>(static_cast<long double>(frame) * kUnitsPerSecond / rate);
}

// The first sample frame at or after t.
int64_t SampleAtOrAfter(REFERENCE_TIME t, DWORD rate) {
  return static_cast<int64_t>(std::ceil(static_cast<long double>(t) * rate / kUnitsPerSecond - 1e-9L));
}

DWORD AudioRate(const GroupPlan& plan) {
  return reinterpret_cast<const WAVEFORMATEX*>(plan.type.Get().pbFormat)->nSamplesPerSec;
}

// An 8-bit type of the group's size in the front end's palette.
HRESULT PalettisedType(const AM_MEDIA_TYPE& own, double fps, AM_MEDIA_TYPE* mt) {
  *mt = AM_MEDIA_TYPE{};
  const ULONG bytes = sizeof(VIDEOINFOHEADER) + kPaletteColours * sizeof(RGBQUAD);
  mt->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(bytes));
  if (!mt->pbFormat) return E_OUTOFMEMORY;
  mt->cbFormat = bytes;
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt->pbFormat);
  std::memcpy(vih, own.pbFormat, sizeof(VIDEOINFOHEADER));
  std::memcpy(mt->pbFormat + sizeof(VIDEOINFOHEADER), RenderPalette(), kPaletteColours * sizeof(RGBQUAD));
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = MEDIASUBTYPE_RGB8;
  mt->formattype = FORMAT_VideoInfo;
  mt->bFixedSizeSamples = TRUE;
  vih->AvgTimePerFrame = static_cast<REFERENCE_TIME>(std::llround(kUnitsPerSecond / fps));
  vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  vih->bmiHeader.biBitCount = 8;
  vih->bmiHeader.biCompression = BI_RGB;
  vih->bmiHeader.biClrUsed = kPaletteColours;
  vih->bmiHeader.biClrImportant = 0;
  vih->bmiHeader.biSizeImage = static_cast<DWORD>(VideoSampleSize(*mt));
  mt->lSampleSize = vih->bmiHeader.biSizeImage;
  return S_OK;
}

}  // namespace

// ---- pin ----

TimelineSourcePin::TimelineSourcePin(TimelineSource* filter, std::wstring name, PlanPtr plan)
    : OutputPin(filter, std::move(name)), plan_(std::move(plan)) {}

TimelineSourcePin::~TimelineSourcePin() { StopStreaming(); }

STDMETHODIMP TimelineSourcePin::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IMediaSeeking) {
    *out = static_cast<IMediaSeeking*>(this);
    AddRef();
    return S_OK;
  }
  if (iid == IID_IAMDroppedFrames) {
    *out = static_cast<IAMDroppedFrames*>(this);
    AddRef();
    return S_OK;
  }
  return OutputPin::QueryInterface(iid, out);
}

STDMETHODIMP TimelineSourcePin::GetNumDropped(long* dropped) {
  if (!dropped) return E_POINTER;
  *dropped = framesSkipped_;
  return S_OK;
}

STDMETHODIMP TimelineSourcePin::GetNumNotDropped(long* delivered) {
  if (!delivered) return E_POINTER;
  *delivered = framesDelivered_;
  return S_OK;
}

STDMETHODIMP TimelineSourcePin::GetDroppedInfo(long, long*, long* copied) {
  if (copied) *copied = 0;
  return E_NOTIMPL;  // which frames were skipped is not kept
}

STDMETHODIMP TimelineSourcePin::GetAverageFrameSize(long* bytes) {
  if (!bytes) return E_POINTER;
  const long frames = framesDelivered_;
  *bytes = frames > 0 ? static_cast<long>(bytesDelivered_ / frames) : 0;
  return S_OK;
}

PlanPtr TimelineSourcePin::Plan() {
  std::lock_guard<SlimMutex> lock(mutex_);
  return plan_;
}

void TimelineSourcePin::SetPlan(PlanPtr plan) {
  std::lock_guard<SlimMutex> lock(mutex_);
  plan_ = std::move(plan);
}

HRESULT TimelineSourcePin::CheckMediaType(const AM_MEDIA_TYPE& mt) {
  PlanPtr plan = Plan();
  const AM_MEDIA_TYPE& own = plan->type.Get();
  if (mt.majortype != own.majortype || mt.formattype != own.formattype || !CanProduce(mt)) return S_FALSE;
  if (own.majortype == MEDIATYPE_Video) {
    // The row order and the meaning of the fourth byte may be what the peer prefers, and a
    // peer that takes only palettised pictures gets them in the front end's own palette.
    if (mt.subtype != own.subtype && !(Is32Bit(mt.subtype) && Is32Bit(own.subtype)) && mt.subtype != MEDIASUBTYPE_RGB8)
      return S_FALSE;
    if (mt.subtype == MEDIASUBTYPE_RGB8) {
      const BITMAPINFOHEADER& a = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
      const BITMAPINFOHEADER& b = reinterpret_cast<const VIDEOINFOHEADER*>(own.pbFormat)->bmiHeader;
      return a.biWidth == b.biWidth && std::abs(a.biHeight) == std::abs(b.biHeight) ? S_OK : S_FALSE;
    }
    const BITMAPINFOHEADER& a = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
    const BITMAPINFOHEADER& b = reinterpret_cast<const VIDEOINFOHEADER*>(own.pbFormat)->bmiHeader;
    return a.biWidth == b.biWidth && std::abs(a.biHeight) == std::abs(b.biHeight) && a.biBitCount == b.biBitCount
               ? S_OK
               : S_FALSE;
  }
  return mt.subtype == own.subtype && std::memcmp(mt.pbFormat, own.pbFormat, 16) == 0 ? S_OK : S_FALSE;
}

HRESULT TimelineSourcePin::GetMediaType(int index, AM_MEDIA_TYPE* mt) {
  PlanPtr plan = Plan();
  const AM_MEDIA_TYPE& own = plan->type.Get();
  const bool video = own.majortype == MEDIATYPE_Video;
  const bool alternative = video && Is32Bit(own.subtype);
  // Video is also offered palettised, last: for compressors that take nothing else.
  const int count = video ? (alternative ? 3 : 2) : 1;
  if (index < 0 || index >= count) return VFW_S_NO_MORE_ITEMS;
  if (video && index == count - 1) return PalettisedType(own, plan->fps, mt);
  HRESULT hr = CopyMediaType(mt, own);
  if (FAILED(hr)) return hr;
  if (video) {
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt->pbFormat);
    vih->AvgTimePerFrame = static_cast<REFERENCE_TIME>(std::llround(kUnitsPerSecond / plan->fps));
    vih->bmiHeader.biSizeImage = static_cast<DWORD>(VideoSampleSize(*mt));
    mt->lSampleSize = vih->bmiHeader.biSizeImage;
    if (index == 1) mt->subtype = own.subtype == MEDIASUBTYPE_RGB32 ? MEDIASUBTYPE_ARGB32 : MEDIASUBTYPE_RGB32;
  }
  return S_OK;
}

void TimelineSourcePin::BufferNeeds(ALLOCATOR_PROPERTIES& props) {
  PlanPtr plan = Plan();
  props.cbAlign = 1;
  props.cbPrefix = 0;
  if (plan->kind == media::StreamKind::Video) {
    props.cBuffers = 3;
    props.cbBuffer = VideoSampleSize(MediaType());
  } else {
    const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(MediaType().pbFormat);
    props.cBuffers = 4;
    props.cbBuffer = static_cast<long>((wfx->nSamplesPerSec + kAudioBuffersPerSecond - 1) / kAudioBuffersPerSecond *
                                       wfx->nBlockAlign);
  }
}

HRESULT TimelineSourcePin::StartStreaming(IMediaEventSink* events, IReferenceClock* clock) {
  if (!IsConnected()) return S_OK;  // nothing to feed
  HRESULT hr = Active();
  if (FAILED(hr)) return hr;
  framesDelivered_ = 0;
  framesSkipped_ = 0;
  bytesDelivered_ = 0;
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    command_ = Command::Run;
    parked_ = false;
    running_ = true;
    ++segment_;
    if (events) events->AddRef();
    events_ = events;
    if (clock) clock->AddRef();
    clock_ = clock;
  }
  try {
    thread_ = std::thread(&TimelineSourcePin::Stream, this);
  } catch (const std::exception&) {  // no thread to be had: nothing may escape through COM
    std::lock_guard<SlimMutex> lock(mutex_);
    running_ = false;
    if (events_) events_->Release();
    events_ = nullptr;
    if (clock_) clock_->Release();
    clock_ = nullptr;
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

void TimelineSourcePin::StopStreaming() {
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    if (!running_) return;
    command_ = Command::Exit;
  }
  changed_.notify_all();
  Inactive();  // a thread waiting for a buffer gives up
  if (thread_.joinable()) thread_.join();
  std::lock_guard<SlimMutex> lock(mutex_);
  running_ = false;
  if (events_) events_->Release();
  events_ = nullptr;
  if (clock_) clock_->Release();
  clock_ = nullptr;
}

REFERENCE_TIME TimelineSourcePin::SeekDuration() { return Plan()->duration; }

REFERENCE_TIME TimelineSourcePin::SeekCurrent() {
  std::lock_guard<SlimMutex> lock(mutex_);
  return delivered_;
}

REFERENCE_TIME TimelineSourcePin::SeekStop() {
  std::lock_guard<SlimMutex> lock(mutex_);
  return stop_ < 0 ? plan_->duration : std::min(stop_, plan_->duration);
}

HRESULT TimelineSourcePin::SeekTo(bool moveCurrent, REFERENCE_TIME current, REFERENCE_TIME stop) {
  std::lock_guard<SlimMutex> seeking(seekMutex_);
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    stop_ = stop;
    if (!moveCurrent) return S_OK;  // the streaming thread reads the stop before each sample
    if (!running_) {
      start_ = delivered_ = current;
      return S_OK;
    }
  }
  // Downstream drops what it holds and returns from any wait; the thread parks, and starts a
  // new segment at the new place once the flush is over.
  IPin* peer = nullptr;
  ConnectedTo(&peer);
  if (peer) peer->BeginFlush();
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    if (command_ == Command::Run) command_ = Command::Park;
  }
  changed_.notify_all();
  Inactive();
  bool resume = false;
  {
    std::unique_lock<SlimMutex> lock(mutex_);
    changed_.wait(lock, [&] { return parked_ || command_ != Command::Park; });
    resume = command_ == Command::Park;
  }
  if (resume) Active();
  if (peer) {
    peer->EndFlush();
    peer->Release();
  }
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    start_ = delivered_ = current;
    ++segment_;
    if (command_ == Command::Park) command_ = Command::Run;
  }
  changed_.notify_all();
  return S_OK;
}

bool TimelineSourcePin::TooLate(int64_t index) {
  if (!streamPlan_->preview || !clock_ || filter_->State() != State_Running) return false;
  REFERENCE_TIME now = 0;
  if (FAILED(clock_->GetTime(&now))) return false;
  const REFERENCE_TIME streamTime = now - static_cast<TimelineSource*>(filter_)->StreamStart();
  return FrameTime(index + 1, streamPlan_->fps) - segmentStart_ <= streamTime;
}

void TimelineSourcePin::Report(HRESULT hr) {
  if (events_) events_->Notify(EC_ERRORABORT, hr, 0);
}

HRESULT TimelineSourcePin::DeliverOne(int64_t index, bool first) {
  const GroupPlan& plan = *streamPlan_;
  const bool video = plan.kind == media::StreamKind::Video;
  REFERENCE_TIME start, end;
  size_t frames = 0;
  if (video) {
    start = FrameTime(index, plan.fps);
    end = std::min(FrameTime(index + 1, plan.fps), segmentStop_);
  } else {
    const DWORD rate = AudioRate(plan);
    const int64_t last = SampleAtOrAfter(segmentStop_, rate);
    frames = static_cast<size_t>(
        std::clamp<int64_t>(last - index, 0, (rate + kAudioBuffersPerSecond - 1) / kAudioBuffersPerSecond));
    start = SampleTime(index, rate);
    end = SampleTime(index + static_cast<int64_t>(frames), rate);
  }
  if (start >= segmentStop_ || (!video && frames == 0)) return S_FALSE;

  IMediaSample* sample = nullptr;
  HRESULT hr = GetDeliveryBuffer(&sample);
  if (FAILED(hr)) return hr;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  const AM_MEDIA_TYPE& type = MediaType();
  if (video) {
    hr = video_->Compose(plan.offset + start, type, data, sample->GetSize());
    if (SUCCEEDED(hr)) hr = sample->SetActualDataLength(VideoSampleSize(type));
  } else {
    const DWORD rate = AudioRate(plan);
    const int64_t offsetFrames =
        static_cast<int64_t>(std::llround(static_cast<long double>(plan.offset) * rate / kUnitsPerSecond));
    const long bytes = static_cast<long>(frames * reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat)->nBlockAlign);
    hr = bytes <= sample->GetSize() ? S_OK : E_UNEXPECTED;
    if (SUCCEEDED(hr)) {
      audio_->Mix(index + offsetFrames, frames, data);
      hr = sample->SetActualDataLength(bytes);
    }
  }
  if (SUCCEEDED(hr)) {
    // Times count from the segment's start; a first frame that began before it starts at 0.
    REFERENCE_TIME s = std::max<REFERENCE_TIME>(0, start - segmentStart_), e = end - segmentStart_;
    sample->SetTime(&s, &e);
    sample->SetSyncPoint(TRUE);
    sample->SetDiscontinuity(first ? TRUE : FALSE);
    hr = Deliver(sample);
  }
  const long bytes = sample->GetActualDataLength();
  sample->Release();
  if (hr == S_OK) {
    ++framesDelivered_;
    bytesDelivered_ += bytes;
    std::lock_guard<SlimMutex> lock(mutex_);
    delivered_ = end;
  }
  return hr == S_FALSE ? kRefused : hr;
}

void TimelineSourcePin::Stream() {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  try {
    StreamSegments();
  } catch (const std::exception&) {
    // Out of memory while composing: the run ends with an error instead of the process.
    Report(E_OUTOFMEMORY);
    std::unique_lock<SlimMutex> lock(mutex_);
    while (command_ != Command::Exit) {
      if (command_ == Command::Park) {
        parked_ = true;  // a seek waiting for this thread goes on
        changed_.notify_all();
      }
      changed_.wait(lock);
    }
  }
  video_.reset();
  audio_.reset();
  streamPlan_.reset();
  if (SUCCEEDED(com)) CoUninitialize();
}

void TimelineSourcePin::StreamSegments() {
  uint64_t seen = 0;
  bool fresh = true, idle = false, first = false;
  int64_t index = 0;
  for (;;) {
    {
      std::unique_lock<SlimMutex> lock(mutex_);
      for (;;) {
        if (command_ == Command::Exit) break;
        if (command_ == Command::Park) {
          parked_ = true;
          changed_.notify_all();
          changed_.wait(lock);
          continue;
        }
        parked_ = false;
        if (fresh || segment_ != seen || !idle) break;
        changed_.wait(lock);  // ended: only a seek or a stop moves on
      }
      if (command_ == Command::Exit) break;
      const REFERENCE_TIME duration = plan_->duration;
      if (fresh || segment_ != seen) {
        fresh = false;
        seen = segment_;
        idle = false;
        first = true;
        if (streamPlan_ != plan_) {
          streamPlan_ = plan_;
          video_.reset();
          audio_.reset();
          if (streamPlan_->kind == media::StreamKind::Video)
            video_ = std::make_unique<VideoComposer>(*streamPlan_);
          else
            audio_ = std::make_unique<AudioMixer>(*streamPlan_);
        }
        segmentStart_ = std::clamp<REFERENCE_TIME>(start_, 0, duration);
        index = video_ ? static_cast<int64_t>(std::floor(segmentStart_ * streamPlan_->fps / kUnitsPerSecond + 1e-9))
                       : SampleAtOrAfter(segmentStart_, AudioRate(*streamPlan_));
      }
      segmentStop_ = stop_ < 0 ? duration : std::clamp<REFERENCE_TIME>(stop_, segmentStart_, duration);
    }
    // The connection only changes while stopped, and taking the filter's lock here could wait
    // for a Stop that waits for this thread.
    if (first && peer_) peer_->NewSegment(segmentStart_, segmentStop_, 1.0);
    // In preview a frame whose time has passed is not worth making; the first of a segment
    // is always shown, so that a seek shows where it went.
    if (video_ && !first && TooLate(index)) {
      ++framesSkipped_;
      ++index;
      if (FrameTime(index, streamPlan_->fps) < segmentStop_) continue;
    }
    HRESULT hr = DeliverOne(index, first);
    if (hr == S_OK) {
      first = false;
      index += video_ ? 1 : (AudioRate(*streamPlan_) + kAudioBuffersPerSecond - 1) / kAudioBuffersPerSecond;
      continue;
    }
    if (hr == S_FALSE) {
      DeliverEndOfStream();
      idle = true;
      continue;
    }
    bool interrupted;
    {
      std::lock_guard<SlimMutex> lock(mutex_);
      interrupted = command_ != Command::Run || segment_ != seen;
    }
    if (interrupted) continue;  // a seek or a stop took the buffers away
    if (FAILED(hr)) Report(hr);
    idle = true;  // refused or failed: wait for a seek or the stop
  }
}

// ---- filter ----

TimelineSource::TimelineSource(const std::vector<PlanPtr>& plans) : FilterBase(GUID_NULL) {
  for (size_t i = 0; i < plans.size(); ++i)
    pins_.push_back(std::make_unique<TimelineSourcePin>(this, L"Group " + std::to_wstring(i), plans[i]));
}

TimelineSource::~TimelineSource() {
  for (auto& pin : pins_) pin->StopStreaming();
}

IPin* TimelineSource::PinAt(int index) {
  return index >= 0 && static_cast<size_t>(index) < pins_.size() ? pins_[static_cast<size_t>(index)].get() : nullptr;
}

HRESULT TimelineSource::QueryOther(REFIID iid, void** out) {
  if (iid == IID_IMediaSeeking) {
    *out = static_cast<IMediaSeeking*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

bool TimelineSource::SameGroups(const std::vector<PlanPtr>& plans) {
  if (plans.size() != pins_.size()) return false;
  for (size_t i = 0; i < plans.size(); ++i) {
    PlanPtr old = pins_[i]->Plan();
    const AM_MEDIA_TYPE &a = old->type.Get(), &b = plans[i]->type.Get();
    if (old->identity.Get() != plans[i]->identity.Get() || a.majortype != b.majortype || a.subtype != b.subtype ||
        a.formattype != b.formattype || a.cbFormat != b.cbFormat ||
        (a.cbFormat && std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) != 0) || old->fps != plans[i]->fps)
      return false;
  }
  return true;
}

void TimelineSource::SetPlans(const std::vector<PlanPtr>& plans) {
  for (size_t i = 0; i < plans.size() && i < pins_.size(); ++i) pins_[i]->SetPlan(plans[i]);
}

HRESULT TimelineSource::OnStart() {
  IMediaEventSink* events = nullptr;
  IReferenceClock* clock = nullptr;
  GetSyncSource(&clock);
  FILTER_INFO info{};
  if (SUCCEEDED(QueryFilterInfo(&info)) && info.pGraph) {
    info.pGraph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&events));
    info.pGraph->Release();
  }
  HRESULT hr = S_OK;
  for (auto& pin : pins_)
    if (FAILED(hr = pin->StartStreaming(events, clock))) break;
  if (events) events->Release();
  if (clock) clock->Release();
  if (FAILED(hr)) OnStop();
  return hr;
}

STDMETHODIMP TimelineSource::Run(REFERENCE_TIME start) {
  streamStart_ = start;
  return FilterBase::Run(start);
}

void TimelineSource::OnStop() {
  for (auto& pin : pins_) pin->StopStreaming();
}

REFERENCE_TIME TimelineSource::SeekDuration() { return pins_.empty() ? 0 : pins_[0]->SeekDuration(); }
REFERENCE_TIME TimelineSource::SeekCurrent() { return pins_.empty() ? 0 : pins_[0]->SeekCurrent(); }
REFERENCE_TIME TimelineSource::SeekStop() { return pins_.empty() ? 0 : pins_[0]->SeekStop(); }

HRESULT TimelineSource::SeekTo(bool moveCurrent, REFERENCE_TIME current, REFERENCE_TIME stop) {
  for (auto& pin : pins_) {
    HRESULT hr = pin->SeekTo(moveCurrent, current, stop);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

}  // namespace engine::render
