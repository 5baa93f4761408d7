#pragma once
// Lists of groups and tracks for the editors' combo boxes. Each item's value is the index
// of its group or track.
#include "services/EditingServices.h"
#include "ui/ComboBox.h"

// Adds every group of the given major type (the null GUID: every group) that has a user
// name. Returns the number of groups added.
int FillGroupCombo(IAMTimeline* timeline, CComboBox* combo, const GUID& majorType);

// Replaces the combo's items with the tracks of a group: one item per track, so that the
// item at position i is track i. A track without a user name is listed as "(track i)".
// Returns the track count, or -1 when there is no such group.
int FillTrackCombo(IAMTimeline* timeline, int groupIndex, CComboBox* combo);
