#include "engine/model/EffectNode.h"

namespace engine {

HRESULT EffectNode::Create(ContextPtr context, IAMTimelineObj** obj) {
  *obj = new (std::nothrow) EffectNode(std::move(context));
  return *obj ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP EffectNode::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (QueryCommon(iid, out)) return S_OK;
  if (iid == IID_IAMTimelineEffect) {
    *out = static_cast<IAMTimelineEffect*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP EffectNode::EffectGetPriority(LONG* priority) {
  if (!priority) return E_POINTER;
  *priority = -1;
  if (!Parent()) return E_NOTINTREE;
  Microsoft::WRL::ComPtr<IAMTimelineEffectable> chain;
  if (FAILED(Parent()->QueryInterface(IID_IAMTimelineEffectable, reinterpret_cast<void**>(chain.GetAddressOf()))))
    return E_NOTINTREE;
  LONG count = 0;
  chain->EffectGetCount(&count);
  for (LONG i = 0; i < count; ++i) {
    Microsoft::WRL::ComPtr<IAMTimelineObj> fx;
    if (SUCCEEDED(chain->GetEffect(&fx, i)) && fx.Get() == static_cast<IAMTimelineObj*>(this)) {
      *priority = i;
      return S_OK;
    }
  }
  return E_NOTINTREE;
}

}  // namespace engine
