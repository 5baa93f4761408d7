#pragma once
#include <windows.h>

// Lines in a solid one-pixel pen of a system colour, deleted with its holder.
class SysColorPen {
 public:
  explicit SysColorPen(int sysColor) : pen_(CreatePen(PS_SOLID, 1, GetSysColor(sysColor))) {}
  ~SysColorPen() {
    if (pen_) DeleteObject(pen_);
  }
  SysColorPen(const SysColorPen&) = delete;
  SysColorPen& operator=(const SysColorPen&) = delete;

  // Leaves the pen selected: callers restore their device context's pen before it ends.
  void Line(HDC dc, int x1, int y1, int x2, int y2) const {
    SelectObject(dc, pen_);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
  }

 private:
  HPEN pen_;
};
