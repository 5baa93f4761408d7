#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "GridTestSupport.h"
#include "UiTestSupport.h"
#include "ui/GridStrCallback.h"

namespace {

struct Recorder : CGridStrCallback {
  void OnCurrentCellChanged(CGridStr*) override { ++changes; }
  void OnDeleteRow(CGridStr*, unsigned row) override { deleted.push_back(row); }
  int changes = 0;
  std::vector<unsigned> deleted;
};

class GridTest : public gridtest::GridFixture {
 protected:
  std::vector<int> Current() const { return {grid->CurrentColumn(), grid->CurrentRow()}; }
  std::vector<unsigned> Widths() const {
    std::vector<unsigned> widths;
    for (int c = 0; c < 4; ++c) widths.push_back(grid->ColumnWidth(c));
    return widths;
  }

  Recorder recorder;  // outlives the grid, which the frame ends in TearDown
};

using Cells = std::vector<int>;

}  // namespace

TEST_F(GridTest, MeasuresVisibleRowsAndScrollBarsInCells) {
  SizeClient(300, 50);
  Fill(3);
  EXPECT_EQ(grid->VisibleRows(), 2u);
  ASSERT_TRUE(uitest::HasStyle(grid->Hwnd(), WS_VSCROLL));
  SCROLLINFO v = uitest::ScrollBar(grid->Hwnd(), SB_VERT);
  EXPECT_EQ(v.nMax, 3);
  EXPECT_EQ(v.nPage, 2u);
  EXPECT_FALSE(uitest::HasStyle(grid->Hwnd(), WS_HSCROLL));

  SizeClient(300, 100);  // room for every row
  EXPECT_FALSE(uitest::HasStyle(grid->Hwnd(), WS_VSCROLL));
  SizeClient(200, 200);  // columns wider than the client: one column per page
  ASSERT_TRUE(uitest::HasStyle(grid->Hwnd(), WS_HSCROLL));
  EXPECT_EQ(uitest::ScrollBar(grid->Hwnd(), SB_HORZ).nMax, 3);
  EXPECT_EQ(uitest::ScrollBar(grid->Hwnd(), SB_HORZ).nPage, 1u);
}

TEST_F(GridTest, InsertsRowsWhereAskedAndTellsTheOwnerOfRemovals) {
  EXPECT_EQ(grid->InsertRows(0, 0), 0);
  EXPECT_EQ(Current(), (Cells{-1, -1}));
  EXPECT_EQ(grid->InsertRows(-1, 2), 2);
  EXPECT_EQ(Current(), (Cells{0, 0}));
  grid->SetCellText(0, 0, L"a");
  grid->SetCellText(0, 1, L"b");
  grid->InsertRows(0, 1);     // before "a"
  grid->InsertRows(2, 1);     // between "a" and "b"
  grid->InsertRows(1000, 1);  // beyond the end: appended
  std::vector<std::wstring> first;
  for (int r = 0; r < static_cast<int>(grid->RowCount()); ++r) first.push_back(Cell(0, r));
  EXPECT_EQ(first, (std::vector<std::wstring>{L"(null)", L"a", L"(null)", L"b", L"(null)"}));
  EXPECT_EQ(grid->SetCellText(0, 5, L"x"), -1);
  EXPECT_EQ(grid->SetCurrentCell(-1, 0), -1);

  recorder.flags = CGridStrCallback::kNotifyDeleteRow;
  grid->SetCallback(&recorder);
  grid->SetCurrentCell(2, 1);
  EXPECT_EQ(grid->DeleteRows(), 5);  // for owners that refill the same rows: the place stays
  EXPECT_EQ(Current(), (Cells{2, 1}));
  Fill(2);
  grid->DeleteAllRows();
  EXPECT_EQ(recorder.deleted, (std::vector<unsigned>{0, 1, 2, 3, 4, 0, 1}));
  EXPECT_EQ(Current(), (Cells{-1, -1}));
}

