#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "GridTestSupport.h"
#include "UiTestSupport.h"
#include "ui/Edit.h"
#include "ui/GridComboBox.h"
#include "ui/GridComboBoxEx.h"
#include "ui/GridStrCallback.h"

namespace {

// An owner that supplies editors through a replaceable function and records the ends of edits.
struct Owner : CGridStrCallback {
  int OnBeginEdit(CGridStr* grid, CWinCtl** slot) override { return begin(grid, slot); }
  void OnEndEdit(CGridStr* grid, CWinCtl*, bool commit) override {
    ++ends;
    lastCommit = commit;
    cellAtEnd = grid->GetCellText(grid->CurrentColumn(), grid->CurrentRow());
  }
  std::function<int(CGridStr*, CWinCtl**)> begin;
  int ends = 0;
  bool lastCommit = false;
  std::wstring cellAtEnd;
};

class GridEditTest : public gridtest::GridFixture {
 protected:
  Owner owner;  // outlives the grid, which the frame ends in TearDown
};

}  // namespace

TEST_F(GridEditTest, EnterAndClicksStoreTheEditEscapeAndTabDoNotAndTheEditorFollowsItsCell) {
  auto* next = new CEdit();  // where Tab would go
  ASSERT_EQ(next->Create(frame->Hwnd(), uitest::Instance()), 0u);
  next->Move(10, 200);
  frame->AddChild(next);
  Fill(10);
  FocusGrid();
  grid->SetCurrentCell(1, 5);
  Key(VK_RETURN);
  HWND editor = EditorWindow();
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(IsWindowVisible(editor));
  EXPECT_EQ(GetFocus(), editor);
  EXPECT_EQ(grid->Editor()->GetText(), L"1,5");
  EXPECT_EQ(grid->Editor()->y, 60);  // rows 3 to 6 in view
  EXPECT_EQ(grid->Editor()->width, 70);
  SizeClient(300, 300);  // every row in view
  EXPECT_EQ(grid->Editor()->y, 120);
  grid->SetProportional(false);
  SizeClient(400, 300);
  EXPECT_EQ(grid->Editor()->x, 100);
  EXPECT_EQ(grid->Editor()->width, 100);
  EXPECT_EQ(GetFocus(), editor);

  SetWindowTextW(editor, L"typed");
  MSG tab = {};
  tab.hwnd = editor;
  tab.message = WM_KEYDOWN;
  tab.wParam = VK_TAB;
  IsDialogMessageW(frame->Hwnd(), &tab);  // the dialog keyboard interface hands Tab to the editor
  EXPECT_EQ(GetFocus(), editor);
  EXPECT_EQ(Cell(1, 5), L"1,5");
  KeyTo(editor, VK_RETURN);
  EXPECT_FALSE(IsWindow(editor));
  EXPECT_EQ(Cell(1, 5), L"typed");
  EXPECT_EQ(GetFocus(), grid->Hwnd());

  Key(VK_RETURN);
  SetWindowTextW(EditorWindow(), L"discarded");
  KeyTo(EditorWindow(), VK_ESCAPE);
  EXPECT_EQ(grid->Editor(), nullptr);
  EXPECT_EQ(Cell(1, 5), L"typed");

  ClickCell(1, 5);  // on the current cell: edits it
  SetWindowTextW(EditorWindow(), L"clicked away");
  ClickCell(2, 3);
  EXPECT_EQ(Cell(1, 5), L"clicked away");
  EXPECT_EQ(Cell(2, 3), L"2,3");
  EXPECT_EQ(grid->CurrentRow(), 3);
  EXPECT_EQ(grid->Editor(), nullptr);

  grid->SetReadOnly(true);
  Key(VK_RETURN);
  ClickCell(2, 3);
  EXPECT_EQ(grid->Editor(), nullptr);
}

