#include "render/TLPreviewWnd.h"

#include <amvideo.h>
#include <commctrl.h>
#include <evcode.h>
#include <uuids.h>

#include "core/AppName.h"
#include "core/FilterCatalog.h"
#include "core/LogFile.h"
#include "core/ResultText.h"
#include "res/resource.h"
#include "services/ComUtil.h"
#include "services/MediaTypes.h"
#include "timeline/TimeCode.h"
#include "ui/Button.h"
#include "ui/StaticText.h"
#include "ui/TrackBar.h"
#include "ui/UserPrompts.h"

using Microsoft::WRL::ComPtr;

namespace {

// The automation booleans of the video window (MinGW's headers lack their names).
constexpr long kOaTrue = -1;
constexpr long kOaFalse = 0;
constexpr DWORD kIconButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_ICON | BS_FLAT;

HICON LoadSmallIcon(HINSTANCE instance, int id) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
}

CButton* IconButton(CWinContainer* parent, HINSTANCE instance, HICON icon, int x, int y, DWORD anchor) {
  auto* button = new CButton(parent->Hwnd(), instance, kIconButtonStyle);
  button->Move(x, y);
  button->Resize(20, 20);
  button->anchor = anchor;
  if (icon) SendMessageW(button->Hwnd(), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
  parent->AddChild(button);
  return button;
}

// Whether a filter already belongs to a graph.
bool InGraph(IBaseFilter* filter) {
  FILTER_INFO info = {};
  if (FAILED(filter->QueryFilterInfo(&info))) return false;
  const bool member = info.pGraph != nullptr;
  if (info.pGraph) info.pGraph->Release();
  return member;
}

}  // namespace

std::wstring GroupRendererName(bool video, size_t index) {
  return std::wstring(kAppName) + (video ? L"_group_video_renderer_" : L"_group_audio_renderer_") +
         std::to_wstring(index);
}

TLPreviewWnd::TLPreviewWnd() {
  className_ = L"TimeLinePreview";
  exStyle = WS_EX_STATICEDGE | WS_EX_TOOLWINDOW;
  style = WS_VISIBLE | WS_SYSMENU | WS_THICKFRAME;
  // One renderer for the window's life: its picture is this window's content.
  if (SUCCEEDED(CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&renderer_)))) {
    videoWindow_ = As<IVideoWindow>(renderer_.Get());
    if (videoWindow_) videoWindow_->put_AutoShow(kOaFalse);
  }
}

TLPreviewWnd::~TLPreviewWnd() {
  ReleaseGraph();
  if (videoWindow_) {
    videoWindow_->put_Visible(kOaFalse);
    videoWindow_->put_Owner(0);
  }
  videoWindow_.Reset();
  renderer_.Reset();
  for (HICON icon : {playIcon_, pauseIcon_, optionsIcon_})
    if (icon) DestroyIcon(icon);
}

DWORD TLPreviewWnd::Create(HWND parent, HINSTANCE instance) {
  width = videoWidth_;
  height = videoHeight_ + kBarHeight;
  DWORD result = CWindow::Create(parent, instance);
  if (result != 0) return result;
  SetText(L"Preview");
  const HINSTANCE resources = GetModuleHandleW(nullptr);
  playIcon_ = LoadSmallIcon(resources, IDI_PREVIEW_PLAY);
  pauseIcon_ = LoadSmallIcon(resources, IDI_PREVIEW_PAUSE);
  optionsIcon_ = LoadSmallIcon(resources, IDI_PREVIEW_OPTIONS);

  RECT client = {};
  GetClientRect(window_, &client);
  const int top = client.bottom - 24;
  play_ = IconButton(this, instance, playIcon_, 4, top, kAnchorBottom);
  volume_ = new CTrackBar(window_, instance);
  volume_->Move(play_->x + play_->width + 16, top);
  volume_->Resize(80, 20);
  volume_->anchor = kAnchorBottom;
  AddChild(volume_);
  SendMessageW(volume_->Hwnd(), TBM_SETRANGEMIN, FALSE, -10000);
  SendMessageW(volume_->Hwnd(), TBM_SETRANGEMAX, TRUE, 0);
  minus_ = new CStaticText(window_, instance);
  minus_->Resize(8, 20);
  minus_->anchor = kAnchorBottom;
  minus_->SetText(L"-");
  AddChild(minus_);
  plus_ = new CStaticText(window_, instance);
  plus_->Resize(8, 20);
  plus_->anchor = kAnchorBottom;
  plus_->SetText(L"+");
  AddChild(plus_);
  SendMessageW(volume_->Hwnd(), TBM_SETBUDDY, TRUE, reinterpret_cast<LPARAM>(minus_->Hwnd()));
  SendMessageW(volume_->Hwnd(), TBM_SETBUDDY, FALSE, reinterpret_cast<LPARAM>(plus_->Hwnd()));
  options_ = IconButton(this, instance, optionsIcon_, client.right - 24, top, kAnchorBottom | kAnchorRight);

  if (videoWindow_) videoWindow_->put_Visible(kOaTrue);
  ResizeClient(videoWidth_, videoHeight_);
  LayoutVideo();
  return 0;
}

