#pragma once
// An editor of an object that lives in a group (a track): adds the parent group's list.
#include "editors/TLObjEdit.h"

class CComboBox;
class CStaticText;

class CTLObjOfGrpEdit : public CTLObjEdit {
 public:
  // Adds the group label and list below the name, locked and muted controls.
  void CreateControls(CWinContainer* container, HINSTANCE instance, int x, int y, int width) override;
  // Stores the timeline and the object, lists every group and, with an object, keeps the
  // group it belongs to. Returns the number of groups listed.
  virtual int SetGroupObject(IAMTimeline* timeline, IAMTimelineObj* object, int groupIndex);

  int GroupIndex() const { return groupIndex_; }
  CStaticText* GroupLabel() const { return groupLabel_; }
  CComboBox* GroupCombo() const { return groupCombo_; }

 protected:
  // The timeline's composition of a group; null when there is no such group.
  Microsoft::WRL::ComPtr<IAMTimelineComp> GroupComp(int groupIndex) const;

  int groupIndex_ = -1;  // -1 until the object's group is known
  CStaticText* groupLabel_ = nullptr;
  CComboBox* groupCombo_ = nullptr;
};
