#include "engine/filters/FilterBase.h"

#include <control.h>

namespace engine::filters {

namespace {

// Walks the filter's pins by index, so pins that appear while enumerating are seen too.
class PinEnum final : public ComObject<PinEnum, IEnumPins> {
 public:
  explicit PinEnum(FilterBase* filter, int pos = 0) : filter_(filter), pos_(pos) { filter_->AddRef(); }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    return QueryTable(iid, out, {{IID_IUnknown, this}, {IID_IEnumPins, this}});
  }
  STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override {
    if (!pins || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    while (n < count && pos_ < filter_->PinCount()) {
      pins[n] = filter_->PinAt(pos_++);
      pins[n]->AddRef();
      ++n;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG count) override {
    int total = filter_->PinCount();
    if (pos_ + static_cast<int>(count) > total) {
      pos_ = total;
      return S_FALSE;
    }
    pos_ += static_cast<int>(count);
    return S_OK;
  }
  STDMETHODIMP Reset() override {
    pos_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumPins** out) override {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) PinEnum(filter_, pos_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

 private:
  ~PinEnum() { filter_->Release(); }
  FilterBase* filter_;
  int pos_;
};

}  // namespace

FilterBase::FilterBase(const CLSID& clsid) : clsid_(clsid) { InitializeCriticalSection(&lock_); }

FilterBase::~FilterBase() {
  if (clock_) clock_->Release();
  DeleteCriticalSection(&lock_);
}

STDMETHODIMP FilterBase::QueryInterface(REFIID iid, void** out) {
  const HRESULT hr = QueryTable(
      iid, out, {{IID_IUnknown, this}, {IID_IPersist, this}, {IID_IMediaFilter, this}, {IID_IBaseFilter, this}});
  return hr == E_NOINTERFACE ? QueryOther(iid, out) : hr;
}

STDMETHODIMP FilterBase::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = clsid_;
  return S_OK;
}

STDMETHODIMP FilterBase::Stop() {
  Locked hold(lock_);
  if (state_ != State_Stopped) OnStop();
  state_ = State_Stopped;
  return S_OK;
}

STDMETHODIMP FilterBase::Pause() {
  Locked hold(lock_);
  if (state_ == State_Stopped) {
    HRESULT hr = OnStart();
    if (FAILED(hr)) return hr;
  }
  state_ = State_Paused;
  return S_OK;
}

STDMETHODIMP FilterBase::Run(REFERENCE_TIME) {
  Locked hold(lock_);
  if (state_ == State_Stopped) {
    HRESULT hr = OnStart();
    if (FAILED(hr)) return hr;
  }
  state_ = State_Running;
  return S_OK;
}

STDMETHODIMP FilterBase::GetState(DWORD, FILTER_STATE* state) {
  if (!state) return E_POINTER;
  *state = state_;
  return S_OK;
}

STDMETHODIMP FilterBase::SetSyncSource(IReferenceClock* clock) {
  Locked hold(lock_);
  if (clock) clock->AddRef();
  if (clock_) clock_->Release();
  clock_ = clock;
  return S_OK;
}

STDMETHODIMP FilterBase::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  Locked hold(lock_);
  *clock = clock_;
  if (clock_) clock_->AddRef();
  return S_OK;
}

STDMETHODIMP FilterBase::EnumPins(IEnumPins** pins) {
  if (!pins) return E_POINTER;
  *pins = new (std::nothrow) PinEnum(this);
  return *pins ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP FilterBase::FindPin(LPCWSTR id, IPin** pin) {
  if (!id || !pin) return E_POINTER;
  *pin = nullptr;
  for (int i = 0; i < PinCount(); ++i) {
    IPin* p = PinAt(i);
    LPWSTR pid = nullptr;
    if (SUCCEEDED(p->QueryId(&pid))) {
      bool same = lstrcmpW(pid, id) == 0;
      CoTaskMemFree(pid);
      if (same) {
        *pin = p;
        p->AddRef();
        return S_OK;
      }
    }
  }
  return VFW_E_NOT_FOUND;
}

STDMETHODIMP FilterBase::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  Locked hold(lock_);
  lstrcpynW(info->achName, name_.c_str(), MAX_FILTER_NAME);
  info->pGraph = graph_;
  if (graph_) graph_->AddRef();
  return S_OK;
}

STDMETHODIMP FilterBase::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  Locked hold(lock_);
  graph_ = graph;
  name_ = name ? name : L"";
  return S_OK;
}

STDMETHODIMP FilterBase::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

FILTER_STATE FilterBase::State() { return state_; }

HRESULT FilterBase::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
  IMediaEventSink* sink = nullptr;
  {
    Locked hold(lock_);
    if (!graph_) return S_FALSE;
    graph_->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink));
  }
  if (!sink) return E_NOINTERFACE;
  HRESULT hr = sink->Notify(code, param1, param2);
  sink->Release();
  return hr;
}

}  // namespace engine::filters
