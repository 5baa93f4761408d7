#pragma once
#include <wrl/client.h>

#include <string>
#include <vector>

#include "app/ErrorLog.h"
#include "app/UndoHistory.h"
#include "core/ResolvePath.h"
#include "timeline/ProjectStorage.h"
#include "timeline/TLModelCallback.h"
#include "ui/Window.h"

class CStatusBar;
class CWndSplash;
class CWndTLModel;
class TLPreviewWnd;
class TLRenderWnd;
struct TLNode;

// The application's only top-level window: the timeline view, the status bar, the menu and
// every command; it owns the project (timeline, file path, modified flag).
class CWndMain : public CWindow, public CTLModelCallback {
 public:
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 560;

  enum Command : UINT {
    kNew = 11,
    kOpen = 12,
    kSave = 13,
    kSaveAs = 14,
    kRenderToFile = 15,
    kPreview = 21,
    kAddGroup = 31,
    kAddTrack = 32,
    kAddSource = 33,
    kAddEffect = 34,
    kAddTransition = 35,
    kUndo = 36,
    kRedo = 37,
    kAbout = 41,
    kDelete = 101,
    kProperties = 102,
  };

  CWndMain();
  ~CWndMain() override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  DWORD Create(HWND parent, HINSTANCE instance) override;

  int OnNodeClick(UINT message, TLNode* node) override;
  int OnCursorTime(int64_t time) override;

  LRESULT OnChildClosed(HWND child) override;

  int OnNew();
  // Opens the preview window, or brings back the open one, at the view's cursor.
  int OnPreview();
  // Opens the render window; the project's menus wait until it closes.
  int OnRenderToFile();
  int OnOpen(const wchar_t* path);
  int OnSave(bool ask);
  void MarkModified();
  // One step back or forward in the project's history; false when there is none or the
  // timeline could not be rebuilt.
  bool OnUndo();
  bool OnRedo();
  const UndoHistory& History() const { return history_; }
  // Media files dropped onto the view at a point of the view's client area: one history step.
  void OnDropFiles(const std::vector<std::wstring>& paths, POINT viewPoint);
  // Opens the group editor modally for the node's group, or for a new group without one.
  void OnGroupProperties(TLNode* node);
  // The track editor for the node's track, or for a new track without one.
  void OnTrackProperties(TLNode* node);
  // The source editor for the node's source, or for a new source at the view's cursor.
  void OnSourceProperties(TLNode* node);
  // The effect or transition editor (kind 1 effect, 2 transition) for the node's object, or for
  // a new one from the view's cursor for one second.
  void OnEffectTransition(int kind, TLNode* node);

  // The splash window shown until the first showing has initialised the application.
  void SetSplash(CWndSplash* splash) { splash_ = splash; }
  CWndSplash* Splash() const { return splash_; }
  void DestroySplash();

  IAMTimeline* Timeline() const { return timeline_.Get(); }
  void SetTimeline(IAMTimeline* timeline);
  CWndTLModel* View() const { return view_; }
  TLPreviewWnd* Preview() const { return preview_; }
  TLRenderWnd* RenderWindow() const { return render_; }
  CStatusBar* StatusBar() const { return status_; }
  IAMErrorLog* ErrorLog() { return &errorLog_; }
  bool IsModified() const { return modified_; }
  // Shows, in one message, the problems the engine reported since the last showing, with
  // `missing` media files first; nothing when there are none. Called once per open or render.
  void ShowProblems(const wchar_t* what, const std::vector<std::wstring>& missing = {});
  const wchar_t* Path() const { return path_; }

 private:
  // Rebuilds and repaints the view; `fit` zooms it to the whole timeline, as does a first
  // change that gives an empty timeline some length.
  void RefreshView(bool fit = false);
  // The history starts over from the timeline as it is, which counts as saved.
  void ResetHistory();
  void UpdateHistoryMenu();
  void EnablePopups(bool enable);
  bool StepHistory(bool forward);
  // After the timeline changed: the open preview rebuilds its graph and shows the cursor's time.
  void RefreshPreview();
  // Runs an editor that was created and set up; the project is marked modified when the user
  // confirmed it.
  void RunEditor(CWindow* editor);
  void NodePosition(const TLNode* node, int* group, int* track);
  void SetModified(bool modified);
  void SetStatus(int part, const wchar_t* text);
  bool AskToSaveChanges(int* result);  // false: stop (cancelled or the save failed)
  void ShowOpenFailure(const wchar_t* path, HRESULT hr, const std::wstring& why = std::wstring());
  void OnCommand(UINT id);
  void ShowAbout();
  LRESULT OnCloseRequest(HWND window, WPARAM wParam, LPARAM lParam);

  HMENU menu_ = nullptr;
  ProjectStorage storage_{L"KDP", L"version", L"timeline"};
  Microsoft::WRL::ComPtr<IAMTimeline> timeline_;
  CWndTLModel* view_ = nullptr;      // owned through the child list
  CStatusBar* status_ = nullptr;     // owned through the child list
  TLPreviewWnd* preview_ = nullptr;  // owned; null while no preview is open
  TLRenderWnd* render_ = nullptr;    // owned; null while no render window is open
  CWndSplash* splash_ = nullptr;
  CErrorLog errorLog_;
  UndoHistory history_;
  HACCEL accelerators_ = nullptr;
  wchar_t path_[kPathChars] = {};
  bool modified_ = false;
  bool initialised_ = false;
};
