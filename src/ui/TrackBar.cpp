#include "ui/TrackBar.h"

#include <commctrl.h>

#include "ui/CommonControls.h"

CTrackBar::CTrackBar(HWND parent, HINSTANCE instance) {
  CTrackBar::SetDefaults();
  CTrackBar::Create(parent, instance);
}

void CTrackBar::SetDefaults() { SetCreationDefaults(0, WS_CHILD | WS_VISIBLE, 120, 20); }

DWORD CTrackBar::Create(HWND parent, HINSTANCE instance) {
  EnsureCommonControls(ICC_BAR_CLASSES);
  return CreateHandle(TRACKBAR_CLASSW, instance, parent, true);
}
