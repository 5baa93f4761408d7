#include "services/MediaTypes.h"

#include <cstring>

HRESULT CopyMediaType(AM_MEDIA_TYPE* dst, const AM_MEDIA_TYPE& src) {
  *dst = src;
  dst->pbFormat = nullptr;
  dst->cbFormat = 0;
  if (src.cbFormat && src.pbFormat) {
    dst->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(src.cbFormat));
    if (!dst->pbFormat) {
      dst->pUnk = nullptr;
      return E_OUTOFMEMORY;
    }
    memcpy(dst->pbFormat, src.pbFormat, src.cbFormat);
    dst->cbFormat = src.cbFormat;
  }
  if (dst->pUnk) dst->pUnk->AddRef();
  return S_OK;
}

void FreeMediaTypeContents(AM_MEDIA_TYPE& mt) {
  if (mt.pbFormat) CoTaskMemFree(mt.pbFormat);
  mt.pbFormat = nullptr;
  mt.cbFormat = 0;
  if (mt.pUnk) mt.pUnk->Release();
  mt.pUnk = nullptr;
}

OwnedMediaType::OwnedMediaType() : mt_{} {}
OwnedMediaType::OwnedMediaType(const OwnedMediaType& other) : mt_{} { CopyFrom(other.mt_); }
OwnedMediaType& OwnedMediaType::operator=(const OwnedMediaType& other) {
  if (this != &other) CopyFrom(other.mt_);
  return *this;
}
OwnedMediaType::~OwnedMediaType() { FreeMediaTypeContents(mt_); }

void OwnedMediaType::Adopt(AM_MEDIA_TYPE& mt) {
  FreeMediaTypeContents(mt_);
  mt_ = mt;
  mt = AM_MEDIA_TYPE{};
}

HRESULT OwnedMediaType::CopyFrom(const AM_MEDIA_TYPE& mt) {
  AM_MEDIA_TYPE copy{};
  HRESULT hr = CopyMediaType(&copy, mt);
  if (FAILED(hr)) return hr;
  Adopt(copy);
  return S_OK;
}

#include <uuids.h>
#include <amvideo.h>
#include <mmreg.h>
#include <vfwmsgs.h>

