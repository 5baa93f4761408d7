#include "engine/model/TimedChildren.h"

#include <algorithm>

namespace engine {

namespace {

bool Before(REFERENCE_TIME s1, REFERENCE_TIME e1, REFERENCE_TIME s2, REFERENCE_TIME e2) {
  return s1 < s2 || (s1 == s2 && e1 < e2);
}

}  // namespace

size_t TimedChildren::UpperBound(REFERENCE_TIME start, REFERENCE_TIME stop) const {
  auto it = std::upper_bound(items_.begin(), items_.end(), 0,
                             [&](int, const Ptr& item) { return Before(start, stop, item->Start(), item->Stop()); });
  return static_cast<size_t>(it - items_.begin());
}

TimelineNode* TimedChildren::FindOverlap(REFERENCE_TIME start, REFERENCE_TIME stop, const TimelineNode* ignore) const {
  if (stop <= start) return nullptr;
  // Children are sorted by start and, being disjoint, the non-empty ones by stop as well:
  // only the last non-empty child starting before `start` can reach into [start, stop).
  auto first = std::lower_bound(items_.begin(), items_.end(), start,
                                [](const Ptr& item, REFERENCE_TIME s) { return item->Start() < s; });
  for (auto it = first; it != items_.begin();) {
    --it;
    TimelineNode* item = it->Get();
    if (item == ignore || item->Stop() <= item->Start()) continue;
    if (item->Stop() > start) return item;
    break;
  }
  for (auto it = first; it != items_.end() && (*it)->Start() < stop; ++it) {
    TimelineNode* item = it->Get();
    if (item != ignore && item->Stop() > item->Start()) return item;
  }
  return nullptr;
}

void TimedChildren::Insert(Ptr node) {
  size_t pos = UpperBound(node->Start(), node->Stop());
  items_.insert(items_.begin() + static_cast<ptrdiff_t>(pos), std::move(node));
}

ptrdiff_t TimedChildren::IndexOf(const TimelineNode* node) const {
  if (!node) return -1;
  auto it = std::lower_bound(items_.begin(), items_.end(), node, [](const Ptr& item, const TimelineNode* key) {
    return Before(item->Start(), item->Stop(), key->Start(), key->Stop());
  });
  for (; it != items_.end() && !Before(node->Start(), node->Stop(), (*it)->Start(), (*it)->Stop()); ++it)
    if (it->Get() == node) return it - items_.begin();
  // Not where its times say (never expected): fall back to a plain search.
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].Get() == node) return static_cast<ptrdiff_t>(i);
  return -1;
}

bool TimedChildren::Detach(TimelineNode* node) {
  ptrdiff_t i = IndexOf(node);
  if (i < 0) return false;
  Ptr keep = items_[static_cast<size_t>(i)];
  items_.erase(items_.begin() + i);
  keep->AttachTo(nullptr);
  return true;
}

void TimedChildren::Reposition(TimelineNode* node) {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].Get() != node) continue;
    Ptr keep = std::move(items_[i]);
    items_.erase(items_.begin() + static_cast<ptrdiff_t>(i));
    Insert(std::move(keep));
    return;
  }
}

TimelineNode* TimedChildren::NextAtOrAfter(REFERENCE_TIME t) const {
  for (const Ptr& item : items_) {
    if (item->Stop() > t || item->Start() > t) return item.Get();
  }
  return nullptr;
}

TimelineNode* TimedChildren::Find(REFERENCE_TIME t, LONG direction) const {
  switch (direction) {
    case DEXTERF_EXACTLY_AT:
      for (const Ptr& item : items_)
        if (item->Start() == t) return item.Get();
      return nullptr;
    case DEXTERF_BOUNDING:
      for (const Ptr& item : items_)
        if (item->Start() <= t && t < item->Stop()) return item.Get();
      return nullptr;
    case DEXTERF_FORWARDS:
      for (const Ptr& item : items_)
        if (item->Start() >= t) return item.Get();
      return nullptr;
    case DEXTERF_BACKWARDS:
      for (auto it = items_.rbegin(); it != items_.rend(); ++it)
        if ((*it)->Start() <= t) return it->Get();
      return nullptr;
    default: return nullptr;
  }
}

REFERENCE_TIME TimedChildren::LatestEnd() const {
  REFERENCE_TIME end = 0;
  for (const Ptr& item : items_) end = std::max(end, item->ContentEnd());
  return end;
}

std::vector<TimedChildren::Ptr> TimedChildren::TakeAll() {
  std::vector<Ptr> all;
  all.swap(items_);
  return all;
}

}  // namespace engine
