#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "../ui/UiTestSupport.h"
#include "timeline/TimeEdit.h"

namespace {

class TimeEditTest : public testing::Test {
 protected:
  void SetUp() override {
    window_ = uitest::MakeTopLevel(0, 0, 300, 100);
    ASSERT_NE(window_, nullptr);
    edit_ = new CTimeEdit(window_->Hwnd(), uitest::Instance());
    window_->AddChild(edit_);
    ASSERT_NE(edit_->Hwnd(), nullptr);
  }
  void TearDown() override { window_->Destroy(true); }

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
      if (s.caret >= 0) SendMessageW(edit_->Hwnd(), EM_SETSEL, s.caret, s.caret);
      if (s.typed) SendMessageW(edit_->Hwnd(), WM_CHAR, s.typed, 1);
      if (s.key) SendMessageW(edit_->Hwnd(), WM_KEYDOWN, s.key, 1);
      EXPECT_EQ(Shown(), s.shown) << "caret " << s.caret << ", " << static_cast<int>(s.typed) << "/" << s.key;
    }
  }

  CWindow* window_ = nullptr;
  CTimeEdit* edit_ = nullptr;
};

}  // namespace

TEST_F(TimeEditTest, StartsAtZeroAndTypingOverwritesDigitsStepsOverSeparatorsAndClampsTens) {
  EXPECT_EQ(Shown(), L"000:00:00,000000");
  EXPECT_EQ(SendMessageW(edit_->Hwnd(), EM_GETLIMITTEXT, 0, 0), 16);
  EXPECT_TRUE(GetWindowLongW(edit_->Hwnd(), GWL_STYLE) & ES_NUMBER);
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

TEST_F(TimeEditTest, UpArrowAddsOneUnitOfTheFieldUnderTheCaretWideningTheHoursPast999) {
  Play({{3, 0, VK_UP, L"001:00:00,000000"}});
  EXPECT_EQ(CaretPos(), 3);
  Play({{5, 0, VK_UP, L"001:01:00,000000"},
        {9, 0, VK_UP, L"001:01:01,000000"},
        {15, 0, VK_UP, L"001:01:01,000001"},
        {-1, 0, VK_DOWN, L"001:01:01,000001"}});  // not ours: nothing changes
  EXPECT_EQ(edit_->GetTime(), 3661000001u);

  // Past 999 hours the text widens and fields keep their meaning: the caret after the wider
  // hours edits minutes.
  edit_->SetTime(999 * kMicrosPerHour);
  Play({{1, 0, VK_UP, L"1000:00:00,000000"}, {5, L'3', 0, L"1000:30:00,000000"}});
  EXPECT_EQ(edit_->GetTime(), 1000ull * kMicrosPerHour + 30 * kMicrosPerMinute);
  EXPECT_EQ(SendMessageW(edit_->Hwnd(), EM_GETLIMITTEXT, 0, 0), 17);
  edit_->SetTime(static_cast<int64_t>(kMaxTimeCodeHours) * kMicrosPerHour + 59 * kMicrosPerMinute + 59999999);
  Play({{0, 0, VK_UP, L"999999999:59:59,999999"}});  // the largest time stays the largest
}

TEST_F(TimeEditTest, DeleteCutPasteAndClearLeaveTheTextAloneAndBackspaceOnlyTheShownText) {
  edit_->SetTime(3723000004);
  Play({{5, 0, VK_DELETE, L"001:02:03,000004"}});
  // Backspace changes only the shown text, until the next digit.
  Play({{16, L'\b', 0, L"001:02:03,00000"}});
  EXPECT_EQ(edit_->GetTime(), 3723000004u);
  Play({{0, L'0', 0, L"001:02:03,000004"}});

  if (OpenClipboard(window_->Hwnd())) {
    EmptyClipboard();
    const wchar_t text[] = L"999";
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
    memcpy(GlobalLock(block), text, sizeof text);
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
  }
  for (UINT message : {WM_CUT, WM_CLEAR, WM_PASTE}) {
    SendMessageW(edit_->Hwnd(), EM_SETSEL, 0, 3);
    SendMessageW(edit_->Hwnd(), message, 0, 0);
    EXPECT_EQ(Shown(), L"001:02:03,000004") << message;
  }
  EXPECT_FALSE(SendMessageW(edit_->Hwnd(), EM_CANUNDO, 0, 0));
}
