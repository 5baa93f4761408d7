#include "app/WndMain.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/AppInit.h"
#include "app/MenuTable.h"
#include "app/VersionInfo.h"
#include "app/WndSplash.h"
#include "core/AppConfig.h"
#include "core/AppName.h"
#include "core/LogFile.h"
#include "core/OwnedText.h"
#include "core/ResultText.h"
#include "editors/WndTLEffTrn.h"
#include "editors/WndTLGrp.h"
#include "editors/WndTLSrc.h"
#include "editors/WndTLTrk.h"
#include "render/TLPreviewWnd.h"
#include "render/TLRenderWnd.h"
#include "res/resource.h"
#include "timeline/GroupHelpers.h"
#include "timeline/TLNode.h"
#include "timeline/MediaDrop.h"
#include "timeline/TimelineSnapshot.h"
#include "timeline/TimelineSources.h"
#include "timeline/TimeCode.h"
#include "timeline/TimeEdit.h"
#include "timeline/WndTLModel.h"
#include "ui/StatusBar.h"
#include "ui/UiState.h"
#include "ui/UserPrompts.h"
#include "ui/WaitCursor.h"

namespace {

constexpr MenuItem kMainMenu[] = {
    {false, 0, 10, L"Project", true},
    {false, 0, CWndMain::kNew, L"New", false},
    {false, 0, CWndMain::kOpen, L"Open...", false},
    {false, 0, CWndMain::kSave, L"Save", false},
    {false, 0, CWndMain::kSaveAs, L"Save as...", false},
    {true, MFS_DISABLED, 0, nullptr, false},
    {false, 0, CWndMain::kRenderToFile, L"Render to file...", false},
    {false, 0, 0, nullptr, true},
    {false, 0, 20, L"View", true},
    {false, 0, CWndMain::kPreview, L"Preview...", false},
    {false, 0, 0, nullptr, true},
    {false, 0, 30, L"Edit", true},
    {false, 0, CWndMain::kAddGroup, L"Add group...", false},
    {false, 0, CWndMain::kAddTrack, L"Add track...", false},
    {false, 0, CWndMain::kAddSource, L"Add source media...", false},
    {false, 0, CWndMain::kAddEffect, L"Add effect...", false},
    {false, 0, CWndMain::kAddTransition, L"Add transition...", false},
    {true, 0, 0, nullptr, false},
    {false, MFS_DISABLED, CWndMain::kUndo, L"Undo", false},
    {false, MFS_DISABLED, CWndMain::kRedo, L"Redo", false},
    {false, 0, 0, nullptr, true},
    {false, 0, 40, L"?", true},
    {false, 0, CWndMain::kAbout, L"About...", false},
    {false, 0, 0, nullptr, true},
    {false, 0, 0, nullptr, true},
};

constexpr MenuItem kObjectMenu[] = {
    {false, 0, CWndMain::kDelete, L"Delete", false},
    {false, 0, CWndMain::kProperties, L"Properties", false},
    {false, 0, 0, nullptr, true},
};

constexpr wchar_t kProjectFilter[] = L"Kordex Projects (*.kdp, *.xml)\0*.kdp;*.xml\0All Files (*.*)\0*.*\0";
constexpr wchar_t kModifiedQuestion[] = L"Project is modified. Do you want to save it?";

const wchar_t* KindName(uint32_t kind) {
  switch (kind) {
    case 2: return L"Track";
    case 4: return L"Source";
    case 8: return L"Transition";
    case 16: return L"Effect";
    case 128: return L"Group";
    default: return L"<unknown>";
  }
}

void FillProjectDialog(OPENFILENAMEW* ofn, HWND owner, wchar_t* file, wchar_t* title) {
  *ofn = {};
  ofn->lStructSize = sizeof *ofn;
  ofn->hwndOwner = owner;
  ofn->lpstrFilter = kProjectFilter;
  ofn->lpstrFile = file;
  ofn->nMaxFile = kPathChars;
  ofn->lpstrFileTitle = title;
  ofn->nMaxFileTitle = kPathChars;
  ofn->lpstrDefExt = L"KDP";
}

}  // namespace

