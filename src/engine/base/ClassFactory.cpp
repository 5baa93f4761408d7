#include "engine/base/ClassFactory.h"

namespace engine {

STDMETHODIMP ClassFactory::QueryInterface(REFIID iid, void** out) {
  return QueryTable(iid, out, {{IID_IUnknown, this}, {IID_IClassFactory, this}});
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  return create_(iid, out);
}

}  // namespace engine
