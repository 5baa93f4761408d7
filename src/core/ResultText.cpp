#include "core/ResultText.h"

#include <windows.h>
#include <vfwmsgs.h>

#include <cwchar>
#include <cwctype>

namespace {

std::wstring FormatFrom(DWORD source, HMODULE module, DWORD code) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | source, module, code, 0,
                           reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring result;
  if (n && text) result.assign(text, n);
  if (text) LocalFree(text);
  return result;
}

struct KnownResult {
  long code;
  const wchar_t* text;
};

// The media framework's results met in rendering, which the platform here leaves without text.
const KnownResult kKnown[] = {
    {VFW_E_INVALID_FILE_FORMAT, L"The file format is invalid or the file is damaged."},
    {VFW_E_NOT_CONNECTED, L"Nothing is connected to render: the timeline produces no stream."},
    {VFW_E_CANNOT_CONNECT, L"No combination of filters could be found to make the connection."},
    {VFW_E_CANNOT_RENDER, L"No combination of filters could be found to render the stream."},
    {VFW_E_NO_ACCEPTABLE_TYPES, L"The filters have no media type in common."},
    {VFW_E_TYPE_NOT_ACCEPTED, L"The media type is not accepted."},
    {VFW_E_INVALIDMEDIATYPE, L"The media type is invalid or not supported."},
    {VFW_E_UNSUPPORTED_STREAM, L"The file's format is not supported."},
    {VFW_E_UNKNOWN_FILE_TYPE, L"The file's type is not recognised."},
    {VFW_E_NOT_FOUND, L"An object or name was not found."},
    {static_cast<long>(E_UNEXPECTED), L"An unexpected failure occurred."},
    {static_cast<long>(REGDB_E_CLASSNOTREG), L"The class is not registered."},
    {static_cast<long>(E_OUTOFMEMORY), L"There is not enough memory."},
    {static_cast<long>(E_INVALIDARG), L"A value is out of range or invalid."},
};

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

std::wstring ResultSentence(long code) {
  std::wstring text = ResultText(code);
  while (!text.empty() && iswspace(text.back())) text.pop_back();
  for (wchar_t& c : text)
    if (c == L'\r' || c == L'\n') c = L' ';
  if (text.empty())
    for (const KnownResult& known : kKnown)
      if (known.code == code) text = known.text;
  wchar_t number[16];
  swprintf(number, 16, L"0x%08lX", static_cast<unsigned long>(code));
  return text.empty() ? std::wstring(L"error ") + number : text + L" (" + number + L")";
}
