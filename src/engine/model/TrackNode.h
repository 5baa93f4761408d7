// A track: sources in time order that never overlap, plus effects and transitions.
#pragma once

#include "engine/model/EffectChain.h"
#include "engine/model/TransChain.h"

namespace engine {

class TrackNode : public TimelineNode,
                  public EffectChain,
                  public TransChain,
                  public IAMTimelineTrack,
                  public IAMTimelineVirtualTrack {
 public:
  static HRESULT Create(ContextPtr context, IAMTimelineObj** obj);

  MRQ_NODE_REFCOUNT
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;

  REFERENCE_TIME ContentEnd() const override;
  void ForEachChild(const std::function<void(TimelineNode&)>& visit) const override;
  bool DetachChild(TimelineNode* child) override;
  void DropChildren() override;
  HRESULT ValidateChildTimes(TimelineNode* child, REFERENCE_TIME start, REFERENCE_TIME stop) override;
  void ChildTimesChanged(TimelineNode* child) override;

  // IAMTimelineTrack
  STDMETHODIMP SrcAdd(IAMTimelineObj* source) override;
  STDMETHODIMP GetNextSrc(IAMTimelineObj** source, REFERENCE_TIME* inOut) override;
  STDMETHODIMP GetNextSrc2(IAMTimelineObj** source, REFTIME* inOut) override;
  STDMETHODIMP MoveEverythingBy(REFERENCE_TIME, REFERENCE_TIME) override { return E_NOTIMPL; }
  STDMETHODIMP MoveEverythingBy2(REFTIME, REFTIME) override { return E_NOTIMPL; }
  STDMETHODIMP GetSourcesCount(LONG* count) override;
  STDMETHODIMP AreYouBlank(LONG* blank) override;
  STDMETHODIMP GetSrcAtTime(IAMTimelineObj** source, REFERENCE_TIME time, LONG direction) override;
  STDMETHODIMP GetSrcAtTime2(IAMTimelineObj** source, REFTIME time, LONG direction) override;
  STDMETHODIMP InsertSpace(REFERENCE_TIME, REFERENCE_TIME) override { return E_NOTIMPL; }
  STDMETHODIMP InsertSpace2(REFTIME, REFTIME) override { return E_NOTIMPL; }
  STDMETHODIMP ZeroBetween(REFERENCE_TIME, REFERENCE_TIME) override { return E_NOTIMPL; }
  STDMETHODIMP ZeroBetween2(REFTIME, REFTIME) override { return E_NOTIMPL; }
  STDMETHODIMP GetNextSrcEx(IAMTimelineObj* last, IAMTimelineObj** next) override;

  // IAMTimelineVirtualTrack
  STDMETHODIMP TrackGetPriority(LONG* priority) override;
  STDMETHODIMP SetTrackDirty() override { return S_OK; }

 private:
  explicit TrackNode(ContextPtr context);
  ~TrackNode() override;
  bool IsContainer() const override { return true; }

  TimedChildren sources_;
};

}  // namespace engine
