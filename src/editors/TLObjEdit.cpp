#include "editors/TLObjEdit.h"

#include "services/ComUtil.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/StaticText.h"
#include "ui/UserPrompts.h"
#include "ui/Window.h"
#include "ui/WinContainer.h"

namespace {
constexpr DWORD kComboStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_HASSTRINGS;
}  // namespace

CStaticText* CTLObjEdit::AddLabel(CWinContainer* container, HINSTANCE instance, const wchar_t* text, int x, int y,
                                  int width) {
  auto* label = Place(container, new CStaticText(container->Hwnd(), instance), x, y, width, 15);
  label->SetText(text);
  return label;
}

CComboBox* CTLObjEdit::AddCombo(CWinContainer* container, HINSTANCE instance, int x, int y, int width) {
  return Place(container, new CComboBox(container->Hwnd(), instance, kComboStyle), x, y, width, 20);
}

int CTLObjEdit::SelectedData(const CComboBox* combo) {
  const int item = combo ? combo->GetCurSel() : -1;
  return item >= 0 ? combo->GetItemData(item) : 0;
}

bool CTLObjEdit::SelectData(CComboBox* combo, int data) {
  if (!combo) return false;
  for (int i = 0; i < combo->Count(); ++i) {
    if (combo->GetItemData(i) == data) {
      combo->SetCurSel(i);
      return true;
    }
  }
  combo->SetCurSel(-1);
  return false;
}

int CTLObjEdit::RefuseClose(CWindow* dialog, const std::wstring& why) {
  ShowMessage(dialog->Hwnd(), why.c_str(), MB_OK | MB_ICONEXCLAMATION);
  dialog->SetModalResult(0);
  return -1;
}

bool CTLObjEdit::IsChecked(const CCheckBox* box) {
  return box && SendMessageW(box->Hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CTLObjEdit::SetChecked(CCheckBox* box, bool checked) {
  if (box) SendMessageW(box->Hwnd(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CTLObjEdit::CreateControls(CWinContainer* container, HINSTANCE instance, int x, int y, int width) {
  HWND parent = container->Hwnd();
  nameLabel_ = AddLabel(container, instance, L"Name", x, y + 4, width);
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
