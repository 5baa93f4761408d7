#include "engine/codecs/VideoCompression.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace engine::codecs {

namespace {

constexpr wchar_t kVersion[] = L"1.0";

// Copies `text` into a buffer of `*bytes` bytes, cut short and terminated when it does not fit;
// without a buffer, says how many bytes the whole text takes.
void GiveText(const wchar_t* text, LPWSTR buffer, int* bytes) {
  if (!bytes) return;
  const int needed = static_cast<int>((wcslen(text) + 1) * sizeof(wchar_t));
  if (!buffer) {
    *bytes = needed;
    return;
  }
  const int chars = std::max(0, *bytes / static_cast<int>(sizeof(wchar_t)));
  if (chars == 0) return;
  const int copied = std::min<int>(chars - 1, static_cast<int>(wcslen(text)));
  wmemcpy(buffer, text, static_cast<size_t>(copied));
  buffer[copied] = L'\0';
  *bytes = (copied + 1) * static_cast<int>(sizeof(wchar_t));
}

}  // namespace

VideoCompression::VideoCompression(filters::TransformFilter* owner, const wchar_t* description, double defaultQuality,
                                   bool (*qualityHonoured)())
    : owner_(owner),
      description_(description),
      defaultQuality_(defaultQuality),
      qualityHonoured_(qualityHonoured),
      quality_(defaultQuality) {}

STDMETHODIMP VideoCompression::QueryInterface(REFIID iid, void** out) {
  return owner_->Output().QueryInterface(iid, out);
}

// Every frame is a key frame: asking for that (or for the default) is all that can be granted.
STDMETHODIMP VideoCompression::put_KeyFrameRate(LONG rate) { return rate < 0 || rate == 1 ? S_OK : E_INVALIDARG; }

STDMETHODIMP VideoCompression::get_KeyFrameRate(LONG* rate) {
  if (!rate) return E_POINTER;
  *rate = 1;
  return S_OK;
}

STDMETHODIMP VideoCompression::put_PFramesPerKeyFrame(LONG frames) { return frames <= 0 ? S_OK : E_INVALIDARG; }

STDMETHODIMP VideoCompression::get_PFramesPerKeyFrame(LONG* frames) {
  if (!frames) return E_POINTER;
  *frames = 0;
  return S_OK;
}

STDMETHODIMP VideoCompression::put_Quality(double quality) {
  if (std::isnan(quality) || quality > 1.0) return E_INVALIDARG;
  quality_ = quality < 0 ? defaultQuality_ : quality;  // negative: back to the default
  return S_OK;
}

STDMETHODIMP VideoCompression::get_Quality(double* quality) {
  if (!quality) return E_POINTER;
  *quality = quality_;
  return S_OK;
}

STDMETHODIMP VideoCompression::GetInfo(LPWSTR version, int* versionBytes, LPWSTR description, int* descriptionBytes,
                                       LONG* defaultKeyFrameRate, LONG* defaultPFrames, double* defaultQuality,
                                       LONG* capabilities) {
  GiveText(kVersion, version, versionBytes);
  GiveText(description_, description, descriptionBytes);
  if (defaultKeyFrameRate) *defaultKeyFrameRate = 1;
  if (defaultPFrames) *defaultPFrames = 0;
  if (defaultQuality) *defaultQuality = defaultQuality_;
  if (capabilities) *capabilities = qualityHonoured_() ? CompressionCaps_CanQuality : 0;
  return S_OK;
}

}  // namespace engine::codecs
