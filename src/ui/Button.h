#pragma once
#include "ui/WinCtl.h"

// A push button; the constructor takes its style.
class CButton : public CWinCtl {
 public:
  CButton(HWND parent, HINSTANCE instance, DWORD style);
  void SetDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
};