namespace {

constexpr LONG kMaxSide = 65535;
constexpr DWORD kMaxSampleRate = 1000000;
constexpr size_t kPaletteMax = 256;

// A subtype made from a four-character code: {code-0000-0010-8000-00AA00389B71}, the code
// printable.
bool IsFourCcSubtype(const GUID& g) {
  static const BYTE kTail[8] = {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  if (g.Data2 != 0 || g.Data3 != 0x0010 || memcmp(g.Data4, kTail, 8) != 0) return false;
  for (int shift = 0; shift < 32; shift += 8) {
    const unsigned c = (g.Data1 >> shift) & 0xFF;
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

// The uncompressed RGB subtypes and the one bit depth each has.
LONG RgbDepth(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_RGB555) return 16;
  if (subtype == MEDIASUBTYPE_RGB24) return 24;
  if (subtype == MEDIASUBTYPE_RGB32 || subtype == MEDIASUBTYPE_ARGB32) return 32;
  if (subtype == MEDIASUBTYPE_RGB8) return 8;
  return 0;
}

HRESULT Refuse(const wchar_t** why, const wchar_t* text) {
  if (why) *why = text;
  return VFW_E_INVALIDMEDIATYPE;
}

HRESULT DescribeVideo(const AM_MEDIA_TYPE& mt, GroupTypeFields* f, const wchar_t** why) {
  if (mt.formattype != FORMAT_VideoInfo || !mt.pbFormat || mt.cbFormat < sizeof(VIDEOINFOHEADER))
    return Refuse(why, L"a video group needs a complete VIDEOINFOHEADER format block");
  const BITMAPINFOHEADER& bih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
  if (bih.biWidth < 1 || bih.biWidth > kMaxSide || bih.biHeight == 0 || bih.biHeight < -kMaxSide ||
      bih.biHeight > kMaxSide)
    return Refuse(why, L"a video group needs a width from 1 to 65535 and a height from 1 to 65535 either way up");
  f->video = true;
  f->subtype = mt.subtype;
  f->bitDepth = bih.biBitCount;
  f->width = bih.biWidth;
  f->height = bih.biHeight;
  f->palette.clear();
  const LONG rgbDepth = RgbDepth(mt.subtype);
  if (rgbDepth) {
    if (bih.biCompression != BI_RGB || bih.biBitCount != rgbDepth)
      return Refuse(why, L"an RGB video group needs uncompressed pixels of its subtype's bit depth");
    if (rgbDepth == 8) {
      const size_t colours = bih.biClrUsed ? bih.biClrUsed : kPaletteMax;
      if (colours > kPaletteMax || mt.cbFormat < sizeof(VIDEOINFOHEADER) + colours * sizeof(RGBQUAD))
        return Refuse(why, L"an 8-bit video group needs its palette in the format block");
      const auto* entries = reinterpret_cast<const RGBQUAD*>(mt.pbFormat + sizeof(VIDEOINFOHEADER));
      f->palette.assign(entries, entries + colours);
    }
    return S_OK;
  }
  if (IsFourCcSubtype(mt.subtype) && bih.biCompression == mt.subtype.Data1 && bih.biBitCount > 0) return S_OK;
  return Refuse(why,
                L"a video group's subtype must be RGB555, RGB24, RGB32, ARGB32, RGB8 or a "
                L"four-character code that matches its header");
}

HRESULT DescribeAudio(const AM_MEDIA_TYPE& mt, GroupTypeFields* f, const wchar_t** why) {
  // PCM formats may come as the 16-byte PCMWAVEFORMAT.
  if (mt.formattype != FORMAT_WaveFormatEx || !mt.pbFormat || mt.cbFormat < 16)
    return Refuse(why, L"an audio group needs a complete WAVEFORMATEX format block");
  const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
  if (mt.subtype != MEDIASUBTYPE_PCM || wfx->wFormatTag != WAVE_FORMAT_PCM)
    return Refuse(why, L"an audio group needs PCM samples");
  const WORD bits = wfx->wBitsPerSample;
  if (wfx->nChannels < 1 || (bits != 8 && bits != 16 && bits != 24 && bits != 32) || wfx->nSamplesPerSec < 1 ||
      wfx->nSamplesPerSec > kMaxSampleRate)
    return Refuse(why,
                  L"an audio group needs one channel or more, 8, 16, 24 or 32 bits per sample "
                  L"and 1 to 1000000 samples per second");
  const unsigned long long align = static_cast<unsigned long long>(wfx->nChannels) * bits / 8;
  if (wfx->nBlockAlign != align || wfx->nAvgBytesPerSec != align * wfx->nSamplesPerSec)
    return Refuse(why,
                  L"an audio group's block alignment and byte rate must follow from its "
                  L"channels, sample size and rate");
  f->video = false;
  f->subtype = mt.subtype;
  f->bitDepth = bits;
  f->channels = wfx->nChannels;
  f->samplesPerSecond = wfx->nSamplesPerSec;
  f->palette.clear();
  return S_OK;
}

HRESULT BuildVideo(const GroupTypeFields& f, AM_MEDIA_TYPE* mt) {
  const GUID subtype = f.subtype == GUID_NULL ? DefaultVideoSubtype(f.bitDepth) : f.subtype;
  if (f.bitDepth < 1 || f.bitDepth > 64 || f.width < 1 || f.width > kMaxSide || f.height == 0 || f.height < -kMaxSide ||
      f.height > kMaxSide || f.palette.size() > kPaletteMax)
    return VFW_E_INVALIDMEDIATYPE;
  const size_t paletteBytes = f.palette.size() * sizeof(RGBQUAD);
  const ULONG size = static_cast<ULONG>(sizeof(VIDEOINFOHEADER) + paletteBytes);
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(size));
  if (!block) return E_OUTOFMEMORY;
  memset(block, 0, size);
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(block);
  BITMAPINFOHEADER& bih = vih->bmiHeader;
  bih.biSize = sizeof(BITMAPINFOHEADER);
  bih.biWidth = f.width;
  bih.biHeight = f.height;
  bih.biPlanes = 1;
  bih.biBitCount = static_cast<WORD>(f.bitDepth);
  bih.biCompression = IsFourCcSubtype(subtype) ? subtype.Data1 : BI_RGB;
  const DWORD rows = static_cast<DWORD>(f.height < 0 ? -f.height : f.height);
  const DWORD stride = ((static_cast<DWORD>(f.bitDepth) * static_cast<DWORD>(f.width) + 31) / 8) & ~3u;
  bih.biSizeImage = stride * rows;
  bih.biClrUsed = static_cast<DWORD>(f.palette.size());
  if (paletteBytes) memcpy(block + sizeof(VIDEOINFOHEADER), f.palette.data(), paletteBytes);
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = subtype;
  mt->formattype = FORMAT_VideoInfo;
  mt->bFixedSizeSamples = TRUE;
  mt->lSampleSize = bih.biSizeImage;
  mt->cbFormat = size;
  mt->pbFormat = block;
  return S_OK;
}

HRESULT BuildAudio(const GroupTypeFields& f, AM_MEDIA_TYPE* mt) {
  const unsigned long long align = static_cast<unsigned long long>(f.channels) * (f.bitDepth > 0 ? f.bitDepth : 0) / 8;
  if (f.bitDepth < 0 || f.bitDepth > 0xFFFF || align > 0xFFFF || align * f.samplesPerSecond > 0xFFFFFFFFull)
    return VFW_E_INVALIDMEDIATYPE;
  auto* wfx = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
  if (!wfx) return E_OUTOFMEMORY;
  *wfx = WAVEFORMATEX{};
  wfx->wFormatTag = WAVE_FORMAT_PCM;
  wfx->nChannels = f.channels;
  wfx->nSamplesPerSec = f.samplesPerSecond;
  wfx->wBitsPerSample = static_cast<WORD>(f.bitDepth);
  wfx->nBlockAlign = static_cast<WORD>(align);
  wfx->nAvgBytesPerSec = static_cast<DWORD>(align * f.samplesPerSecond);
  mt->majortype = MEDIATYPE_Audio;
  mt->subtype = MEDIASUBTYPE_PCM;
  mt->formattype = FORMAT_WaveFormatEx;
  mt->cbFormat = sizeof(WAVEFORMATEX);
  mt->pbFormat = reinterpret_cast<BYTE*>(wfx);
  return S_OK;
}

}  // namespace

GUID DefaultVideoSubtype(LONG bitDepth) {
  switch (bitDepth) {
    case 8: return MEDIASUBTYPE_RGB8;
    case 16: return MEDIASUBTYPE_RGB555;
    case 24: return MEDIASUBTYPE_RGB24;
    case 32: return MEDIASUBTYPE_ARGB32;
    default: return GUID_NULL;
  }
}

HRESULT DescribeGroupType(const AM_MEDIA_TYPE& mt, GroupTypeFields* fields, const wchar_t** why) {
  GroupTypeFields f;
  HRESULT hr = mt.majortype == MEDIATYPE_Video   ? DescribeVideo(mt, &f, why)
               : mt.majortype == MEDIATYPE_Audio ? DescribeAudio(mt, &f, why)
                                                 : Refuse(why, L"a group needs a video or audio type");
  if (SUCCEEDED(hr) && fields) *fields = std::move(f);
  return hr;
}

HRESULT BuildGroupType(const GroupTypeFields& fields, AM_MEDIA_TYPE* mt, const wchar_t** why) {
  *mt = AM_MEDIA_TYPE{};
  HRESULT hr = fields.video ? BuildVideo(fields, mt) : BuildAudio(fields, mt);
  if (hr == VFW_E_INVALIDMEDIATYPE) return Refuse(why, L"the values describe no type a group can hold");
  if (FAILED(hr)) return hr;
  // Built types obey the same rule as types handed to a group.
  if (FAILED(hr = DescribeGroupType(*mt, nullptr, why))) FreeMediaTypeContents(*mt);
  return hr;
}

HRESULT BuildVideoGroupType(AM_MEDIA_TYPE* mt, int bitDepth, LONG width, LONG height) {
  *mt = AM_MEDIA_TYPE{};
  if (bitDepth != 16 && bitDepth != 24 && bitDepth != 32) return E_INVALIDARG;
  GroupTypeFields f;
  f.bitDepth = bitDepth;
  f.width = width;
  f.height = height;
  return SUCCEEDED(BuildGroupType(f, mt)) ? S_OK : E_INVALIDARG;
}

HRESULT BuildAudioGroupType(AM_MEDIA_TYPE* mt, DWORD samplesPerSecond) {
  GroupTypeFields f;
  f.video = false;
  f.bitDepth = 16;
  f.channels = 2;
  f.samplesPerSecond = samplesPerSecond;
  *mt = AM_MEDIA_TYPE{};
  return SUCCEEDED(BuildGroupType(f, mt)) ? S_OK : E_INVALIDARG;
}

bool IsUsableGroupType(const AM_MEDIA_TYPE& mt) { return SUCCEEDED(DescribeGroupType(mt, nullptr)); }
