#include "editors/TLObjOfTrkEdit.h"

#include "editors/ObjectPlacement.h"
#include "services/ComUtil.h"
#include "timeline/ComboFill.h"
#include "timeline/GroupHelpers.h"
#include "timeline/TimeEdit.h"
#include "ui/ComboBox.h"
#include "ui/StaticText.h"

void CTLObjOfTrkEdit::CreateControls(CWinContainer* container, HINSTANCE instance, int x, int y, int width) {
  CTLObjOfGrpEdit::CreateControls(container, instance, x, y, width);
  groupLabel_->SetText(L"Timeline parent group and track:");
  trackCombo_ = AddCombo(container, instance, x, y + 101, width);
  timesLabel_ = AddLabel(container, instance, L"Timeline start and stop times:", x, y + 125, width);
  startEdit_ = Place(container, new CTimeEdit(container->Hwnd(), instance), x, y + 140, width / 2, 20);
  stopEdit_ = Place(container, new CTimeEdit(container->Hwnd(), instance), x + width / 2, y + 140, width / 2, 20);
  last_ = stopEdit_;
}

int CTLObjOfTrkEdit::SetTrackObject(IAMTimeline* timeline, IAMTimelineObj* object, int groupIndex, int trackIndex) {
  const int listed = SetGroupObject(timeline, object, groupIndex);
  if (object && listed > 0) trackIndex_ = trackIndex;
  return listed;
}

int CTLObjOfTrkEdit::LoadFromObject() {
  const int result = CTLObjEdit::LoadFromObject();
  if (result != 0) return result;
  if (groupCombo_) {
    // An object keeps to groups of its own kind: a video clip has no place in a sound group.
    groupCombo_->Clear();
    FillGroupCombo(timeline_, groupCombo_, GetGroupMajorType(timeline_, groupIndex_));
    if (SelectData(groupCombo_, groupIndex_)) OnGroupChanged();
  }
  REFERENCE_TIME start = 0, stop = 0;
  object_->GetStartStop(&start, &stop);
  if (startEdit_) startEdit_->SetTime(RefTimeToMicros(start));
  if (stopEdit_) stopEdit_->SetTime(RefTimeToMicros(stop));
  return 0;
}

void CTLObjOfTrkEdit::OnGroupChanged() {
  const int g = SelectedData(groupCombo_);
  if (FillTrackCombo(timeline_, g, trackCombo_) <= 0) return;
  major_ = GetGroupMajorType(timeline_, g);
  trackCombo_->SetCurSel(g == groupIndex_ && trackIndex_ >= 0 ? trackIndex_ : 0);
}

int CTLObjOfTrkEdit::SaveToObject() {
  if (!object_) return kNoObject;
  problem_.clear();
  const int g = SelectedData(groupCombo_);
  const int t = SelectedData(trackCombo_);
  const REFERENCE_TIME start = startEdit_ ? MicrosToRefTime(static_cast<int64_t>(startEdit_->GetTime())) : 0;
  const REFERENCE_TIME stop = stopEdit_ ? MicrosToRefTime(static_cast<int64_t>(stopEdit_->GetTime())) : 0;
  if (FAILED(PlaceOnTrack(timeline_, object_.Get(), groupIndex_, trackIndex_, g, t, start, stop, &problem_)))
    return kRefused;
  groupIndex_ = g;
  trackIndex_ = t;
  return CTLObjEdit::SaveToObject();
}
