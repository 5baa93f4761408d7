#include "core/LogFile.h"

#include <cwchar>
#include <ctime>

#include "core/IntText.h"
#include "core/ResultText.h"
#include "core/Text.h"

namespace {
LogFile* g_appLog = nullptr;
}

void SetAppLog(LogFile* log) { g_appLog = log; }
LogFile* AppLog() { return g_appLog; }

void WriteLog(const wchar_t* text) {
  if (g_appLog) g_appLog->Write(text);
}

LogFile::LogFile(const wchar_t* path) : path_(path ? path : L"") { Open(); }

LogFile::~LogFile() {
  if (IsOpen()) CloseHandle(file_);
}

void LogFile::Open() {
  file_ =
      CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!IsOpen()) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &info)) {
      // Days are the user's: the file's time is kept in UTC and must be made local before it
      // is compared with today, or every start near midnight would rotate again.
      SYSTEMTIME writtenUtc, written, today;
      FileTimeToSystemTime(&info.ftLastWriteTime, &writtenUtc);
      if (!SystemTimeToTzSpecificLocalTime(nullptr, &writtenUtc, &written)) written = writtenUtc;
      GetLocalTime(&today);
      if (written.wYear == today.wYear && written.wMonth == today.wMonth && written.wDay == today.wDay) {
        file_ = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (IsOpen()) SetFilePointer(file_, 0, nullptr, FILE_END);
        return;
      }
      // One older file per day of the month: the same day of an earlier month is replaced.
      std::wstring older = path_ + L"." + IntText(written.wDay).get();
      DeleteFileW(older.c_str());
      MoveFileW(path_.c_str(), older.c_str());
    }
    file_ = CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
  }
  if (IsOpen()) {
    static const unsigned char kBom[] = {0xFF, 0xFE};
    WriteBytes(kBom, sizeof kBom);
  }
}

bool LogFile::WriteBytes(const void* data, DWORD size) {
  DWORD written = 0;
  return WriteFile(file_, data, size, &written, nullptr) && written == size;
}

void LogFile::Write(const wchar_t* text) {
  wchar_t line[kLineChars];
  time_t now = time(nullptr);
  struct tm local;
  localtime_s(&local, &now);
  if (wcsftime(line, kLineChars, L"%Y.%m.%d %H:%M:%S", &local) == 0) line[0] = L'\0';
  // Leave room for the line end so that a cut line still ends a line.
  ConcatText(line, kLineChars - 2, {line, L"  ", text ? text : L""});
  ConcatText(line, kLineChars, {line, L"\r\n"});
  if (IsOpen()) {
    WriteBytes(line, static_cast<DWORD>(wcslen(line) * sizeof(wchar_t)));
  } else {
    OutputDebugStringW(ResultText(static_cast<long>(GetLastError())).c_str());
  }
}

void LogFile::Flush() {
  if (IsOpen()) FlushFileBuffers(file_);
}
