#include "engine/base/ComObject.h"

namespace engine {

HRESULT QueryTable(REFIID iid, void** out, std::initializer_list<QueryEntry> table) {
  if (!out) return E_POINTER;
  for (const QueryEntry& entry : table) {
    if (entry.iid == iid) {
      entry.object->AddRef();
      *out = entry.object;
      return S_OK;
    }
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

}  // namespace engine
