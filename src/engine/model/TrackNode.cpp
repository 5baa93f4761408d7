#include "engine/model/TrackNode.h"

#include "engine/base/TimeUnits.h"
#include "engine/model/ChildCheck.h"
#include "engine/model/CompNode.h"

#include <algorithm>

namespace engine {

TrackNode::TrackNode(ContextPtr context)
    : TimelineNode(TIMELINE_MAJOR_TYPE_TRACK, std::move(context)), EffectChain(AsNode()), TransChain(AsNode()) {}

TrackNode::~TrackNode() {
  for (const auto& s : sources_.Items()) s->AttachTo(nullptr);
}

HRESULT TrackNode::Create(ContextPtr context, IAMTimelineObj** obj) {
  *obj = new (std::nothrow) TrackNode(std::move(context));
  return *obj ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP TrackNode::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (QueryCommon(iid, out)) return S_OK;
  if (iid == IID_IAMTimelineTrack)
    *out = static_cast<IAMTimelineTrack*>(this);
  else if (iid == IID_IAMTimelineVirtualTrack)
    *out = static_cast<IAMTimelineVirtualTrack*>(this);
  else if (iid == IID_IAMTimelineEffectable)
    *out = static_cast<IAMTimelineEffectable*>(this);
  else if (iid == IID_IAMTimelineTransable)
    *out = static_cast<IAMTimelineTransable*>(this);
  else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

REFERENCE_TIME TrackNode::ContentEnd() const {
  return std::max({sources_.LatestEnd(), EffectsEnd(), Transitions().LatestEnd()});
}

void TrackNode::ForEachChild(const std::function<void(TimelineNode&)>& visit) const {
  for (const auto& s : sources_.Items()) visit(*s.Get());
  ForEachEffect(visit);
  for (const auto& t : Transitions().Items()) visit(*t.Get());
}

bool TrackNode::DetachChild(TimelineNode* child) {
  return sources_.Detach(child) || DetachEffect(child) || DetachTrans(child);
}

void TrackNode::DropChildren() {
  for (auto& s : sources_.TakeAll()) {
    s->AttachTo(nullptr);
    s->DropChildren();
  }
  DropEffects();
  DropTransitions();
}

HRESULT TrackNode::ValidateChildTimes(TimelineNode* child, REFERENCE_TIME start, REFERENCE_TIME stop) {
  if (child->Kind() == TIMELINE_MAJOR_TYPE_TRANSITION) return ValidateTransTimes(child, start, stop);
  if (child->Kind() == TIMELINE_MAJOR_TYPE_SOURCE && sources_.FindOverlap(start, stop, child))
    return Report(kSeverityError, L"SetStartStop: the source would overlap another source on its track; times kept",
                  DEX_IDS_INTERFACE_ERROR, E_INVALIDARG);
  return S_OK;
}

void TrackNode::ChildTimesChanged(TimelineNode* child) {
  if (child->Kind() == TIMELINE_MAJOR_TYPE_SOURCE)
    sources_.Reposition(child);
  else
    RepositionTrans(child);
}

STDMETHODIMP TrackNode::SrcAdd(IAMTimelineObj* source) {
  Microsoft::WRL::ComPtr<TimelineNode> node;
  HRESULT hr = AcceptChild(*this, source, TIMELINE_MAJOR_TYPE_SOURCE, L"SrcAdd", &node);
  if (FAILED(hr)) return hr;
  // Sources on a track never overlap. An overlapping source is refused and the track stays
  // as it was: trimming or dropping what the user placed earlier would lose work silently.
  if (sources_.FindOverlap(node->Start(), node->Stop(), nullptr))
    return Report(kSeverityError, L"SrcAdd: the source overlaps a source already on the track; it was not added",
                  DEX_IDS_INTERFACE_ERROR, E_INVALIDARG);
  node->AttachTo(this);
  sources_.Insert(std::move(node));
  return S_OK;
}

STDMETHODIMP TrackNode::GetNextSrc(IAMTimelineObj** source, REFERENCE_TIME* inOut) {
  if (!source || !inOut) return E_POINTER;
  *source = nullptr;
  TimelineNode* next = sources_.NextAtOrAfter(*inOut);
  if (!next) return S_FALSE;
  *source = next;
  next->AddRef();
  *inOut = next->Stop();
  return S_OK;
}

STDMETHODIMP TrackNode::GetNextSrc2(IAMTimelineObj** source, REFTIME* inOut) {
  if (!source || !inOut) return E_POINTER;
  REFERENCE_TIME t;
  if (!FromSeconds(*inOut, &t)) return E_INVALIDARG;
  HRESULT hr = GetNextSrc(source, &t);
  if (hr == S_OK) *inOut = ToSeconds(t);
  return hr;
}

STDMETHODIMP TrackNode::GetSourcesCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(sources_.Count());
  return S_OK;
}

STDMETHODIMP TrackNode::AreYouBlank(LONG* blank) {
  if (!blank) return E_POINTER;
  *blank = sources_.Count() == 0 ? 1 : 0;
  return S_OK;
}

STDMETHODIMP TrackNode::GetSrcAtTime(IAMTimelineObj** source, REFERENCE_TIME time, LONG direction) {
  if (!source) return E_POINTER;
  *source = sources_.Find(time, direction);
  if (!*source) return S_FALSE;
  (*source)->AddRef();
  return S_OK;
}

STDMETHODIMP TrackNode::GetSrcAtTime2(IAMTimelineObj** source, REFTIME time, LONG direction) {
  REFERENCE_TIME t;
  if (!FromSeconds(time, &t)) return E_INVALIDARG;
  return GetSrcAtTime(source, t, direction);
}

STDMETHODIMP TrackNode::GetNextSrcEx(IAMTimelineObj* last, IAMTimelineObj** next) {
  if (!next) return E_POINTER;
  *next = nullptr;
  size_t at = 0;
  if (last) {
    auto node = TimelineNode::FromUnknown(last);
    ptrdiff_t i = node ? sources_.IndexOf(node.Get()) : -1;
    if (i < 0) return E_INVALIDARG;
    at = static_cast<size_t>(i) + 1;
  }
  if (at >= sources_.Count()) return S_FALSE;
  *next = sources_.At(at);
  (*next)->AddRef();
  return S_OK;
}

STDMETHODIMP TrackNode::TrackGetPriority(LONG* priority) { return CompNode::PriorityInParent(*this, priority); }

}  // namespace engine
