#include "engine/model/TimelineNode.h"

#include "engine/base/GuidText.h"
#include "engine/base/TimeUnits.h"
#include "services/ComUtil.h"

#include <cmath>
#include <cstring>

using Microsoft::WRL::ComPtr;

namespace engine {

// {6E2D0A51-3C4B-4F7E-9B1D-52A0C4E7F3B8}
EXTERN_C const IID IID_MrqTimelineNode = {0x6e2d0a51, 0x3c4b, 0x4f7e, {0x9b, 0x1d, 0x52, 0xa0, 0xc4, 0xe7, 0xf3, 0xb8}};

ComPtr<TimelineNode> TimelineNode::FromUnknown(IUnknown* unknown) {
  ComPtr<TimelineNode> node;
  if (unknown) {
    void* raw = nullptr;
    if (SUCCEEDED(unknown->QueryInterface(IID_MrqTimelineNode, &raw)) && raw)
      Adopt(node, static_cast<TimelineNode*>(static_cast<IAMTimelineObj*>(static_cast<IUnknown*>(raw))));
  }
  return node;
}

TimelineNode::TimelineNode(TIMELINE_MAJOR_TYPE kind, ContextPtr context) : kind_(kind), context_(std::move(context)) {
  genId_ = context_->nextGenId++;
}

bool TimelineNode::QueryCommon(REFIID iid, void** out) {
  // Our own id hands out the node's IAMTimelineObj face, which FromUnknown turns back into the node.
  return QueryTable(iid, out, {{IID_IUnknown, this}, {IID_IAMTimelineObj, this}, {IID_MrqTimelineNode, this}}) == S_OK;
}

bool TimelineNode::IsSelfOrAncestorOf(const TimelineNode* node) const {
  for (const TimelineNode* n = node; n; n = n->parent_)
    if (n == this) return true;
  return false;
}

HRESULT TimelineNode::Report(LONG severity, const wchar_t* text, LONG code, HRESULT hr) const {
  return context_->errors.Report(severity, text, code, hr);
}

void TimelineNode::ForEachChild(const std::function<void(TimelineNode&)>&) const {}

bool TimelineNode::DetachChild(TimelineNode*) { return false; }

HRESULT TimelineNode::ValidateChildTimes(TimelineNode*, REFERENCE_TIME, REFERENCE_TIME) { return S_OK; }

void TimelineNode::ChildTimesChanged(TimelineNode*) {}

STDMETHODIMP TimelineNode::GetStartStop(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (!start || !stop) return E_POINTER;
  if (IsContainer()) {
    *start = 0;
    *stop = ContentEnd();
  } else {
    *start = start_;
    *stop = stop_;
  }
  return S_OK;
}

STDMETHODIMP TimelineNode::GetStartStop2(REFTIME* start, REFTIME* stop) {
  if (!start || !stop) return E_POINTER;
  REFERENCE_TIME s, e;
  GetStartStop(&s, &e);
  *start = ToSeconds(s);
  *stop = ToSeconds(e);
  return S_OK;
}

STDMETHODIMP TimelineNode::FixTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (!start || !stop) return E_POINTER;
  double fps = context_->defaultFps;
  ComPtr<IAMTimelineGroup> group;
  if (SUCCEEDED(GetGroupIBelongTo(&group)) && group) group->GetOutputFPS(&fps);
  SnapToFrames(fps, start, stop);
  return S_OK;
}

STDMETHODIMP TimelineNode::FixTimes2(REFTIME* start, REFTIME* stop) {
  return FixSeconds(start, stop, [this](REFERENCE_TIME* s, REFERENCE_TIME* e) { FixTimes(s, e); });
}

STDMETHODIMP TimelineNode::SetStartStop(REFERENCE_TIME start, REFERENCE_TIME stop) {
  if (IsContainer())
    return Report(kSeverityError,
                  L"SetStartStop: the times of a group, composition or track "
                  L"follow from its content",
                  DEX_IDS_INTERFACE_ERROR, E_NOTIMPL);
  if (stop < start)
    return Report(kSeverityError, L"SetStartStop: the stop time lies before the start time", DEX_IDS_INTERFACE_ERROR,
                  E_INVALIDARG);
  if (parent_) {
    HRESULT hr = parent_->ValidateChildTimes(this, start, stop);
    if (FAILED(hr)) return hr;
  }
  start_ = start;
  stop_ = stop;
  if (parent_) parent_->ChildTimesChanged(this);
  return S_OK;
}

