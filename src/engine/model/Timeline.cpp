#include "engine/model/Timeline.h"

#include "engine/base/GuidText.h"
#include "engine/base/TimeUnits.h"
#include "engine/model/CompNode.h"
#include "engine/model/EffectNode.h"
#include "engine/model/GroupNode.h"
#include "engine/model/SourceNode.h"
#include "engine/model/TrackNode.h"
#include "engine/model/TransNode.h"
#include "engine/model/VTrackList.h"

#include <algorithm>
#include <cmath>

using Microsoft::WRL::ComPtr;

namespace engine {

Timeline::Timeline() : context_(std::make_shared<TimelineContext>()) { context_->timeline = this; }

Timeline::~Timeline() {
  // Objects the application still holds outlive us: they must not reach back.
  context_->timeline = nullptr;
  for (auto& g : groups_) g->AttachToTimeline(nullptr);
}

HRESULT Timeline::Create(REFIID iid, void** out) {
  auto* timeline = new (std::nothrow) Timeline();
  if (!timeline) return E_OUTOFMEMORY;
  HRESULT hr = timeline->QueryInterface(iid, out);
  timeline->Release();
  return hr;
}

STDMETHODIMP Timeline::QueryInterface(REFIID iid, void** out) {
  return QueryTable(iid, out,
                    {{IID_IUnknown, static_cast<IAMTimeline*>(this)},
                     {IID_IAMTimeline, static_cast<IAMTimeline*>(this)},
                     {IID_IAMSetErrorLog, static_cast<IAMSetErrorLog*>(this)}});
}

HRESULT Timeline::Report(const wchar_t* text, HRESULT hr) const {
  return context_->errors.Report(kSeverityError, text, DEX_IDS_INTERFACE_ERROR, hr);
}

STDMETHODIMP Timeline::CreateEmptyNode(IAMTimelineObj** obj, TIMELINE_MAJOR_TYPE type) {
  if (!obj) return E_POINTER;
  *obj = nullptr;
  switch (type) {
    case TIMELINE_MAJOR_TYPE_GROUP: return GroupNode::Create(context_, obj);
    case TIMELINE_MAJOR_TYPE_COMPOSITE: return CompNode::Create(context_, obj);
    case TIMELINE_MAJOR_TYPE_TRACK: return TrackNode::Create(context_, obj);
    case TIMELINE_MAJOR_TYPE_SOURCE: return SourceNode::Create(context_, obj);
    case TIMELINE_MAJOR_TYPE_EFFECT: return EffectNode::Create(context_, obj);
    case TIMELINE_MAJOR_TYPE_TRANSITION: return TransNode::Create(context_, obj);
    default: return Report(L"CreateEmptyNode: no such object kind", E_INVALIDARG);
  }
}

STDMETHODIMP Timeline::AddGroup(IAMTimelineObj* group) {
  if (!group) return Report(L"AddGroup: no group given", E_POINTER);
  auto node = TimelineNode::FromUnknown(group);
  if (!node || node->Kind() != TIMELINE_MAJOR_TYPE_GROUP)
    return Report(L"AddGroup: the object is not a group of this engine", E_INVALIDARG);
  if (node->IsAttached()) return Report(L"AddGroup: the group is already in a timeline", E_INVALIDARG);
  node->AttachToTimeline(this);
  groups_.push_back(std::move(node));
  return S_OK;
}

STDMETHODIMP Timeline::RemGroupFromList(IAMTimelineObj* group) {
  if (!group) return E_POINTER;
  auto node = TimelineNode::FromUnknown(group);
  // Compare raw pointers: ComPtr has no equality of its own here, and a comparison through
  // its conversion to bool would match the first group.
  auto it = std::find_if(groups_.begin(), groups_.end(),
                         [&node](const ComPtr<TimelineNode>& g) { return g.Get() == node.Get(); });
  if (!node || it == groups_.end()) return Report(L"RemGroupFromList: the group is not in this timeline", E_INVALIDARG);
  node->AttachToTimeline(nullptr);
  groups_.erase(it);
  return S_OK;
}

STDMETHODIMP Timeline::GetGroup(IAMTimelineObj** group, LONG index) {
  if (!group) return E_POINTER;
  *group = nullptr;
  if (index < 0 || index >= static_cast<LONG>(groups_.size())) return E_INVALIDARG;
  *group = groups_[static_cast<size_t>(index)].Get();
  (*group)->AddRef();
  return S_OK;
}

STDMETHODIMP Timeline::GetGroupCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(groups_.size());
  return S_OK;
}

STDMETHODIMP Timeline::ClearAllGroups() {
  auto groups = std::move(groups_);
  groups_.clear();
  for (auto& g : groups) g->AttachToTimeline(nullptr);
  return S_OK;
}

STDMETHODIMP Timeline::GetInsertMode(LONG* mode) {
  if (!mode) return E_POINTER;
  *mode = TIMELINE_INSERT_MODE_OVERLAY;
  return S_OK;
}

