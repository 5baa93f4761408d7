#pragma once
// The "Render" window: the timeline's groups in a grid (stream, name, frame rate, compressor),
// the compressor's configuration, the destination file and its type, and Start/Stop with the
// progress of the run.
#include <control.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>

#include "render/TLRenderMgr.h"
#include "ui/GridStrCallback.h"
#include "ui/Window.h"

class CButton;
class CEdit;
class CGridStr;
class CStaticText;

class TLRenderWnd : public CWindow, public CGridStrCallback {
 public:
  static constexpr UINT kGraphEventMessage = WM_APP + 1;
  static constexpr UINT_PTR kProgressTimer = 1;
  enum Column { kStreamColumn = 0, kNameColumn, kFpsColumn, kCompressorColumn };

  // `connectOnConfigure`: whether a compressor is connected before its configuration opens.
  explicit TLRenderWnd(bool connectOnConfigure = true);
  ~TLRenderWnd() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int OnClose() override;
  int OnBeginEdit(CGridStr* grid, CWinCtl** editor) override;
  void OnEndEdit(CGridStr* grid, CWinCtl* editor, bool commit) override;

  HRESULT SetTimeline(IAMTimeline* timeline);
  // The graph's state without waiting (0 stopped, 1 paused, 2 running); -1 without a graph.
  int GetRunState() const;

  // What the buttons do.
  void OnConfigure();
  void OnBrowse();
  void OnStartStop();
  HRESULT Start();
  void Stop();

  TLRenderMgr& Manager() { return manager_; }
  CGridStr* Grid() const { return grid_; }
  CButton* ConfigureButton() const { return configure_; }
  CButton* BrowseButton() const { return browse_; }
  CButton* StartButton() const { return start_; }
  CEdit* DestinationEdit() const { return destination_; }
  CStaticText* ProgressLabel() const { return progress_; }
  HWND ProgressBar() const { return progressBar_; }
  const GUID& OutputType() const { return outputType_; }

 private:
  void FillRows();
  void Cleanup(bool dropRecords);
  void OnGraphEvents();
  void ShowProgress();
  void SetRunning(bool running);
  void ShowRenderError(HRESULT hr);
  bool AskToInterrupt();
  // The graph and its controls for the manager's records, after a finished run released them.
  HRESULT BuildGraph();

  IAMTimeline* timeline_ = nullptr;  // borrowed
  TLRenderMgr manager_;
  GUID outputType_;
  Microsoft::WRL::ComPtr<IMediaControl> control_;
  Microsoft::WRL::ComPtr<IMediaEventEx> events_;
  Microsoft::WRL::ComPtr<IMediaSeeking> seeking_;
  int64_t duration_ = 0;  // microseconds
  UINT_PTR timer_ = 0;
  bool connectOnConfigure_;

  // Owned through the child list.
  CGridStr* grid_ = nullptr;
  CButton* configure_ = nullptr;
  CStaticText* destinationLabel_ = nullptr;
  CEdit* destination_ = nullptr;
  CButton* browse_ = nullptr;
  CButton* start_ = nullptr;
  CStaticText* progress_ = nullptr;
  HWND progressBar_ = nullptr;  // a child window; goes with this one
};