STDMETHODIMP TimelineNode::SetStartStop2(REFTIME start, REFTIME stop) {
  REFERENCE_TIME s, e;
  if (!FromSeconds(start, &s) || !FromSeconds(stop, &e))
    return Report(kSeverityError, L"SetStartStop2: a time is out of range", DEX_IDS_INTERFACE_ERROR, E_INVALIDARG);
  return SetStartStop(s, e);
}

STDMETHODIMP TimelineNode::GetPropertySetter(IPropertySetter** setter) {
  if (!setter) return E_POINTER;
  *setter = propertySetter_.Get();
  if (*setter) (*setter)->AddRef();
  return S_OK;
}

STDMETHODIMP TimelineNode::SetPropertySetter(IPropertySetter* setter) {
  propertySetter_ = setter;
  return S_OK;
}

STDMETHODIMP TimelineNode::GetSubObject(IUnknown** obj) {
  if (!obj) return E_POINTER;
  *obj = subObject_.Get();
  if (*obj) (*obj)->AddRef();
  return S_OK;
}

STDMETHODIMP TimelineNode::SetSubObject(IUnknown* obj) {
  subObject_ = obj;
  return S_OK;
}

STDMETHODIMP TimelineNode::SetSubObjectGUID(GUID guid) {
  subObjectGuid_ = guid;
  return S_OK;
}

STDMETHODIMP TimelineNode::SetSubObjectGUIDB(BSTR guid) {
  GUID parsed;
  if (!ParseGuidText(guid, &parsed))
    return Report(kSeverityError, L"SetSubObjectGUIDB: not a class id in registry form", DEX_IDS_INTERFACE_ERROR,
                  E_INVALIDARG);
  subObjectGuid_ = parsed;
  return S_OK;
}

STDMETHODIMP TimelineNode::GetSubObjectGUID(GUID* guid) {
  if (!guid) return E_POINTER;
  *guid = subObjectGuid_;
  return S_OK;
}