TEST_F(GridEditTest, OwnerSuppliesOrVetoesTheEditor) {
  owner.flags = CGridStrCallback::kBeginEditBefore | CGridStrCallback::kNotifyEndEdit;
  HWND made = nullptr;
  int result = 0;
  owner.begin = [&](CGridStr* g, CWinCtl** slot) {
    auto* combo = new CGridComboBox(g->Hwnd(), uitest::Instance(), WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST);
    combo->AddString(L"Cinepak");
    combo->AddString(L"RLE");
    combo->SetCurSel(1);
    *slot = combo;
    made = combo->Hwnd();
    return result;
  };
  grid->SetCallback(&owner);
  Fill(3);
  FocusGrid();
  Key(VK_RETURN);
  ASSERT_EQ(EditorWindow(), made);
  EXPECT_TRUE(IsWindowVisible(made));
  EXPECT_EQ(GetFocus(), made);
  KeyTo(made, VK_RETURN);
  EXPECT_EQ(owner.ends, 1);
  EXPECT_TRUE(owner.lastCommit);
  EXPECT_EQ(owner.cellAtEnd, L"RLE");  // stored before the owner hears of the end
  EXPECT_FALSE(IsWindow(made));

  // A veto after storing an editor shows none and leaves no window behind.
  result = -1;
  Key(VK_RETURN);
  EXPECT_EQ(grid->Editor(), nullptr);
  EXPECT_FALSE(IsWindow(made));
  EXPECT_EQ(GetFocus(), grid->Hwnd());
}

TEST_F(GridEditTest, ComboBoxExLeavesOnlyTheChosenValue) {
  const std::wstring longItem = L"L" + std::wstring(299, L'x');
  owner.flags = CGridStrCallback::kBeginEditBefore;
  owner.begin = [&](CGridStr* g, CWinCtl** slot) {
    auto* combo = new CGridComboBoxEx(g->Hwnd(), uitest::Instance(), WS_CHILD | WS_VSCROLL | CBS_DROPDOWN);
    combo->SetItemData(combo->AddString(L"AB: two letters"), 2);
    combo->SetItemData(combo->AddString(L"XYZ: three"), 3);
    combo->SetItemData(combo->AddString(longItem.c_str()), 280);
    combo->AddString(L"plain: no value length");
    *slot = combo;
    return 0;
  };
  grid->SetCallback(&owner);
  Fill(2);
  FocusGrid();
  Key(VK_RETURN);
  auto* combo = static_cast<CGridComboBoxEx*>(grid->Editor());
  ASSERT_NE(combo, nullptr);
  HWND edit = combo->EditWindow();
  EXPECT_EQ(GetFocus(), edit);  // passed on to the edit part, and the edit goes on
  EXPECT_EQ(grid->Editor(), combo);

  combo->SetCurSel(0);
  EXPECT_EQ(combo->GetText(), L"AB");
  KeyTo(edit, VK_DOWN);
  EXPECT_EQ(combo->GetText(), L"XYZ");
  KeyTo(edit, VK_DOWN);  // a value longer than 255 characters is cut where it ends
  EXPECT_EQ(combo->GetText(), longItem.substr(0, 280));
  KeyTo(edit, VK_DOWN);
  EXPECT_EQ(combo->GetText(), L"plain: no value length");
  KeyTo(edit, VK_UP);
  KeyTo(edit, VK_UP);
  KeyTo(edit, VK_TAB);
  EXPECT_EQ(grid->Editor(), combo);
  KeyTo(edit, VK_RETURN);
  EXPECT_EQ(Cell(0, 0), L"XYZ");

  Key(VK_RETURN);
  ASSERT_NE(grid->Editor(), nullptr);
  KeyTo(static_cast<CGridComboBoxEx*>(grid->Editor())->EditWindow(), VK_ESCAPE);
  EXPECT_EQ(grid->Editor(), nullptr);
  EXPECT_EQ(Cell(0, 0), L"XYZ");
}
