#include "ui/Edit.h"

#include <commctrl.h>

void CEdit::SetDefaults() {
  SetCreationDefaults(WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 120, 20);
}

DWORD CEdit::Create(HWND parent, HINSTANCE instance) { return CreateHandle(L"EDIT", instance, parent, true); }
