#pragma once
#include "ui/Edit.h"

// The grid's own text editor, laid over the cell being edited; created hidden, the grid shows it.
class CGridCellEdit : public CEdit {
 public:
  CGridCellEdit() { CGridCellEdit::SetDefaults(); }
  void SetDefaults() override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
};
