#include "ui/StatusBar.h"

#include <commctrl.h>

#include "ui/CommonControls.h"

void CStatusBar::SetDefaults() { SetCreationDefaults(0, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 120, 20); }

DWORD CStatusBar::Create(HWND parent, HINSTANCE instance) {
  EnsureCommonControls(ICC_BAR_CLASSES);
  return CreateHandle(STATUSCLASSNAMEW, instance, parent, true);
}
