#include "app/VersionInfo.h"

#include <windows.h>

#include "core/AppName.h"
#include "core/IntText.h"
#include "core/OwnedText.h"
#include "core/Text.h"

namespace {
constexpr wchar_t kContactLine[] = L"https://reelwick.example, support@reelwick.example";
}

bool ReadVersionStrings(const wchar_t* fileName, const std::vector<const wchar_t*>& names,
                        std::vector<std::optional<std::wstring>>* values) {
  values->assign(names.size(), std::nullopt);
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(fileName, &handle);
  if (size == 0) return false;
  std::vector<unsigned char> info(size);
  if (!GetFileVersionInfoW(fileName, 0, size, info.data())) return false;
  struct Translation {
    WORD language;
    WORD codePage;
  }* translations = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &length) ||
      length < sizeof(Translation))
    return false;
  wchar_t language[16];
  FormatText(language, 16, L"%.4X%.4X", translations[0].language, translations[0].codePage);
  std::wstring prefix = std::wstring(L"\\StringFileInfo\\") + language + L"\\";
  for (size_t i = 0; i < names.size() && names[i]; ++i) {
    wchar_t* value = nullptr;
    UINT chars = 0;
    if (VerQueryValueW(info.data(), (prefix + names[i]).c_str(), reinterpret_cast<void**>(&value), &chars) && value)
      (*values)[i] = std::wstring(value);
  }
  return true;
}

std::wstring AboutText(const wchar_t* fileName) {
  std::vector<std::optional<std::wstring>> v;
  ReadVersionStrings(fileName, {L"ProductVersion", L"LegalCopyright", L"Comments"}, &v);
  auto text = [&](size_t i) { return v[i] ? v[i]->c_str() : static_cast<const wchar_t*>(nullptr); };
  IntText bits(static_cast<int32_t>(sizeof(void*) * 8));
  OwnedText about(kAppName, L"\n\n", text(0), L" (", bits.get(), L" bit)\n\n", text(1), L"\n", text(2), L"\n\n",
                  kContactLine);
  return about.get();
}
