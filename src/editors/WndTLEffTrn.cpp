#include "editors/WndTLEffTrn.h"

#include <uuids.h>

#include "editors/ObjectPlacement.h"
#include "editors/TLObjEdit.h"
#include "services/ComUtil.h"
#include "timeline/ComboFill.h"
#include "timeline/GridTimeEdit.h"
#include "timeline/GroupHelpers.h"
#include "timeline/TimeCode.h"
#include "timeline/TimeEdit.h"
#include "ui/Button.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/GridComboBoxEx.h"
#include "ui/GridStr.h"
#include "ui/StaticText.h"
#include "ui/UserPrompts.h"
#include "ui/WaitCursor.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr DWORD kTypedValueStyle = WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_HASSTRINGS;
constexpr DWORD kChoiceStyle = kTypedValueStyle | CBS_DROPDOWNLIST;
constexpr DWORD kFilterListStyle =
    WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_AUTOHSCROLL | CBS_HASSTRINGS | CBS_SORT;

}  // namespace

CWndTLEffTrn::CWndTLEffTrn(std::shared_ptr<const FilterDescriptions> descriptions)
    : descriptions_(std::move(descriptions)) {
  className_ = L"WndTLEffectTransition";
  // Not resizable, and hidden until it runs.
  style = WS_SYSMENU;
  width = kWidth;
  height = kHeight;
  flags = kBeginEditBefore | kNotifyDeleteRow;
}

CWndTLEffTrn::~CWndTLEffTrn() = default;

DWORD CWndTLEffTrn::Create(HWND parent, HINSTANCE instance) {
  DWORD result = CWndDlg::Create(parent, instance);
  if (result != 0) return result;
  SetText(L"Timeline effect/transition");
  RECT client = {};
  GetClientRect(window_, &client);
  const int x = client.left + 4;
  const int w = client.right - 8;
  const HWND me = window_;
  // Rows keep to their nominal heights: a drop-down list sizes itself to its font.
  int y = client.top + 4;
  groupLabel_ = CTLObjEdit::AddLabel(this, instance, L"Timeline parent group and track:", x, y, w);
  groups_ = CTLObjEdit::AddCombo(this, instance, x, y += 15, w);
  tracks_ = CTLObjEdit::AddCombo(this, instance, x, y += 22, w);
  nameLabel_ = CTLObjEdit::AddLabel(this, instance, L"Timeline object name:", x, y += 24, w);
  name_ = new CEdit();
  name_->Create(me, instance);
  CTLObjEdit::Place(this, name_, x, y += 15, w, 20);
  locked_ = CTLObjEdit::Place(this, new CCheckBox(me, instance), x, y += 24, w / 2, 15);
  locked_->SetText(L"Locked");
  muted_ = CTLObjEdit::Place(this, new CCheckBox(me, instance), x + w / 2, y, w / 2, 15);
  muted_->SetText(L"Muted");
  timesLabel_ = CTLObjEdit::AddLabel(this, instance, L"Timeline start and stop times:", x, y += 19, w);
  start_ = CTLObjEdit::Place(this, new CTimeEdit(me, instance), x, y += 15, w / 2, 20);
  stop_ = CTLObjEdit::Place(this, new CTimeEdit(me, instance), x + w / 2, y, w / 2, 20);
  filterLabel_ = CTLObjEdit::AddLabel(this, instance, L"DS filter:", x, y += 24, w);
  filters_ = CTLObjEdit::Place(this, new CComboBox(me, instance, kFilterListStyle), x, y += 15, w, 20);
  grid_ = CTLObjEdit::Place(this, new CGridStr(me, instance), x, y += 24, w, 160);
  grid_->SetCallback(this);
  grid_->LockUpdate();
  grid_->SetColumnCount(4);
  grid_->SetColumnFlags(FilterDescriptions::kNameColumn, 0x81);
  grid_->SetColumnTitle(0, L"Property");
  grid_->SetColumnWidth(0, 90);
  grid_->SetColumnTitle(1, L"Value");
  grid_->SetColumnTitle(2, L"Start time");
  grid_->SetColumnWidth(2, 100);
  grid_->SetColumnTitle(3, L"Interpolation");
  grid_->SetProportional(true);
  grid_->UnlockUpdate();
  AddOkCancel(grid_);
  EnableOk(false);
  return 0;
}

