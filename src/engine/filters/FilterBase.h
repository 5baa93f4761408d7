// The small part of a DirectShow filter every engine filter shares: reference count, state,
// clock, graph membership and pin enumeration. Pins live as long as their filter and count
// their references on it.
#pragma once

#include "engine/base/ComObject.h"

#include <windows.h>
#include <strmif.h>
#include <vfwmsgs.h>

#include <atomic>
#include <new>
#include <string>

namespace engine::filters {

class FilterBase : public ComObject<FilterBase, IBaseFilter> {
 public:
  explicit FilterBase(const CLSID& clsid);
  ~FilterBase() override;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;

  STDMETHODIMP GetClassID(CLSID* clsid) override;

  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeout, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;

  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

  // Pins in the filter's order; the pointer is borrowed.
  virtual int PinCount() = 0;
  virtual IPin* PinAt(int index) = 0;

  FILTER_STATE State();
  // Posts an event to the graph the filter belongs to (nothing when it belongs to none).
  HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);
  // Guards state changes and connections.
  CRITICAL_SECTION& Lock() { return lock_; }

 protected:
  // Interfaces beyond the filter's own, answered after IBaseFilter and its bases.
  virtual HRESULT QueryOther(REFIID, void**) { return E_NOINTERFACE; }
  // Stopped → paused: get ready to stream; a failure leaves the filter stopped.
  virtual HRESULT OnStart() { return S_OK; }
  // Paused or running → stopped.
  virtual void OnStop() {}

 private:
  CLSID clsid_;
  CRITICAL_SECTION lock_;
  std::atomic<FILTER_STATE> state_{State_Stopped};  // read by streaming threads without the lock
  IReferenceClock* clock_ = nullptr;
  IFilterGraph* graph_ = nullptr;  // not counted: the graph holds the filter
  std::wstring name_;
};

// Creates an object that starts with one reference, hands out the asked interface and drops
// the creation reference.
template <class T>
HRESULT CreateAndQuery(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  T* obj = new (std::nothrow) T();
  if (!obj) return E_OUTOFMEMORY;
  HRESULT hr = obj->QueryInterface(iid, out);
  obj->Release();
  return hr;
}

// A critical section held for a scope.
class Locked {
 public:
  explicit Locked(CRITICAL_SECTION& cs) : cs_(cs) { EnterCriticalSection(&cs_); }
  ~Locked() { LeaveCriticalSection(&cs_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  CRITICAL_SECTION& cs_;
};

}  // namespace engine::filters
