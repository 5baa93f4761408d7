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
  // Steps of caret (or -1 to leave it), a character typed or a key pressed, and the text shown after.
  struct Step {
    int caret;
    wchar_t typed;
    UINT key;
    const wchar_t* shown;
  };
  void Play(std::initializer_list<Step> steps) {
    for (const Step& s : steps) {
      if (s.caret >= 0) Caret(s.caret);
      if (s.typed) Type(s.typed);
      if (s.key) Key(s.key);
      EXPECT_EQ(Shown(), s.shown) << "caret " << s.caret << ", " << static_cast<int>(s.typed) << "/" << s.key;
    }
  }

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
  Play({{3, L'7', 0, L"000:50:00,000000"}});  // lands on the tens of minutes, which run to 5
  EXPECT_EQ(CaretPos(), 5);
  // Past the end typing is left to the control, which is full.
  Play({{7, L'9', 0, L"000:50:50,000000"},
        {9, L'4', 0, L"000:50:50,400000"},
        {0, L'1', 0, L"100:50:50,400000"},
        {-1, L'2', 0, L"120:50:50,400000"},
        {16, L'3', 0, L"120:50:50,400000"}});
  EXPECT_EQ(edit_->GetTime(), ParseTimeCode(L"120:50:50,400000"));
}

TEST_F(TimeEditTest, UpArrowAddsOneUnitOfTheFieldUnderTheCaret) {
  Play({{3, 0, VK_UP, L"001:00:00,000000"}});
  EXPECT_EQ(CaretPos(), 3);
  Play({{5, 0, VK_UP, L"001:01:00,000000"},
        {9, 0, VK_UP, L"001:01:01,000000"},
        {15, 0, VK_UP, L"001:01:01,000001"},
        {-1, 0, VK_DOWN, L"001:01:01,000001"}});  // not ours: nothing changes
  EXPECT_EQ(edit_->GetTime(), 3661000001u);
}

TEST_F(TimeEditTest, UpArrowPastNineHundredNinetyNineHoursWidensTheText) {
  edit_->SetTime(999 * kMicrosPerHour);
  // Fields keep their meaning: the caret after the wider hours edits minutes.
  Play({{1, 0, VK_UP, L"1000:00:00,000000"}, {5, L'3', 0, L"1000:30:00,000000"}});
  EXPECT_EQ(edit_->GetTime(), 1000ull * kMicrosPerHour + 30 * kMicrosPerMinute);
  EXPECT_EQ(SendMessageW(edit_->Hwnd(), EM_GETLIMITTEXT, 0, 0), 17);
  edit_->SetTime(static_cast<int64_t>(kMaxTimeCodeHours) * kMicrosPerHour + 59 * kMicrosPerMinute + 59999999);
  Play({{0, 0, VK_UP, L"999999999:59:59,999999"}});  // the largest time stays the largest
}

TEST_F(TimeEditTest, DeleteCutPasteAndClearLeaveTheTextAlone) {
  edit_->SetTime(3723000004);
  Play({{5, 0, VK_DELETE, L"001:02:03,000004"}});

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
  Play({{16, L'\b', 0, L"001:02:03,00000"}});
  EXPECT_EQ(edit_->GetTime(), 3723000004u);
  Play({{0, L'0', 0, L"001:02:03,000004"}});
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
