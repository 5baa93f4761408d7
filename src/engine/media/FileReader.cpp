#include "engine/media/FileReader.h"

#include "engine/media/PcmSample.h"
#include "services/MediaTypes.h"

#include <amvideo.h>
#include <evcode.h>
#include <mmreg.h>
#include <uuids.h>

#include <chrono>
#include <cstring>

using Microsoft::WRL::ComPtr;

namespace engine::media {

namespace {

// Enough to decode ahead of a consumer without holding more than a moment of the file.
constexpr size_t kMaxPictures = 4;
constexpr size_t kMaxBlocks = 32;
constexpr size_t kMaxSpare = kMaxPictures + 2;
// A WAVE file is read in pieces of this fraction of a second.
constexpr DWORD kWaveReadsPerSecond = 10;

}  // namespace

HRESULT FileReader::Open(const std::wstring& path, size_t stream, StreamKind kind, std::unique_ptr<FileReader>* out) {
  return OpenPicked(
      path, kind, [stream](const std::vector<StreamKind>&) { return stream; }, out);
}

HRESULT FileReader::OpenNthOfKind(const std::wstring& path, size_t n, StreamKind kind,
                                  std::unique_ptr<FileReader>* out) {
  return OpenPicked(
      path, kind,
      [n, kind](const std::vector<StreamKind>& kinds) {
        size_t seen = 0;
        for (size_t i = 0; i < kinds.size(); ++i)
          if (kinds[i] == kind && seen++ == n) return i;
        return kinds.size();
      },
      out);
}

template <class Pick>
HRESULT FileReader::OpenPicked(const std::wstring& path, StreamKind kind, Pick pick, std::unique_ptr<FileReader>* out) {
  if (!out) return E_POINTER;
  out->reset();
  // The reader is made on a thread of its own: should the platform never return from the
  // file, that thread keeps the half-made reader and the caller goes on without it.
  auto opened = std::make_shared<std::unique_ptr<FileReader>>();
  HRESULT hr = RunWithTimeLimit(SourceTimeLimitMs(),
                                [path, kind, pick, opened] { return OpenPickedNow(path, kind, pick, opened.get()); });
  if (SUCCEEDED(hr)) *out = std::move(*opened);
  return hr;
}

template <class Pick>
HRESULT FileReader::OpenPickedNow(const std::wstring& path, StreamKind kind, Pick pick,
                                  std::unique_ptr<FileReader>* out) {
  if (kind == StreamKind::Other) return VFW_E_INVALIDMEDIATYPE;
  std::unique_ptr<FileReader> r(new (std::nothrow) FileReader());
  if (!r) return E_OUTOFMEMORY;
  r->kind_ = kind;
  if (kind == StreamKind::Audio) {
    HRESULT hr = WavFile::Open(path, &r->wav_);
    if (FAILED(hr)) return hr;
    if (hr == S_OK) {
      if (pick(std::vector<StreamKind>{StreamKind::Audio}) != 0) return kNoSuchStream;  // a WAVE file holds one
      const WAVEFORMATEX& f = r->wav_->Format();
      r->rate_ = f.nSamplesPerSec;
      r->channels_ = f.nChannels;
      r->bits_ = f.wBitsPerSample;
      r->blockAlign_ = f.nBlockAlign;
      r->length_ = r->wav_->Length();
      *out = std::move(r);
      return S_OK;
    }
  }
  HRESULT hr = r->graph_.Open(path);
  if (FAILED(hr)) return hr;
  std::vector<StreamKind> kinds(r->graph_.StreamCount());
  for (size_t i = 0; i < kinds.size(); ++i) kinds[i] = r->graph_.StreamKindAt(i);
  const size_t stream = pick(kinds);
  if (stream >= kinds.size()) return kNoSuchStream;
  if (FAILED(hr = r->graph_.ConnectSink(stream, kind, &r->sink_))) return hr;

  OwnedMediaType type;
  if (FAILED(hr = SinkType(r->sink_.Get(), &type))) return hr;
  const AM_MEDIA_TYPE& mt = type.Get();
  if (kind == StreamKind::Video) {
    if (mt.formattype != FORMAT_VideoInfo || !mt.pbFormat || mt.cbFormat < sizeof(VIDEOINFOHEADER))
      return VFW_E_INVALIDMEDIATYPE;
    const BITMAPINFOHEADER& bih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
    if (bih.biBitCount != 32 || bih.biWidth <= 0 || bih.biHeight == 0 || bih.biWidth > 32768 || bih.biHeight > 32768 ||
        bih.biHeight < -32768)
      return VFW_E_INVALIDMEDIATYPE;
    r->width_ = bih.biWidth;
    r->height_ = bih.biHeight < 0 ? -bih.biHeight : bih.biHeight;
    r->bottomUp_ = bih.biHeight > 0;
  } else {
    if (mt.formattype != FORMAT_WaveFormatEx || !mt.pbFormat || mt.cbFormat < sizeof(WAVEFORMATEX) - 2)
      return VFW_E_INVALIDMEDIATYPE;
    const WAVEFORMATEX& wfx = *reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
    if (wfx.nChannels == 0 || wfx.nSamplesPerSec == 0 ||
        (wfx.wBitsPerSample != 8 && wfx.wBitsPerSample != 16 && wfx.wBitsPerSample != 24 && wfx.wBitsPerSample != 32) ||
        wfx.nBlockAlign != wfx.nChannels * wfx.wBitsPerSample / 8)
      return VFW_E_INVALIDMEDIATYPE;
    r->rate_ = wfx.nSamplesPerSec;
    r->channels_ = wfx.nChannels;
    r->bits_ = wfx.wBitsPerSample;
    r->blockAlign_ = wfx.nBlockAlign;
  }

  // Decoding runs as fast as the decoders go: no clock.
  IGraphBuilder* graph = r->graph_.Graph();
  ComPtr<IMediaFilter> timing;
  if (SUCCEEDED(graph->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(timing.GetAddressOf()))))
    timing->SetSyncSource(nullptr);
  if (FAILED(hr = graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(r->control_.GetAddressOf()))))
    return hr;
  if (FAILED(hr = graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(r->events_.GetAddressOf()))))
    return hr;
  graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(r->seeking_.GetAddressOf()));
  r->length_ = r->graph_.StreamLength(stream);

  FrameSink::Of(r->sink_.Get())->SetReceiver(r.get());
  if (FAILED(hr = r->FindOrigin(SourceTimeLimitMs()))) return hr;
  if (kind == StreamKind::Video) r->TryYuv();
  *out = std::move(r);
  return S_OK;
}

