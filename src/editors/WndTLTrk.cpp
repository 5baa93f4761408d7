#include "editors/WndTLTrk.h"

#include <string>

#include "core/ResultText.h"
#include "services/ComUtil.h"
#include "ui/Button.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/StaticText.h"
#include "ui/WaitCursor.h"

using Microsoft::WRL::ComPtr;

CWndTLTrk::CWndTLTrk() {
  className_ = L"WndTLTrack";
  style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  width = kWidth;
  height = 200;
}

CWndTLTrk::~CWndTLTrk() = default;

DWORD CWndTLTrk::Create(HWND parent, HINSTANCE instance) {
  DWORD result = CWndDlg::Create(parent, instance);
  if (result != 0) return result;
  Resize(kWidth, height);
  SetText(L"Timeline track");

  RECT client = {};
  GetClientRect(window_, &client);
  const int left = 4;
  const int w = client.right - 8;
  CreateControls(this, instance, left, client.top, w);
  const int top = client.top + 101;
  priorityLabel_ = AddLabel(this, instance, L"Track priority level:", left, top, w / 2);
  priorityCombo_ = AddCombo(this, instance, left + w / 2, top, w / 2);
  AddOkCancel(priorityCombo_);
  EnableWindow(OkButton()->Hwnd(), FALSE);
  return 0;
}

void CWndTLTrk::SetNameQuietly(const std::wstring& name) {
  settingName_ = true;
  nameEdit_->SetText(name.c_str());
  settingName_ = false;
}

void CWndTLTrk::Open(IAMTimeline* timeline, IAMTimelineObj* track, int groupIndex, int trackIndex) {
  SetGroupObject(timeline, track, groupIndex);
  track_.Reset();
  hadObject_ = track != nullptr;
  if (track) {
    SetText(L"Timeline track");
    track_ = As<IAMTimelineTrack>(track);
    nameEdited_ = true;
    priority_ = trackIndex;
    LoadFromObject();
  } else {
    SetText(L"New timeline track");
    nameEdited_ = false;
    priority_ = -1;
    if (groupCombo_) groupCombo_->SetCurSel(0);
    OnGroupSelected();
  }
}

void CWndTLTrk::OnGroupSelected() {
  if (!priorityCombo_) return;
  priorityCombo_->Clear();
  ComPtr<IAMTimelineComp> comp = GroupComp(SelectedData(groupCombo_));
  long count = 0;
  if (!comp || FAILED(comp->VTrackGetCount(&count))) {
    EnableWindow(OkButton()->Hwnd(), FALSE);
    return;
  }
  // A new track may also go after the last one.
  const long positions = track_ ? count : count + 1;
  for (long i = 0; i < positions; ++i) priorityCombo_->AddString(std::to_wstring(i).c_str());
  if (!nameEdited_) SetNameQuietly(L"Track_" + std::to_wstring(count));
  EnableWindow(OkButton()->Hwnd(), TRUE);
}

LRESULT CWndTLTrk::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && lParam != 0) {
    const HWND from = reinterpret_cast<HWND>(lParam);
    const UINT code = HIWORD(wParam);
    if (nameEdit_ && from == nameEdit_->Hwnd() && code == EN_CHANGE) {
      if (!settingName_) nameEdited_ = true;
      return 0;
    }
    if (groupCombo_ && from == groupCombo_->Hwnd() && (code == CBN_SELCHANGE || code == CBN_EDITCHANGE)) {
      OnGroupSelected();
      return 0;
    }
  }
  return CWndDlg::WndProc(window, message, wParam, lParam);
}

int CWndTLTrk::LoadFromObject() {
  if (!object_) return kNoObject;
  SelectData(groupCombo_, groupIndex_);
  OnGroupSelected();
  if (priorityCombo_) priorityCombo_->SetCurSel(priority_);
  return CTLObjEdit::LoadFromObject();
}

int CWndTLTrk::SaveToObject() {
  problem_.clear();
  const int g = SelectedData(groupCombo_);
  const int p = priorityCombo_ ? priorityCombo_->GetCurSel() : -1;
  // The group is checked before anything is made, so that a refusal leaves nothing behind.
  ComPtr<IAMTimelineComp> target = GroupComp(g);
  if (!target) {
    problem_ = L"The chosen group does not exist.";
    return kRefused;
  }
  ComPtr<IAMTimelineObj> made;
  if (!object_) {
    HRESULT hr = timeline_ ? timeline_->CreateEmptyNode(&made, TIMELINE_MAJOR_TYPE_TRACK) : E_POINTER;
    if (FAILED(hr) || !made) {
      problem_ = L"No track could be made.\n" + ResultSentence(hr);
      return kRefused;
    }
    object_ = made;
    track_ = As<IAMTimelineTrack>(made.Get());
  }
  CTLObjEdit::SaveToObject();

  if (g != groupIndex_) {
    ComPtr<IAMTimelineComp> old = GroupComp(groupIndex_);
    if (old) object_->Remove();
    HRESULT hr = target->VTrackInsBefore(object_.Get(), p);
    if (FAILED(hr)) {
      // The track goes back to its old place rather than leave the timeline.
      if (old) old->VTrackInsBefore(object_.Get(), priority_);
      if (made) {
        object_.Reset();
        track_.Reset();
      }
      problem_ = L"The track could not be put into the chosen group.\n" + ResultSentence(hr);
      return kRefused;
    }
    groupIndex_ = g;
    long count = 0;
    target->VTrackGetCount(&count);
    priority_ = p >= 0 ? p : static_cast<int>(count) - 1;
  }
  if (p >= 0 && priority_ != p) {
    if (ComPtr<IAMTimelineComp> comp = GroupComp(groupIndex_)) comp->VTrackSwapPriorities(priority_, p);
    priority_ = p;
  }
  return 0;
}

int CWndTLTrk::OnClose() {
  WaitCursor wait;
  if (modalResult_ == 1 && SaveToObject() != 0) return RefuseClose(this, problem_);
  // A track made here belongs to its group now; the editor lets go of it.
  if (!hadObject_) {
    track_.Reset();
    object_.Reset();
  }
  return CWndDlg::OnClose();
}
