#pragma once
#include "ui/Window.h"

// The application's top-level window; closing it ends the process.
class CWndMain : public CWindow {
 public:
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 560;

  CWndMain();
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
};
