#include "timeline/MediaPictures.h"

#include <control.h>
#include <evcode.h>
#include <mmreg.h>
#include <uuids.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "services/ComUtil.h"
#include "services/EditingServices.h"
#include "services/MediaTypes.h"

// After the editing-services declarations, which bring the media framework's base types.
#include <amvideo.h>

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kSoundTimeLimitMs = 60000;

// Collects the peak of each stretch of kPeakStep microseconds of 16-bit sound.
class PeakCollector final : public ISampleGrabberCB {
 public:
  PeakCollector(DWORD rate, WORD channels)
      : perPeak_(std::max<uint64_t>(1, rate * CMediaPictures::kPeakStep / 1000000)),
        channels_(channels ? channels : 1) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown && iid != IID_ISampleGrabberCB) {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    *out = static_cast<ISampleGrabberCB*>(this);
    return S_OK;
  }
  // Lives on the stack of the thread that runs the graph, which ends before it.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP SampleCB(double, IMediaSample*) override { return S_OK; }
  STDMETHODIMP BufferCB(double, BYTE* buffer, long length) override {
    const auto* samples = reinterpret_cast<const int16_t*>(buffer);
    const long count = length / 2;
    for (long i = 0; i < count; ++i) {
      const int value = std::abs(static_cast<int>(samples[i]));
      if (value > current_) current_ = value;
      if (++channel_ == channels_) {
        channel_ = 0;
        if (++frames_ == perPeak_) {
          peaks_.push_back(static_cast<int16_t>(std::min(current_, 32767)));
          current_ = 0;
          frames_ = 0;
        }
      }
    }
    return S_OK;
  }
  std::vector<int16_t> Take() {
    if (frames_) peaks_.push_back(static_cast<int16_t>(std::min(current_, 32767)));
    return std::move(peaks_);
  }

 private:
  uint64_t perPeak_;
  WORD channels_;
  WORD channel_ = 0;
  uint64_t frames_ = 0;
  int current_ = 0;
  std::vector<int16_t> peaks_;
};

// A file's sound decoded as fast as it goes into peaks; false when it cannot be.
bool ReadPeaks(const std::wstring& path, std::vector<int16_t>* peaks) {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> source, grabberFilter, sink;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph))) ||
      FAILED(graph->AddSourceFilter(path.c_str(), L"source", &source)) ||
      FAILED(CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&grabberFilter))) ||
      FAILED(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&sink))))
    return false;
  auto grabber = As<ISampleGrabber>(grabberFilter.Get());
  if (!grabber) return false;
  AM_MEDIA_TYPE wanted = {};
  wanted.majortype = MEDIATYPE_Audio;
  wanted.subtype = MEDIASUBTYPE_PCM;
  grabber->SetMediaType(&wanted);
  graph->AddFilter(grabberFilter.Get(), L"peaks");
  graph->AddFilter(sink.Get(), L"sink");
  ComPtr<IPin> out, in, grabberOut, sinkIn;
  if (FAILED(FirstPin(source.Get(), PINDIR_OUTPUT, &out)) || FAILED(FirstPin(grabberFilter.Get(), PINDIR_INPUT, &in)) ||
      FAILED(graph->Connect(out.Get(), in.Get())) ||
      FAILED(FirstPin(grabberFilter.Get(), PINDIR_OUTPUT, &grabberOut)) ||
      FAILED(FirstPin(sink.Get(), PINDIR_INPUT, &sinkIn)) || FAILED(graph->Connect(grabberOut.Get(), sinkIn.Get())))
    return false;
  AM_MEDIA_TYPE connected = {};
  if (FAILED(grabber->GetConnectedMediaType(&connected))) return false;
  OwnedMediaType type;
  type.Adopt(connected);
  const AM_MEDIA_TYPE& t = type.Get();
  if (t.formattype != FORMAT_WaveFormatEx || t.cbFormat < sizeof(WAVEFORMATEX)) return false;
  const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(t.pbFormat);
  if (wave->wBitsPerSample != 16) return false;
  PeakCollector collector(wave->nSamplesPerSec, wave->nChannels);
  grabber->SetBufferSamples(FALSE);
  grabber->SetOneShot(FALSE);
  grabber->SetCallback(&collector, 1);
  // As fast as the decoders go: no clock.
  if (auto filter = As<IMediaFilter>(graph.Get())) filter->SetSyncSource(nullptr);
  auto control = As<IMediaControl>(graph.Get());
  auto events = As<IMediaEvent>(graph.Get());
  if (!control || !events || FAILED(control->Run())) return false;
  long code = 0;
  const bool done = events->WaitForCompletion(kSoundTimeLimitMs, &code) == S_OK && code == EC_COMPLETE;
  control->Stop();
  grabber->SetCallback(nullptr, 1);
  if (!done) return false;
  *peaks = collector.Take();
  return true;
}

