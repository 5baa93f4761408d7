#include "core/ResolvePath.h"

#include <windows.h>

#include <cwchar>

bool ExeDirectory(wchar_t* dest, size_t capacity) {
  if (!dest || capacity == 0) return false;
  dest[0] = L'\0';
  DWORD n = GetModuleFileNameW(nullptr, dest, static_cast<DWORD>(capacity));
  if (n == 0 || n >= capacity) {
    dest[0] = L'\0';
    return false;
  }
  wchar_t* slash = wcsrchr(dest, L'\\');
  if (!slash) slash = wcsrchr(dest, L'/');
  if (slash)
    *slash = L'\0';
  else
    dest[0] = L'\0';
  return true;
}

static wchar_t* Fail(wchar_t* dest) {
  dest[0] = L'\0';
  return nullptr;
}

wchar_t* ResolvePath(const wchar_t* path, unsigned mode, wchar_t* dest) {
  if (!dest) return nullptr;
  if (!path || wcslen(path) >= kPathChars) return Fail(dest);
  wchar_t text[kPathChars];
  wcscpy(text, path);

  if (mode & kResolveExpandEnv) {
    wchar_t expanded[kPathChars];
    DWORD n = ExpandEnvironmentStringsW(text, expanded, kPathChars);
    if (n > 0 && n <= kPathChars) wcscpy(text, expanded);
  }

  size_t len = wcslen(text);
  bool absolute = len > 1 && (text[1] == L':' || (text[0] == L'\\' && text[1] == L'\\'));
  if (absolute) {
    wcscpy(dest, text);
    return dest;
  }

  if (mode & kResolveBesideExe) {
    wchar_t dir[kPathChars];
    if (!ExeDirectory(dir, kPathChars)) return Fail(dest);
    size_t dirLen = wcslen(dir);
    if (dirLen + 1 + len >= kPathChars) return Fail(dest);
    wcscpy(dest, dir);
    dest[dirLen] = L'\\';
    wcscpy(dest + dirLen + 1, text);
    return dest;
  }

  wchar_t full[kPathChars];
  DWORD n = GetFullPathNameW(text, kPathChars, full, nullptr);
  if (n == 0 || n >= kPathChars) return Fail(dest);
  wcscpy(dest, full);
  return dest;
}

std::unique_ptr<wchar_t[]> ResolvePath(const wchar_t* path, unsigned mode) {
  auto dest = std::make_unique<wchar_t[]>(kPathChars);
  if (!ResolvePath(path, mode, dest.get())) return nullptr;
  return dest;
}