FileReader::~FileReader() {
  Halt();  // the graph has stopped streaming: nothing more is received
  if (sink_) FrameSink::Of(sink_.Get())->SetReceiver(nullptr);
}

void FileReader::Halt() {
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    halting_ = true;  // a streaming thread waiting for room gives up its sample
  }
  changed_.notify_all();
  if (control_ && running_) control_->Stop();
  running_ = false;
  std::lock_guard<SlimMutex> lock(mutex_);
  pictures_.clear();
  blocks_.clear();
  ended_ = false;
  error_ = S_OK;
}

HRESULT FileReader::Start() {
  // Events of an earlier run (its end of stream) say nothing about this one.
  if (events_) {
    long code;
    LONG_PTR p1, p2;
    while (events_->GetEvent(&code, &p1, &p2, 0) == S_OK) events_->FreeEventParams(code, p1, p2);
  }
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    halting_ = false;
  }
  HRESULT hr = control_->Run();
  if (FAILED(hr)) {
    control_->Stop();
    return hr;
  }
  running_ = true;
  return S_OK;
}

HRESULT FileReader::FindOrigin(DWORD timeoutMs) {
  // Decoding from the start: what arrives first stays queued for the first read.
  HRESULT hr = WaitForItem(timeoutMs, kind_ == StreamKind::Video);
  if (FAILED(hr)) return hr;
  std::lock_guard<SlimMutex> lock(mutex_);
  if (kind_ == StreamKind::Video && !pictures_.empty()) origin_ = pictures_.front().start;
  if (kind_ == StreamKind::Audio && !blocks_.empty()) origin_ = blocks_.front().start;
  return S_OK;
}