void CWndTLEffTrn::EnableOk(bool enable) {
  if (OkButton()) EnableWindow(OkButton()->Hwnd(), enable ? TRUE : FALSE);
}

void CWndTLEffTrn::ShowKindTexts() {
  if (kind_ == FilterDescriptions::kEffect) {
    if (filterLabel_) filterLabel_->SetText(L"Effect:");
    SetText(object_ ? L"Timeline effect" : L"New timeline effect");
  } else if (kind_ == FilterDescriptions::kTransition) {
    if (filterLabel_) filterLabel_->SetText(L"Transition:");
    SetText(object_ ? L"Timeline transition" : L"New timeline transition");
  }
}

void CWndTLEffTrn::SetKind(int kind) {
  kind_ = kind;
  ShowKindTexts();
}

void CWndTLEffTrn::SetTrackObject(IAMTimeline* timeline, IAMTimelineObj* object, int group, int track) {
  timeline_ = timeline;
  object_ = object;
  hadObject_ = object != nullptr;
  effect_.Reset();
  transition_.Reset();
  if (object) {
    effect_ = As<IAMTimelineEffect>(object);
    if (!effect_) transition_ = As<IAMTimelineTrans>(object);
    kind_ = effect_ ? FilterDescriptions::kEffect : FilterDescriptions::kTransition;
    ShowKindTexts();
    initialGroup_ = group;
    initialTrack_ = track;
    LoadFromObject();
  } else {
    ShowKindTexts();
    groups_->Clear();
    FillGroupCombo(timeline_, groups_, GUID_NULL);
    groups_->SetCurSel(0);
    OnGroupChanged();
  }
}

