// The capture graph builder's file-output step: the multiplexer and its file writer for a
// destination, and streams rendered into them through the graph's own intelligent connection
// (so the graph's filter veto applies). Capture-device features are not offered.
#pragma once

#include "engine/base/ComObject.h"

#include <windows.h>
#include <strmif.h>

namespace engine::output {

class CaptureGraphBuilder final : public ComObject<CaptureGraphBuilder, ICaptureGraphBuilder2> {
 public:
  CaptureGraphBuilder() = default;
  static HRESULT Create(REFIID iid, void** out);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;

  STDMETHODIMP SetFiltergraph(IGraphBuilder* graph) override;
  STDMETHODIMP GetFiltergraph(IGraphBuilder** graph) override;
  STDMETHODIMP SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** mux, IFileSinkFilter** sink) override;
  STDMETHODIMP FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID iid,
                             void** out) override;
  STDMETHODIMP RenderStream(const GUID* category, const GUID* type, IUnknown* source, IBaseFilter* intermediate,
                            IBaseFilter* sink) override;
  STDMETHODIMP ControlStream(const GUID*, const GUID*, IBaseFilter*, REFERENCE_TIME*, REFERENCE_TIME*, WORD,
                             WORD) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP AllocCapFile(LPCOLESTR, DWORDLONG) override { return E_NOTIMPL; }
  STDMETHODIMP CopyCaptureFile(LPOLESTR, LPOLESTR, int, IAMCopyCaptureFileProgress*) override { return E_NOTIMPL; }
  STDMETHODIMP FindPin(IUnknown* source, PIN_DIRECTION dir, const GUID* category, const GUID* type, BOOL unconnected,
                       int num, IPin** pin) override;

 private:
  ~CaptureGraphBuilder();
  HRESULT EnsureGraph();

  IGraphBuilder* graph_ = nullptr;
};

}  // namespace engine::output
