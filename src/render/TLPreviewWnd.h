#pragma once
// A small tool window that plays the timeline: its own filter graph from the render engine, the
// video picture embedded above a row of play, volume and options controls, sound through the
// audio renderer the user chose, and the position in the title.
#include <strmif.h>
#include <control.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>

#include "render/SkipListCallback.h"
#include "services/EditingServices.h"
#include "ui/Window.h"

class CButton;
class CStaticText;
class CTrackBar;

// "MRQ_group_video_renderer_<index>" and "MRQ_group_audio_renderer_<index>": the names of a
// group's renderer in the preview's graph.
std::wstring GroupRendererName(bool video, size_t index);

class TLPreviewWnd : public CWindow, public CSkipListCallback {
 public:
  static constexpr UINT kGraphEventMessage = WM_APP + 1;
  static constexpr UINT_PTR kPositionTimer = 1;
  static constexpr int kBarHeight = 28;
  static constexpr LONG kStartVolume = -2500;  // hundredths of a decibel
  enum MenuCommand : UINT { kScaleToVideo = 1, kAudioDeviceMenu = 200, kFirstAudioDevice = 201 };

  TLPreviewWnd();
  ~TLPreviewWnd() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int OnClose() override;

  // A new graph for the timeline (none for null). Returns the render engine's result.
  HRESULT SetTimeline(IAMTimeline* timeline);
  // Brings the graph up to date with the timeline; -1 without a graph.
  HRESULT RefreshGraph();
  // Shows the timeline at a position in microseconds; -1 without a graph.
  int Seek(int64_t micros);

  // What the play button and the options menu do.
  void OnPlayButton();
  void OnOptionsButton();
  void ChooseAudioDevice(int index);
  void ScaleToVideoSize();

  IGraphBuilder* Graph() const { return graph_.Get(); }
  IRenderEngine* Engine() const { return engine_.Get(); }
  IMediaControl* Control() const { return control_.Get(); }
  IMediaSeeking* Seeking() const { return seeking_.Get(); }
  IBaseFilter* VideoRenderer() const { return renderer_.Get(); }
  IVideoWindow* VideoWindow() const { return videoWindow_.Get(); }
  int AudioDevice() const { return audioDevice_; }
  LONG VideoWidth() const { return videoWidth_; }
  LONG VideoHeight() const { return videoHeight_; }
  bool ShowsPauseIcon() const { return pauseShown_; }
  CButton* PlayButton() const { return play_; }
  CButton* OptionsButton() const { return options_; }
  CTrackBar* VolumeSlider() const { return volume_; }

 private:
  void ReleaseGraph();
  void StopGraph();
  void ShowPlaying(bool playing);
  void ConnectOutputs();
  HRESULT AudioRendererFor(Microsoft::WRL::ComPtr<IBaseFilter>* renderer);
  void LayoutVideo();
  void ResizeClient(LONG width, LONG height);
  void ShowPosition();
  void OnGraphEvents();

  Microsoft::WRL::ComPtr<IBaseFilter> renderer_;
  Microsoft::WRL::ComPtr<IVideoWindow> videoWindow_;
  Microsoft::WRL::ComPtr<IBasicAudio> audio_;
  int audioDevice_ = -1;             // into the audio renderer catalogue; -1: the system's default
  IAMTimeline* timeline_ = nullptr;  // borrowed from the main window
  Microsoft::WRL::ComPtr<IRenderEngine> engine_;
  Microsoft::WRL::ComPtr<IGraphBuilder> graph_;
  Microsoft::WRL::ComPtr<IMediaControl> control_;
  Microsoft::WRL::ComPtr<IMediaEventEx> events_;
  Microsoft::WRL::ComPtr<IMediaSeeking> seeking_;
  UINT_PTR timer_ = 0;
  DWORD registration_ = 0;
  bool pauseShown_ = false;
  bool toldNoSound_ = false;

  // Owned through the child list.
  CButton* play_ = nullptr;
  CButton* options_ = nullptr;
  CTrackBar* volume_ = nullptr;
  CStaticText* minus_ = nullptr;
  CStaticText* plus_ = nullptr;

  HICON playIcon_ = nullptr;
  HICON pauseIcon_ = nullptr;
  HICON optionsIcon_ = nullptr;
  LONG videoWidth_ = 400;
  LONG videoHeight_ = 300;
};
