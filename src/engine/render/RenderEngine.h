// The render engine (CLSID_RenderEngine): builds the front end of a timeline into a filter
// graph — one source filter with one output pin per group — and keeps it up to date with the
// timeline when asked again.
#pragma once

#include "engine/base/ComObject.h"
#include "engine/render/TimelineSource.h"
#include "services/EditingServices.h"

#include <wrl/client.h>

namespace engine::render {

class RenderEngine final : public ComObject<RenderEngine, IRenderEngine> {
 public:
  static HRESULT Create(REFIID iid, void** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;

  STDMETHODIMP SetTimelineObject(IAMTimeline* timeline) override;
  STDMETHODIMP GetTimelineObject(IAMTimeline** timeline) override;
  STDMETHODIMP GetFilterGraph(IGraphBuilder** graph) override;
  STDMETHODIMP SetFilterGraph(IGraphBuilder* graph) override;
  STDMETHODIMP SetInterestRange(REFERENCE_TIME, REFERENCE_TIME) override { return E_NOTIMPL; }
  STDMETHODIMP SetInterestRange2(double, double) override { return E_NOTIMPL; }
  STDMETHODIMP SetRenderRange(REFERENCE_TIME start, REFERENCE_TIME stop) override;
  STDMETHODIMP SetRenderRange2(double start, double stop) override;
  STDMETHODIMP GetGroupOutputPin(LONG group, IPin** pin) override;
  STDMETHODIMP ScrapIt() override;
  STDMETHODIMP RenderOutputPins() override { return E_NOTIMPL; }
  STDMETHODIMP GetVendorString(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP ConnectFrontEnd() override;
  STDMETHODIMP SetSourceConnectCallback(IGrfCache*) override { return E_NOTIMPL; }
  STDMETHODIMP SetDynamicReconnectLevel(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP DoSmartRecompression() override { return E_NOTIMPL; }
  STDMETHODIMP UseInSmartRecompressionGraph() override { return E_NOTIMPL; }
  STDMETHODIMP SetSourceNameValidation(BSTR, IMediaLocator*, LONG) override { return E_NOTIMPL; }
  STDMETHODIMP Commit() override { return E_NOTIMPL; }
  STDMETHODIMP Decommit() override { return E_NOTIMPL; }
  STDMETHODIMP GetCaps(LONG, LONG*) override { return E_NOTIMPL; }

 private:
  RenderEngine() = default;
  ~RenderEngine();
  HRESULT BuildFrontEnd();
  // Takes the front end out of the graph, disconnected from whatever followed it.
  void DropFrontEnd();

  Microsoft::WRL::ComPtr<IAMTimeline> timeline_;
  Microsoft::WRL::ComPtr<IGraphBuilder> graph_;
  Microsoft::WRL::ComPtr<TimelineSource> source_;
  // Applied by the next ConnectFrontEnd; output time 0 is the range's start.
  REFERENCE_TIME rangeStart_ = 0;
  REFERENCE_TIME rangeStop_ = -1;  // -1: to the timeline's end
};

}  // namespace engine::render
