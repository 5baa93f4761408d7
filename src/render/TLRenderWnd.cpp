#include "render/TLRenderWnd.h"

#include <commctrl.h>
#include <commdlg.h>
#include <evcode.h>
#include <mmreg.h>
#include <uuids.h>

#include <cwchar>

#include "core/AppConfig.h"
#include "core/FilterCatalog.h"
#include "core/IntText.h"
#include "core/LogFile.h"
#include "core/OwnedText.h"
#include "core/ResolvePath.h"
#include "core/ResultText.h"
#include "core/Text.h"
#include "render/WndStmCfg.h"
#include "render/WndVidCmp.h"
#include "services/ComUtil.h"
#include "timeline/TimeCode.h"
#include "ui/Button.h"
#include "ui/Edit.h"
#include "ui/GridComboBox.h"
#include "ui/GridStr.h"
#include "ui/StaticText.h"
#include "ui/UserPrompts.h"

// After the editing-services declarations, which bring the media framework's base types.
#include <amvideo.h>

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kInterruptQuestion[] =
    L"Render is in progress now. Do you want to interrupt?\nResult file can be corrupted.";
constexpr int kProgressSteps = 1000;

std::wstring StreamText(const AM_MEDIA_TYPE& type) {
  if (type.majortype == MEDIATYPE_Video && type.formattype == FORMAT_VideoInfo && type.pbFormat &&
      type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    return L"Video" + std::to_wstring(bitmap.biWidth) + L"x" + std::to_wstring(bitmap.biHeight);
  }
  if (type.majortype == MEDIATYPE_Audio && type.formattype == FORMAT_WaveFormatEx && type.pbFormat &&
      type.cbFormat >= sizeof(WAVEFORMATEX))
    return L"Audio" + std::to_wstring(reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat)->nChannels) + L"ch";
  return L"?";
}

const std::vector<FilterEntry>& CompressorsFor(const AM_MEDIA_TYPE& type) {
  return type.majortype == MEDIATYPE_Video ? FilterCatalog::VideoCompressors() : FilterCatalog::AudioCompressors();
}

std::wstring FpsText(IAMTimelineGroup* group) {
  double fps = 0;
  if (group) group->GetOutputFPS(&fps);
  return ShortNumber(fps);
}

std::wstring ErrorText(const wchar_t* first, const wchar_t* second, HRESULT hr, const wchar_t* separator) {
  return OwnedText(first, second, IntText(static_cast<int32_t>(hr), 16).get(), separator, ResultText(hr).c_str()).get();
}

// A path without the extension of its file name.
std::wstring WithoutExtension(std::wstring path) {
  const size_t slash = path.find_last_of(L"\\/"), dot = path.find_last_of(L'.');
  if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) path.resize(dot);
  return path;
}

}  // namespace

TLRenderWnd::TLRenderWnd(bool connectOnConfigure)
    : outputType_(MEDIASUBTYPE_Avi), connectOnConfigure_(connectOnConfigure) {
  className_ = L"TimeLineRender";
  exStyle = WS_EX_STATICEDGE;
  style = WS_VISIBLE | WS_SYSMENU;
  flags = kBeginEditBefore | kNotifyEndEdit;
}

TLRenderWnd::~TLRenderWnd() { Cleanup(true); }

