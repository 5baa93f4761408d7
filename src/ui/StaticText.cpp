#include "ui/StaticText.h"

#include <commctrl.h>

CStaticText::CStaticText(HWND parent, HINSTANCE instance) {
  CStaticText::SetDefaults();
  CStaticText::Create(parent, instance);
}

void CStaticText::SetDefaults() { SetCreationDefaults(0, WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 120, 15); }

DWORD CStaticText::Create(HWND parent, HINSTANCE instance) { return CreateHandle(L"STATIC", instance, parent, true); }
