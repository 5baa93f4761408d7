// Encodes 16-bit PCM to IMA ADPCM with the platform's audio codec manager (ACM). The codec
// works in blocks, each a fixed number of sample frames that it turns into a fixed number of
// bytes; only whole blocks are encoded.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

#include <vector>

namespace engine::codecs {

class AdpcmEncoder {
 public:
  AdpcmEncoder() = default;
  ~AdpcmEncoder() { Close(); }
  AdpcmEncoder(const AdpcmEncoder&) = delete;
  AdpcmEncoder& operator=(const AdpcmEncoder&) = delete;

  // The IMA ADPCM format (a WAVEFORMATEX and its extra bytes) the codec makes of this PCM;
  // VFW_E_UNSUPPORTED_AUDIO when it makes none (measured: it takes 8, 11.025, 22.05 and
  // 44.1 kHz, mono or stereo, but not 48 kHz).
  static HRESULT SuggestFormat(const WAVEFORMATEX& pcm, std::vector<BYTE>* format);
  // Sample frames in one block of an IMA ADPCM format; 0 when it says none.
  static WORD SamplesPerBlock(const WAVEFORMATEX& adpcm, size_t formatBytes);

  HRESULT Open(const WAVEFORMATEX& pcm, const WAVEFORMATEX& adpcm, size_t adpcmBytes);
  void Close();

  DWORD PcmBlockBytes() const { return pcmBlockBytes_; }
  DWORD BlockBytes() const { return blockBytes_; }
  WORD SamplesPerBlock() const { return samplesPerBlock_; }

  // Encodes `blocks` whole blocks of PCM (blocks × PcmBlockBytes) into `out`, which holds
  // blocks × BlockBytes.
  HRESULT Encode(const BYTE* pcm, DWORD blocks, BYTE* out);

 private:
  HACMSTREAM stream_ = nullptr;
  DWORD pcmBlockBytes_ = 0, blockBytes_ = 0;
  WORD samplesPerBlock_ = 0;
};

}  // namespace engine::codecs
