#pragma once
// "Compressor properties": the key-frame rate, predicted frames per key frame and quality of a
// video compressor, through its IAMVideoCompression.
#include <strmif.h>

#include "ui/WndDlg.h"

class CEdit;
class CStaticText;
class CTrackBar;

class CWndVidCmp : public CWndDlg {
 public:
  CWndVidCmp();
  ~CWndVidCmp() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  int OnClose() override;

  // Fills the controls from the compressor (kept, not owned); the result of its GetInfo.
  HRESULT LoadSettings(IAMVideoCompression* compression);

  long Capabilities() const { return capabilities_; }
  CEdit* DescriptionEdit() const { return description_; }
  CEdit* KeyFrameEdit() const { return keyFrames_; }
  CEdit* PFramesEdit() const { return pFrames_; }
  CStaticText* QualityText() const { return qualityValue_; }
  CTrackBar* QualitySlider() const { return quality_; }

 private:
  void ShowQuality(double quality);

  long capabilities_ = 0;
  IAMVideoCompression* compression_ = nullptr;  // borrowed from the opener
  // Owned through the child list.
  CEdit* description_ = nullptr;
  CEdit* keyFrames_ = nullptr;
  CEdit* pFrames_ = nullptr;
  CStaticText* keyFramesLabel_ = nullptr;
  CStaticText* pFramesLabel_ = nullptr;
  CStaticText* qualityLabel_ = nullptr;
  CStaticText* qualityValue_ = nullptr;
  CTrackBar* quality_ = nullptr;
};
