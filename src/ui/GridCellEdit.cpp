#include "ui/GridCellEdit.h"

#include "ui/GridEditorMessages.h"

void CGridCellEdit::SetDefaults() {
  CEdit::SetDefaults();
  style &= ~WS_VISIBLE;
}

LRESULT CGridCellEdit::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (ForwardGridEditorMessage(parent_, message, wParam, lParam, &result)) return result;
  return CEdit::WndProc(window, message, wParam, lParam);
}
