#include "ui/GridEditorMessages.h"

bool IsGridEditKey(WPARAM key) { return key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE; }

bool ForwardGridEditorMessage(HWND grid, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_KILLFOCUS: *result = SendMessageW(grid, message, wParam, lParam); return true;
    case WM_GETDLGCODE: *result = DLGC_WANTALLKEYS; return true;
    case WM_KEYDOWN:
      if (!IsGridEditKey(wParam)) return false;
      *result = SendMessageW(grid, message, wParam, lParam);
      return true;
  }
  return false;
}
