#pragma once
// The in-memory tree of groups, tracks and items that the timeline view draws and hit-tests
// and that the main window uses to locate a clicked object. Rebuilt from the timeline after
// every change; node pointers stay valid until the next rebuild.
#include <cstdint>
#include <functional>
#include <vector>

#include "timeline/TLNode.h"

class CTLModel {
 public:
  // Drops the old tree and reads the timeline's groups, tracks and items again. A null
  // timeline leaves the tree empty. Returns the group count.
  int Rebuild(IAMTimeline* timeline);

  int GroupCount() const { return static_cast<int>(groups_.size()); }
  TLNode& Group(int index) { return groups_[static_cast<size_t>(index)]; }
  const TLNode& Group(int index) const { return groups_[static_cast<size_t>(index)]; }
  // The largest stop time (microseconds) of any item seen since the model was made. It never
  // goes down, so the view's scroll range does not jump back when objects are deleted.
  int64_t LargestStop() const { return largestStop_; }
  IAMTimeline* Timeline() const { return timeline_.Get(); }

 private:
  void ReadTrack(TLNode& track);
  void ReadItem(TLNode& item);

  Microsoft::WRL::ComPtr<IAMTimeline> timeline_;
  std::vector<TLNode> groups_;
  int64_t largestStop_ = 0;
};

using TLNodeVisitor = std::function<int(TLNode&)>;

// Calls the visitor with every node whose kind is in the mask: per group, per track in
// index order its sources, effects, transitions and then the track; after the tracks the
// group. Returns the sum of the visitor's results.
int ForEachNode(CTLModel& model, uint32_t mask, const TLNodeVisitor& visitor);

// Clears a node's selected flag; 1 when it was set.
int ClearSelection(TLNode& node);

// Finds the group and track indexes of a node. A null node returns -1 and leaves the
// outputs alone; a node that is not in the model sets both to -1 and returns -1. For a
// group the track index is -1. Returns 0 when found.
int FindNodePosition(const CTLModel& model, const TLNode* node, int* group, int* track);
