// A transition: a two-input filter blending a track over what lies beneath it.
#pragma once

#include "engine/model/TimelineNode.h"

namespace engine {

class TransNode : public TimelineNode, public IAMTimelineTrans {
 public:
  static HRESULT Create(ContextPtr context, IAMTimelineObj** obj);

  MRQ_NODE_REFCOUNT
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;

  STDMETHODIMP GetCutPoint(REFERENCE_TIME* time) override;
  STDMETHODIMP GetCutPoint2(REFTIME* time) override;
  STDMETHODIMP SetCutPoint(REFERENCE_TIME time) override;
  STDMETHODIMP SetCutPoint2(REFTIME time) override;
  STDMETHODIMP GetSwapInputs(BOOL* swap) override;
  STDMETHODIMP SetSwapInputs(BOOL swap) override;
  STDMETHODIMP GetCutsOnly(BOOL* cutsOnly) override;
  STDMETHODIMP SetCutsOnly(BOOL cutsOnly) override;

 private:
  explicit TransNode(ContextPtr context) : TimelineNode(TIMELINE_MAJOR_TYPE_TRANSITION, std::move(context)) {}

  bool cutPointSet_ = false;
  REFERENCE_TIME cutPoint_ = 0;  // relative to the transition's start
  BOOL swapInputs_ = FALSE;
  BOOL cutsOnly_ = FALSE;
};

}  // namespace engine
