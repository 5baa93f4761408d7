#pragma once
#include <windows.h>

// Registers one of the system's own window classes, all served by CWinCtl::SharedWndProc with
// the arrow cursor. A class registered before counts as registered; otherwise 0 or the
// platform's error code.
DWORD RegisterWindowClass(const wchar_t* name, HINSTANCE instance, UINT classStyle, HICON icon, HBRUSH background);
