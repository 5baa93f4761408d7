#include "ui/Window.h"

#include "ui/UiState.h"
#include "ui/WindowClass.h"

CWindow::CWindow() {
  x = CW_USEDEFAULT;
  width = CW_USEDEFAULT;
  y = 0;
  height = 0;
}

DWORD CWindow::Create(HWND parent, HINSTANCE instance) {
  // Detached rather than merely forgotten, so that no registry node is left for an old window.
  Detach();
  HICON icon = UiState::AppIcon() ? UiState::AppIcon() : LoadIconW(nullptr, IDI_APPLICATION);
  DWORD registered = RegisterWindowClass(className_, instance, classStyle_, icon, GetSysColorBrush(COLOR_BTNFACE));
  if (registered != 0) return registered;
  DWORD result = CreateHandle(className_, instance, parent, false);
  if (x == CW_USEDEFAULT) x = 0;
  if (width == CW_USEDEFAULT) width = 0;
  return result;
}

int CWindow::OnClose() { return modal_ ? 1 : 0; }

LRESULT CWindow::OnChildClosed(HWND) { return 0; }

LRESULT CWindow::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    int r = OnClose();
    if (r < 0) return 0;
    if (owner_) {
      EnableWindow(owner_, TRUE);
      if (!(r & 2)) SetActiveWindow(owner_);
      modal_ = false;
    }
    if (r == 1) {
      ShowWindow(window, SW_HIDE);
      return 0;
    }
  } else if (message == kChildClosedMessage) {
    return OnChildClosed(reinterpret_cast<HWND>(wParam));
  }
  return CWinContainer::WndProc(window, message, wParam, lParam);
}

void CWindow::CenterOn(HWND other) {
  RECT r;
  if (!other || !GetWindowRect(other, &r)) GetWindowRect(GetDesktopWindow(), &r);
  x = r.left + (r.right - r.left) / 2 - width / 2;
  y = r.top + (r.bottom - r.top) / 2 - height / 2;
  if (window_) SetWindowPos(window_, nullptr, x, y, width, height, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CWindow::RunModal() {
  HWND owner = parent_;
  while (owner && (GetWindowLongW(owner, GWL_STYLE) & WS_CHILD)) owner = GetParent(owner);
  owner_ = owner;
  ShowWindow(window_, SW_SHOW);
  if (owner_) EnableWindow(owner_, FALSE);
  modal_ = true;

  MSG msg;
  while (modal_) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The application is quitting: hand the request on to the outer loop too.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    HWND dialog = UiState::ActiveDialogWindow();
    if (!dialog || !IsDialogMessageW(dialog, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (modal_) {
    // Left without a close (the program is quitting): the owner must not stay disabled, the
    // window must not linger, and a result left from an earlier run must not read as a
    // confirmation.
    modal_ = false;
    modalResult_ = IDCANCEL;
    if (owner_) EnableWindow(owner_, TRUE);
    ShowWindow(window_, SW_HIDE);
  }
  return modalResult_;
}