DWORD TLRenderWnd::Create(HWND parent, HINSTANCE instance) {
  DWORD result = CWindow::Create(parent, instance);
  if (result != 0) return result;
  Resize(500, 250);
  SetText(L"Render");
  RECT client = {};
  GetClientRect(window_, &client);
  const int w = client.right;

  grid_ = new CGridStr(window_, instance);
  grid_->Move(4, 4);
  grid_->Resize(w - 8, 100);
  AddChild(grid_);
  grid_->SetCallback(this);
  grid_->LockUpdate();
  grid_->SetGridStyle(kGridHorizontalLines | kGridVerticalLines | kGridShowCurrentUnfocused);
  grid_->SetDefaultColumnWidth(100);
  grid_->SetColumnCount(4);
  const wchar_t* titles[] = {L"Stream type", L"Name", L"FPS", L"Compressor"};
  const unsigned widths[] = {100, 100, 50, 200};
  for (int c = 0; c < 4; ++c) {
    grid_->SetColumnTitle(c, titles[c]);
    grid_->SetColumnWidth(c, widths[c]);
  }
  grid_->SetColumnFlags(kStreamColumn, 0x80);
  grid_->SetColumnFlags(kNameColumn, 0x80);
  grid_->UnlockUpdate();

  configure_ = new CButton(window_, instance, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
  configure_->Move(w - 204, grid_->y + grid_->height + 4);
  configure_->Resize(200, 25);
  configure_->SetText(L"Compressor configuration...");
  AddChild(configure_);

  destinationLabel_ = new CStaticText(window_, instance);
  destinationLabel_->Move(4, configure_->y + configure_->height + 4);
  destinationLabel_->Resize(w - 8, 15);
  destinationLabel_->SetText(L"Destination file");
  AddChild(destinationLabel_);

  destination_ = new CEdit();
  destination_->style |= ES_READONLY;
  destination_->Create(window_, instance);
  destination_->Move(4, destinationLabel_->y + destinationLabel_->height);
  destination_->Resize(destinationLabel_->width - 20, 20);
  AddChild(destination_);
  std::wstring configured = GetAppConfig().ReadString(L"RenderFile", L"FileName", L"");
  if (configured.empty()) configured = L"_KDC_out.avi";
  wchar_t resolved[kPathChars] = {};
  destination_->SetText(ResolvePath(configured.c_str(), kResolveExpandEnv | kResolveBesideExe, resolved) ? resolved
                                                                                                         : L"");

  browse_ = new CButton(window_, instance, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_FLAT | BS_TOP);
  browse_->Move(destination_->x + destination_->width, destination_->y);
  browse_->Resize(destination_->height, destination_->height);
  browse_->SetText(L"...");
  AddChild(browse_);

  start_ = new CButton(window_, instance, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
  start_->Move(4, destination_->y + destination_->height + 4);
  start_->Resize(75, 25);
  start_->SetText(L"Start");
  AddChild(start_);

  progress_ = new CStaticText(window_, instance);
  progress_->ModifyStyle(0, WS_BORDER);
  progress_->Move(4, start_->y + start_->height + 4);
  progress_->Resize(w - 8, 15);
  AddChild(progress_);

  // Long renders show a bar beside the Start button too.
  progressBar_ =
      CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, start_->x + start_->width + 8, start_->y,
                      w - 4 - (start_->x + start_->width + 8), start_->height, window_, nullptr, instance, nullptr);
  SendMessageW(progressBar_, PBM_SETRANGE32, 0, kProgressSteps);
  return 0;
}

HRESULT TLRenderWnd::BuildGraph() {
  const HRESULT hr = manager_.CreateGraph();
  if (FAILED(hr)) return hr;
  control_ = As<IMediaControl>(manager_.graph.Get());
  events_ = As<IMediaEventEx>(manager_.graph.Get());
  if (events_) events_->SetNotifyWindow(reinterpret_cast<OAHWND>(window_), kGraphEventMessage, 0);
  return hr;
}

HRESULT TLRenderWnd::SetTimeline(IAMTimeline* timeline) {
  Cleanup(true);
  timeline_ = timeline;
  HRESULT hr = manager_.SetTimeline(timeline);
  if (SUCCEEDED(hr)) hr = BuildGraph();
  if (FAILED(hr)) {
    EnableWindow(start_->Hwnd(), FALSE);
    ShowRenderError(hr);
    Cleanup(false);
    return hr;
  }
  EnableWindow(start_->Hwnd(), TRUE);
  FillRows();
  return hr;
}

void TLRenderWnd::FillRows() {
  grid_->LockUpdate();
  grid_->DeleteAllRows();
  const int count = static_cast<int>(manager_.groups.size());
  if (count > 0) grid_->InsertRows(0, count);
  for (int i = 0; i < count; ++i) {
    const TLRenderGroup& g = manager_.groups[static_cast<size_t>(i)];
    grid_->SetCellText(kStreamColumn, i, StreamText(g.mediaType).c_str());
    grid_->SetCellText(kNameColumn, i, g.name ? g.name : L"");
    grid_->SetCellText(kFpsColumn, i, FpsText(g.group.Get()).c_str());
    const auto& catalog = CompressorsFor(g.mediaType);
    if (g.compressorIndex >= 0 && static_cast<size_t>(g.compressorIndex) < catalog.size())
      grid_->SetCellText(kCompressorColumn, i, catalog[static_cast<size_t>(g.compressorIndex)].name.c_str());
  }
  grid_->UnlockUpdate();
}

int TLRenderWnd::GetRunState() const {
  if (!control_) return -1;
  OAFilterState state = State_Stopped;
  control_->GetState(0, &state);
  return static_cast<int>(state);
}

void TLRenderWnd::Cleanup(bool dropRecords) {
  if (control_ && GetRunState() > 0) control_->Stop();
  manager_.ReleaseGraph(dropRecords);
  if (events_) events_->SetNotifyWindow(0, 0, 0);
  events_.Reset();
  control_.Reset();
  if (timer_ && window_) KillTimer(window_, timer_);
  timer_ = 0;
  if (dropRecords && grid_) grid_->DeleteRows();
}

void TLRenderWnd::ShowRenderError(HRESULT hr) {
  ShowMessage(window_, ErrorText(L"Render error", L"\n", hr, L": ").c_str(), MB_OK | MB_ICONERROR);
}

int TLRenderWnd::OnBeginEdit(CGridStr* grid, CWinCtl** editor) {
  const int column = grid->CurrentColumn(), row = grid->CurrentRow();
  if (column != kCompressorColumn || row < 0 || static_cast<size_t>(row) >= manager_.groups.size()) return 0;
  auto* list =
      new CGridComboBox(grid->Hwnd(), instance_,
                        WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_AUTOHSCROLL | CBS_HASSTRINGS);
  list->Move(grid->ColumnLeft(column), grid->RowTop(row));
  list->Resize(static_cast<int>(grid->ColumnWidth(column)), grid->RowHeight());
  SendMessageW(list->Hwnd(), CB_SETMINVISIBLE, 5, 0);
  const wchar_t* current = grid->GetCellText(column, row);
  for (const FilterEntry& entry : CompressorsFor(manager_.groups[static_cast<size_t>(row)].mediaType)) {
    const int item = list->AddString(entry.name.c_str());
    if (current && entry.name == current) list->SetCurSel(item);
  }
  if (*editor) (*editor)->Destroy(true);
  *editor = list;
  return 0;
}

void TLRenderWnd::OnEndEdit(CGridStr* grid, CWinCtl* editor, bool commit) {
  const int column = grid->CurrentColumn(), row = grid->CurrentRow();
  if (!commit || row < 0 || static_cast<size_t>(row) >= manager_.groups.size()) return;
  TLRenderGroup& g = manager_.groups[static_cast<size_t>(row)];
  if (column == kFpsColumn) {
    const wchar_t* text = grid->GetCellText(column, row);
    wchar_t* end = nullptr;
    const double fps = text ? wcstod(text, &end) : 0;
    // Only a whole number the group takes stays: anything else shows the rate it keeps.
    const bool whole = text && *text && end && *end == L'\0';
    if (!whole || !(fps > 0) || !g.group || FAILED(g.group->SetOutputFPS(fps)))
      grid->SetCellText(column, row, FpsText(g.group.Get()).c_str());
  } else if (column == kCompressorColumn && editor) {
    const int chosen = static_cast<int>(SendMessageW(editor->Hwnd(), CB_GETCURSEL, 0, 0));
    if (chosen >= 0 && chosen != g.compressorIndex) {
      // Another compressor: the settings made in the old one's configuration go with it.
      g.connected = false;
      g.compressor.Reset();
      g.compressorIndex = chosen;
    }
  }
}

void TLRenderWnd::OnConfigure() {
  const int row = grid_->CurrentRow();
  if (row < 0 || static_cast<size_t>(row) >= manager_.groups.size()) return;
  if (LogExists()) WriteLog(L"Compressor configuration...");
  ComPtr<IAMVideoCompression> compression;
  ComPtr<IAMStreamConfig> config;
  HRESULT hr = manager_.ConfigureCompressor(static_cast<size_t>(row), connectOnConfigure_, window_,
                                            compression.GetAddressOf(), config.GetAddressOf());
  if (SUCCEEDED(hr) && compression) {
    auto* dialog = new CWndVidCmp();
    if (dialog->Create(window_, instance_) == 0 && SUCCEEDED(hr = dialog->LoadSettings(compression.Get()))) {
      dialog->CenterOn(window_);
      dialog->RunModal();
    }
    dialog->Destroy(true);
  } else if (SUCCEEDED(hr) && config) {
    auto* dialog = new CWndStmCfg();
    if (dialog->Create(window_, instance_) == 0 && SUCCEEDED(hr = dialog->LoadCapabilities(config.Get()))) {
      dialog->CenterOn(window_);
      dialog->RunModal();
    }
    dialog->Destroy(true);
  }
  if (FAILED(hr)) {
    const wchar_t* cell = grid_->GetCellText(kCompressorColumn, row);
    ShowMessage(window_, ErrorText(cell ? cell : L"", L"\nCan't show compressor configuration\n", hr, L". ").c_str(),
                MB_OK | MB_ICONEXCLAMATION);
  }
}

void TLRenderWnd::OnBrowse() {
  wchar_t file[kPathChars] = {};
  wcsncpy(file, WithoutExtension(destination_->GetText()).c_str(), kPathChars - 1);
  OPENFILENAMEW request = {};
  request.lStructSize = sizeof request;
  request.hwndOwner = window_;
  request.lpstrFilter = BuildFileTypeFilter();
  request.nFilterIndex = 1;
  request.lpstrFile = file;
  request.nMaxFile = kPathChars;
  request.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  if (!ShowFileDialog(&request, true)) return;
  std::wstring chosen = file;
  const auto& types = FilterCatalog::FileTypes();
  if (request.nFilterIndex >= 1 && request.nFilterIndex <= types.size()) {
    const MuxEntry& type = types[request.nFilterIndex - 1];
    outputType_ = type.outputType;
    const std::vector<std::wstring> extensions = SplitText(type.extensions, L',', 2);
    if (!extensions.empty()) chosen = WithoutExtension(chosen) + L"." + extensions[0];
  }
  destination_->SetText(chosen.c_str());
}

void TLRenderWnd::SetRunning(bool running) {
  grid_->SetReadOnly(running);
  EnableWindow(configure_->Hwnd(), running ? FALSE : TRUE);
  EnableWindow(browse_->Hwnd(), running ? FALSE : TRUE);
  start_->SetText(running ? L"Stop" : L"Start");
}

HRESULT TLRenderWnd::Start() {
  if (LogExists()) WriteLog(L"'Render to file' start");
  if (manager_.groups.empty() || GetRunState() == State_Running) return S_FALSE;
  seeking_.Reset();
  const std::wstring path = destination_->GetText();
  if (path.empty() || path.size() >= kPathChars) {
    ShowMessage(window_,
                L"The destination file name is missing or longer than 259 characters.\nChoose another with \"...\".",
                MB_OK | MB_ICONERROR);
    return E_INVALIDARG;
  }
  // A finished run released its graph: the next one builds it again.
  HRESULT hr = manager_.graph ? S_OK : BuildGraph();
  if (SUCCEEDED(hr)) hr = manager_.RenderToFile(outputType_, path.c_str(), seeking_.GetAddressOf());
  if (SUCCEEDED(hr) && control_) {
    REFERENCE_TIME duration = 0;
    if (timeline_) timeline_->GetDuration(&duration);
    duration_ = RefTimeToMicros(duration);
    hr = control_->Run();
  } else if (SUCCEEDED(hr)) {
    hr = E_UNEXPECTED;
  }
  if (FAILED(hr)) {
    if (hr == TLRenderMgr::kDestinationIsInput)
      ShowMessage(window_,
                  (L"The destination is a file the project reads:\n" + manager_.destinationClash +
                   L"\nChoose another destination file.")
                      .c_str(),
                  MB_OK | MB_ICONERROR);
    else
      ShowRenderError(hr);
    Cleanup(false);
    return hr;
  }
  if (seeking_) timer_ = SetTimer(window_, kProgressTimer, 1000, nullptr);
  SendMessageW(progressBar_, PBM_SETPOS, 0, 0);
  SetRunning(true);
  return hr;
}

void TLRenderWnd::Stop() {
  if (LogExists()) WriteLog(L"'Render to file' stop");
  if (control_ && GetRunState() > 0) control_->Stop();
  SetRunning(false);
  Cleanup(false);
}

bool TLRenderWnd::AskToInterrupt() {
  MessageRequest request;
  request.owner = window_;
  request.text = kInterruptQuestion;
  request.type = MB_OKCANCEL | MB_ICONEXCLAMATION;
  return ShowMessage(request) == IDOK;
}

void TLRenderWnd::OnStartStop() {
  if (GetRunState() > 0) {
    if (AskToInterrupt()) Stop();
  } else {
    Start();
  }
}

void TLRenderWnd::ShowProgress() {
  LONGLONG position = 0;
  if (!seeking_ || FAILED(seeking_->GetCurrentPosition(&position))) return;
  const int64_t at = RefTimeToMicros(position);
  progress_->SetText(
      (FormatTimeCode(at, kTimeCodeDisplay) + L" / " + FormatTimeCode(duration_, kTimeCodeDisplay)).c_str());
  if (duration_ > 0)
    SendMessageW(progressBar_, PBM_SETPOS,
                 static_cast<WPARAM>(std::min<int64_t>(at, duration_) * kProgressSteps / duration_), 0);
}

void TLRenderWnd::OnGraphEvents() {
  bool ended = false, complete = false;
  long code = 0;
  LONG_PTR first = 0, second = 0;
  while (events_ && events_->GetEvent(&code, &first, &second, 0) == S_OK) {
    events_->FreeEventParams(code, first, second);
    if (code == EC_COMPLETE || code == EC_USERABORT || code == EC_ERRORABORT) ended = true;
    if (code == EC_COMPLETE) complete = true;
  }
  if (complete) SendMessageW(progressBar_, PBM_SETPOS, kProgressSteps, 0);
  if (ended) Stop();
}

int TLRenderWnd::OnClose() {
  if (GetRunState() > 0) {
    if (!AskToInterrupt()) return -1;
    Stop();
  }
  return 0;
}

LRESULT TLRenderWnd::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kGraphEventMessage:
      // The graph's notification: the same number as the close report sent to the parent.
      OnGraphEvents();
      return 0;
    case WM_TIMER:
      if (wParam == kProgressTimer) {
        ShowProgress();
        return 0;
      }
      break;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && lParam) {
        const HWND from = reinterpret_cast<HWND>(lParam);
        if (from == configure_->Hwnd()) {
          OnConfigure();
          return 0;
        }
        if (from == browse_->Hwnd()) {
          OnBrowse();
          return 0;
        }
        if (from == start_->Hwnd()) {
          OnStartStop();
          return 0;
        }
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: SetFocus(window); break;
    case WM_DESTROY:
      Cleanup(true);
      if (parent_) PostMessageW(parent_, kChildClosedMessage, reinterpret_cast<WPARAM>(window), 0);
      break;
  }
  return CWindow::WndProc(window, message, wParam, lParam);
}
