// "Motion JPEG": a video compressor of the engine. Every RGB24 or RGB32 frame becomes one JPEG
// (a key frame) made by the platform's imaging codecs, at the quality set through
// IAMVideoCompression on the output pin where the codec honours it; the output is MJPG video
// of the input's size. Frames are encoded on worker threads, several at once, and delivered in
// their order from the streaming thread.
#pragma once

#include "engine/codecs/Compressor.h"
#include "engine/codecs/JpegWorkers.h"
#include "engine/codecs/VideoCompression.h"

namespace engine::codecs {

class MjpegCompressor final : public Compressor {
 public:
  MjpegCompressor();
  static HRESULT Create(REFIID iid, void** out);

  // The quality the emulated platform's codec always uses (libjpeg's 75), so that a file comes
  // out alike wherever it is made.
  static constexpr double kDefaultQuality = 0.75;

  HRESULT CheckInputType(const AM_MEDIA_TYPE& in) override;
  HRESULT CheckTransform(const AM_MEDIA_TYPE& in, const AM_MEDIA_TYPE& out) override;
  void OutputBuffers(const AM_MEDIA_TYPE& out, ALLOCATOR_PROPERTIES& props) override;

 protected:
  HRESULT QueryOutputInterface(REFIID iid, void** out) override;
  int CapabilityCount(const AM_MEDIA_TYPE&) override { return 1; }
  HRESULT Capability(const AM_MEDIA_TYPE& in, int index, AM_MEDIA_TYPE* mt, BYTE* caps) override;
  int CapsSize() override { return sizeof(VIDEO_STREAM_CONFIG_CAPS); }
  HRESULT StartStreaming() override;
  void StopStreaming() override;
  HRESULT Transform(IMediaSample* in) override;
  HRESULT Drain() override;
  void Discard() override;

 private:
  // Delivers the encoded frames at the head of the queue, in order; with `all`, waits for every
  // one queued, otherwise only until no more than one per worker is left waiting.
  HRESULT DeliverEncoded(bool all);

  VideoCompression compression_;
  JpegWorkers workers_;
};

}  // namespace engine::codecs
