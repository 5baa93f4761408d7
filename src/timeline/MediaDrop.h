#pragma once
// Media files dropped onto the timeline view become sources where they were dropped.
#include <cstdint>
#include <string>

#include "services/EditingServices.h"

class CWndTLModel;

struct DropTarget {
  int group = -1;  // the group and track under the point; -1 when none
  int track = -1;
  int64_t time = 0;  // microseconds, never before 0
};

// Where a point of the view's client area lands.
DropTarget DropTargetAt(CWndTLModel& view, int x, int y);

// Adds the file's first video stream and first audio stream as sources starting at the target's
// time, each whole: on the target's track when its group has the stream's kind, else on the
// first track of the first group of that kind (a group with one track is made when there is
// none); a track without room there gets a new track after the group's last. A still picture
// lasts five seconds. S_OK when something was added; otherwise the failure, and `why` has a
// sentence for the user naming the file.
HRESULT DropMedia(IAMTimeline* timeline, const DropTarget& target, const wchar_t* path, std::wstring* why);