STDMETHODIMP TimelineNode::GetSubObjectGUIDB(BSTR* guid) {
  if (!guid) return E_POINTER;
  *guid = SysAllocString(GuidToText(subObjectGuid_).c_str());
  return *guid ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP TimelineNode::GetSubObjectLoaded(BOOL* loaded) {
  if (!loaded) return E_POINTER;
  *loaded = subObject_ ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP TimelineNode::GetTimelineType(TIMELINE_MAJOR_TYPE* type) {
  if (!type) return E_POINTER;
  *type = kind_;
  return S_OK;
}

STDMETHODIMP TimelineNode::SetTimelineType(TIMELINE_MAJOR_TYPE type) {
  // An object's kind decides which interfaces it has; it cannot become another kind.
  return type == kind_ ? S_OK : E_INVALIDARG;
}

STDMETHODIMP TimelineNode::GetUserID(LONG* id) {
  if (!id) return E_POINTER;
  *id = userId_;
  return S_OK;
}

STDMETHODIMP TimelineNode::SetUserID(LONG id) {
  userId_ = id;
  return S_OK;
}

STDMETHODIMP TimelineNode::GetGenID(LONG* id) {
  if (!id) return E_POINTER;
  *id = genId_;
  return S_OK;
}

STDMETHODIMP TimelineNode::GetUserName(BSTR* name) {
  if (!name) return E_POINTER;
  *name = nullptr;
  if (!hasName_) return S_OK;
  *name = SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
  return *name ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP TimelineNode::SetUserName(BSTR name) {
  hasName_ = name != nullptr;
  // A BSTR knows its length: names may hold any character, embedded nulls included.
  name_ = name ? std::wstring(name, SysStringLen(name)) : std::wstring();
  return S_OK;
}

STDMETHODIMP TimelineNode::GetUserData(BYTE* data, LONG* size) {
  if (!size) return E_POINTER;
  LONG held = static_cast<LONG>(userData_.size());
  if (data) {
    if (*size < held) {
      *size = held;
      return E_INVALIDARG;
    }
    if (held) memcpy(data, userData_.data(), userData_.size());
  }
  *size = held;
  return S_OK;
}

STDMETHODIMP TimelineNode::SetUserData(BYTE* data, LONG size) {
  if (size < 0) return E_INVALIDARG;
  if (size > 0 && !data) return E_POINTER;
  userData_.assign(data, data + size);
  return S_OK;
}

STDMETHODIMP TimelineNode::GetMuted(BOOL* muted) {
  if (!muted) return E_POINTER;
  *muted = muted_;
  return S_OK;
}

STDMETHODIMP TimelineNode::SetMuted(BOOL muted) {
  muted_ = muted ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP TimelineNode::GetLocked(BOOL* locked) {
  if (!locked) return E_POINTER;
  *locked = locked_;
  return S_OK;
}

STDMETHODIMP TimelineNode::SetLocked(BOOL locked) {
  locked_ = locked ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP TimelineNode::GetDirtyRange(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (!start || !stop) return E_POINTER;
  *start = dirtyStart_;
  *stop = dirtyStop_;
  return S_OK;
}

STDMETHODIMP TimelineNode::GetDirtyRange2(REFTIME* start, REFTIME* stop) {
  if (!start || !stop) return E_POINTER;
  *start = ToSeconds(dirtyStart_);
  *stop = ToSeconds(dirtyStop_);
  return S_OK;
}

STDMETHODIMP TimelineNode::SetDirtyRange(REFERENCE_TIME start, REFERENCE_TIME stop) {
  if (stop < start) return E_INVALIDARG;
  dirtyStart_ = start;
  dirtyStop_ = stop;
  return S_OK;
}

STDMETHODIMP TimelineNode::SetDirtyRange2(REFTIME start, REFTIME stop) {
  REFERENCE_TIME s, e;
  if (!FromSeconds(start, &s) || !FromSeconds(stop, &e)) return E_INVALIDARG;
  return SetDirtyRange(s, e);
}

STDMETHODIMP TimelineNode::ClearDirty() {
  dirtyStart_ = dirtyStop_ = 0;
  return S_OK;
}

STDMETHODIMP TimelineNode::Remove() {
  ComPtr<TimelineNode> keepAlive(this);  // the parent may hold the last reference
  if (ownerTimeline_) return ownerTimeline_->RemGroupFromList(this);
  if (!parent_) return S_FALSE;
  parent_->DetachChild(this);
  return S_OK;
}

STDMETHODIMP TimelineNode::RemoveAll() {
  ComPtr<TimelineNode> keepAlive(this);
  HRESULT hr = Remove();
  if (FAILED(hr)) return hr;
  DropChildren();
  return S_OK;
}

STDMETHODIMP TimelineNode::GetTimelineNoRef(IAMTimeline** timeline) {
  if (!timeline) return E_POINTER;
  *timeline = context_->timeline;
  return *timeline ? S_OK : E_NO_TIMELINE;
}

STDMETHODIMP TimelineNode::GetGroupIBelongTo(IAMTimelineGroup** group) {
  if (!group) return E_POINTER;
  *group = nullptr;
  const TimelineNode* top = this;
  while (top->parent_) top = top->parent_;
  if (top->kind_ != TIMELINE_MAJOR_TYPE_GROUP) return E_NOTINTREE;
  return const_cast<TimelineNode*>(top)->QueryInterface(IID_IAMTimelineGroup, reinterpret_cast<void**>(group));
}

STDMETHODIMP TimelineNode::GetEmbedDepth(LONG* depth) {
  if (!depth) return E_POINTER;
  LONG d = 0;
  for (const TimelineNode* n = parent_; n; n = n->parent_) ++d;
  *depth = d;
  return S_OK;
}

}  // namespace engine
