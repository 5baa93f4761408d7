#include "engine/codecs/MjpegCompressor.h"

#include "engine/codecs/CompressorTable.h"

#include <amvideo.h>
#include <uuids.h>

#include <cstdint>
#include <cstdlib>

namespace engine::codecs {

namespace {

constexpr DWORD kMjpg = MAKEFOURCC('M', 'J', 'P', 'G');

const VIDEOINFOHEADER* VideoInfo(const AM_MEDIA_TYPE& mt) {
  if (mt.majortype != MEDIATYPE_Video || mt.formattype != FORMAT_VideoInfo || !mt.pbFormat ||
      mt.cbFormat < sizeof(VIDEOINFOHEADER))
    return nullptr;
  return reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
}

// Room for the largest JPEG a frame can give: more than the raw picture, which even the best
// quality of pure noise stays below.
uint64_t FrameRoom(LONG width, LONG height) {
  return static_cast<uint64_t>(width) * static_cast<uint64_t>(std::labs(height)) * 4 + 65536;
}

}  // namespace

MjpegCompressor::MjpegCompressor()
    : Compressor(kMjpegCompressorClsid),
      compression_(this, L"Motion JPEG by the platform's imaging codecs", kDefaultQuality,
                   &JpegEncoder::HonoursQuality) {}

HRESULT MjpegCompressor::Create(REFIID iid, void** out) { return filters::CreateAndQuery<MjpegCompressor>(iid, out); }

HRESULT MjpegCompressor::QueryOutputInterface(REFIID iid, void** out) {
  if (out && iid == IID_IAMVideoCompression) {
    *out = static_cast<IAMVideoCompression*>(&compression_);
    AddRef();
    return S_OK;
  }
  return Compressor::QueryOutputInterface(iid, out);
}

HRESULT MjpegCompressor::CheckInputType(const AM_MEDIA_TYPE& in) {
  const VIDEOINFOHEADER* vih = VideoInfo(in);
  if (!vih) return S_FALSE;
  const BITMAPINFOHEADER& bih = vih->bmiHeader;
  const bool rgb24 = in.subtype == MEDIASUBTYPE_RGB24 && bih.biBitCount == 24;
  // The engine's 32-bit groups are ARGB32; JPEG has no alpha, so it is dropped.
  const bool rgb32 = (in.subtype == MEDIASUBTYPE_RGB32 || in.subtype == MEDIASUBTYPE_ARGB32) && bih.biBitCount == 32;
  if ((!rgb24 && !rgb32) || bih.biCompression != BI_RGB) return S_FALSE;
  // JPEG stores sizes in 16 bits.
  if (bih.biWidth <= 0 || bih.biWidth > 65535 || bih.biHeight == 0 || bih.biHeight > 65535 || bih.biHeight < -65535)
    return S_FALSE;
  return FrameRoom(bih.biWidth, bih.biHeight) <= 0x7FFFFFFF ? S_OK : S_FALSE;
}

HRESULT MjpegCompressor::CheckTransform(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& out) {
  if (CheckInputType(in) != S_OK || out.subtype != MEDIASUBTYPE_MJPG) return S_FALSE;
  const VIDEOINFOHEADER* to = VideoInfo(out);
  if (!to) return S_FALSE;
  const BITMAPINFOHEADER& from = VideoInfo(in)->bmiHeader;
  return to->bmiHeader.biCompression == kMjpg && to->bmiHeader.biWidth == from.biWidth &&
                 std::labs(to->bmiHeader.biHeight) == std::labs(from.biHeight)
             ? S_OK
             : S_FALSE;
}

HRESULT MjpegCompressor::Capability(const AM_MEDIA_TYPE& in, int index, AM_MEDIA_TYPE* mt, BYTE* caps) {
  if (index != 0) return VFW_S_NO_MORE_ITEMS;
  const VIDEOINFOHEADER& from = *VideoInfo(in);
  const LONG width = from.bmiHeader.biWidth, height = std::labs(from.bmiHeader.biHeight);
  auto* vih = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
  if (!vih) return E_OUTOFMEMORY;
  *vih = VIDEOINFOHEADER{};
  vih->AvgTimePerFrame = from.AvgTimePerFrame;
  // Pictures are stored top row first, as JPEG has them; the height is positive, as AVI
  // readers expect of compressed video.
  vih->bmiHeader = {
      sizeof(BITMAPINFOHEADER), width, height, 1, 24, kMjpg, static_cast<DWORD>(FrameRoom(width, height)), 0, 0, 0, 0};
  *mt = AM_MEDIA_TYPE{};
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = MEDIASUBTYPE_MJPG;
  mt->formattype = FORMAT_VideoInfo;
  mt->bFixedSizeSamples = FALSE;
  mt->bTemporalCompression = FALSE;
  mt->cbFormat = sizeof(VIDEOINFOHEADER);
  mt->pbFormat = reinterpret_cast<BYTE*>(vih);
  if (caps) {
    VIDEO_STREAM_CONFIG_CAPS c{};
    c.guid = FORMAT_VideoInfo;
    c.InputSize = c.MinCroppingSize = c.MaxCroppingSize = {width, height};
    c.MinOutputSize = c.MaxOutputSize = {width, height};
    c.CropGranularityX = c.CropGranularityY = c.CropAlignX = c.CropAlignY = 1;
    c.MinFrameInterval = c.MaxFrameInterval = from.AvgTimePerFrame;
    memcpy(caps, &c, sizeof c);
  }
  return S_OK;
}

void MjpegCompressor::OutputBuffers(const AM_MEDIA_TYPE& out, ALLOCATOR_PROPERTIES& props) {
  const BITMAPINFOHEADER& bih = VideoInfo(out)->bmiHeader;
  // One per worker waiting to be delivered, one being filled and one downstream.
  props.cBuffers = static_cast<long>(JpegWorkers::Count()) + 2;
  props.cbBuffer = static_cast<long>(FrameRoom(bih.biWidth, bih.biHeight));
  props.cbAlign = 1;
  props.cbPrefix = 0;
}

HRESULT MjpegCompressor::StartStreaming() { return workers_.Start(); }

void MjpegCompressor::StopStreaming() { workers_.Stop(); }

void MjpegCompressor::Discard() { workers_.Drop(); }

HRESULT MjpegCompressor::Transform(IMediaSample* in) {
  const BITMAPINFOHEADER& format = VideoInfo(Input().MediaType())->bmiHeader;
  BYTE* pixels = nullptr;
  HRESULT hr = in->GetPointer(&pixels);
  if (FAILED(hr)) return hr;
  // A short sample would have the codec read past its end.
  if (in->GetActualDataLength() < static_cast<long>(JpegEncoder::PictureBytes(format))) return VFW_E_BUFFER_UNDERFLOW;

  std::unique_ptr<JpegWorkers::Job> job = workers_.NewJob();
  hr = NewOutputSample(&job->out);
  if (FAILED(hr)) {
    workers_.Recycle(std::move(job));
    return hr;
  }
  // The picture is copied: the input's buffer goes back upstream when this call returns.
  JpegEncoder::ToTopDownBgr(pixels, format, &job->rows);
  job->width = static_cast<UINT>(format.biWidth);
  job->height = static_cast<UINT>(std::labs(format.biHeight));
  job->quality = compression_.Quality();
  TakeOver(in, job->out.Get());
  workers_.Push(std::move(job));
  return DeliverEncoded(false);
}

HRESULT MjpegCompressor::Drain() { return DeliverEncoded(true); }

HRESULT MjpegCompressor::DeliverEncoded(bool all) {
  for (;;) {
    const bool wait = all || workers_.Queued() > JpegWorkers::Count();
    std::unique_ptr<JpegWorkers::Job> job = workers_.TakeDone(wait);
    if (!job) return S_OK;
    HRESULT hr = job->hr;
    if (SUCCEEDED(hr)) hr = Output().Deliver(job->out.Get());
    workers_.Recycle(std::move(job));
    if (hr != S_OK) return hr;
  }
}

}  // namespace engine::codecs
