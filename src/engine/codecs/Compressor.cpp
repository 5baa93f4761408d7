#include "engine/codecs/Compressor.h"

#include <cstring>

namespace engine::codecs {

namespace {

bool SameType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  return a.majortype == b.majortype && a.subtype == b.subtype && a.formattype == b.formattype &&
         a.cbFormat == b.cbFormat && (a.cbFormat == 0 || memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0);
}

// A type allocated as the interfaces hand them out: the caller frees the block and the type.
HRESULT HandOut(const AM_MEDIA_TYPE& type, AM_MEDIA_TYPE** out) {
  auto* mt = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!mt) return E_OUTOFMEMORY;
  HRESULT hr = CopyMediaType(mt, type);
  if (FAILED(hr)) {
    CoTaskMemFree(mt);
    return hr;
  }
  *out = mt;
  return S_OK;
}

}  // namespace

Compressor::Compressor(const CLSID& clsid) : TransformFilter(clsid, L"Input", L"Output"), streamConfig_(this) {}

HRESULT Compressor::QueryOutputInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IAMStreamConfig) {
    *out = static_cast<IAMStreamConfig*>(&streamConfig_);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT Compressor::OutputType(const AM_MEDIA_TYPE& in, int index, AM_MEDIA_TYPE* out) {
  if (index < 0) return E_INVALIDARG;
  filters::Locked hold(Lock());
  if (hasChosen_ && CheckTransform(in, chosen_.Get()) == S_OK) {
    if (index == 0) return CopyMediaType(out, chosen_.Get());
    --index;
  }
  if (index >= CapabilityCount(in)) return VFW_S_NO_MORE_ITEMS;
  return Capability(in, index, out, nullptr);
}

HRESULT Compressor::SetFormat(const AM_MEDIA_TYPE* mt) {
  filters::Locked hold(Lock());
  if (!mt) {
    hasChosen_ = false;
    return S_OK;
  }
  if (!Input().IsConnected()) return VFW_E_NOT_CONNECTED;
  if (CheckTransform(Input().MediaType(), *mt) != S_OK) return VFW_E_INVALIDMEDIATYPE;
  if (Output().IsConnected() && !SameType(Output().MediaType(), *mt)) {
    if (State() != State_Stopped) return VFW_E_NOT_STOPPED;
    HRESULT hr = Reconnect(*mt);
    if (FAILED(hr)) return hr;
  }
  HRESULT hr = chosen_.CopyFrom(*mt);
  hasChosen_ = SUCCEEDED(hr);
  return hr;
}

HRESULT Compressor::Reconnect(const AM_MEDIA_TYPE& mt) {
  IPin* peer = nullptr;
  HRESULT hr = Output().ConnectedTo(&peer);
  if (FAILED(hr)) return hr;
  OwnedMediaType old;
  hr = old.CopyFrom(Output().MediaType());
  if (SUCCEEDED(hr)) {
    Output().Disconnect();
    peer->Disconnect();
    hr = Output().Connect(peer, &mt);
    // The peer refused: it keeps what it had.
    if (FAILED(hr)) Output().Connect(peer, &old.Get());
  }
  peer->Release();
  return hr;
}

HRESULT Compressor::GetFormat(AM_MEDIA_TYPE** mt) {
  if (!mt) return E_POINTER;
  *mt = nullptr;
  filters::Locked hold(Lock());
  if (Output().IsConnected()) return HandOut(Output().MediaType(), mt);
  if (!Input().IsConnected()) return VFW_E_NOT_CONNECTED;
  OwnedMediaType type;
  AM_MEDIA_TYPE made{};
  HRESULT hr = OutputType(Input().MediaType(), 0, &made);
  type.Adopt(made);
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_NO_ACCEPTABLE_TYPES;
  return HandOut(type.Get(), mt);
}

HRESULT Compressor::GetNumberOfCapabilities(int* count, int* size) {
  if (!count || !size) return E_POINTER;
  filters::Locked hold(Lock());
  *count = Input().IsConnected() ? CapabilityCount(Input().MediaType()) : 0;
  *size = CapsSize();
  return S_OK;
}

HRESULT Compressor::GetStreamCaps(int index, AM_MEDIA_TYPE** mt, BYTE* caps) {
  if (!mt || !caps) return E_POINTER;
  *mt = nullptr;
  if (index < 0) return E_INVALIDARG;
  filters::Locked hold(Lock());
  if (!Input().IsConnected()) return VFW_E_NOT_CONNECTED;
  if (index >= CapabilityCount(Input().MediaType())) return S_FALSE;
  OwnedMediaType type;
  AM_MEDIA_TYPE made{};
  HRESULT hr = Capability(Input().MediaType(), index, &made, caps);
  type.Adopt(made);
  if (FAILED(hr)) return hr;
  return HandOut(type.Get(), mt);
}

void Compressor::TakeOver(IMediaSample* from, IMediaSample* to) {
  REFERENCE_TIME start = 0, stop = 0;
  const HRESULT timed = from->GetTime(&start, &stop);
  if (timed == S_OK)
    to->SetTime(&start, &stop);
  else if (timed == VFW_S_NO_STOP_TIME)
    to->SetTime(&start, nullptr);
  LONGLONG mediaStart = 0, mediaStop = 0;
  if (from->GetMediaTime(&mediaStart, &mediaStop) == S_OK) to->SetMediaTime(&mediaStart, &mediaStop);
  to->SetSyncPoint(TRUE);
  to->SetDiscontinuity(from->IsDiscontinuity() == S_OK);
  to->SetPreroll(from->IsPreroll() == S_OK);
}

}  // namespace engine::codecs
