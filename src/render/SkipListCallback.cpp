#include "render/SkipListCallback.h"

#include <ocidl.h>

#include "core/FilterCatalog.h"
#include "services/ComUtil.h"

STDMETHODIMP CSkipListCallback::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IAMGraphBuilderCallback) {
    *out = static_cast<IAMGraphBuilderCallback*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP CSkipListCallback::SelectedFilter(IMoniker* moniker) {
  if (!moniker) return S_OK;
  LPOLESTR name = nullptr;
  if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &name)) || !name) return S_OK;
  const bool skipped = IsSkippedFilter(name);
  CoTaskMemFree(name);
  return skipped ? E_FAIL : S_OK;
}

STDMETHODIMP CSkipListCallback::CreatedFilter(IBaseFilter*) { return S_OK; }

HRESULT CSkipListCallback::AttachTo(IGraphBuilder* graph) {
  auto site = As<IObjectWithSite>(graph);
  return site ? site->SetSite(static_cast<IAMGraphBuilderCallback*>(this)) : E_NOINTERFACE;
}
