#include "core/AppConfig.h"

#include <windows.h>

#include <cwchar>

#include "core/ResolvePath.h"

namespace {
const AppConfig* g_config = nullptr;
}

void SetAppConfig(const AppConfig* config) { g_config = config; }

const AppConfig& GetAppConfig() {
  static const AppConfig none;
  return g_config ? *g_config : none;
}

AppConfig AppConfig::FindOrCreate(const wchar_t* fileName) {
  wchar_t path[kPathChars];
  if (!ResolvePath(fileName, kResolveBesideExe, path) || !path[0]) return AppConfig();
  HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return AppConfig();
  CloseHandle(file);
  return AppConfig(path);
}

std::wstring AppConfig::ReadString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue,
                                   size_t maxChars) const {
  if (!Exists()) return defaultValue ? defaultValue : L"";
  std::wstring value(maxChars + 1, L'\0');
  DWORD n = GetPrivateProfileStringW(section, key, defaultValue, value.data(), static_cast<DWORD>(value.size()),
                                     path_.c_str());
  value.resize(n);
  return value;
}

int AppConfig::ReadInt(const wchar_t* section, const wchar_t* key, int defaultValue) const {
  if (!Exists()) return defaultValue;
  std::wstring text = ReadString(section, key, L"", 80);
  if (text.empty()) return defaultValue;
  return static_cast<int>(wcstol(text.c_str(), nullptr, 10));
}

std::vector<std::wstring> AppConfig::ReadSection(const wchar_t* section) const {
  std::vector<std::wstring> lines;
  if (!Exists()) return lines;
  wchar_t buffer[kValueChars];
  DWORD n = GetPrivateProfileSectionW(section, buffer, kValueChars, path_.c_str());
  for (DWORD i = 0; i < n;) {
    size_t len = wcsnlen(buffer + i, n - i);
    if (len == 0) break;
    lines.emplace_back(buffer + i, len);
    i += static_cast<DWORD>(len) + 1;
  }
  return lines;
}
