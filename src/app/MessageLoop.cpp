#include "app/MessageLoop.h"

#include <windows.h>

#include "ui/UiState.h"

int RunMessageLoop() {
  MSG msg = {};
  for (;;) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) break;
    if (got < 0) return -1;
    // The keys belong to their window and its controls: Ctrl+Z in an editor's name field is the
    // field's own undo, not the project's.
    HACCEL accelerator = UiState::Accelerator();
    HWND target = UiState::AcceleratorTarget();
    if (accelerator && (msg.hwnd == target || IsChild(target, msg.hwnd)) &&
        TranslateAcceleratorW(target, accelerator, &msg))
      continue;
    HWND dialog = UiState::ActiveDialogWindow();
    if (dialog && IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
