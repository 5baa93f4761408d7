#include <gtest/gtest.h>
#include <windows.h>

#include "timeline/GridTimeEdit.h"
#include "ui/GridStrCallback.h"
#include "ui/GridTestSupport.h"

namespace {

// Supplies a time-code editor for every cell, as the effect editor does for its start times.
struct TimeOwner : CGridStrCallback {
  TimeOwner() { flags = kBeginEditBefore; }
  int OnBeginEdit(CGridStr* grid, CWinCtl** slot) override {
    auto* edit = new CGridTimeEdit(grid->Hwnd(), GetModuleHandleW(nullptr));
    createdVisible = (GetWindowLongW(edit->Hwnd(), GWL_STYLE) & WS_VISIBLE) != 0;
    edit->SetTime(static_cast<int64_t>(ParseTimeCode(grid->GetCellText(grid->CurrentColumn(), grid->CurrentRow()))));
    *slot = edit;
    return 0;
  }
  bool createdVisible = true;
};

class GridTimeEditTest : public gridtest::GridFixture {
 protected:
  TimeOwner owner;  // outlives the grid, which the frame ends in TearDown
};

}  // namespace

TEST_F(GridTimeEditTest, EditsATimeCellAndLeavesTabToTheGrid) {
  grid->SetCallback(&owner);
  Fill(2);
  grid->SetCellText(2, 0, L"000:00:01,500000");
  grid->SetCurrentCell(2, 0);
  FocusGrid();
  Key(VK_RETURN);
  HWND edit = EditorWindow();
  ASSERT_NE(edit, nullptr);
  EXPECT_FALSE(owner.createdVisible);  // shown by the grid once placed, not before
  EXPECT_TRUE(IsWindowVisible(edit));

  SendMessageW(edit, EM_SETSEL, 0, 0);
  KeyTo(edit, VK_UP);  // the time-code editor's own keys still work
  KeyTo(edit, VK_TAB);
  EXPECT_EQ(EditorWindow(), edit);
  KeyTo(edit, VK_RETURN);
  EXPECT_EQ(Cell(2, 0), L"001:00:01,500000");
  EXPECT_EQ(GetFocus(), grid->Hwnd());
}
