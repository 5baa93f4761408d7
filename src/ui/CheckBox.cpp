#include "ui/CheckBox.h"

#include <commctrl.h>

CCheckBox::CCheckBox(HWND parent, HINSTANCE instance) {
  CCheckBox::SetDefaults();
  CCheckBox::Create(parent, instance);
}

void CCheckBox::SetDefaults() { SetCreationDefaults(0, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 75, 20); }

DWORD CCheckBox::Create(HWND parent, HINSTANCE instance) { return CreateHandle(L"BUTTON", instance, parent, true); }
