// Children kept in time order that may not overlap: the sources of a track, the transitions
// of a track or composition. Intervals are half-open, so a zero-length child (a new object
// whose times are set after it was added) overlaps nothing.
#pragma once

#include "engine/model/TimelineNode.h"

#include <vector>

namespace engine {

class TimedChildren {
 public:
  using Ptr = Microsoft::WRL::ComPtr<TimelineNode>;

  size_t Count() const { return items_.size(); }
  TimelineNode* At(size_t i) const { return items_[i].Get(); }
  const std::vector<Ptr>& Items() const { return items_; }

  // The child (other than `ignore`) that [start, stop) would overlap, or null.
  TimelineNode* FindOverlap(REFERENCE_TIME start, REFERENCE_TIME stop, const TimelineNode* ignore) const;
  void Insert(Ptr node);
  bool Detach(TimelineNode* node);
  // Re-sorts a child whose times changed.
  void Reposition(TimelineNode* node);
  // Position of `node`, or -1.
  ptrdiff_t IndexOf(const TimelineNode* node) const;
  // The first child "at or after" t: one that spans t, starts after t, or (for t before any
  // child) the first. Zero-length children exactly at t are passed over so that a walk that
  // feeds each stop time back in always moves on.
  TimelineNode* NextAtOrAfter(REFERENCE_TIME t) const;
  // By the search flags of GetSrcAtTime / GetTransAtTime.
  TimelineNode* Find(REFERENCE_TIME t, LONG direction) const;
  REFERENCE_TIME LatestEnd() const;
  std::vector<Ptr> TakeAll();

 private:
  size_t UpperBound(REFERENCE_TIME start, REFERENCE_TIME stop) const;
  std::vector<Ptr> items_;
};

}  // namespace engine
