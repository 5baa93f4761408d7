#pragma once
#include <windows.h>

#include <string>

// The daily-rotated UTF-16LE log. Opening keeps one older file per day of the month
// ("<path>.<day>"); every line is "YYYY.MM.DD hh:mm:ss", two blanks, the text, CR LF.
class LogFile {
 public:
  static constexpr size_t kLineChars = 4095;

  explicit LogFile(const wchar_t* path);
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
  HANDLE Handle() const { return file_; }
  const std::wstring& Path() const { return path_; }

  // Appends one line; a text too long for the line buffer is cut, keeping the line end.
  void Write(const wchar_t* text);
  void Flush();

 private:
  void Open();
  bool WriteBytes(const void* data, DWORD size);

  std::wstring path_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

// The process's log, when the configuration names one.
void SetAppLog(LogFile* log);
LogFile* AppLog();
inline bool LogExists() { return AppLog() != nullptr; }

// Appends a line to the process's log; does nothing when there is none.
void WriteLog(const wchar_t* text);
