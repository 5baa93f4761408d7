#include "ui/CommonControls.h"

#include <commctrl.h>

namespace {
DWORD g_initialised = 0;
}  // namespace

bool EnsureCommonControls(DWORD classes) {
  if ((g_initialised & classes) == classes) return true;
  INITCOMMONCONTROLSEX icc = {sizeof icc, classes};
  if (!InitCommonControlsEx(&icc)) return false;
  g_initialised |= classes;
  return true;
}
