#include "editors/WndTLSrc.h"

#include <commdlg.h>

#include <cwchar>

#include "core/ResultText.h"
#include "services/ComUtil.h"
#include "timeline/ComboFill.h"
#include "timeline/TimeCode.h"
#include "timeline/TimeEdit.h"
#include "ui/Button.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/StaticText.h"
#include "ui/UserPrompts.h"
#include "ui/WaitCursor.h"

using Microsoft::WRL::ComPtr;

namespace {

struct StretchItem {
  const wchar_t* name;
  int mode;
};
constexpr StretchItem kStretchModes[] = {
    {L"Stretch", RESIZEF_STRETCH},
    {L"Crop", RESIZEF_CROP},
    {L"Preserve aspect ratio", RESIZEF_PRESERVEASPECTRATIO},
    {L"Preserve aspect ratio (no letter box)", RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX},
};

constexpr wchar_t kMediaFilter[] =
    L"All files (*.*)\0*.*\0Image files (*.bmp,*.gif,*.jpg,*.tga)\0*.bmp;*.gif;*.jpg;*.tga\0";

}  // namespace

CWndTLSrc::CWndTLSrc() {
  className_ = L"WndTLSource";
  style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  width = kWidth;
  height = kHeight;
}

CWndTLSrc::~CWndTLSrc() = default;

DWORD CWndTLSrc::Create(HWND parent, HINSTANCE instance) {
  DWORD result = CWndDlg::Create(parent, instance);
  if (result != 0) return result;
  SetText(L"Timeline source");

  RECT client = {};
  GetClientRect(window_, &client);
  const int x = 4;
  const int w = client.right - 8;
  CreateControls(this, instance, x, client.top, w);
  const int top = client.top;

  AddLabel(this, instance, L"Media file name:", x, top + 164, w);
  fileEdit_ = new CEdit();
  fileEdit_->style |= ES_READONLY;
  fileEdit_->Create(window_, instance);
  Place(this, fileEdit_, x, top + 179, w - 20, 20);
  browse_ = Place(this, new CButton(window_, instance, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_FLAT), x + w - 20,
                  top + 179, 20, 20);
  browse_->SetText(L"...");

  AddLabel(this, instance, L"Media stream:", x, top + 203, w);
  streamCombo_ = AddCombo(this, instance, x, top + 218, w);

  AddLabel(this, instance, L"Media start and stop times:", x, top + 242, w);
  mediaStart_ = Place(this, new CTimeEdit(window_, instance), x, top + 257, w / 2, 20);
  mediaStop_ = Place(this, new CTimeEdit(window_, instance), x + w / 2, top + 257, w / 2, 20);

  AddLabel(this, instance, L"Stretch mode:", x, top + 281, w);
  stretchCombo_ = AddCombo(this, instance, x, top + 296, w);
  for (const StretchItem& item : kStretchModes)
    stretchCombo_->SetItemData(stretchCombo_->AddString(item.name), item.mode);
  stretchCombo_->SetCurSel(0);

  AddOkCancel(stretchCombo_);
  EnableOk(false);
  return 0;
}

void CWndTLSrc::EnableOk(bool enable) {
  if (OkButton()) EnableWindow(OkButton()->Hwnd(), enable ? TRUE : FALSE);
}

LRESULT CWndTLSrc::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && lParam != 0) {
    const HWND from = reinterpret_cast<HWND>(lParam);
    const UINT code = HIWORD(wParam);
    if (browse_ && from == browse_->Hwnd() && code == BN_CLICKED) {
      BrowseMediaFile();
      return 0;
    }
    if (code == CBN_SELCHANGE && groupCombo_ && from == groupCombo_->Hwnd()) {
      OnGroupChanged();
      return 0;
    }
    if (code == CBN_SELCHANGE && streamCombo_ && from == streamCombo_->Hwnd()) {
      OnStreamChanged();
      return 0;
    }
  }
  return CWndDlg::WndProc(window, message, wParam, lParam);
}

int CWndTLSrc::SetTrackObject(IAMTimeline* timeline, IAMTimelineObj* object, int groupIndex, int trackIndex) {
  const int listed = CTLObjOfTrkEdit::SetTrackObject(timeline, object, groupIndex, trackIndex);
  source_.Reset();
  hadObject_ = object != nullptr;
  if (object) {
    SetText(L"Timeline source");
    source_ = As<IAMTimelineSrc>(object);
    LoadFromObject();
  } else {
    SetText(L"New timeline source");
    major_ = GUID_NULL;
    if (groupCombo_) groupCombo_->SetCurSel(0);
    OnGroupChanged();
  }
  return listed;
}

void CWndTLSrc::OnGroupChanged() {
  CTLObjOfTrkEdit::OnGroupChanged();
  if (trackCombo_ && trackCombo_->Count() > 0) {
    LONG stream = -1;
    if (source_) source_->GetStreamNumber(&stream);
    FillStreamCombo(stream);
  } else {
    EnableOk(false);
  }
}

