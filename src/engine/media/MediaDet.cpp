#include "engine/media/MediaDet.h"

#include "engine/media/StillImage.h"
#include "engine/media/TimeLimit.h"
#include "services/MediaTypes.h"
#include "engine/base/TimeUnits.h"

#include <amvideo.h>
#include <uuids.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace engine::media {

namespace {

constexpr LONG kMaxBitmapSide = 16384;

HRESULT StillType(LONG width, LONG height, OwnedMediaType* type) {
  AM_MEDIA_TYPE mt{};
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = MEDIASUBTYPE_RGB32;
  mt.formattype = FORMAT_VideoInfo;
  mt.bFixedSizeSamples = TRUE;
  mt.cbFormat = sizeof(VIDEOINFOHEADER);
  mt.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(mt.cbFormat));
  if (!mt.pbFormat) return E_OUTOFMEMORY;
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(mt.pbFormat);
  std::memset(vih, 0, sizeof(*vih));
  vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  vih->bmiHeader.biWidth = width;
  vih->bmiHeader.biHeight = height;
  vih->bmiHeader.biPlanes = 1;
  vih->bmiHeader.biBitCount = 32;
  vih->bmiHeader.biCompression = BI_RGB;
  vih->bmiHeader.biSizeImage = static_cast<DWORD>(width) * height * 4;
  mt.lSampleSize = vih->bmiHeader.biSizeImage;
  type->Adopt(mt);
  return S_OK;
}

// A probe runs with a time limit (see TimeLimit.h): its findings reach the detector only
// when it ends in time.
HRESULT ProbeWithTimeout(const std::wstring& path, DWORD timeoutMs, std::vector<StreamDescription>* streams) {
  auto found = std::make_shared<std::vector<StreamDescription>>();
  HRESULT hr = RunWithTimeLimit(timeoutMs, [path, found] { return ProbeMediaFile(path, found.get()); });
  if (SUCCEEDED(hr)) *streams = std::move(*found);
  return hr;
}

}  // namespace

size_t BitmapBitsSize(LONG width, LONG height) {
  if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide) return 0;
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
  return sizeof(BITMAPINFOHEADER) + stride * static_cast<size_t>(height);
}

void ScaleToBitmapBits(const VideoFrame& picture, LONG width, LONG height, char* out) {
  BITMAPINFOHEADER bih{};
  bih.biSize = sizeof(bih);
  bih.biWidth = width;
  bih.biHeight = height;
  bih.biPlanes = 1;
  bih.biBitCount = 24;
  bih.biCompression = BI_RGB;
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
  bih.biSizeImage = static_cast<DWORD>(stride * height);
  std::memcpy(out, &bih, sizeof(bih));
  auto* bits = reinterpret_cast<unsigned char*>(out + sizeof(bih));
  std::memset(bits, 0, stride * height);
  if (picture.width <= 0 || picture.height <= 0) return;

  const double sx = static_cast<double>(picture.width) / width;
  const double sy = static_cast<double>(picture.height) / height;
  for (LONG y = 0; y < height; ++y) {
    // Pixel centres map onto pixel centres; rows are stored bottom-up.
    double fy = std::clamp((y + 0.5) * sy - 0.5, 0.0, static_cast<double>(picture.height - 1));
    LONG y0 = static_cast<LONG>(fy), y1 = std::min(y0 + 1, picture.height - 1);
    double wy = fy - y0;
    unsigned char* row = bits + stride * static_cast<size_t>(height - 1 - y);
    for (LONG x = 0; x < width; ++x) {
      double fx = std::clamp((x + 0.5) * sx - 0.5, 0.0, static_cast<double>(picture.width - 1));
      LONG x0 = static_cast<LONG>(fx), x1 = std::min(x0 + 1, picture.width - 1);
      double wx = fx - x0;
      const uint32_t a = picture.Row(y0)[x0], b = picture.Row(y0)[x1];
      const uint32_t c = picture.Row(y1)[x0], d = picture.Row(y1)[x1];
      for (int ch = 0; ch < 3; ++ch) {
        const int shift = ch * 8;
        double top = ((a >> shift) & 0xFF) * (1 - wx) + ((b >> shift) & 0xFF) * wx;
        double bottom = ((c >> shift) & 0xFF) * (1 - wx) + ((d >> shift) & 0xFF) * wx;
        row[x * 3 + ch] = static_cast<unsigned char>(std::lround(top * (1 - wy) + bottom * wy));
      }
    }
  }
}