STDMETHODIMP Timeline::SetInsertMode(LONG mode) {
  // Only overlay placement exists: sources never push later ones along.
  return mode == TIMELINE_INSERT_MODE_OVERLAY ? S_OK : E_NOTIMPL;
}

STDMETHODIMP Timeline::EnableTransitions(BOOL enabled) {
  transitionsEnabled_ = enabled ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP Timeline::TransitionsEnabled(BOOL* enabled) {
  if (!enabled) return E_POINTER;
  *enabled = transitionsEnabled_;
  return S_OK;
}

STDMETHODIMP Timeline::EnableEffects(BOOL enabled) {
  effectsEnabled_ = enabled ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP Timeline::EffectsEnabled(BOOL* enabled) {
  if (!enabled) return E_POINTER;
  *enabled = effectsEnabled_;
  return S_OK;
}

STDMETHODIMP Timeline::SetInterestRange(REFERENCE_TIME start, REFERENCE_TIME stop) {
  if (stop < start) return E_INVALIDARG;
  interestStart_ = start;
  interestStop_ = stop;
  return S_OK;
}

STDMETHODIMP Timeline::GetDuration(REFERENCE_TIME* duration) {
  if (!duration) return E_POINTER;
  REFERENCE_TIME end = 0;
  for (const auto& g : groups_) end = std::max(end, g->ContentEnd());
  *duration = end;
  return S_OK;
}

STDMETHODIMP Timeline::GetDuration2(double* duration) {
  if (!duration) return E_POINTER;
  REFERENCE_TIME d;
  GetDuration(&d);
  *duration = ToSeconds(d);
  return S_OK;
}

STDMETHODIMP Timeline::SetDefaultFPS(double fps) {
  if (!std::isfinite(fps) || fps <= 0 || fps > 1000)
    return Report(L"SetDefaultFPS: the frame rate must lie above 0 and up to 1000", E_INVALIDARG);
  context_->defaultFps = fps;
  return S_OK;
}

STDMETHODIMP Timeline::GetDefaultFPS(double* fps) {
  if (!fps) return E_POINTER;
  *fps = context_->defaultFps;
  return S_OK;
}

STDMETHODIMP Timeline::IsDirty(BOOL* dirty) {
  if (!dirty) return E_POINTER;
  *dirty = FALSE;
  return S_OK;
}

STDMETHODIMP Timeline::GetDirtyRange(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (!start || !stop) return E_POINTER;
  *start = *stop = 0;
  return S_OK;
}

STDMETHODIMP Timeline::GetCountOfType(LONG group, LONG* value, LONG* valueWithComps, TIMELINE_MAJOR_TYPE type) {
  if (!value || !valueWithComps) return E_POINTER;
  *value = *valueWithComps = 0;
  if (group < 0 || group >= static_cast<LONG>(groups_.size())) return E_INVALIDARG;
  VTrackList::CountOfType(*groups_[static_cast<size_t>(group)].Get(), type, value, valueWithComps);
  return S_OK;
}

STDMETHODIMP Timeline::SetDefaultTransition(GUID* guid) {
  if (!guid) return E_POINTER;
  defaultTransition_ = *guid;
  return S_OK;
}

STDMETHODIMP Timeline::GetDefaultTransition(GUID* guid) {
  if (!guid) return E_POINTER;
  *guid = defaultTransition_;
  return S_OK;
}

STDMETHODIMP Timeline::SetDefaultEffect(GUID* guid) {
  if (!guid) return E_POINTER;
  defaultEffect_ = *guid;
  return S_OK;
}

STDMETHODIMP Timeline::GetDefaultEffect(GUID* guid) {
  if (!guid) return E_POINTER;
  *guid = defaultEffect_;
  return S_OK;
}

STDMETHODIMP Timeline::SetDefaultTransitionB(BSTR guid) {
  GUID g;
  if (!ParseGuidText(guid, &g)) return Report(L"SetDefaultTransitionB: not a class id", E_INVALIDARG);
  defaultTransition_ = g;
  return S_OK;
}

STDMETHODIMP Timeline::GetDefaultTransitionB(BSTR* guid) {
  if (!guid) return E_POINTER;
  *guid = SysAllocString(GuidToText(defaultTransition_).c_str());
  return *guid ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP Timeline::SetDefaultEffectB(BSTR guid) {
  GUID g;
  if (!ParseGuidText(guid, &g)) return Report(L"SetDefaultEffectB: not a class id", E_INVALIDARG);
  defaultEffect_ = g;
  return S_OK;
}

STDMETHODIMP Timeline::GetDefaultEffectB(BSTR* guid) {
  if (!guid) return E_POINTER;
  *guid = SysAllocString(GuidToText(defaultEffect_).c_str());
  return *guid ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP Timeline::get_ErrorLog(IAMErrorLog** log) {
  if (!log) return E_POINTER;
  *log = context_->errors.Log();
  if (*log) (*log)->AddRef();
  return S_OK;
}

STDMETHODIMP Timeline::put_ErrorLog(IAMErrorLog* log) {
  context_->errors.SetLog(log);
  return S_OK;
}

}  // namespace engine
