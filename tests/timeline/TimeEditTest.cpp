#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "TestSupport.h"
#include "timeline/TimeEdit.h"
#include "ui/Window.h"

namespace {

class TimeEditTest : public testing::Test {
 protected:
  void SetUp() override {
    window_ = new CWindow();
    window_->style = WS_POPUP;
    window_->width = 300;
    window_->height = 100;
    ASSERT_EQ(window_->Create(nullptr, GetModuleHandleW(nullptr)), 0u);
    ShowWindow(window_->Hwnd(), SW_SHOW);
    edit_ = new CTimeEdit(window_->Hwnd(), GetModuleHandleW(nullptr));
    window_->AddChild(edit_);
    ASSERT_NE(edit_->Hwnd(), nullptr);
  }
  void TearDown() override { window_->Destroy(true); }

  void Caret(int p) { SendMessageW(edit_->Hwnd(), EM_SETSEL, p, p); }
  void Type(wchar_t c) { SendMessageW(edit_->Hwnd(), WM_CHAR, c, 1); }
  void Key(UINT vk) { SendMessageW(edit_->Hwnd(), WM_KEYDOWN, vk, 1); }
  int CaretPos() {
    DWORD start = 0;
    SendMessageW(edit_->Hwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    return static_cast<int>(start);
  }
  std::wstring Shown() { return edit_->GetText(); }

  CWindow* window_ = nullptr;
  CTimeEdit* edit_ = nullptr;
};

}  // namespace

TEST_F(TimeEditTest, StartsAtZeroLimitedToSixteenCharacters) {
  EXPECT_EQ(Shown(), L"000:00:00,000000");
  EXPECT_EQ(SendMessageW(edit_->Hwnd(), EM_GETLIMITTEXT, 0, 0), 16);
  EXPECT_TRUE(GetWindowLongW(edit_->Hwnd(), GWL_STYLE) & ES_NUMBER);
}

TEST_F(TimeEditTest, TypingOverwritesDigitsStepsOverSeparatorsAndClampsTens) {
  Caret(3);
  Type(L'7');  // lands on the tens of minutes, which run to 5
  EXPECT_EQ(Shown(), L"000:50:00,000000");
  EXPECT_EQ(CaretPos(), 5);
  Caret(7);
  Type(L'9');
  EXPECT_EQ(Shown(), L"000:50:50,000000");
  Caret(9);
  Type(L'4');
  EXPECT_EQ(Shown(), L"000:50:50,400000");
  Caret(0);
  Type(L'1');
  Type(L'2');
  EXPECT_EQ(Shown(), L"120:50:50,400000");
  EXPECT_EQ(edit_->GetTime(), ParseTimeCode(L"120:50:50,400000"));
  // Past the end typing is left to the control, which is full.
  Caret(16);
  Type(L'3');
  EXPECT_EQ(Shown(), L"120:50:50,400000");
}

TEST_F(TimeEditTest, UpArrowAddsOneUnitOfTheFieldUnderTheCaret) {
  Caret(3);
  Key(VK_UP);
  EXPECT_EQ(Shown(), L"001:00:00,000000");
  EXPECT_EQ(CaretPos(), 3);
  Caret(5);
  Key(VK_UP);
  EXPECT_EQ(Shown(), L"001:01:00,000000");
  Caret(9);
  Key(VK_UP);
  EXPECT_EQ(Shown(), L"001:01:01,000000");
  Caret(15);
  Key(VK_UP);
  EXPECT_EQ(Shown(), L"001:01:01,000001");
  Key(VK_DOWN);  // not ours: nothing changes
  EXPECT_EQ(edit_->GetTime(), 3661000001u);
}

TEST_F(TimeEditTest, UpArrowPastNineHundredNinetyNineHoursWidensTheText) {
  edit_->SetTime(999 * kMicrosPerHour);
  Caret(1);
  Key(VK_UP);
  EXPECT_EQ(Shown(), L"1000:00:00,000000");
  EXPECT_EQ(edit_->GetTime(), 1000ull * kMicrosPerHour);
  EXPECT_EQ(SendMessageW(edit_->Hwnd(), EM_GETLIMITTEXT, 0, 0), 17);
  // Fields keep their meaning: the caret after the wider hours edits minutes.
  Caret(5);
  Type(L'3');
  EXPECT_EQ(Shown(), L"1000:30:00,000000");
  edit_->SetTime(static_cast<int64_t>(kMaxTimeCodeHours) * kMicrosPerHour + 59 * kMicrosPerMinute + 59999999);
  Caret(0);
  Key(VK_UP);  // the largest time stays the largest
  EXPECT_EQ(Shown(), L"999999999:59:59,999999");
}

TEST_F(TimeEditTest, DeleteCutPasteAndClearLeaveTheTextAlone) {
  edit_->SetTime(3723000004);
  Caret(5);
  Key(VK_DELETE);
  EXPECT_EQ(Shown(), L"001:02:03,000004");

  SendMessageW(edit_->Hwnd(), EM_SETSEL, 0, -1);
  SendMessageW(edit_->Hwnd(), WM_CUT, 0, 0);
  EXPECT_EQ(Shown(), L"001:02:03,000004");
  SendMessageW(edit_->Hwnd(), EM_SETSEL, 0, 4);
  SendMessageW(edit_->Hwnd(), WM_CLEAR, 0, 0);
  EXPECT_EQ(Shown(), L"001:02:03,000004");

  if (OpenClipboard(window_->Hwnd())) {
    EmptyClipboard();
    const wchar_t text[] = L"999";
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
    memcpy(GlobalLock(block), text, sizeof text);
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
  }
  SendMessageW(edit_->Hwnd(), EM_SETSEL, 0, 3);
  SendMessageW(edit_->Hwnd(), WM_PASTE, 0, 0);
  EXPECT_EQ(Shown(), L"001:02:03,000004");
  EXPECT_FALSE(SendMessageW(edit_->Hwnd(), EM_CANUNDO, 0, 0));
}

TEST_F(TimeEditTest, BackspaceChangesOnlyTheShownTextUntilTheNextDigit) {
  edit_->SetTime(3723000004);
  Caret(16);
  Type(L'\b');
  EXPECT_EQ(Shown(), L"001:02:03,00000");
  EXPECT_EQ(edit_->GetTime(), 3723000004u);
  Caret(0);
  Type(L'0');
  EXPECT_EQ(Shown(), L"001:02:03,000004");
}

TEST_F(TimeEditTest, RealKeyboardInputReachesTheControl) {
  SetForegroundWindow(window_->Hwnd());
  SetFocus(edit_->Hwnd());
  if (GetFocus() != edit_->Hwnd()) GTEST_SKIP() << "no keyboard focus on this display";
  Caret(7);
  INPUT keys[4] = {};
  keys[0].type = keys[1].type = keys[2].type = keys[3].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = '8';
  keys[1].ki.wVk = '8';
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  keys[2].ki.wVk = VK_UP;
  keys[3].ki.wVk = VK_UP;
  keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
  ASSERT_EQ(SendInput(4, keys, sizeof(INPUT)), 4u);
  for (int i = 0; i < 50 && Shown() == L"000:00:00,000000"; ++i) {
    testsupport::PumpMessages();
    Sleep(10);
  }
  testsupport::PumpMessages();
  // '8' clamps to 5 tens of seconds; Up at the caret (8, seconds) adds one second.
  EXPECT_EQ(Shown(), L"000:00:51,000000");
}
