#pragma once
#include "ui/WinCtl.h"

// A report-style list view with single selection.
class CListView : public CWinCtl {
 public:
  CListView() { CListView::SetDefaults(); }
  void SetDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
};
