#include "ui/GridComboBoxEx.h"

#include <string>

#include "ui/GridEditorMessages.h"

namespace {

// The platform's procedure of combo box edit parts, the same for all of them.
WNDPROC g_platformEditProc = nullptr;

}  // namespace

CGridComboBoxEx::CGridComboBoxEx(HWND parent, HINSTANCE instance, DWORD createStyle)
    : CComboBox(parent, instance, createStyle) {
  // The base made the window without this class's Create.
  if (window_) SubclassEditPart();
}

DWORD CGridComboBoxEx::Create(HWND parent, HINSTANCE instance) {
  DWORD result = CComboBox::Create(parent, instance);
  if (result == 0) SubclassEditPart();
  return result;
}

void CGridComboBoxEx::SubclassEditPart() {
  HWND edit = EditWindow();
  // A drop-down list without an edit part has nothing to replace.
  if (!edit || edit == window_) return;
  WNDPROC previous =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EditPartProc)));
  if (!g_platformEditProc && previous != &EditPartProc) g_platformEditProc = previous;
}

void CGridComboBoxEx::TruncateToValue() {
  int valueLength = GetItemData(GetCurSel());
  if (valueLength < 1) return;
  // Read whole, however long: a fixed buffer would cut or overrun a long text.
  std::wstring text = GetText();
  if (text.size() <= static_cast<size_t>(valueLength)) return;
  text.resize(static_cast<size_t>(valueLength));
  SetText(text.c_str());
}

LRESULT CGridComboBoxEx::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kTruncateMessage) {
    TruncateToValue();
    return 0;
  }
  // The focus passing to the edit part stays inside the editor: no end of the edit.
  if (message == WM_KILLFOCUS && EditWindow() && reinterpret_cast<HWND>(wParam) == EditWindow())
    return CComboBox::WndProc(window, message, wParam, lParam);
  LRESULT result = 0;
  if (ForwardGridEditorMessage(parent_, message, wParam, lParam, &result)) return result;
  return CComboBox::WndProc(window, message, wParam, lParam);
}

LRESULT CALLBACK CGridComboBoxEx::EditPartProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND combo = GetParent(edit);
  switch (message) {
    case WM_KILLFOCUS:
      if (reinterpret_cast<HWND>(wParam) != combo) {
        SendMessageW(combo, message, wParam, lParam);
        // The grid may have ended the edit, and this window with it.
        if (!IsWindow(edit)) return 0;
      }
      break;
    case WM_SETTEXT: {
      LRESULT result = CallWindowProcW(g_platformEditProc, edit, message, wParam, lParam);
      SendMessageW(combo, kTruncateMessage, 0, 0);
      return result;
    }
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
      if (IsGridEditKey(wParam)) {
        SendMessageW(combo, message, wParam, lParam);
        return 0;
      }
      if (wParam == VK_PRIOR || wParam == VK_NEXT || wParam == VK_UP || wParam == VK_DOWN) {
        LRESULT result = CallWindowProcW(g_platformEditProc, edit, message, wParam, lParam);
        SendMessageW(combo, kTruncateMessage, 0, 0);
        return result;
      }
      break;
  }
  return CallWindowProcW(g_platformEditProc, edit, message, wParam, lParam);
}