HRESULT MediaDet::Create(REFIID iid, void** out) {
  auto* object = new (std::nothrow) MediaDet();
  if (!object) return E_OUTOFMEMORY;
  HRESULT hr = object->QueryInterface(iid, out);
  object->Release();
  return hr;
}

STDMETHODIMP MediaDet::QueryInterface(REFIID iid, void** out) {
  return QueryTable(iid, out, {{IID_IUnknown, this}, {IID_IMediaDet, this}});
}

void MediaDet::Clear() {
  reader_.reset();
  readerStream_ = -1;
  streams_.clear();
  filename_.clear();
  current_ = 0;
  still_ = false;
  picture_ = VideoFrame{};
}

const StreamDescription* MediaDet::Current() const {
  if (current_ < 0 || static_cast<size_t>(current_) >= streams_.size()) return nullptr;
  return &streams_[current_];
}

STDMETHODIMP MediaDet::put_Filename(BSTR name) {
  Clear();
  if (!name || !*name) return E_INVALIDARG;
  std::wstring path(name);
  DWORD attrs = GetFileAttributesW(path.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) return HRESULT_FROM_WIN32(GetLastError());
  if (attrs & FILE_ATTRIBUTE_DIRECTORY) return E_INVALIDARG;

  HRESULT hr = LoadStillImage(path, &picture_);
  if (hr == S_OK) {
    StreamDescription still;
    if (FAILED(hr = StillType(picture_.width, picture_.height, &still.type))) {
      Clear();
      return hr;
    }
    still.decodable = true;
    still.length = kStillLength;
    streams_.push_back(std::move(still));
    still_ = true;
  } else if (FAILED(hr)) {
    Clear();
    return hr;
  } else if (FAILED(hr = ProbeWithTimeout(path, SourceTimeLimitMs(), &streams_))) {
    Clear();
    return hr;
  }
  filename_ = path;
  return S_OK;
}

