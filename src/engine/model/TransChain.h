// The transitions of a group, composition or track: in time order, never overlapping.
#pragma once

#include "engine/model/TimedChildren.h"

namespace engine {

class TransChain : public IAMTimelineTransable {
 public:
  STDMETHODIMP TransAdd(IAMTimelineObj* trans) override;
  STDMETHODIMP TransGetCount(LONG* count) override;
  STDMETHODIMP GetNextTrans(IAMTimelineObj** trans, REFERENCE_TIME* inOut) override;
  STDMETHODIMP GetNextTrans2(IAMTimelineObj** trans, REFTIME* inOut) override;
  STDMETHODIMP GetTransAtTime(IAMTimelineObj** trans, REFERENCE_TIME time, LONG direction) override;
  STDMETHODIMP GetTransAtTime2(IAMTimelineObj** trans, REFTIME time, LONG direction) override;

 protected:
  explicit TransChain(TimelineNode& owner) : owner_(owner) {}
  ~TransChain();

  bool DetachTrans(TimelineNode* trans);
  void DropTransitions();
  HRESULT ValidateTransTimes(TimelineNode* trans, REFERENCE_TIME start, REFERENCE_TIME stop);
  bool RepositionTrans(TimelineNode* trans);
  const TimedChildren& Transitions() const { return transitions_; }

 private:
  TimelineNode& owner_;
  TimedChildren transitions_;
};

}  // namespace engine
