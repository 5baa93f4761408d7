#include "app/MessageLoop.h"

#include <windows.h>

#include "ui/UiState.h"

int RunMessageLoop() {
  MSG msg = {};
  for (;;) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) break;
    if (got < 0) return -1;
    HACCEL accelerator = UiState::Accelerator();
    if (accelerator && TranslateAcceleratorW(UiState::AcceleratorTarget(), accelerator, &msg)) continue;
    HWND dialog = UiState::ActiveDialogWindow();
    if (dialog && IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