void FileReader::TryYuv() {
  if (!I420Size(width_, height_) || !seeking_) return;
  FrameSinkInput* input = FrameSink::Of(sink_.Get())->Input();
  ComPtr<IPin> upstream;
  if (FAILED(input->ConnectedTo(&upstream)) || !upstream) return;
  OwnedMediaType rgbType;
  VideoFrame reference;
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    if (pictures_.empty()) return;
    reference = pictures_.front();
  }
  if (FAILED(SinkType(sink_.Get(), &rgbType))) return;
  // Only where I420 is what the decoders make: a picture decoded to RGB would lose by going
  // through YUV and back.
  OwnedMediaType yuvType;
  bool native = input->NativeI420(&yuvType);
  if (native) {
    const BITMAPINFOHEADER& bih = reinterpret_cast<const VIDEOINFOHEADER*>(yuvType.Get().pbFormat)->bmiHeader;
    native = bih.biWidth == width_ && std::abs(bih.biHeight) == height_;
  }
  if (!native) return;
  Halt();  // no picture of the old format is in flight once the flags change
  IGraphBuilder* graph = graph_.Graph();
  graph->Disconnect(upstream.Get());
  graph->Disconnect(input);
  input->TakeVideo(MEDIASUBTYPE_I420);
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    reference_ = reference;  // the streaming thread's; `reference` stays the first picture
    yuv_ = true;
    matrixKnown_ = yuvRefused_ = false;
  }
  const bool converted =
      SUCCEEDED(ConnectFromStart(upstream.Get(), yuvType.Get())) && WaitForItem(SourceTimeLimitMs(), true) == S_OK;
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    reference_ = VideoFrame{};
    if (converted && matrixKnown_) {
      KeepFirst(reference);
      return;
    }
  }
  // No matrix matched (or the decoders would not): back to RGB32, from the start.
  Halt();
  graph->Disconnect(upstream.Get());
  graph->Disconnect(input);
  input->TakeVideo(MEDIASUBTYPE_RGB32);
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    yuv_ = matrixKnown_ = yuvRefused_ = false;
  }
  HRESULT hr = ConnectFromStart(upstream.Get(), rgbType.Get());
  if (SUCCEEDED(hr)) hr = WaitForItem(SourceTimeLimitMs(), true);
  std::lock_guard<SlimMutex> lock(mutex_);
  if (FAILED(hr))
    error_ = hr;  // it took this type a moment ago: should it not now, reads say so
  else
    KeepFirst(reference);
}

void FileReader::KeepFirst(const VideoFrame& first) {
  // Measured: decoding again from the start of an MP4 can begin at its second picture. The
  // first one, as decoded before, goes back in front.
  if (!pictures_.empty() && pictures_.front().start > first.start) pictures_.push_front(first);
}

HRESULT FileReader::ConnectFromStart(IPin* upstream, const AM_MEDIA_TYPE& type) {
  HRESULT hr = graph_.Graph()->ConnectDirect(upstream, FrameSink::Of(sink_.Get())->Input(), &type);
  return FAILED(hr) ? hr : Seek(0);
}

HRESULT FileReader::Seek(REFERENCE_TIME t) {
  if (t < 0) t = 0;
  if (wav_) return wav_->Seek(t);
  Halt();
  if (!seeking_) return E_NOTIMPL;
  // Measured: the parsers take positions in media time (first picture at 0) while the
  // samples they then deliver keep the container's offset, relative to the position.
  LONGLONG position = t;
  HRESULT hr = seeking_->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  if (FAILED(hr)) return hr;
  segmentStart_ = t;
  nextAudioTime_ = t;
  return Start();
}

void FileReader::PollEvents() {
  if (!events_) return;
  long code;
  LONG_PTR p1, p2;
  while (events_->GetEvent(&code, &p1, &p2, 0) == S_OK) {
    {
      std::lock_guard<SlimMutex> lock(mutex_);
      if (code == EC_COMPLETE)
        ended_ = true;
      else if (code == EC_ERRORABORT || code == EC_USERABORT || code == EC_STREAM_ERROR_STOPPED)
        error_ = FAILED(static_cast<HRESULT>(p1)) ? static_cast<HRESULT>(p1) : E_FAIL;
    }
    events_->FreeEventParams(code, p1, p2);
  }
}

HRESULT FileReader::WaitForItem(DWORD timeoutMs, bool video) {
  if (!running_) {
    HRESULT hr = Start();
    if (FAILED(hr)) return hr;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    {
      std::unique_lock<SlimMutex> lock(mutex_);
      if (video ? !pictures_.empty() : !blocks_.empty()) return S_OK;
      if (FAILED(error_)) return error_;
      if (yuvRefused_) return VFW_E_TYPE_NOT_ACCEPTED;
      if (ended_) return S_FALSE;
      if (std::chrono::steady_clock::now() >= deadline) return kTimedOut;
      // The graph reports its end and its errors as events, not to us: they are looked for
      // when nothing came for a while. Looking is a wait on a kernel object, and after every
      // picture that was a round trip to the server for nothing.
      if (changed_.wait_for(lock, std::chrono::milliseconds(20),
                            [&] { return (video ? !pictures_.empty() : !blocks_.empty()) || yuvRefused_; }))
        continue;
    }
    PollEvents();
  }
}

