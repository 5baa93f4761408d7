#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "UiTestSupport.h"
#include "ui/Button.h"
#include "ui/Edit.h"
#include "ui/StaticText.h"
#include "ui/UiState.h"
#include "ui/WndDlg.h"

using uitest::Instance;
using uitest::MakeTopLevel;
using uitest::Owned;

namespace {

// A dialog whose close can be refused a number of times.
class TestDialog : public CWndDlg {
 public:
  int refusals = 0;
  int closes = 0;
  int OnClose() override {
    ++closes;
    if (refusals > 0) {
      --refusals;
      return -1;
    }
    return CWndDlg::OnClose();
  }
};

}  // namespace

TEST(ModalDialog, EveryWayOutEndsTheRunWithItsResultAndLeavesTheWindowReadable) {
  Owned<CWindow> owner(MakeTopLevel(50, 50, 600, 450));
  Owned<TestDialog> dialog(new TestDialog());
  dialog->style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  dialog->width = 340;
  dialog->height = 200;
  ASSERT_EQ(dialog->Create(owner->Hwnd(), Instance()), 0u);
  auto* edit = new CEdit();
  edit->Create(dialog->Hwnd(), Instance());
  edit->Move(10, 10);
  edit->SetText(L"kept after the run");
  dialog->AddChild(edit);
  dialog->AddOkCancel(edit);
  auto post = [&](UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageW(dialog->Hwnd(), message, wParam, lParam);
  };
  auto click = [&](CButton* button) {
    post(WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(button->Hwnd()));
  };

  // The close box of a fresh window ends with 0, OK with 1, the Cancel button and command and
  // Escape with 2; a refused close keeps the run going.
  const std::pair<std::function<void()>, int> runs[] = {
      {[&] { post(WM_CLOSE, 0, 0); }, 0},
      {[&] { click(dialog->OkButton()); }, 1},
      {[&] { click(dialog->CancelButton()); }, 2},
      {[&] { post(WM_COMMAND, IDCANCEL, 0); }, 2},
      {[&] {
         post(WM_NULL, 0, 0);  // the first message of the run: by then the dialog is active
         PostMessageW(dialog->CancelButton()->Hwnd(), WM_KEYDOWN, VK_ESCAPE, 1);
       },
       2},
      {[&] {
         dialog->refusals = 1;
         click(dialog->OkButton());
         post(WM_COMMAND, IDCANCEL, 0);
       },
       2},
  };
  for (const auto& [act, result] : runs) {
    dialog->SetModalResult(0);
    act();
    EXPECT_EQ(dialog->RunModal(), result);
    EXPECT_FALSE(dialog->IsModal());
    EXPECT_TRUE(IsWindow(dialog->Hwnd()));
    EXPECT_FALSE(IsWindowVisible(dialog->Hwnd()));
    EXPECT_TRUE(IsWindowEnabled(owner->Hwnd()));
    // Closing hands activation back to the owner.
    EXPECT_EQ(GetActiveWindow(), owner->Hwnd());
    EXPECT_EQ(UiState::ActiveDialogWindow(), owner->Hwnd());
    EXPECT_EQ(edit->GetText(), L"kept after the run");
  }
  EXPECT_EQ(dialog->closes, 7);

  // A quit request cancels the run, whatever an earlier run left, hides the window with the
  // owner enabled, and still reaches the outer loop.
  dialog->SetModalResult(IDOK);
  PostQuitMessage(7);
  EXPECT_EQ(dialog->RunModal(), IDCANCEL);
  EXPECT_FALSE(IsWindowVisible(dialog->Hwnd()));
  EXPECT_TRUE(IsWindowEnabled(owner->Hwnd()));
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST(DialogButtons, RowSitsBelowTheLowestControlOrBelow100AndShowsImagesWhenTheyExist) {
  Owned<CWindow> owner(MakeTopLevel(0, 0, 500, 500));
  HICON image = LoadIconW(nullptr, IDI_INFORMATION);
  UiState::SetButtonImages(image, nullptr);  // Cancel has none: it keeps its caption
  const struct {
    int controlBottom;  // 0: no control above the row
    int rowY, clientBottom;
  } cases[] = {{30, 38, 67}, {296, 304, 333}, {0, 108, 137}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.controlBottom);
    Owned<CWndDlg> dialog(new CWndDlg());
    dialog->style = WS_POPUP | WS_CAPTION;
    dialog->width = 340;
    dialog->height = 200;
    ASSERT_EQ(dialog->Create(owner->Hwnd(), Instance()), 0u);
    CStaticText* label = nullptr;
    if (c.controlBottom) {
      label = new CStaticText(dialog->Hwnd(), Instance());
      label->Resize(100, 20);
      label->Move(8, c.controlBottom - 20);
      dialog->AddChild(label);
    }
    dialog->AddOkCancel(label);
    RECT client;
    GetClientRect(dialog->Hwnd(), &client);
    EXPECT_EQ(client.bottom, c.clientBottom);
    CButton* ok = dialog->OkButton();
    CButton* cancel = dialog->CancelButton();
    EXPECT_EQ(ok->y, c.rowY);
    EXPECT_EQ(cancel->y, c.rowY);
    // Right-aligned, Cancel last, four pixels apart.
    EXPECT_EQ(cancel->x + cancel->width, client.right - 4);
    EXPECT_EQ(ok->x + ok->width, cancel->x - 4);
    EXPECT_EQ(ok->width, 80);
    EXPECT_EQ(cancel->height, 25);
    EXPECT_TRUE(GetWindowLongW(ok->Hwnd(), GWL_STYLE) & BS_ICON);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(ok->Hwnd(), BM_GETIMAGE, IMAGE_ICON, 0)), image);
    EXPECT_FALSE(GetWindowLongW(cancel->Hwnd(), GWL_STYLE) & BS_ICON);
    EXPECT_EQ(cancel->GetText(), L"Cancel");
  }
  UiState::SetButtonImages(nullptr, nullptr);
}
