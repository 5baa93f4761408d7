#include "engine/codecs/JpegEncoder.h"

#include <oleauto.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

using Microsoft::WRL::ComPtr;

namespace engine::codecs {

namespace {

DWORD Height(const BITMAPINFOHEADER& format) { return static_cast<DWORD>(std::labs(format.biHeight)); }

DWORD Stride(const BITMAPINFOHEADER& format) {
  return ((static_cast<DWORD>(format.biWidth) * format.biBitCount + 31) / 32) * 4;
}

// Measured: with too small a buffer the codec reports success and leaves a short file, so the
// file is checked for the markers that begin and end every JPEG.
bool WholeJpeg(const BYTE* data, DWORD size) {
  return size >= 4 && data[0] == 0xFF && data[1] == 0xD8 && data[size - 2] == 0xFF && data[size - 1] == 0xD9;
}

// Encodes a small picture of noise (which no quantisation leaves alone) at `quality`; its size,
// 0 when it cannot be encoded.
DWORD NoiseBytes(JpegEncoder& encoder, double quality) {
  constexpr LONG kSide = 32;
  std::vector<BYTE> pixels(kSide * kSide * 3), out(kSide * kSide * 4 + 4096);
  uint32_t seed = 12345;
  for (BYTE& b : pixels) b = static_cast<BYTE>((seed = seed * 1103515245 + 12345) >> 16);
  const BITMAPINFOHEADER format{sizeof(BITMAPINFOHEADER), kSide, kSide, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  DWORD written = 0;
  encoder.Encode(pixels.data(), format, quality, out.data(), static_cast<DWORD>(out.size()), &written);
  return written;
}

}  // namespace

bool JpegEncoder::HonoursQuality() {
  static std::atomic<int> known{-1};
  if (known >= 0) return known != 0;
  JpegEncoder probe;
  if (FAILED(probe.Open())) return true;
  const DWORD low = NoiseBytes(probe, 0.1), high = NoiseBytes(probe, 1.0);
  if (!low || !high) return true;
  known = low < high ? 1 : 0;
  return known != 0;
}

HRESULT JpegEncoder::Open() {
  if (factory_) return S_OK;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory_.GetAddressOf()));
  // Measured: asking the imaging factory for a JPEG encoder looks the codec up again each time,
  // a tenth of what encoding a 640 x 480 picture takes; its class object makes one directly.
  if (SUCCEEDED(hr))
    hr = CoGetClassObject(CLSID_WICJpegEncoder, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                          reinterpret_cast<void**>(encoders_.GetAddressOf()));
  if (FAILED(hr)) Close();
  return hr;
}

void JpegEncoder::Close() {
  factory_.Reset();
  encoders_.Reset();
}

DWORD JpegEncoder::PictureBytes(const BITMAPINFOHEADER& format) { return Stride(format) * Height(format); }

void JpegEncoder::ToTopDownBgr(const BYTE* pixels, const BITMAPINFOHEADER& format, std::vector<BYTE>* rows) {
  const DWORD width = static_cast<DWORD>(format.biWidth), height = Height(format);
  const DWORD stride = Stride(format), bytesPerPixel = format.biBitCount / 8u;
  rows->resize(static_cast<size_t>(width) * 3 * height);
  for (DWORD y = 0; y < height; ++y) {
    // A positive height stores the bottom row first.
    const BYTE* src = pixels + static_cast<size_t>(format.biHeight > 0 ? height - 1 - y : y) * stride;
    BYTE* dst = rows->data() + static_cast<size_t>(y) * width * 3;
    if (bytesPerPixel == 3) {
      memcpy(dst, src, static_cast<size_t>(width) * 3);
      continue;
    }
    for (DWORD x = 0; x < width; ++x, src += 4, dst += 3) {
      dst[0] = src[0];
      dst[1] = src[1];
      dst[2] = src[2];
    }
  }
}

HRESULT JpegEncoder::Encode(const BYTE* pixels, const BITMAPINFOHEADER& format, double quality, BYTE* out,
                            DWORD capacity, DWORD* written) {
  *written = 0;
  if (format.biBitCount != 24 && format.biBitCount != 32) return E_INVALIDARG;
  std::vector<BYTE> rows;
  ToTopDownBgr(pixels, format, &rows);
  return EncodeBgr(rows.data(), static_cast<UINT>(format.biWidth), Height(format), quality, out, capacity, written);
}

HRESULT JpegEncoder::EncodeBgr(const BYTE* rows, UINT width, UINT height, double quality, BYTE* out, DWORD capacity,
                               DWORD* written) {
  *written = 0;
  if (!factory_ || !encoders_) return E_UNEXPECTED;
  ComPtr<IWICStream> stream;
  HRESULT hr = factory_->CreateStream(&stream);
  if (SUCCEEDED(hr)) hr = stream->InitializeFromMemory(out, capacity);
  ComPtr<IWICBitmapEncoder> encoder;
  if (SUCCEEDED(hr))
    hr = encoders_->CreateInstance(nullptr, IID_IWICBitmapEncoder, reinterpret_cast<void**>(encoder.GetAddressOf()));
  if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, &options);
  if (SUCCEEDED(hr)) {
    PROPBAG2 name{};
    name.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = static_cast<float>(quality < 0 ? 0 : quality > 1 ? 1 : quality);
    hr = options->Write(1, &name, &value);
  }
  if (SUCCEEDED(hr)) hr = frame->Initialize(options.Get());
  if (SUCCEEDED(hr)) hr = frame->SetSize(width, height);
  WICPixelFormatGUID pixelFormat = GUID_WICPixelFormat24bppBGR;
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&pixelFormat);
  if (SUCCEEDED(hr) && pixelFormat != GUID_WICPixelFormat24bppBGR) hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  if (SUCCEEDED(hr)) hr = frame->WritePixels(height, width * 3, width * 3 * height, const_cast<BYTE*>(rows));
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  ULARGE_INTEGER end{};
  if (SUCCEEDED(hr)) hr = stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end);
  if (FAILED(hr)) return hr;
  if (end.QuadPart > capacity || !WholeJpeg(out, static_cast<DWORD>(end.QuadPart)))
    return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  *written = static_cast<DWORD>(end.QuadPart);
  return S_OK;
}

}  // namespace engine::codecs
