#include "engine/model/GroupNode.h"

#include "services/MediaTypes.h"

#include <cmath>
#include <string>

namespace engine {

GroupNode::GroupNode(ContextPtr context)
    : CompNode(TIMELINE_MAJOR_TYPE_GROUP, std::move(context)), outputFps_(Context()->defaultFps) {}

GroupNode::~GroupNode() { FreeMediaTypeContents(mediaType_); }

HRESULT GroupNode::Create(ContextPtr context, IAMTimelineObj** obj) {
  *obj = new (std::nothrow) GroupNode(std::move(context));
  return *obj ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP GroupNode::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  // A group is a composition but not a virtual track: nothing holds it at a priority.
  if (QueryComp(iid, out)) return S_OK;
  if (iid == IID_IAMTimelineGroup) {
    *out = static_cast<IAMTimelineGroup*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP GroupNode::SetTimeline(IAMTimeline*) {
  // The timeline a group belongs to is decided by AddGroup.
  return E_NOTIMPL;
}

STDMETHODIMP GroupNode::GetTimeline(IAMTimeline** timeline) {
  if (!timeline) return E_POINTER;
  *timeline = Context()->timeline;
  if (!*timeline) return E_NO_TIMELINE;
  (*timeline)->AddRef();
  return S_OK;
}

STDMETHODIMP GroupNode::GetPriority(LONG* priority) {
  if (!priority) return E_POINTER;
  *priority = -1;
  IAMTimeline* timeline = nullptr;
  if (FAILED(GetTimelineNoRef(&timeline)) || !IsAttached()) return E_NOTINTREE;
  LONG count = 0;
  timeline->GetGroupCount(&count);
  for (LONG i = 0; i < count; ++i) {
    Microsoft::WRL::ComPtr<IAMTimelineObj> group;
    if (SUCCEEDED(timeline->GetGroup(&group, i)) && group.Get() == static_cast<IAMTimelineObj*>(this)) {
      *priority = i;
      return S_OK;
    }
  }
  return E_NOTINTREE;
}

STDMETHODIMP GroupNode::GetMediaType(AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  return CopyMediaType(mt, mediaType_);
}

STDMETHODIMP GroupNode::SetMediaType(AM_MEDIA_TYPE* mt) {
  if (!mt) return E_POINTER;
  // Only types the timeline's XML form carries whole are taken, so that a saved project
  // reopens with the type it was saved with.
  const wchar_t* why = nullptr;
  if (FAILED(DescribeGroupType(*mt, nullptr, &why)))
    return Report(kSeverityError, (std::wstring(L"SetMediaType: ") + why).c_str(), DEX_IDS_BAD_MEDIATYPE,
                  VFW_E_INVALIDMEDIATYPE);
  AM_MEDIA_TYPE copy;
  HRESULT hr = CopyMediaType(&copy, *mt);
  if (FAILED(hr)) return hr;
  FreeMediaTypeContents(mediaType_);
  mediaType_ = copy;
  return S_OK;
}

STDMETHODIMP GroupNode::SetOutputFPS(double fps) {
  if (!std::isfinite(fps) || fps <= 0 || fps > 1000)
    return Report(kSeverityError, L"SetOutputFPS: the frame rate must lie above 0 and up to 1000",
                  DEX_IDS_INTERFACE_ERROR, E_INVALIDARG);
  outputFps_ = fps;
  return S_OK;
}

STDMETHODIMP GroupNode::GetOutputFPS(double* fps) {
  if (!fps) return E_POINTER;
  *fps = outputFps_;
  return S_OK;
}

// The group's name is its user name: XTL has one name attribute for both.
STDMETHODIMP GroupNode::SetGroupName(BSTR name) { return SetUserName(name); }
STDMETHODIMP GroupNode::GetGroupName(BSTR* name) { return GetUserName(name); }

STDMETHODIMP GroupNode::SetPreviewMode(BOOL preview) {
  previewMode_ = preview ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP GroupNode::GetPreviewMode(BOOL* preview) {
  if (!preview) return E_POINTER;
  *preview = previewMode_;
  return S_OK;
}

STDMETHODIMP GroupNode::SetMediaTypeForVB(LONG type) {
  AM_MEDIA_TYPE mt;
  HRESULT hr = type == 0   ? BuildVideoGroupType(&mt, 16, 320, 240)
               : type == 1 ? BuildAudioGroupType(&mt, 44100)
                           : E_INVALIDARG;
  if (FAILED(hr)) return hr;
  FreeMediaTypeContents(mediaType_);
  mediaType_ = mt;
  return S_OK;
}

STDMETHODIMP GroupNode::GetOutputBuffering(int* buffer) {
  if (!buffer) return E_POINTER;
  *buffer = outputBuffering_;
  return S_OK;
}

STDMETHODIMP GroupNode::SetOutputBuffering(int buffer) {
  if (buffer < 2) return E_INVALIDARG;
  outputBuffering_ = buffer;
  return S_OK;
}

STDMETHODIMP GroupNode::IsSmartRecompressFormatSet(BOOL* set) {
  if (!set) return E_POINTER;
  *set = FALSE;
  return S_OK;
}

STDMETHODIMP GroupNode::IsRecompressFormatDirty(BOOL* dirty) {
  if (!dirty) return E_POINTER;
  *dirty = FALSE;
  return S_OK;
}

}  // namespace engine
