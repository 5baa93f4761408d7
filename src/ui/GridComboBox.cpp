#include "ui/GridComboBox.h"

#include "ui/GridEditorMessages.h"

LRESULT CGridComboBox::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (ForwardGridEditorMessage(parent_, message, wParam, lParam, &result)) return result;
  return CComboBox::WndProc(window, message, wParam, lParam);
}