// The first video stream's picture size, and the detector left on that stream.
bool OpenVideo(IMediaDet* detector, const std::wstring& path, int* width, int* height) {
  if (detector->put_Filename(Bstr(path)) != S_OK) return false;
  for (long i = 0; detector->put_CurrentStream(i) == S_OK; ++i) {
    AM_MEDIA_TYPE type = {};
    if (FAILED(detector->get_StreamMediaType(&type))) continue;
    OwnedMediaType owned;
    owned.Adopt(type);
    const AM_MEDIA_TYPE& t = owned.Get();
    if (t.majortype != MEDIATYPE_Video || t.formattype != FORMAT_VideoInfo || t.cbFormat < sizeof(VIDEOINFOHEADER))
      continue;
    const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(t.pbFormat)->bmiHeader;
    *width = bitmap.biWidth;
    *height = std::abs(bitmap.biHeight);
    return *width > 0 && *height > 0;
  }
  return false;
}

// A picture of the detector's stream at `seconds`, `width` x `height`, top-down 32-bit.
bool Grab(IMediaDet* detector, double seconds, int width, int height, Thumbnail* picture) {
  LONG size = 0;
  if (FAILED(detector->GetBitmapBits(seconds, &size, nullptr, width, height)) || size <= 0) return false;
  std::vector<char> bits(static_cast<size_t>(size));
  if (FAILED(detector->GetBitmapBits(seconds, &size, bits.data(), width, height))) return false;
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bits.data());
  const int bytes = header->biBitCount / 8;
  if (bytes < 3) return false;
  const int stride = (width * bytes + 3) & ~3;
  const bool bottomUp = header->biHeight > 0;
  const char* rows = bits.data() + header->biSize;
  if (static_cast<size_t>(header->biSize) + static_cast<size_t>(stride) * height > bits.size()) return false;
  picture->width = width;
  picture->height = height;
  picture->pixels.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const auto* row =
        reinterpret_cast<const uint8_t*>(rows + static_cast<size_t>(bottomUp ? height - 1 - y : y) * stride);
    for (int x = 0; x < width; ++x)
      picture->pixels[static_cast<size_t>(y) * width + x] =
          row[x * bytes] | row[x * bytes + 1] << 8 | static_cast<uint32_t>(row[x * bytes + 2]) << 16;
  }
  return true;
}

}  // namespace

CMediaPictures::CMediaPictures(HWND notify, UINT message, size_t budget)
    : notify_(notify), message_(message), budget_(budget), worker_([this] { Run(); }) {}

CMediaPictures::~CMediaPictures() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    queue_.clear();
  }
  wake_.notify_all();
  worker_.join();
}

void CMediaPictures::Ask(Request request) {
  // Taken on the asking thread, where the editing services' classes are registered, and only
  // once they are: the picture maker may exist before they are.
  ComPtr<IClassFactory> factory;
  if (request.video && !HasDetectors())
    CoGetClassObject(CLSID_MediaDet, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                     reinterpret_cast<void**>(factory.GetAddressOf()));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (factory && !detectors_) detectors_ = factory;
    auto key = std::make_tuple(request.video, request.path, request.time, request.height);
    if (asked_.count(key) || unreadable_.count(request.path)) return;
    asked_[key] = true;
    // The latest asked is what the user looks at now.
    queue_.push_front(std::move(request));
  }
  wake_.notify_one();
}

bool CMediaPictures::HasDetectors() {
  std::lock_guard<std::mutex> lock(mutex_);
  return detectors_ != nullptr;
}

std::shared_ptr<const Thumbnail> CMediaPictures::Picture(const std::wstring& path, int64_t time, int height) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = pictureIndex_.find(PictureKey(path, time, height));
    if (found != pictureIndex_.end()) {
      pictures_.splice(pictures_.begin(), pictures_, found->second);
      return found->second->second;
    }
  }
  Ask({true, path, time, height});
  return nullptr;
}

int CMediaPictures::PictureWidth(const std::wstring& path, int height) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = videoSizes_.find(path);
  if (found == videoSizes_.end() || found->second.second <= 0) return 0;
  return std::max(1, height * found->second.first / found->second.second);
}

