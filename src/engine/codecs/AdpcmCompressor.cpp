#include "engine/codecs/AdpcmCompressor.h"

#include "engine/codecs/CompressorTable.h"

#include <uuids.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace engine::codecs {

namespace {

// Audio subtypes are the format tag in the first field of the base audio GUID.
GUID AdpcmSubtype() {
  GUID subtype = MEDIASUBTYPE_PCM;
  subtype.Data1 = WAVE_FORMAT_IMA_ADPCM;
  return subtype;
}

const WAVEFORMATEX* WaveFormat(const AM_MEDIA_TYPE& mt) {
  if (mt.majortype != MEDIATYPE_Audio || mt.formattype != FORMAT_WaveFormatEx || !mt.pbFormat ||
      mt.cbFormat < sizeof(WAVEFORMATEX))
    return nullptr;
  return reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
}

// 16-bit PCM of one or two channels: what the codec takes.
bool IsPcm16(const AM_MEDIA_TYPE& mt, const WAVEFORMATEX* wf) {
  return wf && mt.subtype == MEDIASUBTYPE_PCM && wf->wFormatTag == WAVE_FORMAT_PCM && wf->wBitsPerSample == 16 &&
         (wf->nChannels == 1 || wf->nChannels == 2) && wf->nBlockAlign == wf->nChannels * 2 && wf->nSamplesPerSec;
}

}  // namespace

AdpcmCompressor::AdpcmCompressor() : Compressor(kAdpcmCompressorClsid) {}

HRESULT AdpcmCompressor::Create(REFIID iid, void** out) { return filters::CreateAndQuery<AdpcmCompressor>(iid, out); }

HRESULT AdpcmCompressor::CheckInputType(const AM_MEDIA_TYPE& in) {
  const WAVEFORMATEX* wf = WaveFormat(in);
  if (!IsPcm16(in, wf)) return S_FALSE;
  std::vector<BYTE> format;
  return SUCCEEDED(AdpcmEncoder::SuggestFormat(*wf, &format)) ? S_OK : S_FALSE;
}

HRESULT AdpcmCompressor::CheckTransform(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& out) {
  const WAVEFORMATEX* from = WaveFormat(in);
  const WAVEFORMATEX* to = WaveFormat(out);
  std::vector<BYTE> format;
  if (!IsPcm16(in, from) || !to || out.subtype != AdpcmSubtype() || FAILED(AdpcmEncoder::SuggestFormat(*from, &format)))
    return S_FALSE;
  // The codec makes one block layout per rate and channel count: the one it suggests.
  return out.cbFormat >= format.size() && memcmp(to, format.data(), format.size()) == 0 ? S_OK : S_FALSE;
}

HRESULT AdpcmCompressor::Capability(const AM_MEDIA_TYPE& in, int index, AM_MEDIA_TYPE* mt, BYTE* caps) {
  if (index != 0) return VFW_S_NO_MORE_ITEMS;
  const WAVEFORMATEX& from = *WaveFormat(in);
  std::vector<BYTE> format;
  HRESULT hr = AdpcmEncoder::SuggestFormat(from, &format);
  if (FAILED(hr)) return hr;
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(format.size()));
  if (!block) return E_OUTOFMEMORY;
  memcpy(block, format.data(), format.size());
  const auto& wf = *reinterpret_cast<const WAVEFORMATEX*>(block);
  *mt = AM_MEDIA_TYPE{};
  mt->majortype = MEDIATYPE_Audio;
  mt->subtype = AdpcmSubtype();
  mt->bFixedSizeSamples = TRUE;
  mt->lSampleSize = wf.nBlockAlign;
  mt->formattype = FORMAT_WaveFormatEx;
  mt->cbFormat = static_cast<ULONG>(format.size());
  mt->pbFormat = block;
  if (caps) {
    AUDIO_STREAM_CONFIG_CAPS c{};
    c.guid = MEDIATYPE_Audio;
    c.MinimumChannels = c.MaximumChannels = wf.nChannels;
    c.ChannelsGranularity = 1;
    c.MinimumBitsPerSample = c.MaximumBitsPerSample = wf.wBitsPerSample;
    c.BitsPerSampleGranularity = 1;
    c.MinimumSampleFrequency = c.MaximumSampleFrequency = wf.nSamplesPerSec;
    c.SampleFrequencyGranularity = 1;
    memcpy(caps, &c, sizeof c);
  }
  return S_OK;
}

