#include "engine/model/CompNode.h"

#include <algorithm>

namespace engine {

CompNode::CompNode(TIMELINE_MAJOR_TYPE kind, ContextPtr context)
    : TimelineNode(kind, std::move(context)), VTrackList(AsNode()), EffectChain(AsNode()), TransChain(AsNode()) {}

HRESULT CompNode::Create(ContextPtr context, IAMTimelineObj** obj) {
  *obj = new (std::nothrow) CompNode(TIMELINE_MAJOR_TYPE_COMPOSITE, std::move(context));
  return *obj ? S_OK : E_OUTOFMEMORY;
}

bool CompNode::QueryComp(REFIID iid, void** out) {
  if (QueryCommon(iid, out)) return true;
  if (iid == IID_IAMTimelineComp)
    *out = static_cast<IAMTimelineComp*>(this);
  else if (iid == IID_IAMTimelineEffectable)
    *out = static_cast<IAMTimelineEffectable*>(this);
  else if (iid == IID_IAMTimelineTransable)
    *out = static_cast<IAMTimelineTransable*>(this);
  else
    return false;
  AddRef();
  return true;
}

STDMETHODIMP CompNode::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (QueryComp(iid, out)) return S_OK;
  if (iid == IID_IAMTimelineVirtualTrack) {
    *out = static_cast<IAMTimelineVirtualTrack*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

REFERENCE_TIME CompNode::ContentEnd() const {
  return std::max({VTracksEnd(), EffectsEnd(), Transitions().LatestEnd()});
}

void CompNode::ForEachChild(const std::function<void(TimelineNode&)>& visit) const {
  ForEachVTrack(visit);
  ForEachEffect(visit);
  for (const auto& t : Transitions().Items()) visit(*t.Get());
}

bool CompNode::DetachChild(TimelineNode* child) {
  return DetachVTrack(child) || DetachEffect(child) || DetachTrans(child);
}

void CompNode::DropChildren() {
  DropVTracks();
  DropEffects();
  DropTransitions();
}

HRESULT CompNode::ValidateChildTimes(TimelineNode* child, REFERENCE_TIME start, REFERENCE_TIME stop) {
  if (child->Kind() == TIMELINE_MAJOR_TYPE_TRANSITION) return ValidateTransTimes(child, start, stop);
  return S_OK;
}

void CompNode::ChildTimesChanged(TimelineNode* child) { RepositionTrans(child); }

HRESULT CompNode::PriorityInParent(TimelineNode& vtrack, LONG* priority) {
  if (!priority) return E_POINTER;
  *priority = -1;
  TimelineNode* parent = vtrack.Parent();
  if (!parent) return E_NOTINTREE;
  Microsoft::WRL::ComPtr<IAMTimelineComp> comp;
  if (FAILED(parent->QueryInterface(IID_IAMTimelineComp, reinterpret_cast<void**>(comp.GetAddressOf()))))
    return E_NOTINTREE;
  LONG count = 0;
  comp->VTrackGetCount(&count);
  for (LONG i = 0; i < count; ++i) {
    Microsoft::WRL::ComPtr<IAMTimelineObj> obj;
    if (SUCCEEDED(comp->GetVTrack(&obj, i)) && obj.Get() == static_cast<IAMTimelineObj*>(&vtrack)) {
      *priority = i;
      return S_OK;
    }
  }
  return E_NOTINTREE;
}

STDMETHODIMP CompNode::TrackGetPriority(LONG* priority) { return PriorityInParent(*this, priority); }

}  // namespace engine
