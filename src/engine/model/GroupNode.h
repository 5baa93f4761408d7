// A group: the top composition of one output stream, with that stream's media type.
#pragma once

#include "engine/model/CompNode.h"

namespace engine {

class GroupNode : public CompNode, public IAMTimelineGroup {
 public:
  static HRESULT Create(ContextPtr context, IAMTimelineObj** obj);

  MRQ_NODE_REFCOUNT
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;

  STDMETHODIMP SetTimeline(IAMTimeline* timeline) override;
  STDMETHODIMP GetTimeline(IAMTimeline** timeline) override;
  STDMETHODIMP GetPriority(LONG* priority) override;
  STDMETHODIMP GetMediaType(AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP SetMediaType(AM_MEDIA_TYPE* mt) override;
  STDMETHODIMP SetOutputFPS(double fps) override;
  STDMETHODIMP GetOutputFPS(double* fps) override;
  STDMETHODIMP SetGroupName(BSTR name) override;
  STDMETHODIMP GetGroupName(BSTR* name) override;
  STDMETHODIMP SetPreviewMode(BOOL preview) override;
  STDMETHODIMP GetPreviewMode(BOOL* preview) override;
  STDMETHODIMP SetMediaTypeForVB(LONG type) override;
  STDMETHODIMP GetOutputBuffering(int* buffer) override;
  STDMETHODIMP SetOutputBuffering(int buffer) override;
  STDMETHODIMP SetSmartRecompressFormat(LONG*) override { return E_NOTIMPL; }
  STDMETHODIMP GetSmartRecompressFormat(LONG**) override { return E_NOTIMPL; }
  STDMETHODIMP IsSmartRecompressFormatSet(BOOL* set) override;
  STDMETHODIMP IsRecompressFormatDirty(BOOL* dirty) override;
  STDMETHODIMP ClearRecompressFormatDirty() override { return S_OK; }
  STDMETHODIMP SetRecompFormatFromSource(IAMTimelineSrc*) override { return E_NOTIMPL; }

 private:
  explicit GroupNode(ContextPtr context);
  ~GroupNode() override;

  AM_MEDIA_TYPE mediaType_{};
  double outputFps_;
  BOOL previewMode_ = TRUE;
  int outputBuffering_ = 30;
};

}  // namespace engine