CWndMain::CWndMain() {
  className_ = L"KEP_MRQ_Main";
  style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  notifyMask = 0xFFFFFFFFu;
}

CWndMain::~CWndMain() {
  if (render_) render_->Destroy(true);
  render_ = nullptr;
  if (UiState::AcceleratorTarget() == window_) UiState::SetAccelerator(nullptr, nullptr);
  if (accelerators_) DestroyAcceleratorTable(accelerators_);
  if (preview_) preview_->Destroy(true);
  preview_ = nullptr;
  timeline_.Reset();
  // Still set only when the window never took the menu: the one it took went with it.
  if (menu_) DestroyMenu(menu_);
}

DWORD CWndMain::Create(HWND parent, HINSTANCE instance) {
  width = kWidth;
  height = kHeight;
  DWORD result = CWindow::Create(parent, instance);
  if (result != 0) return result;
  if (UiState::AppIcon()) SetClassLongPtrW(window_, GCLP_HICON, reinterpret_cast<LONG_PTR>(UiState::AppIcon()));
  SetText(kAppName);
  menu_ = BuildMenu(kMainMenu, false);
  SetMenu(window_, menu_);
  // Ctrl+Z and Ctrl+Y wherever the main window or the view has the focus.
  ACCEL keys[] = {{FCONTROL | FVIRTKEY, 'Z', kUndo}, {FCONTROL | FVIRTKEY, 'Y', kRedo}};
  accelerators_ = CreateAcceleratorTableW(keys, 2);
  UiState::SetAccelerator(accelerators_, window_);
  // Media files dragged from the desktop land on the view.
  DragAcceptFiles(window_, TRUE);

  RECT client;
  GetClientRect(window_, &client);
  view_ = new CWndTLModel();
  view_->x = 4;
  view_->y = 4;
  view_->width = client.right - 8;
  view_->height = client.bottom - 28;
  view_->anchor = kAnchorStretchWidth | kAnchorStretchHeight | kAnchorRight | kAnchorBottom;
  view_->Create(window_, instance);
  AddChild(view_);
  view_->SetCallback(this);

  status_ = new CStatusBar();
  status_->Create(window_, instance);
  status_->Move(0, client.bottom - 20);
  status_->anchor = kAnchorStretchWidth | kAnchorStretchHeight | kAnchorRight;
  AddChild(status_);
  int parts[2] = {10, 120};
  SendMessageW(status_->Hwnd(), SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  SetStatus(1, L"00:00:00");
  return 0;
}

void CWndMain::SetTimeline(IAMTimeline* timeline) {
  timeline_ = timeline;
  if (view_) view_->SetTimeline(timeline);
}

void CWndMain::DestroySplash() {
  if (!splash_) return;
  splash_->Destroy(true);
  splash_ = nullptr;
}

void CWndMain::SetStatus(int part, const wchar_t* text) {
  if (status_) SendMessageW(status_->Hwnd(), SB_SETTEXTW, part, reinterpret_cast<LPARAM>(text));
}

void CWndMain::SetModified(bool modified) {
  modified_ = modified;
  SetStatus(0, modified ? L"*" : L"");
}

void CWndMain::RefreshView(bool fit) {
  if (!view_) return;
  const bool wasEmpty = view_->Model().LargestStop() == 0;
  view_->Refresh();
  if (fit || (wasEmpty && view_->Model().LargestStop() > 0)) view_->ZoomToFit();
  view_->UpdateScrollBars(CWndTLModel::kScrollBoth);
  InvalidateRect(view_->Hwnd(), nullptr, FALSE);
}

void CWndMain::RefreshPreview() {
  if (!preview_) return;
  preview_->RefreshGraph();
  preview_->Seek(view_ ? view_->CursorTime() : 0);
}

void CWndMain::MarkModified() {
  std::wstring state;
  if (timeline_ && SUCCEEDED(SnapshotTimeline(timeline_.Get(), &state))) history_.Record(std::move(state));
  UpdateHistoryMenu();
  SetModified(true);
  RefreshView();
  RefreshPreview();
}

void CWndMain::ResetHistory() {
  std::wstring state;
  if (timeline_) SnapshotTimeline(timeline_.Get(), &state);
  history_.Reset(std::move(state));
  UpdateHistoryMenu();
}

void CWndMain::UpdateHistoryMenu() {
  if (!menu_) return;
  EnableMenuItem(menu_, kUndo, MF_BYCOMMAND | (history_.CanUndo() ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(menu_, kRedo, MF_BYCOMMAND | (history_.CanRedo() ? MF_ENABLED : MF_GRAYED));
}

bool CWndMain::StepHistory(bool forward) {
  if (!timeline_ || !(forward ? history_.CanRedo() : history_.CanUndo())) return false;
  HRESULT hr;
  {
    WaitCursor wait;
    hr = RestoreTimeline(timeline_.Get(), forward ? history_.Redo() : history_.Undo());
    if (FAILED(hr)) {
      // Back to the state the timeline had, so that the history and the project agree.
      if (forward)
        history_.Undo();
      else
        history_.Redo();
      RestoreTimeline(timeline_.Get(), history_.Current());
    }
  }
  UpdateHistoryMenu();
  SetModified(!history_.AtSaved());
  RefreshView();
  RefreshPreview();
  if (FAILED(hr)) {
    const std::wstring text =
        std::wstring(forward ? L"The change cannot be redone.\n" : L"The change cannot be undone.\n") +
        ResultSentence(hr);
    ShowMessage(window_, text.c_str(), MB_OK | MB_ICONERROR);
  }
  return SUCCEEDED(hr);
}

bool CWndMain::OnUndo() { return StepHistory(false); }
bool CWndMain::OnRedo() { return StepHistory(true); }

void CWndMain::OnDropFiles(const std::vector<std::wstring>& paths, POINT viewPoint) {
  if (!timeline_ || !view_) return;
  const DropTarget target = DropTargetAt(*view_, viewPoint.x, viewPoint.y);
  bool added = false;
  std::wstring problems;
  {
    WaitCursor wait;
    for (const std::wstring& path : paths) {
      std::wstring why;
      if (SUCCEEDED(DropMedia(timeline_.Get(), target, path.c_str(), &why)))
        added = true;
      else
        problems += (problems.empty() ? L"" : L"\n\n") + why;
    }
  }
  if (added) MarkModified();
  if (!problems.empty()) ShowMessage(window_, problems.c_str(), MB_OK | MB_ICONERROR);
}

int CWndMain::OnPreview() {
  WaitCursor wait;
  if (LogExists()) WriteLog(L"Rendering...");
  if (!preview_) {
    preview_ = new TLPreviewWnd();
    if (preview_->Create(window_, instance_) != 0) {
      preview_->Destroy(true);
      preview_ = nullptr;
      return -1;
    }
    RECT at = {};
    GetWindowRect(window_, &at);
    SetWindowPos(preview_->Hwnd(), nullptr, at.left + 30, at.top + 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    preview_->SetTimeline(timeline_.Get());
    ShowWindow(preview_->Hwnd(), SW_SHOW);
    if (LogExists()) WriteLog(L"Rendered (preview).");
  }
  SetFocus(preview_->Hwnd());
  preview_->Seek(view_ ? view_->CursorTime() : 0);
  return 0;
}

LRESULT CWndMain::OnChildClosed(HWND child) {
  if (preview_ && child == preview_->Hwnd()) {
    SetActiveWindow(window_);
    preview_->Destroy(true);
    preview_ = nullptr;
  } else if (render_ && child == render_->Hwnd()) {
    SetActiveWindow(window_);
    render_->Destroy(true);
    render_ = nullptr;
    EnablePopups(true);
  }
  return 0;
}

void CWndMain::EnablePopups(bool enable) {
  if (!menu_) return;
  for (UINT popup : {10u, 20u, 30u, 40u})
    EnableMenuItem(menu_, popup, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
  DrawMenuBar(window_);
  if (enable) UpdateHistoryMenu();
}

int CWndMain::OnRenderToFile() {
  if (render_) return 0;
  render_ = new TLRenderWnd(GetAppConfig().ReadInt(L"RenderFile", L"ConnectCompressorOnConfig", 1) != 0);
  if (render_->Create(window_, instance_) != 0) {
    render_->Destroy(true);
    render_ = nullptr;
    return -1;
  }
  render_->CenterOn(window_);
  if (UiState::AppIcon()) SetClassLongPtrW(render_->Hwnd(), GCLP_HICON, reinterpret_cast<LONG_PTR>(UiState::AppIcon()));
  // No second render and no change to the project while one may run.
  EnablePopups(false);
  render_->SetTimeline(timeline_.Get());
  ShowWindow(render_->Hwnd(), SW_SHOW);
  return 0;
}

int CWndMain::OnCursorTime(int64_t time) {
  SetStatus(1, FormatTimeCode(time, kTimeCodeDisplay).c_str());
  if (preview_) preview_->Seek(time);
  return 0;
}

int CWndMain::OnNodeClick(UINT message, TLNode* node) {
  if (message != WM_RBUTTONDOWN || !node) return 0;
  HMENU menu = BuildMenu(kObjectMenu, true);
  POINT at;
  GetCursorPos(&at);
  UINT choice = ChooseFromMenu(menu, at.x, at.y, window_);
  DestroyMenu(menu);
  const wchar_t* kind = KindName(node->type);
  const wchar_t* action = nullptr;
  if (choice == kDelete) {
    action = L"delete";
    OwnedText question(L"Delete selected ", kind, L" from timeline?");
    if (ShowMessage(window_, question, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return 0;
    node->object->RemoveAll();
    MarkModified();
  } else if (choice == kProperties) {
    action = L"show properties";
    if (node->type == kTLGroup) OnGroupProperties(node);
    if (node->type == kTLEffect || node->type == kTLTransition)
      OnEffectTransition(node->type == kTLEffect ? 1 : 2, node);
    if (node->type == kTLTrack) OnTrackProperties(node);
    if (node->type == kTLSource) OnSourceProperties(node);
  } else {
    return 0;
  }
  if (LogExists()) WriteLog(OwnedText(kind, L": ", action));
  return 0;
}

void CWndMain::RunEditor(CWindow* editor) {
  editor->CenterOn(window_);
  if (editor->RunModal() == 1) MarkModified();
  editor->Destroy(true);
}

void CWndMain::NodePosition(const TLNode* node, int* group, int* track) {
  *group = -1;
  *track = -1;
  if (node && view_) FindNodePosition(view_->Model(), node, group, track);
}

void CWndMain::OnGroupProperties(TLNode* node) {
  auto* editor = new CWndTLGrp();
  if (editor->Create(window_, instance_) != 0) return editor->Destroy(true);
  editor->SetObject(timeline_.Get(), node ? node->object.Get() : nullptr);
  RunEditor(editor);
}

void CWndMain::OnTrackProperties(TLNode* node) {
  auto* editor = new CWndTLTrk();
  if (editor->Create(window_, instance_) != 0) return editor->Destroy(true);
  int group, track;
  NodePosition(node, &group, &track);
  editor->Open(timeline_.Get(), node ? node->object.Get() : nullptr, group, track);
  RunEditor(editor);
}

void CWndMain::OnSourceProperties(TLNode* node) {
  auto* editor = new CWndTLSrc();
  if (editor->Create(window_, instance_) != 0) return editor->Destroy(true);
  int group, track;
  NodePosition(node, &group, &track);
  editor->SetTrackObject(timeline_.Get(), node ? node->object.Get() : nullptr, group, track);
  if (!node && view_) {
    editor->StartEdit()->SetTime(view_->CursorTime());
    editor->OnStreamChanged();
  }
  RunEditor(editor);
}

void CWndMain::OnEffectTransition(int kind, TLNode* node) {
  auto* editor = new CWndTLEffTrn(std::make_shared<FilterDescriptions>());
  if (editor->Create(window_, instance_) != 0) return editor->Destroy(true);
  editor->SetKind(kind);
  int group, track;
  NodePosition(node, &group, &track);
  editor->SetTrackObject(timeline_.Get(), node ? node->object.Get() : nullptr, group, track);
  if (!node && view_) {
    editor->StartEdit()->SetTime(view_->CursorTime());
    editor->StopEdit()->SetTime(view_->CursorTime() + kMicrosPerSecond);
  }
  RunEditor(editor);
}

bool CWndMain::AskToSaveChanges(int* result) {
  *result = 0;
  if (!modified_) return true;
  int answer = ShowMessage(window_, kModifiedQuestion, MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDCANCEL) return false;
  if (answer == IDYES) {
    *result = OnSave(false);
    if (*result != 0) return false;
  }
  return true;
}

int CWndMain::OnNew() {
  int result = 0;
  if (!AskToSaveChanges(&result)) return result;
  if (!timeline_) return -1;
  timeline_->ClearAllGroups();
  const TLGroupDesc video = TLGroupDesc::DefaultVideo(2);
  const TLGroupDesc audio = TLGroupDesc::DefaultAudio(1);
  for (const TLGroupDesc* desc : {&video, &audio}) {
    Microsoft::WRL::ComPtr<IAMTimelineObj> group;
    CreateGroup(timeline_.Get(), group.GetAddressOf(), *desc);
  }
  SetText(kAppName);
  path_[0] = L'\0';
  ResetHistory();
  RefreshView();
  if (preview_) preview_->SetTimeline(timeline_.Get());
  SetModified(false);
  return 0;
}

void CWndMain::ShowOpenFailure(const wchar_t* path, HRESULT hr, const std::wstring& why) {
  HWND owner = splash_ ? splash_->Hwnd() : window_;
  // The reader's own sentence says what is wrong and where; the code's text is the fallback.
  std::wstring reason = hr == VFW_E_INVALID_FILE_FORMAT ? std::wstring(L"Invalid file format") : why;
  if (reason.empty())
    reason = ResultText(hr);
  else if (hr == VFW_E_INVALID_FILE_FORMAT && !why.empty())
    reason += L"\n" + why;
  ShowMessage(owner, OwnedText(path, L"\n\n", reason.c_str()), MB_OK | MB_ICONERROR);
}

void CWndMain::ShowProblems(const wchar_t* what, const std::vector<std::wstring>& missing) {
  std::vector<std::wstring> problems = errorLog_.TakeProblems();
  if (problems.empty() && missing.empty()) return;
  std::wstring text = std::wstring(what ? what : L"") + L"\n\nThis will not render as the project says:";
  for (const auto& m : missing)
    text += m.empty() ? std::wstring(L"\n- A source has no media file") : L"\n- Media file not found: " + m;
  for (const auto& p : problems) text += L"\n- " + p;
  ShowMessage(splash_ ? splash_->Hwnd() : window_, text.c_str(), MB_OK | MB_ICONWARNING);
}

int CWndMain::OnOpen(const wchar_t* path) {
  int result = 0;
  if (!AskToSaveChanges(&result)) return result;
  wchar_t chosen[kPathChars] = {};
  wchar_t titleName[kPathChars] = {};
  if (path) {
    if (wcslen(path) >= kPathChars) {
      ShowOpenFailure(path, HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
      return -1;
    }
    wcscpy(chosen, path);
    wcscpy(titleName, path);
  } else {
    OPENFILENAMEW ofn;
    FillProjectDialog(&ofn, window_, chosen, titleName);
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!ShowFileDialog(&ofn, false)) return 1;
  }

  HRESULT hr = -1;
  std::wstring why;
  {
    WaitCursor wait;
    if (timeline_) {
      timeline_->ClearAllGroups();
      errorLog_.TakeProblems();  // what came before is not this project's
      hr = OpenProjectInto(timeline_.Get(), &storage_, chosen, &why);
    }
  }
  if (SUCCEEDED(hr)) {
    SetText(OwnedText(kAppName, L" - [", titleName, L"]"));
    wcscpy(path_, chosen);
  } else {
    ShowOpenFailure(chosen, hr, why);
  }
  ResetHistory();
  RefreshPreview();
  RefreshView(SUCCEEDED(hr));
  SetModified(false);
  if (SUCCEEDED(hr)) ShowProblems(chosen, MissingMedia(timeline_.Get()));
  return SUCCEEDED(hr) ? 0 : 1;
}

int CWndMain::OnSave(bool ask) {
  if (!timeline_) return -1;
  wchar_t chosen[kPathChars];
  wcscpy(chosen, path_);
  wchar_t titleName[kPathChars] = {};
  bool dialog = ask || !path_[0];
  if (dialog) {
    OPENFILENAMEW ofn;
    FillProjectDialog(&ofn, window_, chosen, titleName);
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    if (!ShowFileDialog(&ofn, true)) return 1;
  }
  HRESULT hr;
  {
    WaitCursor wait;
    hr = storage_.Save(timeline_.Get(), chosen);
  }
  if (FAILED(hr)) {
    ShowMessage(window_, OwnedText(chosen, L"\n", ResultText(hr).c_str()), MB_OK | MB_ICONERROR);
    return hr;
  }
  if (dialog) {
    SetText(OwnedText(kAppName, L" - [", titleName, L"]"));
    wcscpy(path_, chosen);
  }
  history_.MarkSaved();
  SetModified(false);
  return 0;
}

void CWndMain::ShowAbout() {
  std::wstring text = AboutText();
  MessageRequest request;
  request.owner = window_;
  request.text = text.c_str();
  std::wstring caption = std::wstring(L"About ") + kAppName;
  request.caption = caption.c_str();
  request.type = MB_OK | MB_USERICON;
  request.iconInstance = instance_;
  request.icon = MAKEINTRESOURCEW(IDI_APP);
  ShowMessage(request);
}

void CWndMain::OnCommand(UINT id) {
  switch (id) {
    case kNew: OnNew(); break;
    case kOpen: OnOpen(nullptr); break;
    case kSave: OnSave(false); break;
    case kSaveAs: OnSave(true); break;
    case kAbout: ShowAbout(); break;
    case kPreview: OnPreview(); break;
    case kRenderToFile: OnRenderToFile(); break;
    case kUndo: OnUndo(); break;
    case kRedo: OnRedo(); break;
    case kAddGroup: OnGroupProperties(nullptr); break;
    case kAddTrack: OnTrackProperties(nullptr); break;
    case kAddSource: OnSourceProperties(nullptr); break;
    case kAddEffect: OnEffectTransition(1, nullptr); break;
    case kAddTransition: OnEffectTransition(2, nullptr); break;
    default: break;
  }
}

LRESULT CWndMain::OnCloseRequest(HWND window, WPARAM wParam, LPARAM lParam) {
  // A render under way may refuse to be interrupted: the program then stays.
  if (render_ && SendMessageW(render_->Hwnd(), WM_CLOSE, 0, 0) == 0 && IsWindow(render_->Hwnd()) &&
      render_->GetRunState() > 0)
    return 0;
  int result = 0;
  if (!AskToSaveChanges(&result)) return 0;
  return CWindow::WndProc(window, WM_CLOSE, wParam, lParam);
}

LRESULT CWndMain::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (lParam == 0) {
        OnCommand(LOWORD(wParam));
        return 0;
      }
      break;
    case WM_DESTROY:
      // DestroyWindow destroys the window's menu: it is not ours to destroy again.
      if (menu_ && GetMenu(window) == menu_) menu_ = nullptr;
      PostQuitMessage(0);
      return 0;
    case WM_SETFOCUS:
      if (view_) SetFocus(view_->Hwnd());
      return 0;
    case WM_CLOSE: return OnCloseRequest(window, wParam, lParam);
    case WM_DROPFILES: {
      HDROP drop = reinterpret_cast<HDROP>(wParam);
      std::vector<std::wstring> paths;
      const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count; ++i) {
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
        paths.push_back(path);
      }
      POINT at = {};
      DragQueryPoint(drop, &at);
      DragFinish(drop);
      if (view_) MapWindowPoints(window, view_->Hwnd(), &at, 1);
      OnDropFiles(paths, at);
      return 0;
    }
    case WM_SHOWWINDOW:
      if (wParam && !initialised_ && splash_) {
        initialised_ = true;
        InitializeApplication(*this);
        SetActiveWindow(window);
        DestroySplash();
      }
      break;
  }
  return CWindow::WndProc(window, message, wParam, lParam);
}
