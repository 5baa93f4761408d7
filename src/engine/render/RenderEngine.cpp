#include "engine/render/RenderEngine.h"

#include "engine/base/TimeUnits.h"
#include "services/ComUtil.h"

#include <control.h>
#include <uuids.h>

#include <algorithm>
#include <exception>
#include <new>

using Microsoft::WRL::ComPtr;

namespace engine::render {

HRESULT RenderEngine::Create(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  auto* engine = new (std::nothrow) RenderEngine();
  if (!engine) return E_OUTOFMEMORY;
  HRESULT hr = engine->QueryInterface(iid, out);
  engine->Release();
  return hr;
}

RenderEngine::~RenderEngine() { DropFrontEnd(); }

STDMETHODIMP RenderEngine::QueryInterface(REFIID iid, void** out) {
  return QueryTable(iid, out, {{IID_IUnknown, this}, {IID_IRenderEngine, this}});
}

STDMETHODIMP RenderEngine::SetTimelineObject(IAMTimeline* timeline) {
  if (!timeline) return E_INVALIDARG;
  // The front end stays: the next ConnectFrontEnd compares its groups with the new timeline's.
  timeline_ = timeline;
  return S_OK;
}

STDMETHODIMP RenderEngine::GetTimelineObject(IAMTimeline** timeline) {
  if (!timeline) return E_POINTER;
  *timeline = timeline_.Get();
  if (*timeline) (*timeline)->AddRef();
  return S_OK;
}

STDMETHODIMP RenderEngine::GetFilterGraph(IGraphBuilder** graph) {
  if (!graph) return E_POINTER;
  *graph = graph_.Get();
  if (*graph) (*graph)->AddRef();
  return S_OK;
}

STDMETHODIMP RenderEngine::SetFilterGraph(IGraphBuilder* graph) {
  if (graph == graph_.Get()) return S_OK;
  DropFrontEnd();  // a front end lives in one graph only
  graph_ = graph;
  return S_OK;
}

STDMETHODIMP RenderEngine::SetRenderRange(REFERENCE_TIME start, REFERENCE_TIME stop) {
  if (start < 0 || (stop != -1 && stop <= start)) return E_INVALIDARG;
  rangeStart_ = start;
  rangeStop_ = stop;
  return S_OK;
}

STDMETHODIMP RenderEngine::SetRenderRange2(double start, double stop) {
  REFERENCE_TIME s, e;
  if (!FromSeconds(start, &s) || !FromSeconds(stop, &e)) return E_INVALIDARG;
  return SetRenderRange(s, stop < 0 ? -1 : e);
}

STDMETHODIMP RenderEngine::GetGroupOutputPin(LONG group, IPin** pin) {
  if (!pin) return E_POINTER;
  *pin = nullptr;
  if (!source_) return E_UNEXPECTED;
  TimelineSourcePin* p = group >= 0 ? source_->Pin(static_cast<size_t>(group)) : nullptr;
  if (!p) return E_INVALIDARG;
  *pin = p;
  p->AddRef();
  return S_OK;
}

void RenderEngine::DropFrontEnd() {
  if (!source_) return;
  if (graph_) {
    // Connections may only change while stopped.
    FILTER_STATE state = State_Stopped;
    source_->GetState(0, &state);
    ComPtr<IMediaControl> control;
    if (state != State_Stopped && SUCCEEDED(graph_.As(&control))) control->Stop();
    for (int i = 0; i < source_->PinCount(); ++i) {
      IPin* pin = source_->PinAt(i);
      ComPtr<IPin> peer;
      if (SUCCEEDED(pin->ConnectedTo(&peer)) && peer) {
        graph_->Disconnect(peer.Get());
        graph_->Disconnect(pin);
      }
    }
    graph_->RemoveFilter(source_.Get());
  }
  source_->Stop();
  source_.Reset();
}

STDMETHODIMP RenderEngine::ScrapIt() {
  DropFrontEnd();
  graph_.Reset();
  return S_OK;
}

STDMETHODIMP RenderEngine::ConnectFrontEnd() {
  try {
    return BuildFrontEnd();
  } catch (const std::exception&) {  // nothing may escape through COM
    return E_OUTOFMEMORY;
  }
}

HRESULT RenderEngine::BuildFrontEnd() {
  if (!timeline_) return E_INVALIDARG;
  HRESULT hr;
  if (!graph_ && FAILED(hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                              reinterpret_cast<void**>(graph_.GetAddressOf()))))
    return hr;

  LONG count = 0;
  if (FAILED(hr = timeline_->GetGroupCount(&count))) return hr;
  std::vector<PlanPtr> plans;
  for (LONG i = 0; i < count; ++i) {
    auto plan = std::make_shared<GroupPlan>();
    if (FAILED(hr = ReadGroupPlan(timeline_.Get(), i, plan.get()))) return hr;
    if (!CanProduce(plan->type.Get())) {
      LogTo(plan->log.Get(), DEX_IDS_BAD_MEDIATYPE, VFW_E_INVALIDMEDIATYPE,
            L"ConnectFrontEnd: group " + std::to_wstring(i) + L" has a media type the engine cannot produce");
      return VFW_E_INVALIDMEDIATYPE;
    }
    const REFERENCE_TIME end = rangeStop_ < 0 ? plan->duration : std::min(rangeStop_, plan->duration);
    plan->offset = rangeStart_;
    plan->duration = std::max<REFERENCE_TIME>(0, end - rangeStart_);
    plans.push_back(std::move(plan));
  }

  // The front end must still be in this graph for the connections made to it to count.
  bool inGraph = false;
  if (source_) {
    FILTER_INFO info{};
    if (SUCCEEDED(source_->QueryFilterInfo(&info)) && info.pGraph) {
      ComPtr<IGraphBuilder> owner;
      info.pGraph->QueryInterface(IID_IGraphBuilder, reinterpret_cast<void**>(owner.GetAddressOf()));
      inGraph = owner.Get() == graph_.Get();
      info.pGraph->Release();
    }
  }
  if (source_ && inGraph && source_->SameGroups(plans)) {
    source_->SetPlans(plans);
    return S_OK;
  }
  const bool hadOutputs = source_ && source_->PinCount() > 0;
  DropFrontEnd();
  if (plans.empty()) return hadOutputs ? S_WARN_OUTPUTRESET : S_OK;
  auto* source = new (std::nothrow) TimelineSource(plans);
  if (!source) return E_OUTOFMEMORY;
  Adopt(source_, source);
  if (FAILED(hr = graph_->AddFilter(source_.Get(), L"Timeline source"))) {
    source_.Reset();
    return hr;
  }
  return S_WARN_OUTPUTRESET;
}

}  // namespace engine::render
