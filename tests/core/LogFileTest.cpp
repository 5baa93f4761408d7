#include <gtest/gtest.h>
#include <windows.h>

#include <cwctype>
#include <string>

#include "TestSupport.h"
#include "core/IntText.h"
#include "core/LogFile.h"

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::Utf16Body;

namespace {

// Sets the last write to local hh:mm `daysAgo` days back; returns that local day of the month.
WORD SetLastWriteLocal(const std::wstring& path, int daysAgo, WORD hour, WORD minute) {
  SYSTEMTIME local;
  GetLocalTime(&local);
  local.wHour = hour;
  local.wMinute = minute;
  local.wSecond = local.wMilliseconds = 0;
  FILETIME ft;
  SystemTimeToFileTime(&local, &ft);
  ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
  t.QuadPart -= static_cast<ULONGLONG>(daysAgo) * 24 * 3600 * 10000000ULL;
  ft = {t.LowPart, t.HighPart};
  FileTimeToSystemTime(&ft, &local);
  SYSTEMTIME utc;
  EXPECT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
  SystemTimeToFileTime(&utc, &ft);
  HANDLE f = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(f, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(SetFileTime(f, nullptr, nullptr, &ft));
  CloseHandle(f);
  return local.wDay;
}

}  // namespace

TEST(LogFile, NewFileStartsWithByteOrderMarkAndStampedLinesTheSameDayAppendsAndLongLinesAreCut) {
  TempDir dir(L"log-new");
  std::wstring path = dir.File(L"mrq.log");
  {
    LogFile log(path.c_str());
    ASSERT_TRUE(log.IsOpen());
    log.Write(L"Starting...");
  }
  std::wstring body = Utf16Body(ReadBytes(path));
  ASSERT_EQ(body.size(), 19u + 2 + 11 + 2);
  std::wstring stamp = body.substr(0, 19);
  for (wchar_t& c : stamp)
    if (iswdigit(c)) c = L'0';
  EXPECT_EQ(stamp, L"0000.00.00 00:00:00") << body;
  EXPECT_EQ(body.substr(19), L"  Starting...\r\n");

  // Again the same day: no second byte order mark, no older day kept.
  { LogFile(path.c_str()).Write(L"two"); }
  body = Utf16Body(ReadBytes(path));
  EXPECT_EQ(body.find(L'\xFEFF'), std::wstring::npos);
  EXPECT_EQ(body.substr(34 + 19), L"  two\r\n");
  EXPECT_FALSE(testsupport::FileExists(path + L".1"));

  // An overlong line is cut and still ends the line.
  {
    LogFile log(path.c_str());
    log.Write(std::wstring(6000, L'x').c_str());
    log.Write(L"next");
  }
  body = Utf16Body(ReadBytes(path)).substr(34 + 26);
  const size_t longEnd = body.find(L"\r\n");
  EXPECT_EQ(longEnd + 2, LogFile::kLineChars - 1);
  EXPECT_EQ(body.substr(longEnd + 2 + 19), L"  next\r\n");

  // A log that cannot be opened writes nothing and fails nothing.
  const std::wstring lost = dir.File(L"missing-folder\\mrq.log");
  LogFile unopened(lost.c_str());
  EXPECT_FALSE(unopened.IsOpen());
  unopened.Write(L"lost");
  EXPECT_FALSE(testsupport::FileExists(lost));
}

// Run by ctest also with TZ east and west of UTC, where the UTC day near midnight differs.
TEST(LogFile, AnEarlierLocalDayMovesToItsDayOfMonthReplacingAnOlderFile) {
  TempDir dir(L"log-local-days");
  std::wstring path = dir.File(L"mrq.log");
  { LogFile(path.c_str()).Write(L"just after midnight"); }
  SetLastWriteLocal(path, 0, 0, 1);
  { LogFile(path.c_str()).Write(L"later today"); }
  std::wstring body = Utf16Body(ReadBytes(path));
  EXPECT_NE(body.find(L"  just after midnight\r\n"), std::wstring::npos) << "today's log was rotated away";
  EXPECT_NE(body.find(L"  later today\r\n"), std::wstring::npos);

  const std::wstring kept = path + L"." + IntText(SetLastWriteLocal(path, 1, 23, 59)).get();
  ASSERT_TRUE(testsupport::WriteText(kept, "a month older"));
  { LogFile(path.c_str()).Write(L"a new day"); }
  EXPECT_NE(Utf16Body(ReadBytes(kept)).find(L"  later today\r\n"), std::wstring::npos)
      << "yesterday's log is not kept under its local day";
  EXPECT_EQ(Utf16Body(ReadBytes(path)).substr(19), L"  a new day\r\n");
}
