#include "ui/GridPaint.h"

#include "ui/SysColorPen.h"

namespace {

struct Pens {
  SysColorPen light{COLOR_BTNHIGHLIGHT};
  SysColorPen dark{COLOR_BTNSHADOW};
};

void Fill(HDC dc, int left, int top, int right, int bottom, int sysColor) {
  RECT r = {left, top, right, bottom};
  FillRect(dc, &r, GetSysColorBrush(sysColor));
}

// Left and top lines in one pen, right and bottom in the other: raised or sunken.
void Edges(HDC dc, const RECT& r, const SysColorPen& leftTop, const SysColorPen& rightBottom, bool vertical,
           bool horizontal) {
  if (vertical) {
    leftTop.Line(dc, r.left, r.top, r.left, r.bottom);
    rightBottom.Line(dc, r.right - 1, r.top, r.right - 1, r.bottom);
  }
  if (horizontal) {
    leftTop.Line(dc, r.left, r.top, r.right, r.top);
    rightBottom.Line(dc, r.left, r.bottom - 1, r.right, r.bottom - 1);
  }
}

void PaintHeader(HDC dc, const GridData& data, const GridView& view, const Pens& pens) {
  int x = 0;
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  for (unsigned c = view.firstColumn; c < data.ColumnCount() && x < view.clientWidth; ++c) {
    int width = static_cast<int>(data.ColumnWidth(static_cast<int>(c)));
    if (width <= 0) continue;
    RECT cell = {x, 0, x + width, view.headerHeight};
    FillRect(dc, &cell, GetSysColorBrush(COLOR_BTNFACE));
    if (const wchar_t* title = data.ColumnTitle(static_cast<int>(c))) {
      RECT text = {cell.left + 2, cell.top + 2, cell.right - 2, cell.bottom - 2};
      DrawTextW(dc, title, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    }
    Edges(dc, cell, pens.light, pens.dark, true, true);
    x += width;
  }
  if (x < view.clientWidth) Fill(dc, x, 0, view.clientWidth, view.headerHeight, COLOR_BTNFACE);
}

void PaintRow(HDC dc, const GridData& data, const GridView& view, const Pens& pens, int row, int y) {
  int x = 0;
  int bottom = y + view.rowHeight;
  bool shown = view.focused || (view.style & kGridShowCurrentUnfocused);
  bool currentRow = row == view.currentRow;
  for (unsigned c = view.firstColumn; data.RowHasCells(row) && c < data.ColumnCount() && x < view.clientWidth; ++c) {
    int column = static_cast<int>(c);
    int width = static_cast<int>(data.ColumnWidth(column));
    if (width <= 0) continue;
    RECT cell = {x, y, x + width, bottom};
    bool fixed = data.CellLook(column, row) != 0;
    bool selected = shown && currentRow && (column == view.currentColumn || (view.style & kGridHighlightRow)) &&
                    data.IsSelectable(column, false) && data.IsSelectable(row, true);
    int face = COLOR_WINDOW, text = COLOR_WINDOWTEXT;
    if (selected) {
      face = view.focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE;
      text = view.focused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT;
    } else if (fixed) {
      face = COLOR_BTNFACE;
      text = COLOR_BTNTEXT;
    }
    FillRect(dc, &cell, GetSysColorBrush(face));
    if (const wchar_t* content = data.CellText(column, row)) {
      int inset = fixed ? 2 : 1;
      RECT box = {cell.left + inset, cell.top + inset, cell.right - inset, cell.bottom - inset};
      SetTextColor(dc, GetSysColor(text));
      DrawTextW(dc, content, -1, &box, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (fixed)
      Edges(dc, cell, pens.light, pens.dark, true, true);
    else
      Edges(dc, cell, pens.dark, pens.light, view.style & kGridVerticalLines, view.style & kGridHorizontalLines);
    x += width;
  }
  if (x < view.clientWidth) Fill(dc, x, y, view.clientWidth, bottom, COLOR_WINDOW);
}

}  // namespace

void PaintGrid(HDC dc, const GridData& data, const GridView& view) {
  Pens pens;  // outlives the saved state, which deselects them
  int saved = SaveDC(dc);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);

  if (view.headerHeight > 0) PaintHeader(dc, data, view, pens);
  int y = view.headerHeight;
  for (unsigned i = 0; i < view.visibleRows && view.firstRow + i < data.RowCount() && y < view.clientHeight; ++i) {
    PaintRow(dc, data, view, pens, static_cast<int>(view.firstRow + i), y);
    y += view.rowHeight;
  }
  if (y < view.clientHeight) Fill(dc, 0, y, view.clientWidth, view.clientHeight, COLOR_WINDOW);

  RestoreDC(dc, saved);
}
