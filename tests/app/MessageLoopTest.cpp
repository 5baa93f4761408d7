#include <gtest/gtest.h>
#include <windows.h>

#include "app/MessageLoop.h"
#include "ui/Edit.h"
#include "ui/UiState.h"
#include "ui/Window.h"

namespace {

class CommandWindow : public CWindow {
 public:
  int lastCommand = 0;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND) lastCommand = LOWORD(wParam);
    return CWindow::WndProc(window, message, wParam, lParam);
  }
};

CommandWindow* MakeCommandWindow() {
  auto* window = new CommandWindow();
  window->style = WS_POPUP;
  window->width = 200;
  window->height = 100;
  EXPECT_EQ(window->Create(nullptr, GetModuleHandleW(nullptr)), 0u);
  return window;
}

}  // namespace

TEST(MessageLoop, OffersKeysToTheAcceleratorTableFirstAndEndsWithTheQuitCode) {
  auto* window = MakeCommandWindow();
  ASSERT_NE(window->Hwnd(), nullptr);
  ACCEL keys[] = {{FVIRTKEY, VK_F5, 99}};
  HACCEL table = CreateAcceleratorTableW(keys, 1);
  UiState::SetAccelerator(table, window->Hwnd());

  PostMessageW(window->Hwnd(), WM_KEYDOWN, VK_F5, 1);
  PostQuitMessage(3);
  EXPECT_EQ(RunMessageLoop(), 3);
  EXPECT_EQ(window->lastCommand, 99);

  UiState::SetAccelerator(nullptr, nullptr);
  DestroyAcceleratorTable(table);
  window->Destroy(true);
}

TEST(MessageLoop, GivesNavigationKeysToTheActiveWindow) {
  auto* window = MakeCommandWindow();
  ASSERT_NE(window->Hwnd(), nullptr);
  auto* edit = new CEdit();
  edit->Create(window->Hwnd(), GetModuleHandleW(nullptr));
  window->AddChild(edit);
  SendMessageW(window->Hwnd(), WM_ACTIVATE, WA_ACTIVE, 0);
  ASSERT_EQ(UiState::ActiveDialogWindow(), window->Hwnd());

  // Escape in a control of the active window becomes the window's Cancel command.
  PostMessageW(edit->Hwnd(), WM_KEYDOWN, VK_ESCAPE, 1);
  PostQuitMessage(0);
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_EQ(window->lastCommand, IDCANCEL);
  window->Destroy(true);
}
