#include "ui/WindowClass.h"

#include "ui/WinCtl.h"

DWORD RegisterWindowClass(const wchar_t* name, HINSTANCE instance, UINT classStyle, HICON icon, HBRUSH background) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.style = classStyle;
  wc.lpfnWndProc = &CWinCtl::SharedWndProc;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  if (RegisterClassExW(&wc)) return 0;
  DWORD error = GetLastError();
  if (error == ERROR_CLASS_ALREADY_EXISTS) return 0;
  return error ? error : ERROR_INVALID_PARAMETER;
}
