#include "app/WndMain.h"

#include "core/AppName.h"

CWndMain::CWndMain() {
  className_ = L"KEP_MRQ_Main";
  style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
}

DWORD CWndMain::Create(HWND parent, HINSTANCE instance) {
  width = kWidth;
  height = kHeight;
  DWORD result = CWindow::Create(parent, instance);
  if (result == 0) SetText(kAppName);
  return result;
}

LRESULT CWndMain::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return CWindow::WndProc(window, message, wParam, lParam);
}
