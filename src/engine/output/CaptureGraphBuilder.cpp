#include "engine/output/CaptureGraphBuilder.h"

#include "engine/filters/FilterBase.h"
#include "services/ComUtil.h"

#include <uuids.h>
#include <wrl/client.h>

#include <vector>

using Microsoft::WRL::ComPtr;

namespace engine::output {

namespace {

bool PinHasMajorType(IPin* pin, const GUID& major) {
  AM_MEDIA_TYPE mt{};
  if (SUCCEEDED(pin->ConnectionMediaType(&mt))) {
    bool same = mt.majortype == major;
    CoTaskMemFree(mt.pbFormat);
    if (mt.pUnk) mt.pUnk->Release();
    return same;
  }
  ComPtr<IEnumMediaTypes> types;
  if (FAILED(pin->EnumMediaTypes(&types))) return false;
  AM_MEDIA_TYPE* t = nullptr;
  bool found = false;
  while (!found && types->Next(1, &t, nullptr) == S_OK) {
    found = t->majortype == major;
    CoTaskMemFree(t->pbFormat);
    if (t->pUnk) t->pUnk->Release();
    CoTaskMemFree(t);
  }
  return found;
}

// The num-th pin of a filter in a direction, optionally only unconnected ones and only of a
// major type.
HRESULT NthPin(IBaseFilter* filter, PIN_DIRECTION dir, bool unconnected, const GUID* type, int num, IPin** out) {
  *out = nullptr;
  for (ComPtr<IPin>& pin : FilterPins(filter, dir)) {
    if (unconnected) {
      ComPtr<IPin> peer;
      if (SUCCEEDED(pin->ConnectedTo(&peer))) continue;
    }
    if (type && !PinHasMajorType(pin.Get(), *type)) continue;
    if (num-- == 0) {
      *out = pin.Detach();
      return S_OK;
    }
  }
  return E_FAIL;
}

bool IsCapturePinCategory(const GUID* category) {
  return category && *category != LOOK_DOWNSTREAM_ONLY && *category != LOOK_UPSTREAM_ONLY;
}

// Looks for an interface on the filter, its pins, and the filters connected to it.
HRESULT SearchInterface(IBaseFilter* filter, REFIID iid, void** out, bool down, bool up,
                        std::vector<IBaseFilter*>& seen) {
  for (IBaseFilter* f : seen)
    if (f == filter) return E_NOINTERFACE;
  seen.push_back(filter);
  if (SUCCEEDED(filter->QueryInterface(iid, out))) return S_OK;
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(&pins))) return E_NOINTERFACE;
  std::vector<ComPtr<IBaseFilter>> next;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    if (SUCCEEDED(pin->QueryInterface(iid, out))) return S_OK;
    PIN_DIRECTION d;
    ComPtr<IPin> peer;
    if (FAILED(pin->QueryDirection(&d)) || FAILED(pin->ConnectedTo(&peer))) continue;
    if ((d == PINDIR_OUTPUT && !down) || (d == PINDIR_INPUT && !up)) continue;
    PIN_INFO info{};
    if (SUCCEEDED(peer->QueryPinInfo(&info)) && info.pFilter) {
      next.emplace_back();
      Adopt(next.back(), info.pFilter);
    }
  }
  for (auto& f : next)
    if (SUCCEEDED(SearchInterface(f.Get(), iid, out, down, up, seen))) return S_OK;
  return E_NOINTERFACE;
}

}  // namespace

HRESULT CaptureGraphBuilder::Create(REFIID iid, void** out) {
  return filters::CreateAndQuery<CaptureGraphBuilder>(iid, out);
}

CaptureGraphBuilder::~CaptureGraphBuilder() {
  if (graph_) graph_->Release();
}

STDMETHODIMP CaptureGraphBuilder::QueryInterface(REFIID iid, void** out) {
  return QueryTable(iid, out, {{IID_IUnknown, this}, {IID_ICaptureGraphBuilder2, this}});
}

STDMETHODIMP CaptureGraphBuilder::SetFiltergraph(IGraphBuilder* graph) {
  if (!graph) return E_POINTER;
  if (graph_) return E_UNEXPECTED;  // one graph per builder
  graph_ = graph;
  graph_->AddRef();
  return S_OK;
}

HRESULT CaptureGraphBuilder::EnsureGraph() {
  if (graph_) return S_OK;
  return CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                          reinterpret_cast<void**>(&graph_));
}

STDMETHODIMP CaptureGraphBuilder::GetFiltergraph(IGraphBuilder** graph) {
  if (!graph) return E_POINTER;
  *graph = nullptr;
  HRESULT hr = EnsureGraph();
  if (FAILED(hr)) return hr;
  *graph = graph_;
  graph_->AddRef();
  return S_OK;
}

