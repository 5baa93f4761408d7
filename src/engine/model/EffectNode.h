// An effect: a one-input filter applied to its parent over a span of time.
#pragma once

#include "engine/model/TimelineNode.h"

namespace engine {

class EffectNode : public TimelineNode, public IAMTimelineEffect {
 public:
  static HRESULT Create(ContextPtr context, IAMTimelineObj** obj);

  MRQ_NODE_REFCOUNT
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP EffectGetPriority(LONG* priority) override;

 private:
  explicit EffectNode(ContextPtr context) : TimelineNode(TIMELINE_MAJOR_TYPE_EFFECT, std::move(context)) {}
};

}  // namespace engine
