#include "timeline/GridTimeEdit.h"

#include "ui/GridEditorMessages.h"

void CGridTimeEdit::SetDefaults() {
  CTimeEdit::SetDefaults();
  style &= ~WS_VISIBLE;
}

LRESULT CGridTimeEdit::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (ForwardGridEditorMessage(parent_, message, wParam, lParam, &result)) return result;
  return CTimeEdit::WndProc(window, message, wParam, lParam);
}
