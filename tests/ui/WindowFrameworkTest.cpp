#include <gtest/gtest.h>
#include <windows.h>

#include <tuple>

#include "UiTestSupport.h"
#include "ui/StaticText.h"
#include "ui/UiState.h"
#include "ui/WindowRegistry.h"

using uitest::Instance;
using uitest::MakeTopLevel;
using uitest::Owned;

namespace {

CStaticText* AddLabel(CWindow* parent, int x, int y, int w, int h, DWORD anchor) {
  auto* label = new CStaticText(parent->Hwnd(), Instance());
  label->Resize(w, h);
  label->Move(x, y);
  label->anchor = anchor;
  parent->AddChild(label);
  return label;
}

}  // namespace

TEST(WindowFramework, RegistryFindsObjectsUntilDestroyedControlsKnowParentAndTextUnmadeOnesIgnoreCalls) {
  Owned<CWindow> window(MakeTopLevel(0, 0, 200, 100));
  ASSERT_NE(window.get(), nullptr);
  auto* label = new CStaticText(window->Hwnd(), Instance());
  ASSERT_NE(label->Hwnd(), nullptr);
  EXPECT_EQ(WindowRegistry::Find(window->Hwnd()), window.get());
  EXPECT_EQ(WindowRegistry::Find(label->Hwnd()), label);

  HWND labelWindow = label->Hwnd();
  label->Destroy(true);
  EXPECT_EQ(WindowRegistry::Find(labelWindow), nullptr);
  EXPECT_FALSE(IsWindow(labelWindow));
  EXPECT_EQ(WindowRegistry::Find(window->Hwnd()), window.get());
  // A message for a window without an object gets the default handling.
  EXPECT_EQ(CWinCtl::SharedWndProc(labelWindow, WM_USER, 0, 0), 0);

  // Creating again leaves no node for the old window.
  HWND first = window->Hwnd();
  ASSERT_EQ(window->Create(nullptr, Instance()), 0u);
  EXPECT_NE(window->Hwnd(), first);
  EXPECT_EQ(WindowRegistry::Find(first), nullptr);
  EXPECT_EQ(WindowRegistry::Find(window->Hwnd()), window.get());
  DestroyWindow(first);

  // Controls know their parent and text; objects without a window ignore operations.
  label = new CStaticText(window->Hwnd(), Instance());
  window->AddChild(label);
  EXPECT_EQ(label->Parent(), window->Hwnd());
  label->SetText(L"caption");
  wchar_t small[4];
  label->GetText(small, 4);
  EXPECT_STREQ(small, L"cap");

  CWindow unmade;
  unmade.Move(10, 10);
  unmade.Resize(50, 50);
  unmade.SetText(L"x");
  EXPECT_EQ(unmade.GetText(), L"");
  // A class that cannot be created reports the platform's error and keeps no window.
  CWinCtl control;
  EXPECT_NE(control.CreateHandle(L"NoSuchWindowClass", Instance(), nullptr, true), 0u);
  EXPECT_EQ(control.Hwnd(), nullptr);
}

TEST(WinContainer, AnchorsKeepDistancesThroughResizesAndIgnoreMovesOfChildrenListedOnce) {
  Owned<CWindow> window(MakeTopLevel(0, 0, 400, 300));
  CStaticText* corner = AddLabel(window.get(), 300, 250, 50, 20, 12);  // bottom-right corner
  CStaticText* wide = AddLabel(window.get(), 10, 10, 200, 20, 5);      // grows with the width
  CStaticText* tall = AddLabel(window.get(), 10, 40, 50, 100, 10);     // grows with the height
  CStaticText* still = AddLabel(window.get(), 5, 200, 40, 20, 3);      // stretch bits alone
  CStaticText* right = AddLabel(window.get(), 350, 5, 30, 20, 4);      // follows the right edge
  EXPECT_FALSE(window->AddChild(right));  // listed twice, it would follow the edge twice as far

  const int sizes[][2] = {{450, 330}, {380, 290}, {600, 500}, {410, 305}};
  for (const auto& s : sizes) {
    SetWindowPos(window->Hwnd(), nullptr, 0, 0, s[0], s[1], SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    int dw = s[0] - 400, dh = s[1] - 300;
    SCOPED_TRACE(s[0]);
    EXPECT_EQ(std::tuple(300 + dw, 250 + dh, 50), std::tuple(corner->x, corner->y, corner->width));
    EXPECT_EQ(std::tuple(10, 200 + dw, 40, 100 + dh), std::tuple(wide->x, wide->width, tall->y, tall->height));
    EXPECT_EQ(std::tuple(5, 40, 20, 350 + dw, 5),
              std::tuple(still->x, still->width, still->height, right->x, right->y));
  }
  // A pure move changes no child.
  SetWindowPos(window->Hwnd(), nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(window->x, 50);
  EXPECT_EQ(std::tuple(310, 255, 210), std::tuple(corner->x, corner->y, wide->width));
  // Removing a child destroys it.
  HWND rightWindow = right->Hwnd();
  window->RemoveChild(right);
  EXPECT_FALSE(IsWindow(rightWindow));
}

TEST(WindowFramework, CentresOnAnotherWindowOrTheDesktop) {
  Owned<CWindow> owner(MakeTopLevel(100, 100, 800, 600));
  CWindow dialog;
  dialog.width = 340;
  dialog.height = 200;
  dialog.CenterOn(owner->Hwnd());
  EXPECT_EQ(std::pair(330, 300), std::pair(dialog.x, dialog.y));
  // Odd sizes truncate toward zero on both halves.
  dialog.width = 341;
  dialog.height = 201;
  dialog.CenterOn(owner->Hwnd());
  EXPECT_EQ(std::pair(330, 300), std::pair(dialog.x, dialog.y));

  RECT desktop;
  GetWindowRect(GetDesktopWindow(), &desktop);
  dialog.CenterOn(nullptr);
  EXPECT_EQ(dialog.x, desktop.left + (desktop.right - desktop.left) / 2 - 170);
}

TEST(WindowFramework, ActivationMakesAContainerTheNavigationTargetUntilItIsClosed) {
  Owned<CWindow> first(MakeTopLevel(0, 0, 200, 100));
  Owned<CWindow> second(MakeTopLevel(300, 0, 200, 100));
  SendMessageW(first->Hwnd(), WM_ACTIVATE, WA_ACTIVE, 0);  // taken: the message loop test
  SendMessageW(second->Hwnd(), WM_ACTIVATE, WA_CLICKACTIVE, 0);
  SendMessageW(second->Hwnd(), WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(UiState::ActiveDialogWindow(), second->Hwnd());
  // Closing a modeless window destroys it, and it is no longer the target.
  HWND secondWindow = second->Hwnd();
  SendMessageW(secondWindow, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(secondWindow));
  EXPECT_NE(UiState::ActiveDialogWindow(), secondWindow);
}
