#pragma once
// One record per timeline object in the view's tree. The node holds one reference to its
// editing-services object; which of the other fields mean anything depends on the kind.
#include <cstdint>
#include <string>
#include <vector>

#include <wrl/client.h>

#include "services/EditingServices.h"

// Kinds double as bit masks when the tree is walked (TIMELINE_MAJOR_TYPE values).
enum TLNodeType : uint32_t {
  kTLTrack = 2,
  kTLSource = 4,
  kTLTransition = 8,
  kTLEffect = 16,
  kTLGroup = 128,
  kTLItems = kTLSource | kTLTransition | kTLEffect,
  kTLAllKinds = kTLGroup | kTLTrack | kTLItems,  // 159
};

struct TLNode {
  uint32_t type = 0;
  Microsoft::WRL::ComPtr<IAMTimelineObj> object;
  bool selected = false;

  // Items: timeline times in microseconds, and the user name (for a source without one, its
  // media file name). Empty when there is nothing to show.
  int64_t start = 0;
  int64_t stop = 0;
  std::wstring name;

  // Sources: the media file, the part of it played (microseconds), and whether it is shown
  // as pictures (a video group's) or as sound.
  std::wstring media;
  int64_t mediaStart = 0;
  int64_t mediaStop = 0;
  bool video = false;

  // Groups: index = track priority.
  std::vector<TLNode> tracks;

  // Tracks: in the order the timeline hands them out.
  std::vector<TLNode> sources;
  std::vector<TLNode> effects;
  std::vector<TLNode> transitions;

  bool IsItem() const { return (type & kTLItems) != 0 && (type & ~kTLItems) == 0; }
};
