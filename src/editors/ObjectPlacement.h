#pragma once
// Where an object that lives on a track (a source, an effect, a transition) sits: its track and
// its times, changed together so that a refused change leaves it as it was.
#include <string>

#include "services/EditingServices.h"

// Gives the object its times and, when (toGroup, toTrack) differs from (fromGroup, fromTrack),
// moves it there (fromTrack -1: it is on no track yet). Times are in 100-ns units. On failure
// the object is back where and as it was, and `why` has a sentence for the user.
HRESULT PlaceOnTrack(IAMTimeline* timeline, IAMTimelineObj* object, int fromGroup, int fromTrack, int toGroup,
                     int toTrack, REFERENCE_TIME start, REFERENCE_TIME stop, std::wstring* why);
