// What the engine's compressors share: one input, one output whose formats follow from the
// input, IAMStreamConfig on the output pin to list them and to choose one, and the times and
// flags each compressed sample takes over from what it was made of.
#pragma once

#include "engine/codecs/StreamConfig.h"
#include "engine/filters/TransformFilter.h"
#include "services/MediaTypes.h"

namespace engine::codecs {

class Compressor : public filters::TransformFilter {
 public:
  explicit Compressor(const CLSID& clsid);

  // The chosen format first (while it suits the input), then the capabilities.
  HRESULT OutputType(const AM_MEDIA_TYPE& in, int index, AM_MEDIA_TYPE* out) final;

  // IAMStreamConfig, for the input connected now. A format chosen while the output is connected
  // reconnects it (stopped only); a null format goes back to the default.
  HRESULT SetFormat(const AM_MEDIA_TYPE* mt);
  HRESULT GetFormat(AM_MEDIA_TYPE** mt);
  HRESULT GetNumberOfCapabilities(int* count, int* size);
  HRESULT GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps);

 protected:
  // The formats made from an input type, each with the capability structure (VIDEO_ or
  // AUDIO_STREAM_CONFIG_CAPS, CapsSize bytes) that describes it; `caps` may be null.
  virtual int CapabilityCount(const AM_MEDIA_TYPE& in) = 0;
  virtual HRESULT Capability(const AM_MEDIA_TYPE& in, int index, AM_MEDIA_TYPE* mt, BYTE* caps) = 0;
  virtual int CapsSize() = 0;

  HRESULT QueryOutputInterface(REFIID iid, void** out) override;

  // A compressed sample takes its source's times and flags, and is always a key frame.
  static void TakeOver(IMediaSample* from, IMediaSample* to);

 private:
  HRESULT Reconnect(const AM_MEDIA_TYPE& mt);

  StreamConfig streamConfig_;
  OwnedMediaType chosen_;  // under the filter's lock
  bool hasChosen_ = false;
};

}  // namespace engine::codecs
