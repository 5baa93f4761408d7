#pragma once
// A grid of four 70-pixel columns in a shown top-level window, driven by the messages the
// platform sends it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "ui/GridStr.h"
#include "ui/Window.h"

namespace gridtest {

class GridFixture : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override { frame->Destroy(true); }

  // Sizes the grid so that its client area, before any scroll bar takes its share, is w × h.
  void SizeClient(int w, int h) const;
  // Appends rows whose cells read "column,row".
  void Fill(int rows) const;
  void FocusGrid() const;
  static void KeyTo(HWND window, UINT key, int repeat = 1) { SendMessageW(window, WM_KEYDOWN, key, repeat); }
  void Key(UINT key, int repeat = 1) const { KeyTo(grid->Hwnd(), key, repeat); }
  // What a window answers the dialog keyboard interface about a pending key-down.
  static LRESULT DlgCode(HWND window, WPARAM key);
  void Click(int x, int y) const { SendMessageW(grid->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
  // A point inside a visible cell, clear of its text and lines.
  POINT Inside(int column, int row) const;
  void ClickCell(int column, int row) const;
  // A pixel of the client area as painted (the pending paint is done first).
  COLORREF Pixel(int x, int y) const;
  COLORREF CellPixel(int column, int row) const;
  std::wstring Cell(int column, int row) const;
  HWND EditorWindow() const { return grid->Editor() ? grid->Editor()->Hwnd() : nullptr; }

  CWindow* frame = nullptr;
  CGridStr* grid = nullptr;  // owned by the frame
};

}  // namespace gridtest