STDMETHODIMP MediaDet::get_Filename(BSTR* name) {
  if (!name) return E_POINTER;
  *name = nullptr;
  if (filename_.empty()) return S_OK;
  *name = SysAllocStringLen(filename_.data(), static_cast<UINT>(filename_.size()));
  return *name ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP MediaDet::get_OutputStreams(LONG* count) {
  if (!count) return E_POINTER;
  *count = 0;
  if (filename_.empty()) return E_INVALIDARG;
  *count = static_cast<LONG>(streams_.size());
  return S_OK;
}

STDMETHODIMP MediaDet::get_CurrentStream(LONG* stream) {
  if (!stream) return E_POINTER;
  *stream = current_;
  return S_OK;
}

STDMETHODIMP MediaDet::put_CurrentStream(LONG stream) {
  if (filename_.empty()) return E_INVALIDARG;
  if (stream < 0 || static_cast<size_t>(stream) >= streams_.size()) return E_INVALIDARG;
  current_ = stream;
  return S_OK;
}

STDMETHODIMP MediaDet::get_StreamType(GUID* major) {
  if (!major) return E_POINTER;
  const StreamDescription* s = Current();
  if (!s) {
    *major = GUID_NULL;
    return E_INVALIDARG;
  }
  *major = s->type.Get().majortype;
  return S_OK;
}

STDMETHODIMP MediaDet::get_StreamTypeB(BSTR* major) {
  if (!major) return E_POINTER;
  *major = nullptr;
  GUID type;
  HRESULT hr = get_StreamType(&type);
  if (FAILED(hr)) return hr;
  wchar_t text[40];
  if (!StringFromGUID2(type, text, 40)) return E_UNEXPECTED;
  *major = SysAllocString(text);
  return *major ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP MediaDet::get_StreamMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  const StreamDescription* s = Current();
  if (!s) return E_INVALIDARG;
  return CopyMediaType(type, s->type.Get());
}

STDMETHODIMP MediaDet::get_StreamLength(double* seconds) {
  if (!seconds) return E_POINTER;
  *seconds = 0.0;
  const StreamDescription* s = Current();
  if (!s) return E_INVALIDARG;
  *seconds = ToSeconds(s->length);
  return S_OK;
}

STDMETHODIMP MediaDet::get_FrameRate(double* rate) {
  if (!rate) return E_POINTER;
  *rate = 0.0;
  const StreamDescription* s = Current();
  if (!s) return E_INVALIDARG;
  if (KindOf(s->type.Get().majortype) != StreamKind::Video) return VFW_E_INVALIDMEDIATYPE;
  *rate = s->frameRate;  // a still has no rate of its own: 0
  return S_OK;
}

HRESULT MediaDet::PictureAt(double t, const VideoFrame** picture) {
  if (still_) {
    *picture = &picture_;
    return S_OK;
  }
  REFERENCE_TIME target;
  if (!FromSeconds(t, &target)) return E_INVALIDARG;
  const StreamDescription& s = streams_[current_];
  if (!reader_ || readerStream_ != current_) {
    reader_.reset();
    readerStream_ = -1;
    HRESULT hr = FileReader::Open(filename_, static_cast<size_t>(current_), StreamKind::Video, &reader_);
    if (FAILED(hr)) return hr;
    readerStream_ = current_;
  }
  // Past the end the last picture answers; the last picture starts one frame before the end.
  const REFERENCE_TIME frame = s.frameRate > 0 ? static_cast<REFERENCE_TIME>(10000000.0 / s.frameRate) : 0;
  const REFERENCE_TIME last = std::max<REFERENCE_TIME>(0, s.length - frame);
  target = std::clamp<REFERENCE_TIME>(target, 0, last);

  // Keep the latest picture that starts at or before the target. Some parsers seek only
  // roughly and land after it (measured: MPEG programs, by several pictures): then start
  // earlier, down to the beginning, within an overall time limit.
  const ULONGLONG deadline = GetTickCount64() + kScanTimeoutMs;
  bool have = false;
  const REFERENCE_TIME starts[] = {target, target - 10000000, target - 10 * 10000000LL, 0};
  for (REFERENCE_TIME from : starts) {
    if (from < 0 || (from > 0 && GetTickCount64() > deadline)) continue;
    HRESULT hr = reader_->Seek(from);
    if (FAILED(hr)) return hr;
    VideoFrame next;
    while ((hr = reader_->ReadVideo(&next, kFrameTimeoutMs)) == S_OK) {
      if (next.start > target) {
        if (!have && from == 0) {  // nothing earlier exists: the first picture it is
          picture_ = std::move(next);
          have = true;
        }
        break;
      }
      picture_ = std::move(next);
      have = true;
      if (picture_.stop > target || GetTickCount64() > deadline) break;
    }
    if (FAILED(hr)) return hr;
    if (have || from == 0) break;
  }
  if (!have) return VFW_E_NOT_FOUND;
  *picture = &picture_;
  return S_OK;
}

STDMETHODIMP MediaDet::GetBitmapBits(double streamTime, LONG* bufferSize, char* buffer, LONG width, LONG height) {
  if (!bufferSize) return E_POINTER;
  const StreamDescription* s = Current();
  if (!s) return E_INVALIDARG;
  if (KindOf(s->type.Get().majortype) != StreamKind::Video || !s->decodable) return VFW_E_INVALIDMEDIATYPE;
  const size_t need = BitmapBitsSize(width, height);
  if (need == 0) return E_INVALIDARG;
  if (!buffer) {
    *bufferSize = static_cast<LONG>(need);
    return S_OK;
  }
  // The caller says how much room there is; a smaller buffer is refused, never overrun.
  if (*bufferSize < 0 || static_cast<size_t>(*bufferSize) < need) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  const VideoFrame* picture = nullptr;
  HRESULT hr = PictureAt(streamTime, &picture);
  if (FAILED(hr)) return hr;
  ScaleToBitmapBits(*picture, width, height, buffer);
  return S_OK;
}

STDMETHODIMP MediaDet::WriteBitmapBits(double streamTime, LONG width, LONG height, BSTR fileName) {
  if (!fileName || !*fileName) return E_INVALIDARG;
  LONG size = 0;
  HRESULT hr = GetBitmapBits(streamTime, &size, nullptr, width, height);
  if (FAILED(hr)) return hr;
  std::vector<char> bits(static_cast<size_t>(size));
  if (FAILED(hr = GetBitmapBits(streamTime, &size, bits.data(), width, height))) return hr;
  BITMAPFILEHEADER bfh{};
  bfh.bfType = 0x4D42;  // "BM"
  bfh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  bfh.bfSize = static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + bits.size());
  HANDLE f = CreateFileW(fileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
  DWORD written = 0;
  BOOL ok = WriteFile(f, &bfh, sizeof(bfh), &written, nullptr) && written == sizeof(bfh) &&
            WriteFile(f, bits.data(), static_cast<DWORD>(bits.size()), &written, nullptr) && written == bits.size();
  hr = ok ? S_OK : HRESULT_FROM_WIN32(GetLastError());
  CloseHandle(f);
  if (FAILED(hr)) DeleteFileW(fileName);
  return hr;
}

}  // namespace engine::media
