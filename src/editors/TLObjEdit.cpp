#include "editors/TLObjEdit.h"

#include "services/ComUtil.h"
#include "ui/CheckBox.h"
#include "ui/Edit.h"
#include "ui/StaticText.h"
#include "ui/WinContainer.h"

bool CTLObjEdit::IsChecked(const CCheckBox* box) {
  return box && SendMessageW(box->Hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CTLObjEdit::SetChecked(CCheckBox* box, bool checked) {
  if (box) SendMessageW(box->Hwnd(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CTLObjEdit::CreateControls(CWinContainer* container, HINSTANCE instance, int x, int y, int width) {
  HWND parent = container->Hwnd();
  nameLabel_ = Place(container, new CStaticText(parent, instance), x, y + 4, width, 15);
  nameLabel_->SetText(L"Name");
  nameEdit_ = new CEdit();
  nameEdit_->Create(parent, instance);
  Place(container, nameEdit_, x, y + 19, width, 20);
  locked_ = Place(container, new CCheckBox(parent, instance), x, y + 43, width / 2, 15);
  locked_->SetText(L"Locked");
  muted_ = Place(container, new CCheckBox(parent, instance), x + width / 2, y + 43, width / 2, 15);
  muted_->SetText(L"Muted");
  last_ = muted_;
}

int CTLObjEdit::LoadFromObject() {
  if (!object_) return kNoObject;
  Bstr name;
  object_->GetUserName(name.Out());
  if (nameEdit_) nameEdit_->SetText(name.Text().c_str());
  BOOL locked = FALSE, muted = FALSE;
  object_->GetLocked(&locked);
  object_->GetMuted(&muted);
  SetChecked(locked_, locked != FALSE);
  SetChecked(muted_, muted != FALSE);
  return 0;
}

int CTLObjEdit::SaveToObject() {
  if (!object_) return kNoObject;
  const std::wstring text = nameEdit_ ? nameEdit_->GetText() : std::wstring();
  // An emptied name removes the user name rather than storing an empty one.
  Bstr name(text.empty() ? nullptr : text.c_str());
  object_->SetUserName(name);
  object_->SetLocked(IsChecked(locked_) ? TRUE : FALSE);
  object_->SetMuted(IsChecked(muted_) ? TRUE : FALSE);
  return 0;
}

int CTLObjEdit::SetObject(IAMTimeline* timeline, IAMTimelineObj* object) {
  timeline_ = timeline;
  object_ = object;
  return 0;
}
