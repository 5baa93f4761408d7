// One class factory per engine class; registered for the process by EngineRegistration.
#pragma once

#include "engine/base/ComObject.h"

#include <objbase.h>

namespace engine {

using CreateFn = HRESULT (*)(REFIID iid, void** out);

class ClassFactory final : public ComObject<ClassFactory, IClassFactory> {
 public:
  explicit ClassFactory(CreateFn create) : create_(create) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  ~ClassFactory() = default;
  CreateFn create_;
};

}  // namespace engine