void TLPreviewWnd::ResizeClient(LONG clientWidth, LONG clientHeight) {
  if (!window_) return;
  RECT outer = {0, 0, clientWidth, clientHeight + kBarHeight};
  AdjustWindowRectEx(&outer, GetWindowLongW(window_, GWL_STYLE), FALSE, GetWindowLongW(window_, GWL_EXSTYLE));
  SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TLPreviewWnd::ScaleToVideoSize() { ResizeClient(videoWidth_, videoHeight_); }

void TLPreviewWnd::LayoutVideo() {
  if (!videoWindow_ || !window_) return;
  RECT client = {};
  GetClientRect(window_, &client);
  videoWindow_->put_Owner(reinterpret_cast<OAHWND>(window_));
  videoWindow_->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
  const LONG pictureHeight = client.bottom - kBarHeight;
  videoWindow_->SetWindowPosition(0, 0, client.right, pictureHeight > 0 ? pictureHeight : 0);
  // A new style takes the window's visibility with it: the picture stays shown.
  videoWindow_->put_Visible(kOaTrue);
}

void TLPreviewWnd::ShowPlaying(bool playing) {
  pauseShown_ = playing;
  if (play_)
    SendMessageW(play_->Hwnd(), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(playing ? pauseIcon_ : playIcon_));
}

void TLPreviewWnd::StopGraph() {
  if (!control_) return;
  OAFilterState state = State_Stopped;
  control_->GetState(0, &state);
  if (state != State_Stopped) control_->Stop();
  ShowPlaying(false);
}

void TLPreviewWnd::ReleaseGraph() {
  if (timer_ && window_) KillTimer(window_, timer_);
  timer_ = 0;
  if (graph_) {
    if (registration_) {
      ComPtr<IRunningObjectTable> table;
      if (SUCCEEDED(GetRunningObjectTable(0, &table))) table->Revoke(registration_);
      registration_ = 0;
    }
    StopGraph();
    seeking_.Reset();
    if (events_) events_->SetNotifyWindow(0, 0, 0);
    events_.Reset();
    control_.Reset();
    audio_.Reset();
    graph_.Reset();
  }
  if (engine_) {
    engine_->ScrapIt();
    engine_.Reset();
  }
}

HRESULT TLPreviewWnd::SetTimeline(IAMTimeline* timeline) {
  timeline_ = timeline;
  ReleaseGraph();
  if (!timeline) return S_OK;
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph_));
  if (FAILED(hr)) return hr;
  AttachTo(graph_.Get());
  hr = CoCreateInstance(CLSID_RenderEngine, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&engine_));
  if (FAILED(hr)) {
    ReleaseGraph();
    return hr;
  }
  engine_->SetFilterGraph(graph_.Get());
  engine_->SetTimelineObject(timeline);
  RegisterGraph(graph_.Get(), &registration_);
  control_ = As<IMediaControl>(graph_.Get());
  events_ = As<IMediaEventEx>(graph_.Get());
  if (events_) events_->SetNotifyWindow(reinterpret_cast<OAHWND>(window_), kGraphEventMessage, 0);
  seeking_ = As<IMediaSeeking>(graph_.Get());
  if (seeking_) seeking_->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
  if (window_) timer_ = SetTimer(window_, kPositionTimer, 500, nullptr);
  return RefreshGraph();
}

