#pragma once
// The filter graph's builder callback of the render manager and the preview: during intelligent
// connection it vetoes every filter the skip list names. Not reference counted: it lives as long
// as the object that owns the graph.
#include <strmif.h>

class CSkipListCallback : public IAMGraphBuilderCallback {
 public:
  CSkipListCallback() = default;
  virtual ~CSkipListCallback() = default;
  CSkipListCallback(const CSkipListCallback&) = delete;
  CSkipListCallback& operator=(const CSkipListCallback&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 0; }
  // IAMGraphBuilderCallback
  STDMETHODIMP SelectedFilter(IMoniker* moniker) override;
  STDMETHODIMP CreatedFilter(IBaseFilter* filter) override;

  // Makes this callback the graph's site.
  HRESULT AttachTo(IGraphBuilder* graph);
};