TEST_F(GridTest, FirstVisibleRowFollowsTheCurrentRow) {
  Fill(10);
  FocusGrid();
  ASSERT_EQ(grid->VisibleRows(), 4u);  // the fourth partly visible
  grid->SetCurrentCell(1, 3);
  EXPECT_EQ(grid->FirstVisibleRow(), 1u);
  EXPECT_EQ(uitest::ScrollBar(grid->Hwnd(), SB_VERT).nPos, 3);
  grid->SetCurrentCell(1, 0);
  EXPECT_EQ(grid->FirstVisibleRow(), 0u);

  // The last row is shown second to last, where it is painted as the current cell.
  grid->SetCurrentCell(1, 9);
  EXPECT_EQ(grid->FirstVisibleRow(), 7u);
  EXPECT_EQ(CellPixel(1, 9), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(CellPixel(1, 8), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(Pixel(100, 85), GetSysColor(COLOR_WINDOW));  // no row below the last
}

TEST_F(GridTest, KeysWheelAndScrollBarsMoveTheCurrentCell) {
  Fill(10);
  recorder.flags = CGridStrCallback::kNotifyCurrentCell;
  grid->SetCallback(&recorder);
  Key(VK_UP);
  Key(VK_LEFT);
  EXPECT_EQ(recorder.changes, 0);
  Key(VK_NEXT);  // by the four visible rows
  EXPECT_EQ(Current(), (Cells{0, 4}));
  Key(VK_NEXT, 2);
  Key(VK_DOWN);
  EXPECT_EQ(Current(), (Cells{0, 9}));
  EXPECT_EQ(recorder.changes, 2);
  Key(VK_RIGHT, 2);
  Key(VK_UP, 3);
  EXPECT_EQ(Current(), (Cells{2, 6}));

  // The current row after a wheel turn.
  auto wheel = [this](short delta) {
    SendMessageW(grid->Hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, delta), 0);
    return grid->CurrentRow();
  };
  EXPECT_EQ(wheel(120), 5);
  EXPECT_EQ(wheel(60), 5);
  EXPECT_EQ(wheel(-240), 7);

  SetForegroundWindow(frame->Hwnd());
  SendMessageW(grid->Hwnd(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 2), 0);
  EXPECT_EQ(grid->CurrentRow(), 2);
  EXPECT_EQ(GetFocus(), grid->Hwnd());
  SizeClient(150, 90);
  SendMessageW(grid->Hwnd(), WM_HSCROLL, MAKEWPARAM(SB_RIGHT, 0), 0);
  EXPECT_EQ(grid->FirstVisibleColumn(), 3u);  // the current column, at the left edge
  EXPECT_EQ(grid->ColumnLeft(3), 0);

  // The grid keeps the navigation keys from dialog navigation, and Enter while it can edit.
  EXPECT_EQ(DlgCode(grid->Hwnd(), VK_PRIOR), DLGC_WANTALLKEYS);
  EXPECT_EQ(DlgCode(grid->Hwnd(), VK_RETURN), DLGC_WANTALLKEYS);
  EXPECT_NE(DlgCode(grid->Hwnd(), VK_TAB), DLGC_WANTALLKEYS);
  grid->SetReadOnly(true);
  EXPECT_NE(DlgCode(grid->Hwnd(), VK_RETURN), DLGC_WANTALLKEYS);
}

TEST_F(GridTest, NotSelectableColumnIsSkippedAndDrawnAsHeader) {
  grid->SetColumnFlags(0, GridData::kNotSelectable | GridData::kLookFixed);
  Fill(6);
  EXPECT_EQ(Current(), (Cells{1, 0}));
  EXPECT_EQ(CellPixel(0, 2), GetSysColor(COLOR_BTNFACE));
  ClickCell(0, 2);
  EXPECT_EQ(Current(), (Cells{1, 2}));
  Key(VK_LEFT);
  EXPECT_EQ(Current(), (Cells{1, 2}));

  grid->SetCurrentCell(1, 3);
  Click(grid->ColumnLeft(2), grid->RowTop(2) + 5);  // a column's left edge hits nothing
  Click(100, 5);                                    // nor does the title line
  EXPECT_EQ(Current(), (Cells{1, 3}));
  Click(100, 85);  // the partly visible last row
  EXPECT_EQ(Current(), (Cells{1, 4}));
}

TEST_F(GridTest, ProportionalWidthsFollowTheClientWidth) {
  grid->SetColumnWidth(0, 90);
  grid->SetColumnWidth(2, 100);
  SizeClient(300, 200);
  grid->SetProportional(true);
  EXPECT_EQ(Widths(), (std::vector<unsigned>{82, 64, 91, 63}));
  SizeClient(600, 200);
  EXPECT_EQ(Widths(), (std::vector<unsigned>{164, 127, 182, 127}));

  for (int c = 0; c < 4; ++c) grid->SetColumnWidth(c, 10);
  grid->ApplyProportions(42);
  EXPECT_EQ(Widths(), (std::vector<unsigned>{11, 11, 11, 9}));
  // More to remove than any one column has: taken from the right, no width below zero.
  grid->ApplyProportions(2);
  EXPECT_EQ(Widths(), (std::vector<unsigned>{1, 1, 0, 0}));
  EXPECT_EQ(grid->TotalColumnWidth(), 2u);
}

TEST_F(GridTest, PaintsTitlesCellsAndTheCurrentCellByFocus) {
  grid->SetColumnTitle(0, L"Title");
  Fill(3);
  SizeClient(300, 120);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  ASSERT_NE(face, window);
  EXPECT_EQ(Pixel(4, 4), face);
  EXPECT_EQ(Pixel(290, 10), face);     // the title line beyond the last column
  EXPECT_EQ(Pixel(290, 30), window);   // beside the rows
  EXPECT_EQ(Pixel(100, 110), window);  // below them
  EXPECT_EQ(Pixel(grid->ColumnLeft(1), grid->RowTop(1) + 10), GetSysColor(COLOR_BTNSHADOW));  // a left line

  FocusGrid();
  EXPECT_EQ(CellPixel(0, 0), highlight);
  EXPECT_EQ(CellPixel(1, 0), window);
  SetFocus(frame->Hwnd());
  EXPECT_EQ(CellPixel(0, 0), window);
  grid->SetGridStyle(kGridShowCurrentUnfocused);
  EXPECT_EQ(CellPixel(0, 0), face);
  EXPECT_EQ(Pixel(grid->ColumnLeft(1), grid->RowTop(1) + 10), window);  // no lines in this style

  FocusGrid();
  grid->SetGridStyle(kGridHighlightRow);
  EXPECT_EQ(CellPixel(2, 0), highlight);
  EXPECT_EQ(CellPixel(2, 1), window);
}
