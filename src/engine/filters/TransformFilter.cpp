#include "engine/filters/TransformFilter.h"

#include <evcode.h>

#include <mutex>

namespace engine::filters {

// ---- pins ----

TransformInput::TransformInput(TransformFilter* filter, std::wstring name)
    : InputPin(filter, std::move(name)), owner_(filter) {}

HRESULT TransformInput::CheckMediaType(const AM_MEDIA_TYPE& mt) {
  HRESULT hr = owner_->CheckInputType(mt);
  if (hr != S_OK) return S_FALSE;
  // A new input must still make what the output already sends.
  if (owner_->Output().IsConnected()) hr = owner_->CheckTransform(mt, owner_->Output().MediaType());
  return hr == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP TransformInput::BeginFlush() {
  InputPin::BeginFlush();
  owner_->BeginFlush();
  return S_OK;
}

STDMETHODIMP TransformInput::EndFlush() {
  owner_->EndFlush();
  return InputPin::EndFlush();
}

STDMETHODIMP TransformInput::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  owner_->Output().DeliverNewSegment(start, stop, rate);
  return S_OK;
}

HRESULT TransformInput::OnReceive(IMediaSample* sample) { return owner_->Receive(sample); }

HRESULT TransformInput::OnEndOfStream() { return owner_->EndOfStream(); }

TransformOutput::TransformOutput(TransformFilter* filter, std::wstring name)
    : OutputPin(filter, std::move(name)), owner_(filter) {}

STDMETHODIMP TransformOutput::QueryInterface(REFIID iid, void** out) {
  const HRESULT hr = PinBase::QueryInterface(iid, out);
  return hr == E_NOINTERFACE ? owner_->QueryOutputInterface(iid, out) : hr;
}

HRESULT TransformOutput::CheckMediaType(const AM_MEDIA_TYPE& mt) {
  if (!owner_->Input().IsConnected()) return VFW_E_NOT_CONNECTED;
  return owner_->CheckTransform(owner_->Input().MediaType(), mt) == S_OK ? S_OK : S_FALSE;
}

HRESULT TransformOutput::GetMediaType(int index, AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  if (!owner_->Input().IsConnected()) return VFW_E_NOT_CONNECTED;
  return owner_->OutputType(owner_->Input().MediaType(), index, mt);
}

void TransformOutput::BufferNeeds(ALLOCATOR_PROPERTIES& props) { owner_->OutputBuffers(mt_, props); }

void TransformOutput::DeliverBeginFlush() {
  if (peer_) peer_->BeginFlush();
}

void TransformOutput::DeliverEndFlush() {
  if (peer_) peer_->EndFlush();
}

void TransformOutput::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  if (peer_) peer_->NewSegment(start, stop, rate);
}

// ---- filter ----

TransformFilter::TransformFilter(const CLSID& clsid, const wchar_t* inputName, const wchar_t* outputName)
    : FilterBase(clsid),
      input_(std::make_unique<TransformInput>(this, inputName)),
      output_(std::make_unique<TransformOutput>(this, outputName)) {}

TransformFilter::~TransformFilter() {
  output_.reset();
  input_.reset();
}

IPin* TransformFilter::PinAt(int index) {
  if (index == 0) return input_.get();
  if (index == 1) return output_.get();
  return nullptr;
}

HRESULT TransformFilter::OnStart() {
  input_->ResetStream();
  flushing_ = false;
  // Half connected, the filter runs but has nowhere to send anything: what arrives is refused.
  if (!input_->IsConnected() || !output_->IsConnected()) return S_OK;
  HRESULT hr = output_->Active();
  if (FAILED(hr)) return hr;
  std::lock_guard<SlimMutex> hold(streaming_);
  hr = StartStreaming();
  if (FAILED(hr)) {
    output_->Inactive();
    return hr;
  }
  started_ = true;
  return S_OK;
}

void TransformFilter::OnStop() {
  output_->Inactive();  // a transform waiting for an output buffer gives up
  std::lock_guard<SlimMutex> hold(streaming_);
  if (started_) StopStreaming();
  started_ = false;
}

HRESULT TransformFilter::NewOutputSample(IMediaSample** sample) { return output_->GetDeliveryBuffer(sample); }

HRESULT TransformFilter::Receive(IMediaSample* sample) {
  HRESULT hr;
  {
    std::lock_guard<SlimMutex> hold(streaming_);
    if (!started_) return VFW_E_NOT_CONNECTED;
    if (flushing_) return S_FALSE;
    hr = Transform(sample);
  }
  // A stream this filter cannot carry on ends the run, whoever feeds it; the event is posted
  // outside the streaming lock, which a stop holding the filter's lock may be waiting for.
  if (FAILED(hr) && hr != VFW_E_WRONG_STATE && hr != VFW_E_NOT_COMMITTED) NotifyEvent(EC_ERRORABORT, hr, 0);
  return hr;
}

HRESULT TransformFilter::EndOfStream() {
  HRESULT hr;
  {
    std::lock_guard<SlimMutex> hold(streaming_);
    if (flushing_) return S_OK;
    hr = started_ ? Drain() : S_OK;
  }
  if (FAILED(hr)) {
    NotifyEvent(EC_ERRORABORT, hr, 0);
    return hr;
  }
  return output_->DeliverEndOfStream();
}

void TransformFilter::BeginFlush() {
  // Not under the streaming lock: a transform may hold it while it waits downstream, which
  // this flush is about to release.
  flushing_ = true;
  output_->DeliverBeginFlush();
}

void TransformFilter::EndFlush() {
  {
    std::lock_guard<SlimMutex> hold(streaming_);
    if (started_) Discard();
    flushing_ = false;
  }
  output_->DeliverEndFlush();
}

}  // namespace engine::filters
