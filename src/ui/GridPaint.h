#pragma once
#include <windows.h>

#include "ui/GridData.h"

// Grid style bits of CGridStr.
enum GridStyle : DWORD {
  kGridHorizontalLines = 1,
  kGridVerticalLines = 2,
  kGridShowCurrentUnfocused = 4,  // the current cell stays marked while the grid has no focus
  kGridHighlightRow = 8,          // every cell of the current row is marked
};

// What a grid window shows of its data: the client area, the scroll state in cells and the
// current cell.
struct GridView {
  int clientWidth = 0;
  int clientHeight = 0;
  int headerHeight = 20;
  int rowHeight = 20;
  unsigned firstColumn = 0;
  unsigned firstRow = 0;
  unsigned visibleRows = 0;
  int currentColumn = -1;
  int currentRow = -1;
  bool focused = false;
  DWORD style = 0;  // GridStyle bits
};

// Paints every pixel of the client area: the title line, the visible rows (only those, however
// many rows there are) and the window colour below and beside them.
void PaintGrid(HDC dc, const GridData& data, const GridView& view);
