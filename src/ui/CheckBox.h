#pragma once
#include "ui/WinCtl.h"

// An automatic check box.
class CCheckBox : public CWinCtl {
 public:
  CCheckBox(HWND parent, HINSTANCE instance);
  void SetDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
};