HRESULT FileReader::ReadVideo(VideoFrame* out, DWORD timeoutMs) {
  if (!out) return E_POINTER;
  if (kind_ != StreamKind::Video) return VFW_E_INVALIDMEDIATYPE;
  HRESULT hr = WaitForItem(timeoutMs, true);
  if (hr != S_OK) return hr;
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    std::vector<uint32_t> old = std::move(out->pixels);
    *out = std::move(pictures_.front());
    pictures_.pop_front();
    if (old.size() == static_cast<size_t>(width_) * height_ && spare_.size() < kMaxSpare)
      spare_.push_back(std::move(old));
    out->start -= origin_;
    out->stop -= origin_;
  }
  changed_.notify_all();
  return S_OK;
}

HRESULT FileReader::ReadAudio(AudioBlock* out, DWORD timeoutMs) {
  if (!out) return E_POINTER;
  if (kind_ != StreamKind::Audio) return VFW_E_INVALIDMEDIATYPE;
  if (wav_) return wav_->Read(rate_ / kWaveReadsPerSecond + 1, out);
  HRESULT hr = WaitForItem(timeoutMs, false);
  if (hr != S_OK) return hr;
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    *out = std::move(blocks_.front());
    blocks_.pop_front();
    out->start -= origin_;
  }
  changed_.notify_all();
  return S_OK;
}

bool FileReader::FindMatrix(const BYTE* i420, size_t size) {
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    if (matrixKnown_) return true;
    if (yuvRefused_) return false;
  }
  YuvMatrix m;
  // Planes with padded rows are not taken: the size must be that of packed planes.
  const bool found = size == I420Size(width_, height_) && FindYuvMatrix(i420, reference_, &m);
  {
    std::lock_guard<SlimMutex> lock(mutex_);
    if (found) matrix_ = m;
    matrixKnown_ = found;
    yuvRefused_ = !found;
  }
  changed_.notify_all();
  return found;
}

void FileReader::Receive(IMediaSample* sample) {
  BYTE* data = nullptr;
  if (FAILED(sample->GetPointer(&data)) || !data) return;
  const size_t size = static_cast<size_t>(sample->GetActualDataLength());
  REFERENCE_TIME start = 0, stop = 0;
  const HRESULT timed = sample->GetTime(&start, &stop);

  VideoFrame picture;
  AudioBlock block;
  if (kind_ == StreamKind::Video) {
    const size_t stride = static_cast<size_t>(width_) * 4;
    // A short buffer is no picture.
    if (size < (yuv_ ? I420Size(width_, height_) : stride * static_cast<size_t>(height_))) return;
    if (yuv_ && !FindMatrix(data, size)) return;
    picture.width = width_;
    picture.height = height_;
    {
      std::lock_guard<SlimMutex> lock(mutex_);
      if (!spare_.empty()) {
        picture.pixels = std::move(spare_.back());
        spare_.pop_back();
      }
    }
    picture.pixels.resize(static_cast<size_t>(width_) * height_);
    if (yuv_) {
      I420ToPixels(data, width_, height_, matrix_, picture.pixels.data());
    } else {
      for (LONG y = 0; y < height_; ++y) {
        const auto* src =
            reinterpret_cast<const uint32_t*>(data + stride * static_cast<size_t>(bottomUp_ ? height_ - 1 - y : y));
        uint32_t* dst = picture.Row(y);
        for (LONG x = 0; x < width_; ++x) dst[x] = src[x] | 0xFF000000u;  // the fourth byte of RGB32 is undefined
      }
    }
    picture.start = segmentStart_ + (SUCCEEDED(timed) ? start : 0);
    picture.stop = segmentStart_ + (timed == S_OK ? stop : start);
  } else {
    const size_t frames = size / blockAlign_;
    block.samplesPerSecond = rate_;
    block.channels = channels_;
    block.samples.resize(frames * channels_);
    const size_t values = block.samples.size();
    for (size_t i = 0; i < values; ++i) block.samples[i] = Pcm16(data + i * (bits_ / 8), bits_ / 8);
    if (block.samples.empty()) return;
  }

  std::unique_lock<SlimMutex> lock(mutex_);
  if (kind_ == StreamKind::Audio) {
    block.start = SUCCEEDED(timed) ? segmentStart_ + start : nextAudioTime_;
    nextAudioTime_ = block.start + static_cast<REFERENCE_TIME>(block.Frames()) * 10000000 / rate_;
  }
  // Back-pressure: the decoders wait while the consumer is behind, which bounds memory.
  changed_.wait(lock, [&] {
    return halting_ || (kind_ == StreamKind::Video ? pictures_.size() < kMaxPictures : blocks_.size() < kMaxBlocks);
  });
  if (halting_) return;
  if (kind_ == StreamKind::Video)
    pictures_.push_back(std::move(picture));
  else
    blocks_.push_back(std::move(block));
  lock.unlock();
  changed_.notify_all();
}

}  // namespace engine::media
