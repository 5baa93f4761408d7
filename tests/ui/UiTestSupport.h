#pragma once
#include <windows.h>

#include "ui/Window.h"

namespace uitest {

inline HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

// A top-level pop-up window of the framework at a given screen rectangle, shown.
inline CWindow* MakeTopLevel(int x, int y, int w, int h) {
  auto* window = new CWindow();
  window->style = WS_POPUP | WS_CLIPCHILDREN;
  window->x = x;
  window->y = y;
  window->width = w;
  window->height = h;
  if (window->Create(nullptr, Instance()) != 0) {
    window->Destroy(false);
    return nullptr;
  }
  ShowWindow(window->Hwnd(), SW_SHOWNOACTIVATE);
  return window;
}

inline bool HasStyle(HWND window, DWORD bits) { return (GetWindowLongW(window, GWL_STYLE) & bits) == bits; }

// Every field of a window's scroll bar (SB_HORZ or SB_VERT).
inline SCROLLINFO ScrollBar(HWND window, int bar) {
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(window, bar, &info);
  return info;
}

// Deletes a framework object and its window at the end of a scope.
template <typename T>
struct Owned {
  T* p;
  explicit Owned(T* object) : p(object) {}
  ~Owned() {
    if (p) p->Destroy(true);
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  T* operator->() const { return p; }
  T* get() const { return p; }
};

}  // namespace uitest
