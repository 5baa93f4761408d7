#include "engine/model/TransNode.h"

#include "engine/base/TimeUnits.h"

namespace engine {

HRESULT TransNode::Create(ContextPtr context, IAMTimelineObj** obj) {
  *obj = new (std::nothrow) TransNode(std::move(context));
  return *obj ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP TransNode::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (QueryCommon(iid, out)) return S_OK;
  if (iid == IID_IAMTimelineTrans) {
    *out = static_cast<IAMTimelineTrans*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP TransNode::GetCutPoint(REFERENCE_TIME* time) {
  if (!time) return E_POINTER;
  // Until one is set, a cuts-only render switches halfway through.
  *time = cutPointSet_ ? cutPoint_ : (stop_ - start_) / 2;
  return S_OK;
}

STDMETHODIMP TransNode::GetCutPoint2(REFTIME* time) {
  if (!time) return E_POINTER;
  REFERENCE_TIME t;
  GetCutPoint(&t);
  *time = ToSeconds(t);
  return S_OK;
}

STDMETHODIMP TransNode::SetCutPoint(REFERENCE_TIME time) {
  if (time < 0)
    return Report(kSeverityError, L"SetCutPoint: the cut point cannot lie before the transition",
                  DEX_IDS_INTERFACE_ERROR, E_INVALIDARG);
  cutPoint_ = time;
  cutPointSet_ = true;
  return S_OK;
}

STDMETHODIMP TransNode::SetCutPoint2(REFTIME time) {
  REFERENCE_TIME t;
  if (!FromSeconds(time, &t)) return E_INVALIDARG;
  return SetCutPoint(t);
}

STDMETHODIMP TransNode::GetSwapInputs(BOOL* swap) {
  if (!swap) return E_POINTER;
  *swap = swapInputs_;
  return S_OK;
}

STDMETHODIMP TransNode::SetSwapInputs(BOOL swap) {
  swapInputs_ = swap ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP TransNode::GetCutsOnly(BOOL* cutsOnly) {
  if (!cutsOnly) return E_POINTER;
  *cutsOnly = cutsOnly_;
  return S_OK;
}

STDMETHODIMP TransNode::SetCutsOnly(BOOL cutsOnly) {
  cutsOnly_ = cutsOnly ? TRUE : FALSE;
  return S_OK;
}

}  // namespace engine
