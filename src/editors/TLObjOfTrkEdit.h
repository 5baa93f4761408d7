#pragma once
// An editor of an object that lives on a track (a source, an effect or a transition): adds
// the parent track's list and the object's timeline start and stop times.
#include <string>

#include "editors/TLObjOfGrpEdit.h"

class CTimeEdit;

class CTLObjOfTrkEdit : public CTLObjOfGrpEdit {
 public:
  // SaveToObject: the object could not be put where the controls say; Problem() says why and
  // the object is left where and as it was.
  static constexpr int kRefused = -2;

  // Adds the track list and the start and stop times below the group list.
  void CreateControls(CWinContainer* container, HINSTANCE instance, int x, int y, int width) override;
  // Lists the groups of the object's kind and the object's tracks, and shows its times.
  int LoadFromObject() override;
  // Moves the object to the chosen track when that changed, then writes its times, name,
  // locked and muted.
  int SaveToObject() override;
  // Lists the tracks of the chosen group.
  virtual void OnGroupChanged();
  // As SetGroupObject; with an object, also keeps the track it is on.
  virtual int SetTrackObject(IAMTimeline* timeline, IAMTimelineObj* object, int groupIndex, int trackIndex);

  int TrackIndex() const { return trackIndex_; }
  const GUID& MajorType() const { return major_; }
  CComboBox* TrackCombo() const { return trackCombo_; }
  CTimeEdit* StartEdit() const { return startEdit_; }
  CTimeEdit* StopEdit() const { return stopEdit_; }
  // Why the last SaveToObject was refused, for the user.
  const std::wstring& Problem() const { return problem_; }

 protected:
  int trackIndex_ = -1;     // -1 until the object's track is known
  GUID major_ = GUID_NULL;  // the major type of the chosen group, once read
  CStaticText* timesLabel_ = nullptr;
  CComboBox* trackCombo_ = nullptr;
  CTimeEdit* startEdit_ = nullptr;
  CTimeEdit* stopEdit_ = nullptr;
  std::wstring problem_;
};
