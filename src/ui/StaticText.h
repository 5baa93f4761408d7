#pragma once
#include "ui/WinCtl.h"

// A one-line label.
class CStaticText : public CWinCtl {
 public:
  CStaticText(HWND parent, HINSTANCE instance);
  void SetDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
};
