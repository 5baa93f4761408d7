#include "editors/TLObjOfGrpEdit.h"

#include "services/ComUtil.h"
#include "timeline/ComboFill.h"
#include "ui/ComboBox.h"
#include "ui/StaticText.h"

void CTLObjOfGrpEdit::CreateControls(CWinContainer* container, HINSTANCE instance, int x, int y, int width) {
  CTLObjEdit::CreateControls(container, instance, x, y, width);
  groupLabel_ = AddLabel(container, instance, L"Timeline parent group:", x, y + 62, width);
  groupCombo_ = AddCombo(container, instance, x, y + 77, width);
  last_ = groupCombo_;
}

int CTLObjOfGrpEdit::SetGroupObject(IAMTimeline* timeline, IAMTimelineObj* object, int groupIndex) {
  CTLObjEdit::SetObject(timeline, object);
  if (groupCombo_) groupCombo_->Clear();
  const int listed = FillGroupCombo(timeline, groupCombo_, GUID_NULL);
  if (object) groupIndex_ = groupIndex;
  return listed;
}

Microsoft::WRL::ComPtr<IAMTimelineComp> CTLObjOfGrpEdit::GroupComp(int groupIndex) const {
  Microsoft::WRL::ComPtr<IAMTimelineObj> group;
  if (!timeline_ || groupIndex < 0 || FAILED(timeline_->GetGroup(&group, groupIndex)) || !group) return nullptr;
  return As<IAMTimelineComp>(group.Get());
}
