#include "GridTestSupport.h"

#include "UiTestSupport.h"

namespace gridtest {

void GridFixture::SetUp() {
  frame = uitest::MakeTopLevel(0, 0, 640, 480);
  ASSERT_NE(frame, nullptr);
  grid = new CGridStr(frame->Hwnd(), uitest::Instance());
  ASSERT_NE(grid->Hwnd(), nullptr);
  frame->AddChild(grid);
  grid->Move(10, 10);
  grid->SetColumnCount(4);
  SizeClient(300, 90);
}

void GridFixture::SizeClient(int w, int h) const {
  RECT r = {0, 0, w, h};
  AdjustWindowRectEx(&r, WS_CHILD, FALSE, WS_EX_CLIENTEDGE);
  grid->Resize(r.right - r.left, r.bottom - r.top);
}

void GridFixture::Fill(int rows) const {
  int first = static_cast<int>(grid->RowCount());
  grid->LockUpdate();
  grid->InsertRows(-1, rows);
  for (int r = first; r < first + rows; ++r)
    for (int c = 0; c < 4; ++c) grid->SetCellText(c, r, (std::to_wstring(c) + L"," + std::to_wstring(r)).c_str());
  grid->UnlockUpdate();
}

void GridFixture::FocusGrid() const {
  SetForegroundWindow(frame->Hwnd());
  SetFocus(grid->Hwnd());
  ASSERT_EQ(GetFocus(), grid->Hwnd());
}

LRESULT GridFixture::DlgCode(HWND window, WPARAM key) {
  MSG pending = {};
  pending.hwnd = window;
  pending.message = WM_KEYDOWN;
  pending.wParam = key;
  return SendMessageW(window, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&pending));
}

POINT GridFixture::Inside(int column, int row) const {
  return {grid->ColumnLeft(column) + static_cast<int>(grid->ColumnWidth(column)) - 8, grid->RowTop(row) + 5};
}

void GridFixture::ClickCell(int column, int row) const {
  POINT p = Inside(column, row);
  Click(p.x, p.y);
}

COLORREF GridFixture::Pixel(int x, int y) const {
  UpdateWindow(grid->Hwnd());
  HDC dc = GetDC(grid->Hwnd());
  COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(grid->Hwnd(), dc);
  return colour;
}

COLORREF GridFixture::CellPixel(int column, int row) const {
  POINT p = Inside(column, row);
  return Pixel(p.x, p.y);
}

std::wstring GridFixture::Cell(int column, int row) const {
  const wchar_t* text = grid->GetCellText(column, row);
  return text ? text : L"(null)";
}

}  // namespace gridtest
