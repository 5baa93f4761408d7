// The virtual tracks (tracks and nested compositions) of a group or composition. A track's
// index in the list is its priority: 0 is laid down first, higher ones cover it.
#pragma once

#include "engine/model/TimelineNode.h"

#include <vector>

namespace engine {

class VTrackList : public IAMTimelineComp {
 public:
  STDMETHODIMP VTrackInsBefore(IAMTimelineObj* vtrack, LONG priority) override;
  STDMETHODIMP VTrackSwapPriorities(LONG a, LONG b) override;
  STDMETHODIMP VTrackGetCount(LONG* count) override;
  STDMETHODIMP GetVTrack(IAMTimelineObj** vtrack, LONG which) override;
  STDMETHODIMP GetCountOfType(LONG* value, LONG* valueWithComps, TIMELINE_MAJOR_TYPE type) override;
  STDMETHODIMP GetRecursiveLayerOfType(IAMTimelineObj** vtrack, LONG which, TIMELINE_MAJOR_TYPE type) override;
  STDMETHODIMP GetRecursiveLayerOfTypeI(IAMTimelineObj** vtrack, LONG* which, TIMELINE_MAJOR_TYPE type) override;
  STDMETHODIMP GetNextVTrack(IAMTimelineObj* vtrack, IAMTimelineObj** next) override;

  // Objects of `type` in this composition and below (this composition included when it is
  // of that kind); `withComps` also counts every composition on the way.
  static void CountOfType(const TimelineNode& root, TIMELINE_MAJOR_TYPE type, LONG* value, LONG* withComps);

 protected:
  explicit VTrackList(TimelineNode& owner) : owner_(owner) {}
  ~VTrackList();

  bool DetachVTrack(TimelineNode* vtrack);
  void DropVTracks();
  void ForEachVTrack(const std::function<void(TimelineNode&)>& visit) const;
  REFERENCE_TIME VTracksEnd() const;

 private:
  TimelineNode& owner_;
  std::vector<Microsoft::WRL::ComPtr<TimelineNode>> vtracks_;
};

}  // namespace engine
