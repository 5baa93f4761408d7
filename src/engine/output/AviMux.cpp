#include "engine/output/AviMux.h"

#include "engine/base/ClassFactory.h"
#include "engine/base/TimeUnits.h"

#include <control.h>
#include <evcode.h>
#include <mmreg.h>
#include <uuids.h>
#include <amvideo.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>

namespace engine::output {

namespace {

constexpr REFERENCE_TIME kDefaultFrameTime = 333333;  // 30 frames per second
constexpr REFERENCE_TIME kShortestInterleave = 100000;
// Beyond this much held-back data the inputs are written as they come, interleaved or not:
// memory stays bounded when one input stalls or runs far behind the others.
constexpr size_t kQueueLimit = 64u << 20;
// Written frames' buffers kept for reuse; an interleave period of video is about this many.
constexpr size_t kSpareFrames = 40;

REFERENCE_TIME BytesToTime(uint64_t bytes, DWORD perSecond) {
  return static_cast<REFERENCE_TIME>(static_cast<long double>(bytes) * kUnitsPerSecond / perSecond);
}

uint64_t TimeToBytes(REFERENCE_TIME t, DWORD perSecond) {
  if (t <= 0) return 0;
  return static_cast<uint64_t>(static_cast<long double>(t) * perSecond / kUnitsPerSecond);
}

// The frame rate as the file states it: exact for whole and NTSC rates, else the frame time.
void SetFrameRate(AviStreamFormat& fmt, REFERENCE_TIME frameTime) {
  fmt.frameTime = frameTime;
  for (DWORD scale : {1u, 1001u}) {
    long long rate = llround(static_cast<double>(scale) * kUnitsPerSecond / static_cast<double>(frameTime));
    if (rate <= 0) continue;
    long long back = llround(static_cast<double>(scale) * kUnitsPerSecond / static_cast<double>(rate));
    if (std::llabs(back - frameTime) <= 1) {
      fmt.scale = scale;
      fmt.rate = static_cast<DWORD>(rate);
      return;
    }
  }
  long long g = std::gcd(static_cast<long long>(frameTime), static_cast<long long>(kUnitsPerSecond));
  fmt.scale = static_cast<DWORD>(frameTime / g);
  fmt.rate = static_cast<DWORD>(kUnitsPerSecond / g);
}

bool IsUncompressed(DWORD compression) { return compression == BI_RGB || compression == BI_BITFIELDS; }

}  // namespace

// ---- pins ----

AviMuxInput::AviMuxInput(AviMux* mux, std::wstring name) : filters::InputPin(mux, std::move(name)), mux_(mux) {}

HRESULT AviMuxInput::CheckMediaType(const AM_MEDIA_TYPE& mt) {
  if (!mt.pbFormat) return S_FALSE;
  if (mt.majortype == MEDIATYPE_Video) {
    if (mt.formattype != FORMAT_VideoInfo || mt.cbFormat < sizeof(VIDEOINFOHEADER)) return S_FALSE;
    const BITMAPINFOHEADER& bmi = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
    if (bmi.biWidth <= 0 || bmi.biHeight == 0 || bmi.biWidth > 65535 || bmi.biHeight > 65535 || bmi.biHeight < -65535)
      return S_FALSE;
    if (IsUncompressed(bmi.biCompression) && bmi.biBitCount != 8 && bmi.biBitCount != 16 && bmi.biBitCount != 24 &&
        bmi.biBitCount != 32)
      return S_FALSE;
    return S_OK;
  }
  if (mt.majortype == MEDIATYPE_Audio) {
    if (mt.formattype != FORMAT_WaveFormatEx || mt.cbFormat < sizeof(PCMWAVEFORMAT)) return S_FALSE;
    const auto* wf = reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
    if (!wf->nChannels || !wf->nBlockAlign || !wf->nAvgBytesPerSec || !wf->nSamplesPerSec) return S_FALSE;
    if (mt.cbFormat >= sizeof(WAVEFORMATEX) && mt.cbFormat < sizeof(WAVEFORMATEX) + wf->cbSize) return S_FALSE;
    return S_OK;
  }
  return S_FALSE;
}

HRESULT AviMuxInput::CompleteConnect(IPin*) {
  mux_->InputConnected();
  return S_OK;
}

HRESULT AviMuxInput::OnReceive(IMediaSample* sample) { return mux_->Receive(this, sample); }

HRESULT AviMuxInput::OnEndOfStream() { return mux_->EndOfStream(this); }

AviMuxOutput::AviMuxOutput(AviMux* mux) : filters::OutputPin(mux, L"AVI Out") {}

HRESULT AviMuxOutput::CheckMediaType(const AM_MEDIA_TYPE& mt) {
  return mt.majortype == MEDIATYPE_Stream && mt.subtype == MEDIASUBTYPE_Avi ? S_OK : S_FALSE;
}

HRESULT AviMuxOutput::GetMediaType(int index, AM_MEDIA_TYPE* mt) {
  if (index != 0) return VFW_S_NO_MORE_ITEMS;
  *mt = AM_MEDIA_TYPE{};
  mt->majortype = MEDIATYPE_Stream;
  mt->subtype = MEDIASUBTYPE_Avi;
  mt->formattype = FORMAT_None;
  mt->bFixedSizeSamples = FALSE;
  mt->lSampleSize = 1;
  return S_OK;
}

void AviMuxOutput::BufferNeeds(ALLOCATOR_PROPERTIES& props) {
  // A writer that writes behind holds blocks for a while: a few let the streams go on.
  props.cBuffers = 4;
  props.cbBuffer = static_cast<long>(AviMux::kOutputBlock);
  props.cbAlign = 1;
  props.cbPrefix = 0;
}

// ---- filter ----

AviMux::AviMux() : filters::FilterBase(CLSID_AviDest) {
  InitializeCriticalSection(&dataLock_);
  output_ = std::make_unique<AviMuxOutput>(this);
  inputs_.push_back(std::make_unique<AviMuxInput>(this, L"Input 01"));
}

AviMux::~AviMux() {
  inputs_.clear();
  output_.reset();
  DeleteCriticalSection(&dataLock_);
}

HRESULT AviMux::Create(REFIID iid, void** out) { return filters::CreateAndQuery<AviMux>(iid, out); }

HRESULT AviMux::QueryOther(REFIID iid, void** out) {
  if (iid == IID_IMediaSeeking)
    *out = static_cast<IMediaSeeking*>(this);
  else if (iid == IID_IConfigInterleaving)
    *out = static_cast<IConfigInterleaving*>(this);
  else if (iid == IID_IConfigAviMux)
    *out = static_cast<IConfigAviMux*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

int AviMux::PinCount() {
  filters::Locked hold(Lock());
  return static_cast<int>(inputs_.size()) + 1;
}

IPin* AviMux::PinAt(int index) {
  filters::Locked hold(Lock());
  if (index == 0) return output_.get();
  if (index < 0 || index > static_cast<int>(inputs_.size())) return nullptr;
  return inputs_[static_cast<size_t>(index - 1)].get();
}

void AviMux::InputConnected() {
  filters::Locked hold(Lock());
  for (auto& in : inputs_)
    if (!in->IsConnected()) return;
  wchar_t name[32];
  wsprintfW(name, L"Input %02d", static_cast<int>(inputs_.size()) + 1);
  inputs_.push_back(std::make_unique<AviMuxInput>(this, name));
}

HRESULT AviMux::OnStart() {
  if (!output_->IsConnected()) return VFW_E_NOT_CONNECTED;
  filters::Locked hold(dataLock_);
  streams_.clear();
  for (auto& in : inputs_) {
    if (!in->IsConnected()) continue;
    in->ResetStream();
    const AM_MEDIA_TYPE& mt = in->MediaType();
    Stream s;
    s.pin = in.get();
    if (mt.majortype == MEDIATYPE_Video) {
      const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
      const BYTE* bmi = reinterpret_cast<const BYTE*>(&vih->bmiHeader);
      s.fmt.video = true;
      const BYTE* formatEnd = mt.pbFormat + mt.cbFormat;
      s.fmt.format.assign(bmi, formatEnd);
      auto* h = reinterpret_cast<BITMAPINFOHEADER*>(s.fmt.format.data());
      h->biSize = std::max<DWORD>(h->biSize, sizeof(BITMAPINFOHEADER));
      if (IsUncompressed(h->biCompression) && !h->biSizeImage) {
        DWORD stride = ((static_cast<DWORD>(h->biWidth) * h->biBitCount + 31) / 32) * 4;
        h->biSizeImage = stride * static_cast<DWORD>(h->biHeight < 0 ? -h->biHeight : h->biHeight);
      }
      s.fmt.handler = IsUncompressed(h->biCompression) ? 0 : h->biCompression;
      s.fmt.width = h->biWidth;
      s.fmt.height = h->biHeight;
      if (vih->AvgTimePerFrame > 0) SetFrameRate(s.fmt, vih->AvgTimePerFrame);
    } else {
      WAVEFORMATEX wf{};
      memcpy(&wf, mt.pbFormat, std::min<size_t>(mt.cbFormat, sizeof(WAVEFORMATEX)));
      if (mt.cbFormat < sizeof(WAVEFORMATEX)) wf.cbSize = 0;
      s.fmt.format.assign(mt.pbFormat, mt.pbFormat + sizeof(WAVEFORMATEX) + wf.cbSize);
      if (mt.cbFormat < sizeof(WAVEFORMATEX)) {
        s.fmt.format.assign(reinterpret_cast<BYTE*>(&wf), reinterpret_cast<BYTE*>(&wf) + sizeof(wf));
      }
      s.blockAlign = wf.nBlockAlign;
      s.bytesPerSecond = wf.nAvgBytesPerSec;
      s.fmt.scale = wf.nBlockAlign;
      s.fmt.rate = wf.nAvgBytesPerSec;
      s.fmt.sampleSize = wf.nBlockAlign;
    }
    streams_.push_back(std::move(s));
  }
  if (streams_.empty()) return VFW_E_NOT_CONNECTED;
  file_.reset();
  DropOutput();
  queuedBytes_ = 0;
  audioPeriods_ = 0;
  error_ = S_OK;
  finished_ = false;
  position_ = 0;
  HRESULT hr = output_->Active();
  return FAILED(hr) ? hr : S_OK;
}

void AviMux::OnStop() {
  {
    filters::Locked hold(dataLock_);
    // Stopped early: finish the file with what it has so far, when the writer still listens.
    if (!finished_ && SUCCEEDED(error_) && file_) Finish();
    streams_.clear();
    file_.reset();
    DropOutput();
    queuedBytes_ = 0;
  }
  output_->Inactive();
}

REFERENCE_TIME AviMux::FrameStart(const Stream& s, uint64_t frame) const {
  if (!s.fmt.rate) return 0;
  return static_cast<REFERENCE_TIME>(static_cast<long double>(frame) * s.fmt.scale * kUnitsPerSecond / s.fmt.rate);
}

REFERENCE_TIME AviMux::Received(const Stream& s) const {
  return s.fmt.video ? FrameStart(s, s.framesReceived) : BytesToTime(s.audioReceived, s.bytesPerSecond);
}

REFERENCE_TIME AviMux::Written(const Stream& s) const {
  return s.fmt.video ? FrameStart(s, s.framesWritten) : BytesToTime(s.audioWritten, s.bytesPerSecond);
}

void AviMux::UpdatePosition() {
  REFERENCE_TIME pos = 0;
  for (const Stream& s : streams_) pos = std::max(pos, Written(s));
  position_ = pos;
}

HRESULT AviMux::EnsureFile() {
  if (file_) return S_OK;
  std::vector<AviStreamFormat> formats;
  for (Stream& s : streams_) {
    if (s.fmt.video && s.fmt.frameTime <= 0) SetFrameRate(s.fmt, kDefaultFrameTime);
    formats.push_back(s.fmt);
  }
  file_ = std::make_unique<AviFile>(static_cast<ByteSink&>(*this), std::move(formats), legacyIndex_ != FALSE);
  return S_OK;
}

HRESULT AviMux::WriteVideoBefore(Stream& s, REFERENCE_TIME end) {
  size_t index = static_cast<size_t>(&s - streams_.data());
  while (!s.frames.empty() && FrameStart(s, s.framesWritten) < end) {
    HRESULT hr = EnsureFile();
    Frame& f = s.frames.front();
    if (SUCCEEDED(hr)) hr = file_->WriteChunk(index, f.data.data(), f.data.size(), f.key);
    if (FAILED(hr)) return hr;
    queuedBytes_ -= f.data.size();
    if (spareFrames_.size() < kSpareFrames) spareFrames_.push_back(std::move(f.data));
    s.frames.pop_front();
    ++s.framesWritten;
  }
  return S_OK;
}

bool AviMux::MayWriteVideoNow(const Stream& s) const {
  if (mode_ == INTERLEAVE_NONE || mode_ == INTERLEAVE_NONE_BUFFERED || queuedBytes_ > kQueueLimit) return true;
  return FrameStart(s, s.framesWritten) < audioPeriods_ * interleave_;
}

HRESULT AviMux::WriteAudioBefore(Stream& s, REFERENCE_TIME end) {
  size_t index = static_cast<size_t>(&s - streams_.data());
  uint64_t upTo = std::min<uint64_t>(TimeToBytes(end, s.bytesPerSecond), s.audioReceived);
  if (upTo <= s.audioWritten) return S_OK;
  size_t n = static_cast<size_t>(upTo - s.audioWritten);
  n -= n % s.blockAlign;
  if (!n) return S_OK;
  HRESULT hr = EnsureFile();
  if (SUCCEEDED(hr)) hr = file_->WriteChunk(index, s.audio.data(), n, true);
  if (FAILED(hr)) return hr;
  s.audio.erase(s.audio.begin(), s.audio.begin() + static_cast<std::ptrdiff_t>(n));
  s.audioWritten += n;
  queuedBytes_ -= n;
  return S_OK;
}

// Writes what the interleave allows: the audio of a period once every audio input has reached
// its end and every video frame of the period before is written; video frames as soon as the
// audio of their period is written. `force` writes everything held.
HRESULT AviMux::Pump(bool force) {
  HRESULT hr = S_OK;
  if (force || mode_ == INTERLEAVE_NONE || mode_ == INTERLEAVE_NONE_BUFFERED || queuedBytes_ > kQueueLimit) {
    for (Stream& s : streams_) {
      hr = s.fmt.video ? WriteVideoBefore(s, LLONG_MAX) : WriteAudioBefore(s, LLONG_MAX);
      if (FAILED(hr)) return hr;
    }
    REFERENCE_TIME reached = 0;
    for (const Stream& s : streams_) reached = std::max(reached, Written(s));
    audioPeriods_ = std::max(audioPeriods_, (reached + interleave_ - 1) / interleave_);
    UpdatePosition();
    return S_OK;
  }
  for (;;) {
    REFERENCE_TIME periodStart = audioPeriods_ * interleave_;
    for (Stream& s : streams_) {
      if (!s.fmt.video) continue;
      hr = WriteVideoBefore(s, periodStart);
      if (FAILED(hr)) return hr;
    }
    bool videoDone = true, audioReady = true, anyAudio = false, anyLeft = false;
    for (const Stream& s : streams_) {
      if (s.fmt.video) {
        videoDone = videoDone && (s.ended || Received(s) >= periodStart);
        anyLeft = anyLeft || !s.frames.empty();
      } else {
        anyAudio = true;
        audioReady = audioReady && (s.ended || Received(s) >= periodStart + interleave_);
        anyLeft = anyLeft || s.audioWritten + s.blockAlign <= s.audioReceived;
      }
    }
    bool allEnded = std::all_of(streams_.begin(), streams_.end(), [](const Stream& s) { return s.ended; });
    if (allEnded && !anyLeft) break;
    if (!videoDone || !audioReady) break;
    if (anyAudio) {
      for (Stream& s : streams_) {
        if (s.fmt.video) continue;
        hr = WriteAudioBefore(s, periodStart + interleave_);
        if (FAILED(hr)) return hr;
      }
    }
    ++audioPeriods_;
  }
  UpdatePosition();
  return S_OK;
}

HRESULT AviMux::Receive(AviMuxInput* pin, IMediaSample* sample) {
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data))) return E_POINTER;
  long size = sample->GetActualDataLength();
  if (size < 0) return E_INVALIDARG;
  filters::Locked hold(dataLock_);
  if (FAILED(error_)) return error_;
  if (finished_) return VFW_E_WRONG_STATE;
  auto it = std::find_if(streams_.begin(), streams_.end(), [pin](const Stream& s) { return s.pin == pin; });
  if (it == streams_.end()) return VFW_E_WRONG_STATE;
  Stream& s = *it;
  if (s.fmt.video) {
    if (s.fmt.frameTime <= 0) {
      REFERENCE_TIME start = 0, stop = 0;
      if (SUCCEEDED(sample->GetTime(&start, &stop)) && stop > start) SetFrameRate(s.fmt, stop - start);
    }
    const auto* bmi = reinterpret_cast<const BITMAPINFOHEADER*>(s.fmt.format.data());
    bool key = sample->IsSyncPoint() == S_OK || IsUncompressed(bmi->biCompression);
    if (s.frames.empty() && MayWriteVideoNow(s)) {
      // Its period's audio is already out: the frame goes to the file without being held.
      ++s.framesReceived;
      HRESULT hr = EnsureFile();
      if (SUCCEEDED(hr))
        hr = file_->WriteChunk(static_cast<size_t>(&s - streams_.data()), data, static_cast<size_t>(size), key);
      if (SUCCEEDED(hr)) {
        ++s.framesWritten;
        hr = Pump(false);
      }
      return Abort(hr);
    }
    std::vector<BYTE> buffer;
    if (!spareFrames_.empty()) {
      buffer = std::move(spareFrames_.back());
      spareFrames_.pop_back();
    }
    buffer.assign(data, data + size);
    s.frames.push_back({std::move(buffer), key});
    ++s.framesReceived;
  } else {
    s.audio.insert(s.audio.end(), data, data + size);
    s.audioReceived += static_cast<uint64_t>(size);
  }
  queuedBytes_ += static_cast<size_t>(size);
  HRESULT hr = Pump(false);
  return Abort(hr);
}

