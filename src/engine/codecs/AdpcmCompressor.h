// "IMA ADPCM": an audio compressor of the engine. 16-bit PCM, mono or stereo, becomes IMA
// ADPCM through the platform's audio codec manager. The codec takes whole blocks only: what
// arrives is gathered until a block is full, and at the end of the stream the last, partial
// block is filled with silence. Each compressed sample holds whole blocks and is stamped with
// the time of its first sample frame, counted from the first input of the stream.
#pragma once

#include "engine/codecs/AdpcmEncoder.h"
#include "engine/codecs/Compressor.h"

#include <vector>

namespace engine::codecs {

class AdpcmCompressor final : public Compressor {
 public:
  AdpcmCompressor();
  static HRESULT Create(REFIID iid, void** out);

  // Blocks in one output sample: about a third of a second at 44.1 kHz stereo.
  static constexpr DWORD kBlocksPerSample = 8;

  HRESULT CheckInputType(const AM_MEDIA_TYPE& in) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& out) override;
  void OutputBuffers(const AM_MEDIA_TYPE& out, ALLOCATOR_PROPERTIES& props) override;

 protected:
  int CapabilityCount(const AM_MEDIA_TYPE&) override { return 1; }
  HRESULT Capability(const AM_MEDIA_TYPE& in, int index, AM_MEDIA_TYPE* mt, BYTE* caps) override;
  int CapsSize() override { return sizeof(AUDIO_STREAM_CONFIG_CAPS); }
  HRESULT StartStreaming() override;
  void StopStreaming() override;
  HRESULT Transform(IMediaSample* in) override;
  HRESULT Drain() override;
  void Discard() override;

 private:
  // Encodes and delivers the whole blocks held; `sourceFrames` limits the sample frames the
  // last sample's stop time counts (the padding of a last block is not part of the stream).
  HRESULT DeliverBlocks(DWORD blocks, uint64_t sourceFrames);
  REFERENCE_TIME FrameTime(uint64_t frame) const;

  AdpcmEncoder encoder_;
  DWORD rate_ = 0;
  DWORD frameBytes_ = 0;
  std::vector<BYTE> pending_;  // PCM not yet encoded, less than a block after each call
  bool timed_ = false;         // whether the stream's first time is known
  bool discontinuity_ = false;
  REFERENCE_TIME streamStart_ = 0;
  uint64_t framesOut_ = 0;  // sample frames encoded since streamStart_
};

}  // namespace engine::codecs