STDMETHODIMP CaptureGraphBuilder::SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** muxOut,
                                                    IFileSinkFilter** sinkOut) {
  if (muxOut) *muxOut = nullptr;
  if (sinkOut) *sinkOut = nullptr;
  if (!type || !file) return E_POINTER;
  HRESULT hr = EnsureGraph();
  if (FAILED(hr)) return hr;
  const CLSID& clsid = *type == MEDIASUBTYPE_Avi ? CLSID_AviDest : *type;
  ComPtr<IBaseFilter> mux;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                        reinterpret_cast<void**>(mux.GetAddressOf()));
  if (FAILED(hr)) return hr;
  hr = graph_->AddFilter(mux.Get(), L"Mux");
  if (FAILED(hr)) return hr;

  // A multiplexer that writes files itself is its own sink; any other gets a file writer.
  ComPtr<IFileSinkFilter> sink;
  ComPtr<IBaseFilter> writer;
  if (FAILED(mux.As(&sink))) {
    hr = CoCreateInstance(CLSID_FileWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                          reinterpret_cast<void**>(writer.GetAddressOf()));
    if (SUCCEEDED(hr)) hr = graph_->AddFilter(writer.Get(), L"File Writer");
    if (SUCCEEDED(hr)) hr = writer.As(&sink);
  }
  if (SUCCEEDED(hr)) hr = sink->SetFileName(file, nullptr);
  if (SUCCEEDED(hr) && writer) {
    ComPtr<IPin> out, in;
    hr = NthPin(mux.Get(), PINDIR_OUTPUT, true, nullptr, 0, &out);
    if (SUCCEEDED(hr)) hr = NthPin(writer.Get(), PINDIR_INPUT, true, nullptr, 0, &in);
    if (SUCCEEDED(hr)) hr = graph_->ConnectDirect(out.Get(), in.Get(), nullptr);
  }
  if (FAILED(hr)) {
    if (writer) graph_->RemoveFilter(writer.Get());
    graph_->RemoveFilter(mux.Get());
    return hr;
  }
  if (muxOut) *muxOut = mux.Detach();
  if (sinkOut) *sinkOut = sink.Detach();
  return S_OK;
}

STDMETHODIMP CaptureGraphBuilder::RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                                               IBaseFilter* intermediate, IBaseFilter* sink) {
  if (!source) return E_POINTER;
  if (category || type) return E_NOTIMPL;  // capture and preview pin categories: not offered
  if (!graph_) return E_UNEXPECTED;

  ComPtr<IPin> from;
  if (SUCCEEDED(source->QueryInterface(IID_IPin, reinterpret_cast<void**>(from.GetAddressOf())))) {
    PIN_DIRECTION d;
    if (FAILED(from->QueryDirection(&d)) || d != PINDIR_OUTPUT) return E_INVALIDARG;
  } else {
    ComPtr<IBaseFilter> filter;
    HRESULT hr = source->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(filter.GetAddressOf()));
    if (FAILED(hr)) return E_INVALIDARG;
    hr = NthPin(filter.Get(), PINDIR_OUTPUT, true, nullptr, 0, &from);
    if (FAILED(hr)) return hr;
  }

  HRESULT hr = S_OK;
  if (intermediate) {
    ComPtr<IPin> in;
    hr = NthPin(intermediate, PINDIR_INPUT, true, nullptr, 0, &in);
    if (SUCCEEDED(hr)) hr = graph_->Connect(from.Get(), in.Get());
    if (SUCCEEDED(hr)) hr = NthPin(intermediate, PINDIR_OUTPUT, true, nullptr, 0, from.ReleaseAndGetAddressOf());
    if (FAILED(hr)) return hr;
  }
  if (!sink) return graph_->Render(from.Get());
  ComPtr<IPin> in;
  hr = NthPin(sink, PINDIR_INPUT, true, nullptr, 0, &in);
  if (FAILED(hr)) return hr;
  return graph_->Connect(from.Get(), in.Get());
}

STDMETHODIMP CaptureGraphBuilder::FindInterface(const GUID* category, const GUID*, IBaseFilter* filter, REFIID iid,
                                                void** out) {
  if (!filter || !out) return E_POINTER;
  *out = nullptr;
  if (IsCapturePinCategory(category)) return E_NOTIMPL;
  bool down = !(category && *category == LOOK_UPSTREAM_ONLY);
  bool up = !(category && *category == LOOK_DOWNSTREAM_ONLY);
  std::vector<IBaseFilter*> seen;
  return SearchInterface(filter, iid, out, down, up, seen);
}

STDMETHODIMP CaptureGraphBuilder::FindPin(IUnknown* source, PIN_DIRECTION dir, const GUID* category, const GUID* type,
                                          BOOL unconnected, int num, IPin** pin) {
  if (!source || !pin) return E_POINTER;
  *pin = nullptr;
  if (category) return E_NOTIMPL;
  ComPtr<IBaseFilter> filter;
  if (FAILED(source->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(filter.GetAddressOf()))))
    return E_INVALIDARG;
  return NthPin(filter.Get(), dir, unconnected != FALSE, type, num, pin);
}

}  // namespace engine::output
