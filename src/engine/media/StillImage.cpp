#include "engine/media/StillImage.h"

#include "engine/media/TgaReader.h"

#include <vfwmsgs.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstring>
#include <cwctype>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace engine::media {

namespace {

constexpr LONGLONG kMaxTgaFileBytes = 512ll * 1024 * 1024;
constexpr UINT kMaxSide = 32768;
constexpr UINT64 kMaxPixels = 64ull * 1024 * 1024;

bool HasExtension(const std::wstring& path, const wchar_t* ext) {
  size_t dot = path.find_last_of(L'.');
  size_t slash = path.find_last_of(L"\\/");
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return false;
  std::wstring e = path.substr(dot + 1);
  for (auto& c : e) c = static_cast<wchar_t>(std::towlower(c));
  return e == ext;
}

HRESULT ReadWholeFile(const std::wstring& path, std::vector<uint8_t>* bytes) {
  HANDLE f =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
  LARGE_INTEGER size{};
  HRESULT hr = S_OK;
  if (!GetFileSizeEx(f, &size))
    hr = HRESULT_FROM_WIN32(GetLastError());
  else if (size.QuadPart > kMaxTgaFileBytes)
    hr = E_OUTOFMEMORY;
  if (SUCCEEDED(hr)) {
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes->empty() &&
        (!ReadFile(f, bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) || read != bytes->size()))
      hr = HRESULT_FROM_WIN32(ERROR_READ_FAULT);
  }
  CloseHandle(f);
  return hr;
}

// The first bytes of the picture formats the imaging codecs read. A file that starts like one
// and that they cannot read is a damaged picture: the audio/video decoders are not asked, as
// measured, some such files make the platform's parser never return.
bool LooksLikePicture(const std::wstring& path) {
  unsigned char head[8] = {};
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD read = 0;
  const BOOL ok = ReadFile(f, head, sizeof head, &read, nullptr);
  CloseHandle(f);
  if (!ok || read < 4) return false;
  auto starts = [&](const char* sig, size_t n) { return read >= n && std::memcmp(head, sig, n) == 0; };
  return (head[0] == 0xFF && head[1] == 0xD8) || starts("\x89PNG", 4) || starts("GIF8", 4) || starts("BM", 2) ||
         starts("II*\0", 4) || starts("MM\0*", 4);
}

// A JPEG's data ends with its end-of-image marker after the last scan: a file cut short lacks
// it, and the imaging codecs then hand out a picture whose lower part is made up.
bool JpegIsComplete(const std::wstring& path) {
  std::vector<uint8_t> bytes;
  if (FAILED(ReadWholeFile(path, &bytes)) || bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) return true;
  size_t lastScan = 0;
  for (size_t i = 2; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) lastScan = i;
  for (size_t i = lastScan + 2; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xD9) return true;
  return false;
}

HRESULT LoadWithImagingCodecs(const std::wstring& path, VideoFrame* out) {
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(factory.GetAddressOf()));
  if (FAILED(hr)) return S_FALSE;  // no imaging codecs: let the other decoders try
  ComPtr<IWICBitmapDecoder> decoder;
  hr =
      factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder);
  if (FAILED(hr)) {
    // A file that cannot be opened at all is no business of the other decoders either.
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return hr;
    if (!LooksLikePicture(path)) return S_FALSE;
    return hr == WINCODEC_ERR_COMPONENTNOTFOUND || hr == WINCODEC_ERR_UNKNOWNIMAGEFORMAT ? VFW_E_INVALID_FILE_FORMAT
                                                                                         : hr;
  }
  GUID container = GUID_NULL;
  if (SUCCEEDED(decoder->GetContainerFormat(&container)) && container == GUID_ContainerFormatJpeg &&
      !JpegIsComplete(path))
    return VFW_E_INVALID_FILE_FORMAT;
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(hr = decoder->GetFrame(0, &frame))) return hr;
  UINT width = 0, height = 0;
  if (FAILED(hr = frame->GetSize(&width, &height))) return hr;
  if (width == 0 || height == 0) return VFW_E_INVALID_FILE_FORMAT;
  if (width > kMaxSide || height > kMaxSide || UINT64(width) * height > kMaxPixels) return E_OUTOFMEMORY;
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(hr = factory->CreateFormatConverter(&converter))) return hr;
  hr = converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                             WICBitmapPaletteTypeCustom);
  if (FAILED(hr)) return hr;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  hr = converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size() * 4),
                             reinterpret_cast<BYTE*>(pixels.data()));
  if (FAILED(hr)) return hr;
  out->width = static_cast<LONG>(width);
  out->height = static_cast<LONG>(height);
  out->pixels = std::move(pixels);
  out->start = out->stop = 0;
  return S_OK;
}

}  // namespace

HRESULT LoadStillImage(const std::wstring& path, VideoFrame* out) {
  if (!out) return E_POINTER;
  // TGA has no signature to recognise it by, so the name decides; and the platform's codecs
  // do not read it everywhere, so ours does it on every system alike.
  if (HasExtension(path, L"tga")) {
    std::vector<uint8_t> bytes;
    HRESULT hr = ReadWholeFile(path, &bytes);
    if (FAILED(hr)) return hr;
    return DecodeTga(bytes.data(), bytes.size(), out);
  }
  return LoadWithImagingCodecs(path, out);
}

}  // namespace engine::media
