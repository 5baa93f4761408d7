// wndctl: finds and closes top-level windows of another Wine process by class name, for
// scripts that drive MRQ headless.
//   wndctl wait CLASS [timeout-ms]   exits 0 once a visible window of CLASS exists
//   wndctl close CLASS               posts WM_CLOSE to it
//   wndctl rect CLASS                prints its screen rectangle as WxH+X+Y
//   wndctl hold [timeout-ms]         keeps the desktop session up until killed (or the time is
//                                    over): Wine starts one for the first window of a session and
//                                    ends it with the last process that uses it, and starting it
//                                    costs every later process about 0.2 s, as Windows never does
#include <windows.h>

#include <cwchar>
#include <cstdlib>

int wmain(int argc, wchar_t** argv) {
  if (argc >= 2 && wcscmp(argv[1], L"hold") == 0) {
    const DWORD timeout = argc > 2 ? static_cast<DWORD>(wcstoul(argv[2], nullptr, 10)) : 3 * 3600 * 1000;
    HWND w = CreateWindowExW(0, L"STATIC", L"wndctl hold", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (!w) return 1;
    Sleep(timeout);
    DestroyWindow(w);
    return 0;
  }
  if (argc < 3) {
    fwprintf(stderr, L"usage: wndctl wait|close|rect CLASS [timeout-ms] | hold [timeout-ms]\n");
    return 2;
  }
  const wchar_t* verb = argv[1];
  const wchar_t* cls = argv[2];
  if (wcscmp(verb, L"wait") == 0) {
    DWORD timeout = argc > 3 ? static_cast<DWORD>(wcstoul(argv[3], nullptr, 10)) : 30000;
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeout) {
      HWND w = FindWindowW(cls, nullptr);
      if (w && IsWindowVisible(w)) return 0;
      Sleep(50);
    }
    fwprintf(stderr, L"wndctl: no window of class %ls\n", cls);
    return 1;
  }
  if (wcscmp(verb, L"close") == 0) {
    HWND w = FindWindowW(cls, nullptr);
    if (!w) {
      fwprintf(stderr, L"wndctl: no window of class %ls\n", cls);
      return 1;
    }
    return PostMessageW(w, WM_CLOSE, 0, 0) ? 0 : 1;
  }
  if (wcscmp(verb, L"rect") == 0) {
    HWND w = FindWindowW(cls, nullptr);
    RECT r;
    if (!w || !GetWindowRect(w, &r)) {
      fwprintf(stderr, L"wndctl: no window of class %ls\n", cls);
      return 1;
    }
    wprintf(L"%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    return 0;
  }
  fwprintf(stderr, L"wndctl: unknown verb %ls\n", verb);
  return 2;
}