int CMediaPictures::Peak(const std::wstring& path, int64_t from, int64_t to) {
  std::shared_ptr<const std::vector<int16_t>> peaks;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = peaks_.find(path);
    if (found != peaks_.end()) peaks = found->second;
  }
  if (!peaks) {
    Ask({false, path, 0, 0});
    return -1;
  }
  if (to <= from || peaks->empty()) return 0;
  const size_t first = static_cast<size_t>(std::max<int64_t>(0, from / kPeakStep));
  const size_t last =
      std::min(peaks->size(), static_cast<size_t>(std::max<int64_t>(0, (to + kPeakStep - 1) / kPeakStep)));
  int peak = 0;
  for (size_t i = first; i < last; ++i) peak = std::max<int>(peak, (*peaks)[i]);
  return peak;
}

bool CMediaPictures::Unreadable(const std::wstring& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  return unreadable_.count(path) != 0;
}

void CMediaPictures::Store(const PictureKey& key, std::shared_ptr<const Thumbnail> picture) {
  const size_t bytes = picture->pixels.size() * sizeof(uint32_t) + sizeof(Thumbnail);
  if (pictureIndex_.count(key)) return;
  pictures_.emplace_front(key, std::move(picture));
  pictureIndex_[key] = pictures_.begin();
  pictureBytes_ += bytes;
  // The oldest seen go first, and may be made again when looked at.
  while (pictureBytes_ > budget_ && pictures_.size() > 1) {
    auto& oldest = pictures_.back();
    pictureBytes_ -= oldest.second->pixels.size() * sizeof(uint32_t) + sizeof(Thumbnail);
    asked_.erase(
        std::make_tuple(true, std::get<0>(oldest.first), std::get<1>(oldest.first), std::get<2>(oldest.first)));
    pictureIndex_.erase(oldest.first);
    pictures_.pop_back();
  }
}

void CMediaPictures::Put(const std::wstring& path, int64_t time, int height, Thumbnail picture) {
  std::lock_guard<std::mutex> lock(mutex_);
  videoSizes_[path] = {picture.width, picture.height};
  asked_[std::make_tuple(true, path, time, height)] = true;
  Store(PictureKey(path, time, height), std::make_shared<const Thumbnail>(std::move(picture)));
}

void CMediaPictures::PutPeaks(const std::wstring& path, std::vector<int16_t> peaks) {
  std::lock_guard<std::mutex> lock(mutex_);
  peaks_[path] = std::make_shared<const std::vector<int16_t>>(std::move(peaks));
}

bool CMediaPictures::WaitIdle(DWORD milliseconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  return idle_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return queue_.empty() && !busy_; });
}

void CMediaPictures::Make(const Request& request) {
  if (!request.video) {
    std::vector<int16_t> peaks;
    const bool read = ReadPeaks(request.path, &peaks);
    std::lock_guard<std::mutex> lock(mutex_);
    if (read)
      peaks_[request.path] = std::make_shared<const std::vector<int16_t>>(std::move(peaks));
    else
      unreadable_[request.path] = true;
    return;
  }
  // One detector per file at a time: opening is what costs.
  std::wstring& openPath = openPath_;
  ComPtr<IMediaDet>& detector = detector_;
  int& videoWidth = videoWidth_;
  int& videoHeight = videoHeight_;
  if (openPath != request.path || !detector) {
    detector.Reset();
    openPath.clear();
    if (!detectors_ ||
        FAILED(detectors_->CreateInstance(nullptr, IID_IMediaDet, reinterpret_cast<void**>(detector.GetAddressOf()))) ||
        !OpenVideo(detector.Get(), request.path, &videoWidth, &videoHeight)) {
      detector.Reset();
      std::lock_guard<std::mutex> lock(mutex_);
      unreadable_[request.path] = true;
      return;
    }
    openPath = request.path;
    std::lock_guard<std::mutex> lock(mutex_);
    videoSizes_[request.path] = {videoWidth, videoHeight};
  }
  Thumbnail picture;
  const int width = std::max(1, request.height * videoWidth / videoHeight);
  if (!Grab(detector.Get(), static_cast<double>(request.time) / 1e6, width, request.height, &picture)) return;
  std::lock_guard<std::mutex> lock(mutex_);
  Store(PictureKey(request.path, request.time, request.height), std::make_shared<const Thumbnail>(std::move(picture)));
}

void CMediaPictures::Run() {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  for (;;) {
    Request request;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      busy_ = false;
      if (queue_.empty()) idle_.notify_all();
      wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      if (stop_) break;
      request = std::move(queue_.front());
      queue_.pop_front();
      busy_ = true;
    }
    Make(request);
    if (notify_) PostMessageW(notify_, message_, 0, 0);
  }
  detector_.Reset();
  CoUninitialize();
}
