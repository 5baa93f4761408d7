#include "engine/model/MediaTypes.h"

#include <cstring>

namespace engine {

HRESULT CopyMediaType(AM_MEDIA_TYPE *dst, const AM_MEDIA_TYPE &src) {
  *dst = src;
  dst->pbFormat = nullptr;
  dst->cbFormat = 0;
  if (src.cbFormat && src.pbFormat) {
    dst->pbFormat = static_cast<BYTE *>(CoTaskMemAlloc(src.cbFormat));
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

void FreeMediaTypeContents(AM_MEDIA_TYPE &mt) {
  if (mt.pbFormat) CoTaskMemFree(mt.pbFormat);
  mt.pbFormat = nullptr;
  mt.cbFormat = 0;
  if (mt.pUnk) mt.pUnk->Release();
  mt.pUnk = nullptr;
}

}  // namespace engine

#include <uuids.h>
#include <amvideo.h>
#include <mmreg.h>

namespace engine {

HRESULT BuildVideoGroupType(AM_MEDIA_TYPE *mt, int bitDepth, LONG width, LONG height) {
  *mt = AM_MEDIA_TYPE{};
  const GUID *subtype = bitDepth == 16   ? &MEDIASUBTYPE_RGB555
                        : bitDepth == 24 ? &MEDIASUBTYPE_RGB24
                        : bitDepth == 32 ? &MEDIASUBTYPE_ARGB32
                                         : nullptr;
  if (!subtype || width <= 0 || height <= 0 || width > 65535 || height > 65535) return E_INVALIDARG;
  auto *vih = static_cast<VIDEOINFOHEADER *>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
  if (!vih) return E_OUTOFMEMORY;
  *vih = VIDEOINFOHEADER{};
  vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  vih->bmiHeader.biWidth = width;
  vih->bmiHeader.biHeight = height;
  vih->bmiHeader.biPlanes = 1;
  vih->bmiHeader.biBitCount = static_cast<WORD>(bitDepth);
  DWORD stride = ((static_cast<DWORD>(bitDepth) * static_cast<DWORD>(width) + 31) / 8) & ~3u;
  vih->bmiHeader.biSizeImage = stride * static_cast<DWORD>(height);
  mt->majortype = MEDIATYPE_Video;
  mt->subtype = *subtype;
  mt->formattype = FORMAT_VideoInfo;
  mt->bFixedSizeSamples = TRUE;
  mt->lSampleSize = vih->bmiHeader.biSizeImage;
  mt->cbFormat = sizeof(VIDEOINFOHEADER);
  mt->pbFormat = reinterpret_cast<BYTE *>(vih);
  return S_OK;
}

HRESULT BuildAudioGroupType(AM_MEDIA_TYPE *mt, DWORD samplesPerSecond) {
  *mt = AM_MEDIA_TYPE{};
  if (samplesPerSecond == 0 || samplesPerSecond > 1000000) return E_INVALIDARG;
  auto *wfx = static_cast<WAVEFORMATEX *>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
  if (!wfx) return E_OUTOFMEMORY;
  *wfx = WAVEFORMATEX{};
  wfx->wFormatTag = WAVE_FORMAT_PCM;
  wfx->nChannels = 2;
  wfx->nSamplesPerSec = samplesPerSecond;
  wfx->wBitsPerSample = 16;
  wfx->nBlockAlign = 4;
  wfx->nAvgBytesPerSec = samplesPerSecond * 4;
  mt->majortype = MEDIATYPE_Audio;
  mt->subtype = MEDIASUBTYPE_PCM;
  mt->formattype = FORMAT_WaveFormatEx;
  mt->cbFormat = sizeof(WAVEFORMATEX);
  mt->pbFormat = reinterpret_cast<BYTE *>(wfx);
  return S_OK;
}

bool IsUsableGroupType(const AM_MEDIA_TYPE &mt) {
  if (mt.majortype == MEDIATYPE_Video) {
    if (mt.formattype != FORMAT_VideoInfo || !mt.pbFormat || mt.cbFormat < sizeof(VIDEOINFOHEADER))
      return false;
    const auto *vih = reinterpret_cast<const VIDEOINFOHEADER *>(mt.pbFormat);
    return vih->bmiHeader.biWidth > 0 && vih->bmiHeader.biHeight != 0 &&
           vih->bmiHeader.biBitCount > 0;
  }
  if (mt.majortype == MEDIATYPE_Audio) {
    // PCM formats may come as the 16-byte PCMWAVEFORMAT.
    if (mt.formattype != FORMAT_WaveFormatEx || !mt.pbFormat || mt.cbFormat < 16) return false;
    const auto *wfx = reinterpret_cast<const WAVEFORMATEX *>(mt.pbFormat);
    return wfx->nChannels > 0 && wfx->nSamplesPerSec > 0 && wfx->wBitsPerSample > 0;
  }
  return false;
}

}  // namespace engine
