#pragma once
#include "ui/WinCtl.h"

// A single-line edit field.
class CEdit : public CWinCtl {
 public:
  CEdit() { CEdit::SetDefaults(); }
  void SetDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
};
