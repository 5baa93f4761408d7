#include "editors/TLObjOfTrkEdit.h"

#include "core/ResultText.h"
#include "services/ComUtil.h"
#include "timeline/ComboFill.h"
#include "timeline/GroupHelpers.h"
#include "timeline/TimeEdit.h"
#include "ui/ComboBox.h"
#include "ui/StaticText.h"

using Microsoft::WRL::ComPtr;

namespace {

// Puts an object of any kind that lives on tracks onto a track.
HRESULT AddToTrack(IAMTimelineObj* track, IAMTimelineObj* object) {
  TIMELINE_MAJOR_TYPE kind = TIMELINE_MAJOR_TYPE_SOURCE;
  HRESULT hr = object->GetTimelineType(&kind);
  if (FAILED(hr)) return hr;
  switch (kind) {
    case TIMELINE_MAJOR_TYPE_SOURCE:
      if (auto t = As<IAMTimelineTrack>(track)) return t->SrcAdd(object);
      break;
    case TIMELINE_MAJOR_TYPE_TRANSITION:
      if (auto t = As<IAMTimelineTransable>(track)) return t->TransAdd(object);
      break;
    case TIMELINE_MAJOR_TYPE_EFFECT:
      if (auto t = As<IAMTimelineEffectable>(track)) return t->EffectInsBefore(object, -1);
      break;
    default: break;
  }
  return E_NOINTERFACE;
}

}  // namespace

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
  // The timeline keeps no object that ends before it starts; saying so here beats a refusal
  // the user never sees.
  if (stop < start) {
    problem_ = L"The stop time lies before the start time.";
    return kRefused;
  }

  const bool move = g != groupIndex_ || t != trackIndex_;
  ComPtr<IAMTimelineObj> target, previous;
  if (move) {
    ComPtr<IAMTimelineComp> comp = GroupComp(g);
    if (!comp || FAILED(comp->GetVTrack(&target, t)) || !target || !As<IAMTimelineTrack>(target.Get())) {
      problem_ = L"The chosen track does not exist.";
      return kRefused;
    }
    if (trackIndex_ >= 0) {
      if (ComPtr<IAMTimelineComp> old = GroupComp(groupIndex_)) old->GetVTrack(&previous, trackIndex_);
    }
  }

  REFERENCE_TIME oldStart = 0, oldStop = 0;
  object_->GetStartStop(&oldStart, &oldStop);
  if (move && trackIndex_ >= 0) object_->Remove();
  HRESULT hr = object_->SetStartStop(start, stop);
  if (SUCCEEDED(hr) && move) hr = AddToTrack(target.Get(), object_.Get());
  if (FAILED(hr)) {
    // Nothing is lost: the object goes back where it was, with the times it had.
    if (move) {
      object_->Remove();
      object_->SetStartStop(oldStart, oldStop);
      if (previous) AddToTrack(previous.Get(), object_.Get());
    }
    problem_ = L"It could not be placed on the chosen track at these times.\n" + ResultSentence(hr);
    return kRefused;
  }
  groupIndex_ = g;
  trackIndex_ = t;
  return CTLObjEdit::SaveToObject();
}
