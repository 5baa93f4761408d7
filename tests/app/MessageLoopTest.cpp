#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "app/MessageLoop.h"
#include "ui/Edit.h"
#include "ui/UiState.h"
#include "ui/Window.h"

namespace {

class CommandWindow : public CWindow {
 public:
  std::vector<int> commands;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND) commands.push_back(LOWORD(wParam));
    return CWindow::WndProc(window, message, wParam, lParam);
  }
};

}  // namespace

TEST(MessageLoop, OffersKeysToTheAcceleratorTableThenToTheActiveWindowAndEndsWithTheQuitCode) {
  auto* window = new CommandWindow();
  window->style = WS_POPUP;
  window->width = 200;
  window->height = 100;
  ASSERT_EQ(window->Create(nullptr, GetModuleHandleW(nullptr)), 0u);
  auto* edit = new CEdit();
  edit->Create(window->Hwnd(), GetModuleHandleW(nullptr));
  window->AddChild(edit);
  SendMessageW(window->Hwnd(), WM_ACTIVATE, WA_ACTIVE, 0);
  ASSERT_EQ(UiState::ActiveDialogWindow(), window->Hwnd());
  ACCEL keys[] = {{FVIRTKEY, VK_F5, 99}};
  HACCEL table = CreateAcceleratorTableW(keys, 1);
  UiState::SetAccelerator(table, window->Hwnd());

  // F5 is the table's command (from a control too: the history test's Ctrl+Z); Escape in a
  // control of the active window is its Cancel.
  PostMessageW(window->Hwnd(), WM_KEYDOWN, VK_F5, 1);
  PostMessageW(edit->Hwnd(), WM_KEYDOWN, VK_ESCAPE, 1);
  PostQuitMessage(3);
  EXPECT_EQ(RunMessageLoop(), 3);
  EXPECT_EQ(window->commands, (std::vector<int>{99, IDCANCEL}));

  UiState::SetAccelerator(nullptr, nullptr);
  DestroyAcceleratorTable(table);
  window->Destroy(true);
}
