#include "engine/media/FrameSink.h"

#include "services/MediaTypes.h"

#include <amvideo.h>
#include <evcode.h>
#include <mmreg.h>
#include <uuids.h>

using Microsoft::WRL::ComPtr;

namespace engine::media {

namespace {

// Decoded pictures the upstream may have out at once: the reader queues a few, and the
// decoders go on meanwhile.
constexpr long kSinkBuffers = 3;

}  // namespace

FrameSinkInput::FrameSinkInput(FrameSink* sink, StreamKind kind)
    : InputPin(sink, L"in"), sink_(sink), kind_(kind), videoSubtype_(MEDIASUBTYPE_RGB32) {}

HRESULT FrameSinkInput::CheckMediaType(const AM_MEDIA_TYPE& mt) {
  if (kind_ == StreamKind::Video)
    return mt.majortype == MEDIATYPE_Video && mt.subtype == videoSubtype_ && mt.formattype == FORMAT_VideoInfo &&
                   mt.pbFormat && mt.cbFormat >= sizeof(VIDEOINFOHEADER)
               ? S_OK
               : S_FALSE;
  return mt.majortype == MEDIATYPE_Audio && mt.subtype == MEDIASUBTYPE_PCM && mt.formattype == FORMAT_WaveFormatEx &&
                 mt.pbFormat && mt.cbFormat >= sizeof(WAVEFORMATEX) - 2
             ? S_OK
             : S_FALSE;
}

STDMETHODIMP FrameSinkInput::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* mt) {
  // Measured: once connected, an output lists the type in use first, even after it is
  // disconnected again. Its own first type is therefore read at the first connection.
  bool first420 = false;
  OwnedMediaType offered;
  const bool look = connector && mt && !nativeKnown_ && kind_ == StreamKind::Video && mt->majortype == MEDIATYPE_Video;
  if (look) {
    ComPtr<IEnumMediaTypes> types;
    AM_MEDIA_TYPE* first = nullptr;
    if (SUCCEEDED(connector->EnumMediaTypes(&types)) && types && types->Next(1, &first, nullptr) == S_OK && first) {
      first420 = first->subtype == MEDIASUBTYPE_I420 && first->formattype == FORMAT_VideoInfo && first->pbFormat &&
                 first->cbFormat >= sizeof(VIDEOINFOHEADER) && SUCCEEDED(offered.CopyFrom(*first));
      FreeMediaTypeContents(*first);
      CoTaskMemFree(first);
    }
  }
  const HRESULT hr = InputPin::ReceiveConnection(connector, mt);
  if (look && SUCCEEDED(hr)) {
    nativeKnown_ = true;
    nativeI420_ = first420;
    if (first420) native_ = offered;
  }
  return hr;
}

bool FrameSinkInput::NativeI420(OwnedMediaType* type) const {
  if (!nativeI420_) return false;
  *type = native_;
  return true;
}

STDMETHODIMP FrameSinkInput::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) {
  if (!props) return E_POINTER;
  *props = ALLOCATOR_PROPERTIES{kSinkBuffers, 0, 1, 0};
  return S_OK;
}

HRESULT FrameSinkInput::OnReceive(IMediaSample* sample) {
  sink_->Deliver(sample);
  return S_OK;
}

HRESULT FrameSinkInput::OnEndOfStream() { return sink_->EndOfStream(); }

FrameSink::FrameSink(StreamKind kind) : FilterBase(GUID_NULL) { input_ = std::make_unique<FrameSinkInput>(this, kind); }

HRESULT FrameSink::Create(StreamKind kind, ComPtr<IBaseFilter>* out) {
  if (!out) return E_POINTER;
  out->Reset();
  if (kind == StreamKind::Other) return E_INVALIDARG;
  auto* sink = new (std::nothrow) FrameSink(kind);
  if (!sink) return E_OUTOFMEMORY;
  out->Attach(static_cast<IBaseFilter*>(sink));
  return S_OK;
}

HRESULT FrameSink::QueryOther(REFIID iid, void** out) {
  if (iid == IID_IMediaSeeking)
    *out = static_cast<IMediaSeeking*>(this);
  else if (iid == IID_IAMFilterMiscFlags)
    *out = static_cast<IAMFilterMiscFlags*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

HRESULT FrameSink::OnStart() {
  input_->ResetStream();
  return S_OK;
}

HRESULT FrameSink::ConnectedType(OwnedMediaType* type) {
  if (!type) return E_POINTER;
  AM_MEDIA_TYPE mt{};
  HRESULT hr = input_->ConnectionMediaType(&mt);
  if (FAILED(hr)) return hr;
  type->Adopt(mt);
  return S_OK;
}

void FrameSink::Deliver(IMediaSample* sample) {
  if (FrameReceiver* receiver = receiver_) receiver->Receive(sample);
}

HRESULT FrameSink::EndOfStream() {
  return NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)));
}

ComPtr<IMediaSeeking> FrameSink::Upstream() {
  ComPtr<IPin> peer;
  ComPtr<IMediaSeeking> seeking;
  if (SUCCEEDED(input_->ConnectedTo(&peer)) && peer)
    peer->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(seeking.GetAddressOf()));
  return seeking;
}

bool FrameSink::PassUpstream(ComPtr<IMediaSeeking>* upstream) {
  *upstream = Upstream();
  return true;
}

}  // namespace engine::media
