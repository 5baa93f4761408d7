#pragma once
#include "ui/WinCtl.h"

// A status bar with a size grip.
class CStatusBar : public CWinCtl {
 public:
  CStatusBar() { CStatusBar::SetDefaults(); }
  void SetDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
};
