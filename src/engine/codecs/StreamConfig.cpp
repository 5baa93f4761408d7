#include "engine/codecs/StreamConfig.h"

#include "engine/codecs/Compressor.h"

namespace engine::codecs {

STDMETHODIMP StreamConfig::QueryInterface(REFIID iid, void** out) { return owner_->Output().QueryInterface(iid, out); }
STDMETHODIMP_(ULONG) StreamConfig::AddRef() { return owner_->AddRef(); }
STDMETHODIMP_(ULONG) StreamConfig::Release() { return owner_->Release(); }

STDMETHODIMP StreamConfig::SetFormat(AM_MEDIA_TYPE* mt) { return owner_->SetFormat(mt); }
STDMETHODIMP StreamConfig::GetFormat(AM_MEDIA_TYPE** mt) { return owner_->GetFormat(mt); }
STDMETHODIMP StreamConfig::GetNumberOfCapabilities(int* count, int* size) {
  return owner_->GetNumberOfCapabilities(count, size);
}
STDMETHODIMP StreamConfig::GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) {
  return owner_->GetStreamCaps(index, mt, caps);
}

}  // namespace engine::codecs
