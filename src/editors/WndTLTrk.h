#pragma once
// The modal editor of a track: name, locked, muted, the group it belongs to and its priority
// in that group; it creates the track when it was opened without one.
#include <wrl/client.h>

#include "editors/TLObjOfGrpEdit.h"
#include "ui/WndDlg.h"

class CComboBox;
class CStaticText;

class CWndTLTrk : public CWndDlg, public CTLObjOfGrpEdit {
 public:
  static constexpr int kWidth = 300;
  // SaveToObject: the track could not be put where the controls say (Problem() says why).
  static constexpr int kRefused = -2;

  CWndTLTrk();
  ~CWndTLTrk() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int OnClose() override;

  int LoadFromObject() override;
  int SaveToObject() override;

  // Sets the editor up for a track at (groupIndex, trackIndex), or for a new track when
  // `track` is null.
  void Open(IAMTimeline* timeline, IAMTimelineObj* track, int groupIndex, int trackIndex);

  IAMTimelineTrack* Track() const { return track_.Get(); }
  int Priority() const { return priority_; }
  bool NameEdited() const { return nameEdited_; }
  CComboBox* PriorityCombo() const { return priorityCombo_; }
  const std::wstring& Problem() const { return problem_; }

 private:
  void OnGroupSelected();
  void SetNameQuietly(const std::wstring& name);

  Microsoft::WRL::ComPtr<IAMTimelineTrack> track_;
  int priority_ = -1;  // the track's index in its group; -1 for a new track
  bool nameEdited_ = false;
  bool settingName_ = false;  // our own text change is not the user's edit
  bool hadObject_ = false;
  std::wstring problem_;

  // Owned through the child list.
  CStaticText* priorityLabel_ = nullptr;
  CComboBox* priorityCombo_ = nullptr;
};
