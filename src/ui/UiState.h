#pragma once
#include <windows.h>

// Process-wide state of the window framework: one of each, used from the UI thread only.
namespace UiState {

HICON AppIcon();
void SetAppIcon(HICON icon);

// Images of the dialog button row; either may be missing (plain captions are shown then).
HICON OkButtonImage();
HICON CancelButtonImage();
void SetButtonImages(HICON ok, HICON cancel);

// The container window most recently activated: keyboard navigation goes to it.
HWND ActiveDialogWindow();
void SetActiveDialogWindow(HWND window);

// An accelerator table offered every message first, with the window it translates for.
HACCEL Accelerator();
HWND AcceleratorTarget();
void SetAccelerator(HACCEL table, HWND target);

}  // namespace UiState
