#include "engine/model/EffectChain.h"

#include "engine/model/ChildCheck.h"

#include <algorithm>

namespace engine {

EffectChain::~EffectChain() {
  for (auto& fx : effects_) fx->AttachTo(nullptr);
}

STDMETHODIMP EffectChain::EffectInsBefore(IAMTimelineObj* fx, LONG priority) {
  LONG count = static_cast<LONG>(effects_.size());
  if (priority < -1 || priority > count)
    return owner_.Report(kSeverityError, L"EffectInsBefore: no such priority", DEX_IDS_INTERFACE_ERROR, E_INVALIDARG);
  Microsoft::WRL::ComPtr<TimelineNode> node;
  HRESULT hr = AcceptChild(owner_, fx, TIMELINE_MAJOR_TYPE_EFFECT, L"EffectInsBefore", &node);
  if (FAILED(hr)) return hr;
  node->AttachTo(&owner_);
  size_t at = priority == -1 ? effects_.size() : static_cast<size_t>(priority);
  effects_.insert(effects_.begin() + static_cast<ptrdiff_t>(at), std::move(node));
  return S_OK;
}

STDMETHODIMP EffectChain::EffectSwapPriorities(LONG a, LONG b) {
  LONG count = static_cast<LONG>(effects_.size());
  if (a < 0 || b < 0 || a >= count || b >= count)
    return owner_.Report(kSeverityError, L"EffectSwapPriorities: no such priority", DEX_IDS_INTERFACE_ERROR,
                         E_INVALIDARG);
  std::swap(effects_[static_cast<size_t>(a)], effects_[static_cast<size_t>(b)]);
  return S_OK;
}

STDMETHODIMP EffectChain::EffectGetCount(LONG* count) {
  if (!count) return E_POINTER;
  *count = static_cast<LONG>(effects_.size());
  return S_OK;
}

STDMETHODIMP EffectChain::GetEffect(IAMTimelineObj** fx, LONG which) {
  if (!fx) return E_POINTER;
  *fx = nullptr;
  if (which < 0 || which >= static_cast<LONG>(effects_.size())) return E_INVALIDARG;
  *fx = effects_[static_cast<size_t>(which)].Get();
  (*fx)->AddRef();
  return S_OK;
}

bool EffectChain::DetachEffect(TimelineNode* fx) {
  auto it = std::find_if(effects_.begin(), effects_.end(), [fx](const auto& p) { return p.Get() == fx; });
  if (it == effects_.end()) return false;
  auto keep = *it;
  effects_.erase(it);
  keep->AttachTo(nullptr);
  return true;
}

void EffectChain::DropEffects() {
  auto all = std::move(effects_);
  effects_.clear();
  for (auto& fx : all) {
    fx->AttachTo(nullptr);
    fx->DropChildren();
  }
}

void EffectChain::ForEachEffect(const std::function<void(TimelineNode&)>& visit) const {
  for (const auto& fx : effects_) visit(*fx.Get());
}

REFERENCE_TIME EffectChain::EffectsEnd() const {
  REFERENCE_TIME end = 0;
  for (const auto& fx : effects_) end = std::max(end, fx->ContentEnd());
  return end;
}

}  // namespace engine
