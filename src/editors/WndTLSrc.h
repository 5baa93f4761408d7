#pragma once
// The modal editor of a media source: where it sits on the timeline, which file and stream it
// plays, which part of that stream and how its pictures are fitted to the group's.
#include <wrl/client.h>

#include <cstdint>
#include <string>
#include <vector>

#include "editors/TLObjOfTrkEdit.h"
#include "timeline/MediaStreams.h"
#include "ui/WndDlg.h"

class CButton;
class CEdit;

class CWndTLSrc : public CWndDlg, public CTLObjOfTrkEdit {
 public:
  static constexpr int kWidth = 300;
  static constexpr int kHeight = 190;

  CWndTLSrc();
  ~CWndTLSrc() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int OnClose() override;

  int LoadFromObject() override;
  void OnGroupChanged() override;
  int SetTrackObject(IAMTimeline* timeline, IAMTimelineObj* object, int groupIndex, int trackIndex) override;

  // Lists the streams of a media file with the media detector. Returns the detector's result
  // for the file; the list is empty unless that is S_OK.
  HRESULT AnalyseMedia(const wchar_t* path);
  // Lists the analysed streams of the chosen group's major type; the item at `preselect` (a
  // stream number among them) is selected, else the first.
  void FillStreamCombo(int preselect);
  void OnStreamChanged();
  // The open dialog, then the chosen file's streams.
  void BrowseMediaFile();
  // Writes the controls to the source, creating and placing it when there was none. 0, or
  // kRefused with Problem() saying why (the timeline is then as it was).
  int Apply();

  IAMTimelineSrc* Source() const { return source_.Get(); }
  const std::vector<StreamInfo>& Streams() const { return streams_; }
  CEdit* FileEdit() const { return fileEdit_; }
  CButton* BrowseButton() const { return browse_; }
  CComboBox* StreamCombo() const { return streamCombo_; }
  CTimeEdit* MediaStartEdit() const { return mediaStart_; }
  CTimeEdit* MediaStopEdit() const { return mediaStop_; }
  CComboBox* StretchCombo() const { return stretchCombo_; }

 private:
  void EnableOk(bool enable);
  void DropNewSource();

  Microsoft::WRL::ComPtr<IAMTimelineSrc> source_;
  std::vector<StreamInfo> streams_;
  bool hadObject_ = false;

  // Owned through the child list.
  CEdit* fileEdit_ = nullptr;
  CButton* browse_ = nullptr;
  CComboBox* streamCombo_ = nullptr;
  CTimeEdit* mediaStart_ = nullptr;
  CTimeEdit* mediaStop_ = nullptr;
  CComboBox* stretchCombo_ = nullptr;
};
