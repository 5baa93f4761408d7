#include "engine/codecs/AdpcmEncoder.h"

#include <vfwmsgs.h>

#include <algorithm>
#include <cstring>

namespace engine::codecs {

namespace {

HRESULT FromAcm(MMRESULT result) {
  switch (result) {
    case MMSYSERR_NOERROR: return S_OK;
    case MMSYSERR_NOMEM: return E_OUTOFMEMORY;
    case MMSYSERR_INVALPARAM: return E_INVALIDARG;
    case ACMERR_NOTPOSSIBLE: return VFW_E_UNSUPPORTED_AUDIO;
    default: return E_FAIL;
  }
}

}  // namespace

HRESULT AdpcmEncoder::SuggestFormat(const WAVEFORMATEX& pcm, std::vector<BYTE>* format) {
  DWORD largest = 0;
  if (acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &largest) != MMSYSERR_NOERROR || largest < sizeof(WAVEFORMATEX))
    largest = sizeof(IMAADPCMWAVEFORMAT);
  std::vector<BYTE> suggested(std::max<size_t>(largest, sizeof(IMAADPCMWAVEFORMAT)));
  auto* wf = reinterpret_cast<WAVEFORMATEX*>(suggested.data());
  wf->wFormatTag = WAVE_FORMAT_IMA_ADPCM;
  WAVEFORMATEX source = pcm;
  source.cbSize = 0;
  HRESULT hr = FromAcm(
      acmFormatSuggest(nullptr, &source, wf, static_cast<DWORD>(suggested.size()), ACM_FORMATSUGGESTF_WFORMATTAG));
  if (FAILED(hr)) return hr == E_FAIL ? VFW_E_UNSUPPORTED_AUDIO : hr;
  const size_t bytes = sizeof(WAVEFORMATEX) + wf->cbSize;
  if (wf->wFormatTag != WAVE_FORMAT_IMA_ADPCM || bytes > suggested.size() || !wf->nBlockAlign ||
      !SamplesPerBlock(*wf, bytes))
    return VFW_E_UNSUPPORTED_AUDIO;
  suggested.resize(bytes);
  *format = std::move(suggested);
  return S_OK;
}

WORD AdpcmEncoder::SamplesPerBlock(const WAVEFORMATEX& adpcm, size_t formatBytes) {
  if (formatBytes < sizeof(IMAADPCMWAVEFORMAT) || adpcm.cbSize < sizeof(WORD)) return 0;
  return reinterpret_cast<const IMAADPCMWAVEFORMAT&>(adpcm).wSamplesPerBlock;
}

HRESULT AdpcmEncoder::Open(const WAVEFORMATEX& pcm, const WAVEFORMATEX& adpcm, size_t adpcmBytes) {
  Close();
  const WORD samples = SamplesPerBlock(adpcm, adpcmBytes);
  if (!samples || !adpcm.nBlockAlign || !pcm.nBlockAlign) return VFW_E_UNSUPPORTED_AUDIO;
  WAVEFORMATEX source = pcm;
  source.cbSize = 0;
  HRESULT hr = FromAcm(acmStreamOpen(&stream_, nullptr, &source, const_cast<WAVEFORMATEX*>(&adpcm), nullptr, 0, 0,
                                     ACM_STREAMOPENF_NONREALTIME));
  if (FAILED(hr)) {
    stream_ = nullptr;
    return hr;
  }
  samplesPerBlock_ = samples;
  pcmBlockBytes_ = static_cast<DWORD>(samples) * pcm.nBlockAlign;
  blockBytes_ = adpcm.nBlockAlign;
  return S_OK;
}

void AdpcmEncoder::Close() {
  if (stream_) acmStreamClose(stream_, 0);
  stream_ = nullptr;
  pcmBlockBytes_ = blockBytes_ = 0;
  samplesPerBlock_ = 0;
}

HRESULT AdpcmEncoder::Encode(const BYTE* pcm, DWORD blocks, BYTE* out) {
  if (!stream_) return E_UNEXPECTED;
  ACMSTREAMHEADER header{};
  header.cbStruct = sizeof header;
  header.pbSrc = const_cast<BYTE*>(pcm);
  header.cbSrcLength = blocks * pcmBlockBytes_;
  header.pbDst = out;
  header.cbDstLength = blocks * blockBytes_;
  HRESULT hr = FromAcm(acmStreamPrepareHeader(stream_, &header, 0));
  if (FAILED(hr)) return hr;
  hr = FromAcm(acmStreamConvert(stream_, &header, ACM_STREAMCONVERTF_BLOCKALIGN));
  // Whole blocks in must give whole blocks out; anything else would misalign the file.
  if (SUCCEEDED(hr) && (header.cbSrcLengthUsed != header.cbSrcLength || header.cbDstLengthUsed != header.cbDstLength))
    hr = E_UNEXPECTED;
  acmStreamUnprepareHeader(stream_, &header, 0);
  return hr;
}

}  // namespace engine::codecs