HRESULT AviMux::Abort(HRESULT hr) {
  if (FAILED(hr)) {
    error_ = hr;
    NotifyEvent(EC_ERRORABORT, hr, 0);
  }
  return hr;
}

HRESULT AviMux::Finish() {
  HRESULT hr = Pump(true);
  if (SUCCEEDED(hr)) hr = EnsureFile();
  if (SUCCEEDED(hr)) hr = file_->Finish();
  if (SUCCEEDED(hr)) hr = FlushOutput();
  if (SUCCEEDED(hr)) finished_ = true;
  return hr;
}

HRESULT AviMux::EndOfStream(AviMuxInput* pin) {
  filters::Locked hold(dataLock_);
  if (FAILED(error_) || finished_) return S_OK;
  for (Stream& s : streams_)
    if (s.pin == pin) s.ended = true;
  HRESULT hr = S_OK;
  if (std::all_of(streams_.begin(), streams_.end(), [](const Stream& s) { return s.ended; })) {
    hr = Finish();
    if (SUCCEEDED(hr)) hr = output_->DeliverEndOfStream();
  } else {
    hr = Pump(false);
  }
  return Abort(hr);
}

// ---- output bytes: sequential writes are gathered into samples of one block ----

HRESULT AviMux::Write(uint64_t pos, const BYTE* data, size_t size) {
  if (outSample_ && pos != outPos_ + outFill_) {
    HRESULT hr = FlushOutput();
    if (FAILED(hr)) return hr;
  }
  while (size) {
    if (!outSample_) {
      HRESULT hr = output_->GetDeliveryBuffer(&outSample_);
      if (FAILED(hr)) return hr;
      if (FAILED(hr = outSample_->GetPointer(&outData_)) || outSample_->GetSize() <= 0) {
        DropOutput();
        return FAILED(hr) ? hr : E_UNEXPECTED;
      }
      outSize_ = std::min(static_cast<size_t>(outSample_->GetSize()), kOutputBlock);
      outFill_ = 0;
      outPos_ = pos;
    }
    const size_t n = std::min(size, outSize_ - outFill_);
    memcpy(outData_ + outFill_, data, n);
    outFill_ += n;
    data += n;
    size -= n;
    pos += n;
    if (outFill_ == outSize_) {
      HRESULT hr = FlushOutput();
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

void AviMux::DropOutput() {
  if (outSample_) outSample_->Release();
  outSample_ = nullptr;
  outData_ = nullptr;
  outFill_ = outSize_ = 0;
}

HRESULT AviMux::FlushOutput() {
  if (!outSample_) return S_OK;
  IMediaSample* sample = outSample_;
  outSample_ = nullptr;
  sample->SetActualDataLength(static_cast<long>(outFill_));
  REFERENCE_TIME start = static_cast<REFERENCE_TIME>(outPos_), stop = start + static_cast<REFERENCE_TIME>(outFill_);
  sample->SetTime(&start, &stop);
  sample->SetSyncPoint(TRUE);
  HRESULT hr = outFill_ ? output_->Deliver(sample) : S_OK;
  if (hr == S_FALSE) hr = VFW_E_WRONG_STATE;
  sample->Release();
  outData_ = nullptr;
  outFill_ = outSize_ = 0;
  return hr;
}

// ---- IMediaSeeking: only the position in media time is meaningful for a writer ----

DWORD AviMux::SeekCaps() { return AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanGetDuration; }

REFERENCE_TIME AviMux::SeekDuration() { return position_; }

REFERENCE_TIME AviMux::SeekCurrent() { return position_; }

// ---- IConfigInterleaving, IConfigAviMux ----

STDMETHODIMP AviMux::put_Mode(InterleavingMode mode) {
  if (mode < INTERLEAVE_NONE || mode > INTERLEAVE_NONE_BUFFERED) return E_INVALIDARG;
  if (State() != State_Stopped) return VFW_E_NOT_STOPPED;
  mode_ = mode;
  return S_OK;
}

STDMETHODIMP AviMux::get_Mode(InterleavingMode* mode) {
  if (!mode) return E_POINTER;
  *mode = mode_;
  return S_OK;
}

STDMETHODIMP AviMux::put_Interleaving(const REFERENCE_TIME* interleave, const REFERENCE_TIME* preroll) {
  if (State() != State_Stopped) return VFW_E_NOT_STOPPED;
  if (interleave) {
    if (*interleave <= 0) return E_INVALIDARG;
    interleave_ = std::max(*interleave, kShortestInterleave);
  }
  if (preroll) preroll_ = *preroll;
  return S_OK;
}

STDMETHODIMP AviMux::get_Interleaving(REFERENCE_TIME* interleave, REFERENCE_TIME* preroll) {
  if (!interleave || !preroll) return E_POINTER;
  *interleave = interleave_;
  *preroll = preroll_;
  return S_OK;
}

STDMETHODIMP AviMux::SetMasterStream(LONG stream) {
  if (stream < -1) return E_INVALIDARG;
  master_ = stream;
  return S_OK;
}

STDMETHODIMP AviMux::GetMasterStream(LONG* stream) {
  if (!stream) return E_POINTER;
  *stream = master_;
  return S_OK;
}

STDMETHODIMP AviMux::SetOutputCompatibilityIndex(BOOL oldIndex) {
  if (State() != State_Stopped) return VFW_E_NOT_STOPPED;
  legacyIndex_ = oldIndex;
  return S_OK;
}

STDMETHODIMP AviMux::GetOutputCompatibilityIndex(BOOL* oldIndex) {
  if (!oldIndex) return E_POINTER;
  *oldIndex = legacyIndex_;
  return S_OK;
}

}  // namespace engine::output
