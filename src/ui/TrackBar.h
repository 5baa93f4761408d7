#pragma once
#include "ui/WinCtl.h"

// A track bar (slider).
class CTrackBar : public CWinCtl {
 public:
  CTrackBar(HWND parent, HINSTANCE instance);
  void SetDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
};