HRESULT TLPreviewWnd::RefreshGraph() {
  if (!engine_) return -1;
  StopGraph();
  const HRESULT hr = engine_->ConnectFrontEnd();
  if (hr == S_WARN_OUTPUTRESET) ConnectOutputs();
  LayoutVideo();
  return hr;
}

HRESULT TLPreviewWnd::AudioRendererFor(ComPtr<IBaseFilter>* renderer) {
  if (audioDevice_ >= 0) {
    const auto& catalog = FilterCatalog::AudioRenderers();
    if (static_cast<size_t>(audioDevice_) >= catalog.size() || catalog[audioDevice_].displayName.empty())
      return E_INVALIDARG;
    return BindFilter(catalog[audioDevice_].displayName.c_str(), renderer->ReleaseAndGetAddressOf());
  }
  const HRESULT hr = CoCreateInstance(CLSID_DSoundRender, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(renderer->ReleaseAndGetAddressOf()));
  // A machine without a sound card has no default sound renderer: the picture plays alone.
  if (FAILED(hr) && !toldNoSound_ && LogExists()) {
    WriteLog((L"Preview without sound: the default sound renderer cannot be created. " + ResultSentence(hr)).c_str());
    toldNoSound_ = true;
  }
  return hr;
}

void TLPreviewWnd::ConnectOutputs() {
  StopGraph();
  long groups = 0;
  if (timeline_) timeline_->GetGroupCount(&groups);
  for (long i = 0; i < groups; ++i) {
    ComPtr<IPin> pin;
    if (engine_->GetGroupOutputPin(i, &pin) != S_OK || !pin) continue;
    ComPtr<IAMTimelineObj> object;
    timeline_->GetGroup(&object, i);
    auto group = As<IAMTimelineGroup>(object.Get());
    AM_MEDIA_TYPE type = {};
    if (!group || FAILED(group->GetMediaType(&type))) continue;
    const bool video = type.majortype == MEDIATYPE_Video;
    ComPtr<IBaseFilter> renderer;
    if (video) {
      if (type.formattype == FORMAT_VideoInfo && type.pbFormat && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
        videoWidth_ = bitmap.biWidth;
        videoHeight_ = bitmap.biHeight < 0 ? -bitmap.biHeight : bitmap.biHeight;
      }
      renderer = renderer_;
    } else if (type.majortype == MEDIATYPE_Audio) {
      AudioRendererFor(&renderer);
    }
    FreeMediaTypeContents(type);
    const std::wstring name = GroupRendererName(video, static_cast<size_t>(i));
    ComPtr<IBaseFilter> old;
    if (SUCCEEDED(graph_->FindFilterByName(name.c_str(), &old)) && old) graph_->RemoveFilter(old.Get());
    // The window has one picture: a second video group finds the renderer taken (the platform's
    // graph would take the same filter twice, and connecting would make a second window).
    if (renderer && InGraph(renderer.Get())) renderer.Reset();
    // A group whose renderer cannot join stays silent; the other groups still play.
    if (renderer && SUCCEEDED(graph_->AddFilter(renderer.Get(), name.c_str()))) graph_->Render(pin.Get());
  }
  audio_ = As<IBasicAudio>(graph_.Get());
  if (audio_ && SUCCEEDED(audio_->put_Volume(kStartVolume))) {
    long volume = kStartVolume;
    if (SUCCEEDED(audio_->get_Volume(&volume)) && volume_) SendMessageW(volume_->Hwnd(), TBM_SETPOS, TRUE, volume);
  }
}

int TLPreviewWnd::Seek(int64_t micros) {
  if (!graph_ || !control_ || !seeking_) return -1;
  OAFilterState state = State_Stopped;
  control_->GetState(0, &state);
  if (state != State_Paused) control_->Pause();
  LONGLONG position = MicrosToRefTime(micros);
  seeking_->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  // A stopped graph stays paused on the new frame: the platform's video renderer paints nothing
  // once stopped (measured), so stopping again would leave the window blank at its next repaint.
  if (state == State_Running) control_->Run();
  return 0;
}

void TLPreviewWnd::OnPlayButton() {
  if (!control_) return;
  OAFilterState state = State_Stopped;
  control_->GetState(0, &state);
  if (state == State_Running) {
    control_->Pause();
    ShowPlaying(false);
  } else {
    control_->Run();
    ShowPlaying(true);
  }
}

