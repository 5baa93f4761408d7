#pragma once
// A grid of four 70-pixel columns in a shown window, driven by the messages the platform sends.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "UiTestSupport.h"
#include "ui/GridStr.h"
#include "ui/Window.h"

namespace gridtest {

class GridFixture : public testing::Test {
 protected:
  void SetUp() override {
    frame = uitest::MakeTopLevel(0, 0, 640, 480);
    ASSERT_NE(frame, nullptr);
    grid = new CGridStr(frame->Hwnd(), uitest::Instance());
    ASSERT_NE(grid->Hwnd(), nullptr);
    frame->AddChild(grid);
    grid->Move(10, 10);
    grid->SetColumnCount(4);
    SizeClient(300, 90);
  }
  void TearDown() override { frame->Destroy(true); }

  // Sizes the grid so that its client area, before any scroll bar takes its share, is w × h.
  void SizeClient(int w, int h) const {
    RECT r = {0, 0, w, h};
    AdjustWindowRectEx(&r, WS_CHILD, FALSE, WS_EX_CLIENTEDGE);
    grid->Resize(r.right - r.left, r.bottom - r.top);
  }
  // Appends rows whose cells read "column,row".
  void Fill(int rows) const {
    int first = static_cast<int>(grid->RowCount());
    grid->LockUpdate();
    grid->InsertRows(-1, rows);
    for (int r = first; r < first + rows; ++r)
      for (int c = 0; c < 4; ++c) grid->SetCellText(c, r, (std::to_wstring(c) + L"," + std::to_wstring(r)).c_str());
    grid->UnlockUpdate();
  }
  void FocusGrid() const {
    SetForegroundWindow(frame->Hwnd());
    SetFocus(grid->Hwnd());
    ASSERT_EQ(GetFocus(), grid->Hwnd());
  }
  static void KeyTo(HWND window, UINT key, int repeat = 1) { SendMessageW(window, WM_KEYDOWN, key, repeat); }
  void Key(UINT key, int repeat = 1) const { KeyTo(grid->Hwnd(), key, repeat); }
  // What a window answers the dialog keyboard interface about a pending key-down.
  static LRESULT DlgCode(HWND window, WPARAM key) {
    MSG pending = {};
    pending.hwnd = window;
    pending.message = WM_KEYDOWN;
    pending.wParam = key;
    return SendMessageW(window, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&pending));
  }
  void Click(int x, int y) const { SendMessageW(grid->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
  // A point inside a visible cell, clear of its text and lines.
  POINT Inside(int column, int row) const {
    return {grid->ColumnLeft(column) + static_cast<int>(grid->ColumnWidth(column)) - 8, grid->RowTop(row) + 5};
  }
  void ClickCell(int column, int row) const {
    POINT p = Inside(column, row);
    Click(p.x, p.y);
  }
  // A pixel of the client area as painted (the pending paint is done first).
  COLORREF Pixel(int x, int y) const {
    UpdateWindow(grid->Hwnd());
    HDC dc = GetDC(grid->Hwnd());
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(grid->Hwnd(), dc);
    return colour;
  }
  COLORREF CellPixel(int column, int row) const {
    POINT p = Inside(column, row);
    return Pixel(p.x, p.y);
  }
  std::wstring Cell(int column, int row) const {
    const wchar_t* text = grid->GetCellText(column, row);
    return text ? text : L"(null)";
  }
  HWND EditorWindow() const { return grid->Editor() ? grid->Editor()->Hwnd() : nullptr; }

  CWindow* frame = nullptr;
  CGridStr* grid = nullptr;  // owned by the frame
};

}  // namespace gridtest
