#include "ui/Button.h"

#include <commctrl.h>

CButton::CButton(HWND parent, HINSTANCE instance, DWORD createStyle) {
  CButton::SetDefaults();
  style = createStyle;
  CButton::Create(parent, instance);
}

void CButton::SetDefaults() { SetCreationDefaults(0, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 75, 25); }

DWORD CButton::Create(HWND parent, HINSTANCE instance) { return CreateHandle(L"BUTTON", instance, parent, true); }
