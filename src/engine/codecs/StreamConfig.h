// IAMStreamConfig on a compressor's output pin: the formats it can make from its input and the
// one it makes. Counts its references on the filter and answers QueryInterface as the pin.
#pragma once

#include <windows.h>
#include <strmif.h>

namespace engine::codecs {

class Compressor;

class StreamConfig final : public IAMStreamConfig {
 public:
  explicit StreamConfig(Compressor* owner) : owner_(owner) {}
  StreamConfig(const StreamConfig&) = delete;
  StreamConfig& operator=(const StreamConfig&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** mt) override;
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) override;

 private:
  Compressor* owner_;
};

}  // namespace engine::codecs