int CWndTLSrc::LoadFromObject() {
  const int result = CTLObjOfTrkEdit::LoadFromObject();
  if (result != 0 || !source_) return result;
  Bstr name;
  source_->GetMediaName(name.Out());
  fileEdit_->SetText(name.Text().c_str());
  AnalyseMedia(name.Text().c_str());
  LONG stream = -1;
  source_->GetStreamNumber(&stream);
  FillStreamCombo(stream);
  REFERENCE_TIME start = 0, stop = 0;
  source_->GetMediaTimes(&start, &stop);
  mediaStart_->SetTime(RefTimeToMicros(start));
  mediaStop_->SetTime(RefTimeToMicros(stop));
  int mode = RESIZEF_STRETCH;
  source_->GetStretchMode(&mode);
  SelectData(stretchCombo_, mode);
  return 0;
}

HRESULT CWndTLSrc::AnalyseMedia(const wchar_t* path) { return AnalyseMediaStreams(path, &streams_); }

void CWndTLSrc::FillStreamCombo(int preselect) {
  if (!streamCombo_) return;
  streamCombo_->Clear();
  for (size_t i = 0; i < streams_.size(); ++i) {
    const StreamInfo& info = streams_[i];
    if (info.major != major_) continue;
    const std::wstring text = info.description + L" [" + FormatTimeCode(info.duration, kTimeCodeDisplay) + L"]";
    const int item = streamCombo_->AddString(text.c_str());
    if (item < 0) continue;
    streamCombo_->SetItemData(item, static_cast<int>(i));
    if (item == preselect) streamCombo_->SetCurSel(item);
  }
  if (streamCombo_->GetCurSel() < 0 && streamCombo_->Count() > 0) streamCombo_->SetCurSel(0);
  OnStreamChanged();
}

void CWndTLSrc::OnStreamChanged() {
  if (!streamCombo_ || streamCombo_->GetCurSel() < 0) {
    EnableOk(false);
    return;
  }
  // A new source plays its stream whole from the chosen start; an existing one keeps the part
  // the user set.
  if (!source_) {
    const int64_t duration = streams_[static_cast<size_t>(SelectedData(streamCombo_))].duration;
    mediaStart_->SetTime(0);
    mediaStop_->SetTime(duration);
    stopEdit_->SetTime(static_cast<int64_t>(startEdit_->GetTime()) + duration);
  }
  EnableOk(true);
}

void CWndTLSrc::BrowseMediaFile() {
  wchar_t path[MAX_PATH] = {};
  OPENFILENAMEW request = {};
  request.lStructSize = sizeof request;
  request.hwndOwner = window_;
  request.lpstrFilter = kMediaFilter;
  request.nFilterIndex = 1;
  request.lpstrFile = path;
  request.nMaxFile = MAX_PATH;
  request.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (!ShowFileDialog(&request, false)) return;

  WaitCursor wait;
  fileEdit_->SetText(path);
  const HRESULT hr = AnalyseMedia(path);
  if (FAILED(hr)) ShowMessage(window_, UnreadableMediaText(path, hr).c_str(), MB_OK | MB_ICONERROR);
  FillStreamCombo(-1);
  if (SUCCEEDED(hr) && streamCombo_->Count() == 0 && major_ != GUID_NULL) {
    const std::wstring text = std::wstring(path) + L"\nThis file has no stream of the chosen group's media type.";
    ShowMessage(window_, text.c_str(), MB_OK | MB_ICONEXCLAMATION);
  }
}

void CWndTLSrc::DropNewSource() {
  source_.Reset();
  object_.Reset();
}

int CWndTLSrc::Apply() {
  problem_.clear();
  const int item = streamCombo_ ? streamCombo_->GetCurSel() : -1;
  // Without a stream there is no length to give the source: nothing is written.
  if (item < 0) {
    problem_ = L"Choose a media file with a stream of the group's media type.";
    return kRefused;
  }
  const int64_t mediaStart = static_cast<int64_t>(mediaStart_->GetTime());
  const int64_t mediaStop = static_cast<int64_t>(mediaStop_->GetTime());
  if (mediaStop < mediaStart) {
    problem_ = L"The media stop time lies before the media start time.";
    return kRefused;
  }
  const bool made = !object_;
  if (made) {
    ComPtr<IAMTimelineObj> node;
    HRESULT hr = timeline_ ? timeline_->CreateEmptyNode(&node, TIMELINE_MAJOR_TYPE_SOURCE) : E_POINTER;
    if (FAILED(hr) || !node) {
      problem_ = L"No source could be made.\n" + ResultSentence(hr);
      return kRefused;
    }
    object_ = node;
    source_ = As<IAMTimelineSrc>(node.Get());
  }
  const int placed = SaveToObject();
  if (placed != 0) {
    if (made) DropNewSource();
    return placed;
  }
  const StreamInfo& stream = streams_[static_cast<size_t>(SelectedData(streamCombo_))];
  SetSourceMedia(source_.Get(), fileEdit_->GetText(), item, stream.duration, mediaStart, mediaStop,
                 SelectedData(stretchCombo_));
  return 0;
}

int CWndTLSrc::OnClose() {
  WaitCursor wait;
  if (modalResult_ == 1 && Apply() != 0) return RefuseClose(this, problem_);
  // A source made here belongs to its track now; the editor lets go of it.
  if (!hadObject_) DropNewSource();
  return CWndDlg::OnClose();
}
