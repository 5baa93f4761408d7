#include "engine/model/VTrackList.h"

#include "engine/model/ChildCheck.h"

#include <algorithm>

namespace engine {

VTrackList::~VTrackList() {
  for (auto& t : vtracks_) t->AttachTo(nullptr);
}

STDMETHODIMP VTrackList::VTrackInsBefore(IAMTimelineObj* vtrack, LONG priority) {
  LONG count = static_cast<LONG>(vtracks_.size());
  if (priority < -1 || priority > count)
    return owner_.Report(kSeverityError, L"VTrackInsBefore: no such priority", DEX_IDS_INTERFACE_ERROR, E_INVALIDARG);
  Microsoft::WRL::ComPtr<TimelineNode> node;
  HRESULT hr =
      AcceptChild(owner_, vtrack, TIMELINE_MAJOR_TYPE_TRACK | TIMELINE_MAJOR_TYPE_COMPOSITE, L"VTrackInsBefore", &node);
  if (FAILED(hr)) return hr;
  node->AttachTo(&owner_);
  size_t at = priority == -1 ? vtracks_.size() : static_cast<size_t>(priority);
  vtracks_.insert(vtracks_.begin() + static_cast<ptrdiff_t>(at), std::move(node));
  return S_OK;
}

STDMETHODIMP VTrackList::VTrackSwapPriorities(LONG a, LONG b) {
  LONG count = static_cast<LONG>(vtracks_.size());
  if (a < 0 || b < 0 || a >= count || b >= count)
    return owner_.Report(kSeverityError, L"VTrackSwapPriorities: no such priority", DEX_IDS_INTERFACE_ERROR,
                         E_INVALIDARG);
  std::swap(vtracks_[static_cast<size_t>(a)], vtracks_[static_cast<size_t>(b)]);
  return S_OK;
}

STDMETHODIMP VTrackList::VTrackGetCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(vtracks_.size());
  return S_OK;
}

STDMETHODIMP VTrackList::GetVTrack(IAMTimelineObj** vtrack, LONG which) {
  if (!vtrack) return E_POINTER;
  *vtrack = nullptr;
  if (which < 0 || which >= static_cast<LONG>(vtracks_.size())) return E_INVALIDARG;
  *vtrack = vtracks_[static_cast<size_t>(which)].Get();
  (*vtrack)->AddRef();
  return S_OK;
}

void VTrackList::CountOfType(const TimelineNode& root, TIMELINE_MAJOR_TYPE type, LONG* value, LONG* withComps) {
  if (root.Kind() == type) ++*value;
  if (root.Kind() == TIMELINE_MAJOR_TYPE_COMPOSITE || root.Kind() == TIMELINE_MAJOR_TYPE_GROUP || root.Kind() == type)
    ++*withComps;
  root.ForEachChild([&](TimelineNode& child) { CountOfType(child, type, value, withComps); });
}

STDMETHODIMP VTrackList::GetCountOfType(LONG* value, LONG* valueWithComps, TIMELINE_MAJOR_TYPE type) {
  if (!value || !valueWithComps) return E_POINTER;
  *value = *valueWithComps = 0;
  CountOfType(owner_, type, value, valueWithComps);
  return S_OK;
}

STDMETHODIMP VTrackList::GetRecursiveLayerOfType(IAMTimelineObj**, LONG, TIMELINE_MAJOR_TYPE) { return E_NOTIMPL; }

STDMETHODIMP VTrackList::GetRecursiveLayerOfTypeI(IAMTimelineObj**, LONG*, TIMELINE_MAJOR_TYPE) { return E_NOTIMPL; }

STDMETHODIMP VTrackList::GetNextVTrack(IAMTimelineObj* vtrack, IAMTimelineObj** next) {
  if (!next) return E_POINTER;
  *next = nullptr;
  size_t at = 0;
  if (vtrack) {
    auto node = TimelineNode::FromUnknown(vtrack);
    auto it = std::find_if(vtracks_.begin(), vtracks_.end(), [&](const auto& p) { return p.Get() == node.Get(); });
    if (it == vtracks_.end()) return E_INVALIDARG;
    at = static_cast<size_t>(it - vtracks_.begin()) + 1;
  }
  if (at >= vtracks_.size()) return S_FALSE;
  *next = vtracks_[at].Get();
  (*next)->AddRef();
  return S_OK;
}

bool VTrackList::DetachVTrack(TimelineNode* vtrack) {
  auto it = std::find_if(vtracks_.begin(), vtracks_.end(), [vtrack](const auto& p) { return p.Get() == vtrack; });
  if (it == vtracks_.end()) return false;
  auto keep = *it;
  vtracks_.erase(it);
  keep->AttachTo(nullptr);
  return true;
}

void VTrackList::DropVTracks() {
  auto all = std::move(vtracks_);
  vtracks_.clear();
  for (auto& t : all) {
    t->AttachTo(nullptr);
    t->DropChildren();
  }
}

void VTrackList::ForEachVTrack(const std::function<void(TimelineNode&)>& visit) const {
  for (const auto& t : vtracks_) visit(*t.Get());
}

REFERENCE_TIME VTrackList::VTracksEnd() const {
  REFERENCE_TIME end = 0;
  for (const auto& t : vtracks_) end = std::max(end, t->ContentEnd());
  return end;
}

}  // namespace engine
