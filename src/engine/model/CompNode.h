// A composition: a virtual track that holds virtual tracks of its own. Groups are
// compositions at the top of the tree.
#pragma once

#include "engine/model/EffectChain.h"
#include "engine/model/TransChain.h"
#include "engine/model/VTrackList.h"

namespace engine {

class CompNode : public TimelineNode,
                 public VTrackList,
                 public EffectChain,
                 public TransChain,
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

  // IAMTimelineVirtualTrack
  STDMETHODIMP TrackGetPriority(LONG* priority) override;
  STDMETHODIMP SetTrackDirty() override { return S_OK; }

  // A virtual track's index among its parent's virtual tracks.
  static HRESULT PriorityInParent(TimelineNode& vtrack, LONG* priority);

 protected:
  CompNode(TIMELINE_MAJOR_TYPE kind, ContextPtr context);
  bool IsContainer() const override { return true; }
  bool QueryComp(REFIID iid, void** out);
};

}  // namespace engine
