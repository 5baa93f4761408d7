#include "ui/UiState.h"

namespace {
HICON g_appIcon = nullptr;
HICON g_okImage = nullptr;
HICON g_cancelImage = nullptr;
HWND g_activeDialog = nullptr;
HACCEL g_accelerator = nullptr;
HWND g_acceleratorTarget = nullptr;
}  // namespace

namespace UiState {

HICON AppIcon() { return g_appIcon; }
void SetAppIcon(HICON icon) { g_appIcon = icon; }
HICON OkButtonImage() { return g_okImage; }
HICON CancelButtonImage() { return g_cancelImage; }
void SetButtonImages(HICON ok, HICON cancel) {
  g_okImage = ok;
  g_cancelImage = cancel;
}
HWND ActiveDialogWindow() { return g_activeDialog; }
void SetActiveDialogWindow(HWND window) { g_activeDialog = window; }
HACCEL Accelerator() { return g_accelerator; }
HWND AcceleratorTarget() { return g_acceleratorTarget; }
void SetAccelerator(HACCEL table, HWND target) {
  g_accelerator = table;
  g_acceleratorTarget = target;
}

}  // namespace UiState
