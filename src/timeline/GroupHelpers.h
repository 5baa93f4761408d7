#pragma once
// Creating groups and reading their media type.
#include "services/EditingServices.h"
#include "timeline/TLGroupDesc.h"

// Fills `type` for the desc's media type; the format block is allocated with CoTaskMemAlloc
// and belongs to the caller. Returns 0, or -1 (type cleared) for indexes outside the table.
int BuildGroupMediaType(const TLGroupDesc& desc, AM_MEDIA_TYPE* type);

// Gives a group the desc's media type, name, lock and mute. With *group null, a new group
// with desc.trackCount tracks ("Track_0", "Track_1", ...) is added to the timeline and
// handed back in *group (the caller owns that reference). The desc is checked before
// anything is created, so a bad desc leaves the timeline as it was.
HRESULT CreateGroup(IAMTimeline* timeline, IAMTimelineObj** group, const TLGroupDesc& desc);

// The major type of a group; the null GUID when there is no such group.
GUID GetGroupMajorType(IAMTimeline* timeline, int groupIndex);

// Frees what a media type points to (not the structure itself).
void FreeMediaTypeContent(AM_MEDIA_TYPE* type);
