// The reference count and QueryInterface answers every engine COM object shares.
#pragma once

#include <objbase.h>

#include <atomic>
#include <initializer_list>

namespace engine {

// One row of a QueryInterface table: an interface id and the object seen as that interface.
struct QueryEntry {
  const IID& iid;
  IUnknown* object;
};

// Answers a QueryInterface from a table: the first row with the asked id hands out its pointer
// with a new reference; when none has it, *out is null and the answer E_NOINTERFACE.
HRESULT QueryTable(REFIID iid, void** out, std::initializer_list<QueryEntry> table);

// A COM object implementing `Interfaces`, counted from one (the creator's reference). At zero
// it calls Derived::FinalRelease, which deletes it unless Derived hides that with its own
// (a pooled object goes back to its pool instead). Derived declares QueryInterface.
template <class Derived, class... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG refs = --refs_;
    if (refs == 0) static_cast<Derived*>(this)->FinalRelease();
    return refs;
  }

  void FinalRelease() { delete this; }

 protected:
  virtual ~ComObject() = default;
  // A pooled object handed out again starts over with one reference.
  void RestartCount() { refs_ = 1; }

 private:
  std::atomic<ULONG> refs_{1};
};

}  // namespace engine