void AdpcmCompressor::OutputBuffers(const AM_MEDIA_TYPE& out, ALLOCATOR_PROPERTIES& props) {
  props.cBuffers = 4;
  props.cbBuffer = static_cast<long>(WaveFormat(out)->nBlockAlign * kBlocksPerSample);
  props.cbAlign = 1;
  props.cbPrefix = 0;
}

HRESULT AdpcmCompressor::StartStreaming() {
  const AM_MEDIA_TYPE& out = Output().MediaType();
  const WAVEFORMATEX* pcm = WaveFormat(Input().MediaType());
  const WAVEFORMATEX* adpcm = WaveFormat(out);
  if (!pcm || !adpcm) return VFW_E_NOT_CONNECTED;
  HRESULT hr = encoder_.Open(*pcm, *adpcm, out.cbFormat);
  if (FAILED(hr)) return hr;
  rate_ = pcm->nSamplesPerSec;
  frameBytes_ = pcm->nBlockAlign;
  Discard();
  return S_OK;
}

void AdpcmCompressor::StopStreaming() {
  encoder_.Close();
  pending_ = std::vector<BYTE>();
}

void AdpcmCompressor::Discard() {
  pending_.clear();
  timed_ = false;
  streamStart_ = 0;
  framesOut_ = 0;
}

REFERENCE_TIME AdpcmCompressor::FrameTime(uint64_t frame) const {
  return streamStart_ + static_cast<REFERENCE_TIME>(frame * 10000000 / rate_);
}

HRESULT AdpcmCompressor::Transform(IMediaSample* in) {
  BYTE* data = nullptr;
  HRESULT hr = in->GetPointer(&data);
  if (FAILED(hr)) return hr;
  const long length = in->GetActualDataLength();
  if (length < 0) return E_INVALIDARG;
  if (!timed_) {
    // The stream's times count from its first sample, whatever was held before.
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT timedHr = in->GetTime(&start, &stop);
    streamStart_ = timedHr == S_OK || timedHr == VFW_S_NO_STOP_TIME ? start : 0;
    timed_ = true;
    discontinuity_ = true;
  }
  pending_.insert(pending_.end(), data, data + length);
  const DWORD blocks = static_cast<DWORD>(pending_.size() / encoder_.PcmBlockBytes());
  if (!blocks) return S_OK;
  hr = DeliverBlocks(blocks, UINT64_MAX);
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<ptrdiff_t>(blocks) * encoder_.PcmBlockBytes());
  return hr;
}

HRESULT AdpcmCompressor::Drain() {
  if (pending_.empty()) return S_OK;
  const uint64_t frames = pending_.size() / frameBytes_;
  pending_.resize(encoder_.PcmBlockBytes(), 0);  // silence to the end of the block
  HRESULT hr = DeliverBlocks(1, frames);
  pending_.clear();
  return hr;
}

HRESULT AdpcmCompressor::DeliverBlocks(DWORD blocks, uint64_t sourceFrames) {
  const BYTE* pcm = pending_.data();
  for (DWORD done = 0; done < blocks;) {
    const DWORD n = std::min(blocks - done, kBlocksPerSample);
    Microsoft::WRL::ComPtr<IMediaSample> out;
    HRESULT hr = NewOutputSample(&out);
    if (FAILED(hr)) return hr;
    BYTE* data = nullptr;
    hr = out->GetPointer(&data);
    if (SUCCEEDED(hr) && out->GetSize() < static_cast<long>(n * encoder_.BlockBytes())) hr = E_UNEXPECTED;
    if (SUCCEEDED(hr)) hr = encoder_.Encode(pcm, n, data);
    if (SUCCEEDED(hr)) hr = out->SetActualDataLength(static_cast<long>(n * encoder_.BlockBytes()));
    if (FAILED(hr)) return hr;
    const uint64_t frames = std::min<uint64_t>(static_cast<uint64_t>(n) * encoder_.SamplesPerBlock(), sourceFrames);
    REFERENCE_TIME start = FrameTime(framesOut_), stop = FrameTime(framesOut_ + frames);
    out->SetTime(&start, &stop);
    out->SetSyncPoint(TRUE);
    out->SetDiscontinuity(discontinuity_);
    discontinuity_ = false;
    framesOut_ += frames;
    hr = Output().Deliver(out.Get());
    if (hr != S_OK) return hr;
    pcm += n * encoder_.PcmBlockBytes();
    done += n;
  }
  return S_OK;
}

}  // namespace engine::codecs
