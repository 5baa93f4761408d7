#pragma once
// The modal editor of an effect or a transition: its group and track, name, locked and muted,
// times, the filter that does the work, and the filter's parameters with their keyframes.
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "core/FilterCatalog.h"
#include "editors/FilterDescriptions.h"
#include "services/EditingServices.h"
#include "ui/GridStrCallback.h"
#include "ui/WndDlg.h"

class CCheckBox;
class CComboBox;
class CEdit;
class CGridStr;
class CStaticText;
class CTimeEdit;

class CWndTLEffTrn : public CWndDlg, public CGridStrCallback {
 public:
  static constexpr int kWidth = 340;
  static constexpr int kHeight = 200;
  enum GridMenuCommand : UINT { kAddKeyframe = 1, kRemoveKeyframe = 2 };

  // Takes the parameter descriptions (null: none).
  explicit CWndTLEffTrn(std::shared_ptr<const FilterDescriptions> descriptions);
  ~CWndTLEffTrn() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int OnClose() override;
  int OnBeginEdit(CGridStr* grid, CWinCtl** editor) override;
  void OnDeleteRow(CGridStr* grid, unsigned row) override;

  // 1 effect, 2 transition.
  void SetKind(int kind);
  void SetTrackObject(IAMTimeline* timeline, IAMTimelineObj* object, int group, int track);
  void LoadFromObject();
  void OnGroupChanged();
  void FillFilterList();
  void OnFilterChanged();
  // Writes the controls to the object; 0, or -1 with Problem() saying why (nothing changed).
  int SaveToObject();

  int Kind() const { return kind_; }
  IAMTimelineObj* Object() const { return object_.Get(); }
  CComboBox* GroupList() const { return groups_; }
  CComboBox* TrackList() const { return tracks_; }
  CComboBox* FilterList() const { return filters_; }
  CEdit* NameEdit() const { return name_; }
  CCheckBox* LockedBox() const { return locked_; }
  CCheckBox* MutedBox() const { return muted_; }
  CTimeEdit* StartEdit() const { return start_; }
  CTimeEdit* StopEdit() const { return stop_; }
  CGridStr* Grid() const { return grid_; }
  CStaticText* FilterLabel() const { return filterLabel_; }
  const std::wstring& Problem() const { return problem_; }
  // The class id of the selected filter; the null GUID without one.
  GUID SelectedFilter() const;

 private:
  void ShowKindTexts();
  void EnableOk(bool enable);
  void OnGridMenu();

  std::shared_ptr<const FilterDescriptions> descriptions_;
  IAMTimeline* timeline_ = nullptr;  // not owned
  Microsoft::WRL::ComPtr<IAMTimelineObj> object_;
  Microsoft::WRL::ComPtr<IAMTimelineEffect> effect_;
  Microsoft::WRL::ComPtr<IAMTimelineTrans> transition_;
  int kind_ = -1;
  const std::vector<FilterEntry>* catalog_ = nullptr;
  int initialGroup_ = -1;
  int initialTrack_ = -1;
  GUID groupMajor_ = GUID_NULL;
  GUID filter_ = GUID_NULL;
  bool hadObject_ = false;
  std::wstring problem_;

  // Owned through the child list.
  CStaticText* groupLabel_ = nullptr;
  CStaticText* nameLabel_ = nullptr;
  CStaticText* timesLabel_ = nullptr;
  CStaticText* filterLabel_ = nullptr;
  CComboBox* groups_ = nullptr;
  CComboBox* tracks_ = nullptr;
  CComboBox* filters_ = nullptr;
  CEdit* name_ = nullptr;
  CCheckBox* locked_ = nullptr;
  CCheckBox* muted_ = nullptr;
  CTimeEdit* start_ = nullptr;
  CTimeEdit* stop_ = nullptr;
  CGridStr* grid_ = nullptr;
};
