// IAMVideoCompression on the output pin of a compressor whose every frame is a key frame and
// whose one setting is its quality. Counts its references on the filter and answers
// QueryInterface as the pin. The quality is read by the streaming thread at each frame; it is
// kept whatever the codec makes of it, but offered as a capability only where the codec
// honours it.
#pragma once

#include "engine/filters/TransformFilter.h"

#include <atomic>

namespace engine::codecs {

class VideoCompression final : public IAMVideoCompression {
 public:
  VideoCompression(filters::TransformFilter* owner, const wchar_t* description, double defaultQuality,
                   bool (*qualityHonoured)());
  VideoCompression(const VideoCompression&) = delete;
  VideoCompression& operator=(const VideoCompression&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }

  STDMETHODIMP put_KeyFrameRate(LONG rate) override;
  STDMETHODIMP get_KeyFrameRate(LONG* rate) override;
  STDMETHODIMP put_PFramesPerKeyFrame(LONG frames) override;
  STDMETHODIMP get_PFramesPerKeyFrame(LONG* frames) override;
  STDMETHODIMP put_Quality(double quality) override;
  STDMETHODIMP get_Quality(double* quality) override;
  STDMETHODIMP put_WindowSize(DWORDLONG) override { return E_NOTIMPL; }
  STDMETHODIMP get_WindowSize(DWORDLONG*) override { return E_NOTIMPL; }
  STDMETHODIMP GetInfo(LPWSTR version, int* versionBytes, LPWSTR description, int* descriptionBytes,
                       LONG* defaultKeyFrameRate, LONG* defaultPFrames, double* defaultQuality,
                       LONG* capabilities) override;
  STDMETHODIMP OverrideKeyFrame(LONG) override { return S_OK; }  // it is one already
  STDMETHODIMP OverrideFrameSize(LONG, LONG) override { return E_NOTIMPL; }

  double Quality() const { return quality_; }

 private:
  filters::TransformFilter* owner_;
  const wchar_t* description_;
  const double defaultQuality_;
  bool (*qualityHonoured_)();
  std::atomic<double> quality_;
};

}  // namespace engine::codecs