void CWndTLEffTrn::LoadFromObject() {
  if (!object_) return;
  groupMajor_ = GetGroupMajorType(timeline_, initialGroup_);
  groups_->Clear();
  FillGroupCombo(timeline_, groups_, groupMajor_);
  if (CTLObjEdit::SelectData(groups_, initialGroup_)) OnGroupChanged();
  object_->GetSubObjectGUID(&filter_);
  FillFilterList();
  Bstr name;
  object_->GetUserName(name.Out());
  name_->SetText(name.Text().c_str());
  BOOL locked = FALSE, muted = FALSE;
  object_->GetLocked(&locked);
  object_->GetMuted(&muted);
  SendMessageW(locked_->Hwnd(), BM_SETCHECK, locked ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageW(muted_->Hwnd(), BM_SETCHECK, muted ? BST_CHECKED : BST_UNCHECKED, 0);
  REFERENCE_TIME start = 0, stop = 0;
  object_->GetStartStop(&start, &stop);
  start_->SetTime(RefTimeToMicros(start));
  stop_->SetTime(RefTimeToMicros(stop));
}

void CWndTLEffTrn::OnGroupChanged() {
  const int g = CTLObjEdit::SelectedData(groups_);
  tracks_->Clear();
  if (FillTrackCombo(timeline_, g, tracks_) > 0) {
    groupMajor_ = GetGroupMajorType(timeline_, g);
    tracks_->SetCurSel(g == initialGroup_ && initialTrack_ >= 0 ? initialTrack_ : 0);
    FillFilterList();
  } else {
    EnableOk(false);
  }
}

void CWndTLEffTrn::FillFilterList() {
  catalog_ = nullptr;
  const bool effect = kind_ == FilterDescriptions::kEffect, transition = kind_ == FilterDescriptions::kTransition;
  if (groupMajor_ == MEDIATYPE_Video && (effect || transition))
    catalog_ = &FilterCatalog::Effects(effect ? kVideoEffects : kVideoTransitions);
  else if (groupMajor_ == MEDIATYPE_Audio && (effect || transition))
    catalog_ = &FilterCatalog::Effects(effect ? kAudioEffects : kAudioTransitions);
  filters_->Clear();
  if (catalog_) {
    for (size_t i = 0; i < catalog_->size(); ++i) {
      const FilterEntry& entry = (*catalog_)[i];
      if (!entry.hasName) continue;
      const int item = filters_->AddString(entry.name.c_str());
      if (item < 0) continue;
      filters_->SetItemData(item, static_cast<int>(i));
      if (entry.clsid == filter_) filters_->SetCurSel(item);
    }
  }
  if (filters_->GetCurSel() < 0 && filters_->Count() > 0) filters_->SetCurSel(0);
  OnFilterChanged();
}

GUID CWndTLEffTrn::SelectedFilter() const {
  const int item = filters_ ? filters_->GetCurSel() : -1;
  if (item < 0 || !catalog_) return GUID_NULL;
  const size_t index = static_cast<size_t>(filters_->GetItemData(item));
  return index < catalog_->size() ? (*catalog_)[index].clsid : GUID_NULL;
}

void CWndTLEffTrn::OnFilterChanged() {
  const int item = filters_->GetCurSel();
  grid_->DeleteAllRows();
  if (item >= 0) {
    const GUID filter = SelectedFilter();
    if (descriptions_) descriptions_->LoadParameterRows(grid_, filter, kind_);
    // The object's keyframes belong to its own filter only.
    if (object_ && filter == filter_) FilterDescriptions::ReadPropertySetter(grid_, object_.Get());
  }
  EnableOk(item >= 0);
}

int CWndTLEffTrn::OnBeginEdit(CGridStr* grid, CWinCtl** editor) {
  const int column = grid->CurrentColumn(), row = grid->CurrentRow();
  if (row < 0 || row >= static_cast<int>(grid->RowCount())) return 0;
  const wchar_t* text = grid->GetCellText(column, row);
  CWinCtl* made = nullptr;
  if (column == FilterDescriptions::kValueColumn) {
    const auto* data = static_cast<const ParamRowData*>(grid->GetRowData(row));
    if (!data || data->valueList.empty()) return 0;  // the grid's own text editor
    auto* combo = new CGridComboBoxEx(grid->Hwnd(), instance_, kTypedValueStyle);
    if (descriptions_) descriptions_->LoadValueList(data->valueList, combo);
    combo->SetText(text ? text : L"");
    SendMessageW(combo->Hwnd(), CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(combo->Hwnd(), CB_SHOWDROPDOWN, FALSE, 0);
    made = combo;
  } else if (column == FilterDescriptions::kTimeColumn) {
    auto* time = new CGridTimeEdit(grid->Hwnd(), instance_);
    time->SetTime(text && *text ? static_cast<int64_t>(ParseTimeCode(text)) : 0);
    made = time;
  } else if (column == FilterDescriptions::kInterpolationColumn) {
    auto* combo = new CGridComboBoxEx(grid->Hwnd(), instance_, kChoiceStyle);
    combo->AddString(L"Jump");
    combo->AddString(L"Interpolate");
    if (text && *text)
      combo->SetCurSel(static_cast<int>(
          SendMessageW(combo->Hwnd(), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text))));
    made = combo;
  } else {
    return 0;
  }
  made->Move(grid->ColumnLeft(column), grid->RowTop(row));
  made->Resize(static_cast<int>(grid->ColumnWidth(column)), grid->RowHeight());
  if (*editor) (*editor)->Destroy(true);
  *editor = made;
  return 0;
}

void CWndTLEffTrn::OnDeleteRow(CGridStr* grid, unsigned row) {
  delete static_cast<ParamRowData*>(grid->GetRowData(static_cast<int>(row)));
  grid->SetRowData(static_cast<int>(row), nullptr);
}

void CWndTLEffTrn::OnGridMenu() {
  const int row = grid_->CurrentRow();
  if (row < 0 || !grid_->GetRowData(row)) return;
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, kAddKeyframe, L"Add keyframe");
  AppendMenuW(menu, MF_STRING, kRemoveKeyframe, L"Remove keyframe");
  POINT at = {};
  GetCursorPos(&at);
  const UINT choice = ChooseFromMenu(menu, at.x, at.y, window_);
  DestroyMenu(menu);
  if (choice == kAddKeyframe)
    FilterDescriptions::AddKeyframeRow(grid_, row);
  else if (choice == kRemoveKeyframe)
    FilterDescriptions::RemoveKeyframeRow(grid_, row);
}

