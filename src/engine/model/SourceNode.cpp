#include "engine/model/SourceNode.h"

#include "engine/base/TimeUnits.h"

#include <algorithm>
#include <cmath>

namespace engine {

SourceNode::SourceNode(ContextPtr context)
    : TimelineNode(TIMELINE_MAJOR_TYPE_SOURCE, std::move(context)), EffectChain(AsNode()) {}

HRESULT SourceNode::Create(ContextPtr context, IAMTimelineObj** obj) {
  *obj = new (std::nothrow) SourceNode(std::move(context));
  return *obj ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP SourceNode::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (QueryCommon(iid, out)) return S_OK;
  if (iid == IID_IAMTimelineSrc)
    *out = static_cast<IAMTimelineSrc*>(this);
  else if (iid == IID_IAMTimelineEffectable)
    *out = static_cast<IAMTimelineEffectable*>(this);
  else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

REFERENCE_TIME SourceNode::ContentEnd() const {
  // A source's effects are timed from the source's start.
  return std::max(stop_, start_ + EffectsEnd());
}

void SourceNode::ForEachChild(const std::function<void(TimelineNode&)>& visit) const { ForEachEffect(visit); }

STDMETHODIMP SourceNode::GetMediaTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (!start || !stop) return E_POINTER;
  *start = mediaStart_;
  *stop = mediaStop_;
  return S_OK;
}

STDMETHODIMP SourceNode::GetMediaTimes2(REFTIME* start, REFTIME* stop) {
  if (!start || !stop) return E_POINTER;
  *start = ToSeconds(mediaStart_);
  *stop = ToSeconds(mediaStop_);
  return S_OK;
}

STDMETHODIMP SourceNode::ModifyStopTime(REFERENCE_TIME stop) { return SetStartStop(start_, stop); }

STDMETHODIMP SourceNode::ModifyStopTime2(REFTIME stop) {
  REFERENCE_TIME t;
  if (!FromSeconds(stop, &t)) return E_INVALIDARG;
  return ModifyStopTime(t);
}

STDMETHODIMP SourceNode::FixMediaTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (!start || !stop) return E_POINTER;
  double fps = defaultFps_;
  if (!(fps > 0)) {
    fps = Context()->defaultFps;
    Microsoft::WRL::ComPtr<IAMTimelineGroup> group;
    if (SUCCEEDED(GetGroupIBelongTo(&group)) && group) group->GetOutputFPS(&fps);
  }
  SnapToFrames(fps, start, stop);
  return S_OK;
}

STDMETHODIMP SourceNode::FixMediaTimes2(REFTIME* start, REFTIME* stop) {
  return FixSeconds(start, stop, [this](REFERENCE_TIME* s, REFERENCE_TIME* e) { FixMediaTimes(s, e); });
}

STDMETHODIMP SourceNode::SetMediaTimes(REFERENCE_TIME start, REFERENCE_TIME stop) {
  if (start < 0 || stop < start)
    return Report(kSeverityError,
                  L"SetMediaTimes: media times must not be negative and the stop must not lie "
                  L"before the start",
                  DEX_IDS_INTERFACE_ERROR, E_INVALIDARG);
  mediaStart_ = start;
  mediaStop_ = stop;
  return S_OK;
}

STDMETHODIMP SourceNode::SetMediaTimes2(REFTIME start, REFTIME stop) {
  REFERENCE_TIME s, e;
  if (!FromSeconds(start, &s) || !FromSeconds(stop, &e))
    return Report(kSeverityError, L"SetMediaTimes2: a time is out of range", DEX_IDS_INTERFACE_ERROR, E_INVALIDARG);
  return SetMediaTimes(s, e);
}

STDMETHODIMP SourceNode::SetMediaLength(REFERENCE_TIME length) {
  if (length < 0)
    return Report(kSeverityError, L"SetMediaLength: a length cannot be negative", DEX_IDS_INTERFACE_ERROR,
                  E_INVALIDARG);
  mediaLength_ = length;
  return S_OK;
}

STDMETHODIMP SourceNode::SetMediaLength2(REFTIME length) {
  REFERENCE_TIME t;
  if (!FromSeconds(length, &t)) return E_INVALIDARG;
  return SetMediaLength(t);
}

STDMETHODIMP SourceNode::GetMediaLength(REFERENCE_TIME* length) {
  if (!length) return E_POINTER;
  *length = mediaLength_;
  return S_OK;
}

STDMETHODIMP SourceNode::GetMediaLength2(REFTIME* length) {
  if (!length) return E_POINTER;
  *length = ToSeconds(mediaLength_);
  return S_OK;
}

STDMETHODIMP SourceNode::GetMediaName(BSTR* name) {
  if (!name) return E_POINTER;
  *name = SysAllocStringLen(mediaName_.data(), static_cast<UINT>(mediaName_.size()));
  return *name ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP SourceNode::SetMediaName(BSTR name) {
  mediaName_ = name ? std::wstring(name, SysStringLen(name)) : std::wstring();
  return S_OK;
}

STDMETHODIMP SourceNode::GetStreamNumber(LONG* num) {
  if (!num) return E_POINTER;
  *num = stream_;
  return S_OK;
}

STDMETHODIMP SourceNode::SetStreamNumber(LONG num) {
  if (num < 0)
    return Report(kSeverityError, L"SetStreamNumber: stream numbers start at 0", DEX_IDS_STREAM_NUMBER, E_INVALIDARG);
  stream_ = num;
  return S_OK;
}

STDMETHODIMP SourceNode::IsNormalRate(BOOL* normal) {
  if (!normal) return E_POINTER;
  *normal = (stop_ - start_) == (mediaStop_ - mediaStart_) ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP SourceNode::GetDefaultFPS(double* fps) {
  if (!fps) return E_POINTER;
  *fps = defaultFps_;
  return S_OK;
}

STDMETHODIMP SourceNode::SetDefaultFPS(double fps) {
  if (!std::isfinite(fps) || fps < 0 || fps > 1000)
    return Report(kSeverityError, L"SetDefaultFPS: the frame rate must lie from 0 to 1000", DEX_IDS_INTERFACE_ERROR,
                  E_INVALIDARG);
  defaultFps_ = fps;
  return S_OK;
}

STDMETHODIMP SourceNode::GetStretchMode(int* mode) {
  if (!mode) return E_POINTER;
  *mode = stretchMode_;
  return S_OK;
}

STDMETHODIMP SourceNode::SetStretchMode(int mode) {
  if (mode < RESIZEF_STRETCH || mode > RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX)
    return Report(kSeverityError, L"SetStretchMode: the stretch mode must be 0, 1, 2 or 3", DEX_IDS_INTERFACE_ERROR,
                  E_INVALIDARG);
  stretchMode_ = mode;
  return S_OK;
}

}  // namespace engine
