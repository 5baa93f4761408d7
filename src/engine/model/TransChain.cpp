#include "engine/model/TransChain.h"

#include "engine/base/TimeUnits.h"
#include "engine/model/ChildCheck.h"

namespace engine {

TransChain::~TransChain() {
  for (const auto& t : transitions_.Items()) t->AttachTo(nullptr);
}

STDMETHODIMP TransChain::TransAdd(IAMTimelineObj* trans) {
  Microsoft::WRL::ComPtr<TimelineNode> node;
  HRESULT hr = AcceptChild(owner_, trans, TIMELINE_MAJOR_TYPE_TRANSITION, L"TransAdd", &node);
  if (FAILED(hr)) return hr;
  if (transitions_.FindOverlap(node->Start(), node->Stop(), nullptr))
    return owner_.Report(kSeverityError, L"TransAdd: the transition overlaps one already there; nothing was added",
                         DEX_IDS_INTERFACE_ERROR, E_INVALIDARG);
  node->AttachTo(&owner_);
  transitions_.Insert(std::move(node));
  return S_OK;
}

STDMETHODIMP TransChain::TransGetCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(transitions_.Count());
  return S_OK;
}

STDMETHODIMP TransChain::GetNextTrans(IAMTimelineObj** trans, REFERENCE_TIME* inOut) {
  if (!trans || !inOut) return E_POINTER;
  *trans = nullptr;
  TimelineNode* next = transitions_.NextAtOrAfter(*inOut);
  if (!next) return S_FALSE;
  *trans = next;
  next->AddRef();
  *inOut = next->Stop();
  return S_OK;
}

STDMETHODIMP TransChain::GetNextTrans2(IAMTimelineObj** trans, REFTIME* inOut) {
  if (!trans || !inOut) return E_POINTER;
  REFERENCE_TIME t;
  if (!FromSeconds(*inOut, &t)) return E_INVALIDARG;
  HRESULT hr = GetNextTrans(trans, &t);
  if (hr == S_OK) *inOut = ToSeconds(t);
  return hr;
}

STDMETHODIMP TransChain::GetTransAtTime(IAMTimelineObj** trans, REFERENCE_TIME time, LONG direction) {
  if (!trans) return E_POINTER;
  *trans = transitions_.Find(time, direction);
  if (!*trans) return S_FALSE;
  (*trans)->AddRef();
  return S_OK;
}

STDMETHODIMP TransChain::GetTransAtTime2(IAMTimelineObj** trans, REFTIME time, LONG direction) {
  REFERENCE_TIME t;
  if (!FromSeconds(time, &t)) return E_INVALIDARG;
  return GetTransAtTime(trans, t, direction);
}

bool TransChain::DetachTrans(TimelineNode* trans) { return transitions_.Detach(trans); }

void TransChain::DropTransitions() {
  for (auto& t : transitions_.TakeAll()) {
    t->AttachTo(nullptr);
    t->DropChildren();
  }
}

HRESULT TransChain::ValidateTransTimes(TimelineNode* trans, REFERENCE_TIME start, REFERENCE_TIME stop) {
  if (transitions_.FindOverlap(start, stop, trans))
    return owner_.Report(kSeverityError, L"SetStartStop: the transition would overlap another one; times kept",
                         DEX_IDS_INTERFACE_ERROR, E_INVALIDARG);
  return S_OK;
}

bool TransChain::RepositionTrans(TimelineNode* trans) {
  if (trans->Kind() != TIMELINE_MAJOR_TYPE_TRANSITION) return false;
  transitions_.Reposition(trans);
  return true;
}

}  // namespace engine
