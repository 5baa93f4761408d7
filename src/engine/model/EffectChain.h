// The effects of a group, composition, track or source, in priority order (index = priority).
#pragma once

#include "engine/model/TimelineNode.h"

#include <vector>

namespace engine {

class EffectChain : public IAMTimelineEffectable {
 public:
  STDMETHODIMP EffectInsBefore(IAMTimelineObj* fx, LONG priority) override;
  STDMETHODIMP EffectSwapPriorities(LONG a, LONG b) override;
  STDMETHODIMP EffectGetCount(LONG* count) override;
  STDMETHODIMP GetEffect(IAMTimelineObj** fx, LONG which) override;

 protected:
  explicit EffectChain(TimelineNode& owner) : owner_(owner) {}
  ~EffectChain();

  bool DetachEffect(TimelineNode* fx);
  void DropEffects();
  void ForEachEffect(const std::function<void(TimelineNode&)>& visit) const;
  REFERENCE_TIME EffectsEnd() const;

 private:
  TimelineNode& owner_;
  std::vector<Microsoft::WRL::ComPtr<TimelineNode>> effects_;
};

}  // namespace engine
