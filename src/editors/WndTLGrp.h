#pragma once
// The modal editor of a timeline group: name, locked, muted and media type; it creates the
// group when it was opened without one.
#include <wrl/client.h>

#include <string>

#include "editors/TLObjEdit.h"
#include "timeline/TLGroupDesc.h"
#include "ui/WndDlg.h"

class CComboBox;
class CEdit;
class CStaticText;

class CWndTLGrp : public CWndDlg, public CTLObjEdit {
 public:
  static constexpr int kWidth = 300;
  // SaveToObject: the controls describe no group (the reason is in ControlsProblem).
  static constexpr int kRefused = -2;

  CWndTLGrp();
  ~CWndTLGrp() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int OnClose() override;

  int LoadFromObject() override;
  int SaveToObject() override;
  int SetObject(IAMTimeline* timeline, IAMTimelineObj* object) override;

  // Fills the desc from the controls; false, with a sentence for the user in *why, when the
  // video size cannot be a group's.
  bool DescribeControls(TLGroupDesc* desc, std::wstring* why) const;

  IAMTimelineGroup* Group() const { return group_.Get(); }
  CComboBox* MediaTypeCombo() const { return mediaType_; }
  CComboBox* SubtypeCombo() const { return subtype_; }
  // Video only (null otherwise).
  CEdit* WidthEdit() const { return widthEdit_; }
  CEdit* HeightEdit() const { return heightEdit_; }
  // Audio only (null otherwise).
  CComboBox* RateCombo() const { return rateCombo_; }

 private:
  void OnMediaTypeChanged();
  void RemoveVideoControls();
  void RemoveAudioControls();

  Microsoft::WRL::ComPtr<IAMTimelineGroup> group_;
  bool hadObject_ = false;
  // The rate of the edited audio group, kept when the list offers no item for it.
  DWORD loadedRate_ = 0;
  HRESULT lastSave_ = S_OK;

  // Owned through the child list.
  CStaticText* mediaTypeLabel_ = nullptr;
  CComboBox* mediaType_ = nullptr;
  CStaticText* subtypeLabel_ = nullptr;
  CComboBox* subtype_ = nullptr;
  CStaticText* resolutionLabel_ = nullptr;
  CEdit* widthEdit_ = nullptr;
  CEdit* heightEdit_ = nullptr;
  CStaticText* rateLabel_ = nullptr;
  CComboBox* rateCombo_ = nullptr;
};
