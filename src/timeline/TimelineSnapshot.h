#pragma once
// The whole timeline as XML text and back, for undo and redo: the editing services' own XML
// form, which keeps every object, time and property.
#include <string>

#include "services/EditingServices.h"

// The timeline's XML text.
HRESULT SnapshotTimeline(IAMTimeline* timeline, std::wstring* text);
// Empties the timeline and rebuilds it from a text SnapshotTimeline made. The timeline object
// stays the same; its content objects are new.
HRESULT RestoreTimeline(IAMTimeline* timeline, const std::wstring& text);
