#pragma once
#include <string>
#include <vector>

// The read-only configuration "MRQ.ini" beside the executable. Without a file every key
// and section takes its default.
class AppConfig {
 public:
  static constexpr size_t kValueChars = 4095;

  // Finds or creates the file (created empty on a first run); Path() is empty when neither
  // worked.
  static AppConfig FindOrCreate(const wchar_t* fileName = L"MRQ.ini");
  explicit AppConfig(std::wstring path = {}) : path_(std::move(path)) {}

  bool Exists() const { return !path_.empty(); }
  const std::wstring& Path() const { return path_; }

  std::wstring ReadString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue = L"",
                          size_t maxChars = kValueChars) const;
  // A base-10 integer; text that is not a number gives 0.
  int ReadInt(const wchar_t* section, const wchar_t* key, int defaultValue) const;
  // Each entry line of a section as one text (a line without '=' is taken whole).
  std::vector<std::wstring> ReadSection(const wchar_t* section) const;

 private:
  std::wstring path_;
};

// The process's configuration (set at start-up; a configuration without a file before).
void SetAppConfig(const AppConfig* config);
const AppConfig& GetAppConfig();