void TLPreviewWnd::ChooseAudioDevice(int index) {
  if (index == audioDevice_) return;
  audioDevice_ = index;
  if (engine_) ConnectOutputs();
}

void TLPreviewWnd::OnOptionsButton() {
  if (!graph_) return;
  HMENU menu = CreatePopupMenu();
  HMENU devices = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, kScaleToVideo, L"Scale to original video size");
  const auto& catalog = FilterCatalog::AudioRenderers();
  for (size_t i = 0; i < catalog.size(); ++i) {
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
    item.fType = MFT_RADIOCHECK;
    item.fState = static_cast<int>(i) == audioDevice_ ? MFS_CHECKED : MFS_UNCHECKED;
    item.wID = kFirstAudioDevice + static_cast<UINT>(i);
    item.dwTypeData = const_cast<wchar_t*>(catalog[i].name.c_str());
    InsertMenuItemW(devices, static_cast<UINT>(i), TRUE, &item);
  }
  MENUITEMINFOW sub = {};
  sub.cbSize = sizeof sub;
  sub.fMask = MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
  sub.wID = kAudioDeviceMenu;
  sub.hSubMenu = devices;
  sub.dwTypeData = const_cast<wchar_t*>(L"Audio output device");
  InsertMenuItemW(menu, 1, TRUE, &sub);
  POINT at = {};
  GetCursorPos(&at);
  const UINT choice = ChooseFromMenu(menu, at.x, at.y, window_);
  DestroyMenu(menu);  // and the submenu with it
  if (choice == kScaleToVideo)
    ScaleToVideoSize();
  else if (choice >= kFirstAudioDevice && choice < kFirstAudioDevice + catalog.size())
    ChooseAudioDevice(static_cast<int>(choice - kFirstAudioDevice));
}

void TLPreviewWnd::ShowPosition() {
  LONGLONG position = 0;
  if (!seeking_ || FAILED(seeking_->GetCurrentPosition(&position))) return;
  SetText((L"Preview " + FormatTimeCode(RefTimeToMicros(position), kTimeCodeDisplay)).c_str());
}

void TLPreviewWnd::OnGraphEvents() {
  if (!events_) return;
  long code = 0;
  LONG_PTR first = 0, second = 0;
  while (events_ && events_->GetEvent(&code, &first, &second, 0) == S_OK) {
    events_->FreeEventParams(code, first, second);
    if (code == EC_COMPLETE || code == EC_USERABORT || code == EC_ERRORABORT) {
      StopGraph();
    } else if (code == EC_VIDEO_SIZE_CHANGED) {
      ResizeClient(LOWORD(first), HIWORD(first));
    }
  }
}

int TLPreviewWnd::OnClose() {
  ReleaseGraph();
  if (parent_) PostMessageW(parent_, kChildClosedMessage, reinterpret_cast<WPARAM>(window_), 0);
  // The owner destroys the window when it hears of the close.
  return -1;
}

LRESULT TLPreviewWnd::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kGraphEventMessage:
      // The graph's notification: the same number as the close report this window sends up.
      OnGraphEvents();
      return 0;
    case WM_COMMAND:
      if (play_ && reinterpret_cast<HWND>(lParam) == play_->Hwnd()) {
        OnPlayButton();
        return 0;
      }
      if (options_ && reinterpret_cast<HWND>(lParam) == options_->Hwnd()) {
        OnOptionsButton();
        return 0;
      }
      break;
    case WM_HSCROLL:
      if (volume_ && reinterpret_cast<HWND>(lParam) == volume_->Hwnd()) {
        if (audio_) audio_->put_Volume(static_cast<long>(SendMessageW(volume_->Hwnd(), TBM_GETPOS, 0, 0)));
        return 0;
      }
      break;
    case WM_TIMER:
      if (wParam == kPositionTimer) {
        ShowPosition();
        return 0;
      }
      break;
    case WM_MOVE:
      if (videoWindow_) videoWindow_->NotifyOwnerMessage(reinterpret_cast<OAHWND>(window), message, wParam, lParam);
      break;
    case WM_SIZE: {
      const LRESULT result = CWindow::WndProc(window, message, wParam, lParam);
      LayoutVideo();
      return result;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: SetFocus(window); break;
    case WM_DESTROY: ReleaseGraph(); break;
  }
  return CWindow::WndProc(window, message, wParam, lParam);
}
