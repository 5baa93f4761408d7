#include "ui/WinCtl.h"

#include "ui/WindowRegistry.h"

CWinCtl::~CWinCtl() { Detach(); }

void CWinCtl::Destroy(bool destroyWindow) {
  if (destroyWindow && window_ && IsWindow(window_)) DestroyWindow(window_);
  delete this;
}

DWORD CWinCtl::Create(HWND, HINSTANCE) { return 0; }

void CWinCtl::Detach() {
  WindowRegistry::Remove(this);
  instance_ = nullptr;
  window_ = nullptr;
  parent_ = nullptr;
}

DWORD CWinCtl::CreateHandle(const wchar_t* className, HINSTANCE instance, HWND parent, bool subclass) {
  if (window_) Detach();
  HWND created =
      CreateWindowExW(exStyle, className, nullptr, style, x, y, width, height, parent, nullptr, instance, nullptr);
  if (!created) {
    DWORD error = GetLastError();
    return error ? error : ERROR_INVALID_WINDOW_HANDLE;
  }
  SendMessageW(created, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);

  if (subclass) {
    SetLastError(0);
    instance_ = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(created, GWLP_HINSTANCE));
    if (!instance_) {
      DWORD error = GetLastError();
      DestroyWindow(created);
      return error ? error : ERROR_INVALID_WINDOW_HANDLE;
    }
    SetLastError(0);
    prevProc_ =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(created, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SharedWndProc)));
    if (!prevProc_ && GetLastError()) {
      DWORD error = GetLastError();
      DestroyWindow(created);
      instance_ = nullptr;
      return error;
    }
    window_ = created;
    WindowRegistry::Add(window_, this);
    parent_ = reinterpret_cast<HWND>(GetWindowLongPtrW(created, GWLP_HWNDPARENT));
  } else {
    instance_ = instance;
    window_ = created;
    parent_ = parent;
    WindowRegistry::Add(window_, this);
  }

  // Messages sent while the window was being created reached the default procedure, so take
  // the real rectangle now (defaults such as CW_USEDEFAULT are resolved by the platform).
  RECT r;
  GetWindowRect(window_, &r);
  HWND origin = (style & WS_CHILD) ? GetParent(window_) : nullptr;
  if (origin) MapWindowPoints(nullptr, origin, reinterpret_cast<POINT*>(&r), 2);
  x = r.left;
  y = r.top;
  width = r.right - r.left;
  height = r.bottom - r.top;
  return 0;
}

std::wstring CWinCtl::GetText() const {
  if (!window_) return {};
  int length = GetWindowTextLengthW(window_);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int n = GetWindowTextW(window_, text.data(), length + 1);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

const wchar_t* CWinCtl::GetText(wchar_t* buffer, size_t capacity) const {
  if (!buffer || capacity == 0) return nullptr;
  buffer[0] = L'\0';
  if (!window_) return nullptr;
  GetWindowTextW(window_, buffer, static_cast<int>(capacity));
  return buffer;
}

void CWinCtl::SetText(const wchar_t* text) {
  if (window_) SetWindowTextW(window_, text);
}

void CWinCtl::Move(int newX, int newY) {
  if (window_) SetWindowPos(window_, nullptr, newX, newY, width, height, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWinCtl::Resize(int newWidth, int newHeight) {
  if (window_) SetWindowPos(window_, nullptr, x, y, newWidth, newHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWinCtl::ModifyStyle(DWORD remove, DWORD add) {
  if (window_) style = static_cast<DWORD>(GetWindowLongW(window_, GWL_STYLE));
  style = (style & ~remove) | add;
  if (window_) SetWindowLongW(window_, GWL_STYLE, static_cast<LONG>(style));
}

void CWinCtl::SetCreationDefaults(DWORD ex, DWORD st, int w, int h) {
  exStyle = ex;
  style = st;
  x = 0;
  y = 0;
  width = w;
  height = h;
}

void CWinCtl::StoreWindowPos(const WINDOWPOS* pos) {
  if (!(pos->flags & SWP_NOMOVE)) {
    x = pos->x;
    y = pos->y;
  }
  if (!(pos->flags & SWP_NOSIZE)) {
    width = pos->cx;
    height = pos->cy;
  }
}

LRESULT CWinCtl::CallPrevious(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (prevProc_) return CallWindowProcW(prevProc_, window, message, wParam, lParam);
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CWinCtl::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGED) StoreWindowPos(reinterpret_cast<const WINDOWPOS*>(lParam));
  return CallPrevious(window, message, wParam, lParam);
}

LRESULT CALLBACK CWinCtl::SharedWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWinCtl* object = WindowRegistry::Find(window);
  if (!object) return DefWindowProcW(window, message, wParam, lParam);
  return object->WndProc(window, message, wParam, lParam);
}
