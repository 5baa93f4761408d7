#include "core/ResultText.h"

#include <windows.h>

namespace {

std::wstring FormatFrom(DWORD source, HMODULE module, DWORD code) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | source,
                           module, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring result;
  if (n && text) result.assign(text, n);
  if (text) LocalFree(text);
  return result;
}

}  // namespace

std::wstring ResultText(long code) {
  DWORD c = static_cast<DWORD>(code);
  if (c >= 12000 && c <= 12174) {
    HMODULE wininet = LoadLibraryExW(L"wininet.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (wininet) {
      std::wstring text = FormatFrom(FORMAT_MESSAGE_FROM_HMODULE, wininet, c);
      FreeLibrary(wininet);
      return text;
    }
  }
  return FormatFrom(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, c);
}