LRESULT CWndTLEffTrn::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE && lParam) {
    const HWND from = reinterpret_cast<HWND>(lParam);
    if (groups_ && from == groups_->Hwnd()) {
      OnGroupChanged();
      return 0;
    }
    if (filters_ && from == filters_->Hwnd()) {
      OnFilterChanged();
      return 0;
    }
  }
  // The grid passes its context menu up: keyframes are added and removed there.
  if (message == WM_CONTEXTMENU && grid_ && reinterpret_cast<HWND>(wParam) == grid_->Hwnd()) {
    OnGridMenu();
    return 0;
  }
  return CWndDlg::WndProc(window, message, wParam, lParam);
}

int CWndTLEffTrn::SaveToObject() {
  problem_.clear();
  const int g = CTLObjEdit::SelectedData(groups_);
  const int t = CTLObjEdit::SelectedData(tracks_);
  const REFERENCE_TIME start = MicrosToRefTime(static_cast<int64_t>(start_->GetTime()));
  const REFERENCE_TIME stop = MicrosToRefTime(static_cast<int64_t>(stop_->GetTime()));
  if (FAILED(PlaceOnTrack(timeline_, object_.Get(), initialGroup_, initialTrack_, g, t, start, stop, &problem_)))
    return -1;
  initialGroup_ = g;
  initialTrack_ = t;
  if (filters_->GetCurSel() >= 0) {
    filter_ = SelectedFilter();
    object_->SetSubObjectGUID(filter_);
  }
  const std::wstring name = name_->GetText();
  object_->SetUserName(name.empty() ? nullptr : Bstr(name).Get());
  object_->SetLocked(SendMessageW(locked_->Hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED);
  object_->SetMuted(SendMessageW(muted_->Hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED);
  FilterDescriptions::WritePropertySetter(grid_, object_.Get());
  return 0;
}

int CWndTLEffTrn::OnClose() {
  if (modalResult_ == 1) {
    WaitCursor wait;
    ComPtr<IAMTimelineObj> made;
    if (!object_) {
      const TIMELINE_MAJOR_TYPE type =
          kind_ == FilterDescriptions::kEffect ? TIMELINE_MAJOR_TYPE_EFFECT : TIMELINE_MAJOR_TYPE_TRANSITION;
      if ((kind_ == FilterDescriptions::kEffect || kind_ == FilterDescriptions::kTransition) && timeline_ &&
          SUCCEEDED(timeline_->CreateEmptyNode(&made, type))) {
        object_ = made;
        effect_ = As<IAMTimelineEffect>(made.Get());
        transition_ = As<IAMTimelineTrans>(made.Get());
      }
    }
    const int result = (effect_ || transition_) ? SaveToObject() : -1;
    if (result != 0) {
      // A new object that found no place is dropped, to be made again on the next OK.
      if (made) {
        object_.Reset();
        effect_.Reset();
        transition_.Reset();
      }
      return CTLObjEdit::RefuseClose(this, problem_.empty() ? L"The object could not be made." : problem_);
    }
  }
  effect_.Reset();
  transition_.Reset();
  // A new object belongs to its track now.
  if (!hadObject_) object_.Reset();
  return CWndDlg::OnClose();
}
