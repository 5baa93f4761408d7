#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "TestSupport.h"
#include "core/ResolvePath.h"

namespace {

std::wstring Resolve(const wchar_t* path, unsigned mode) {
  wchar_t dest[kPathChars];
  return ResolvePath(path, mode, dest) ? std::wstring(dest) : std::wstring(L"<failed>");
}

}  // namespace

TEST(ResolvePath, ExpandsVariablesAnchorsRelativePathsKeepsDrivePathsAndSharesAndFailsOnOverlongOnes) {
  SetEnvironmentVariableW(L"MRQ_TEST_LOGS", L"D:\\logs");
  EXPECT_EQ(Resolve(L"%MRQ_TEST_LOGS%\\mrq.log", 3), L"D:\\logs\\mrq.log");
  // Without expansion the reference stays text and the path is relative.
  EXPECT_EQ(Resolve(L"%MRQ_TEST_LOGS%", 2), testsupport::ExeDir() + L"\\%MRQ_TEST_LOGS%");
  EXPECT_EQ(Resolve(L"out.avi", 0), testsupport::InCurrentDir(L"out.avi"));
  EXPECT_EQ(Resolve(L"C:relative.txt", 3), L"C:relative.txt");
  EXPECT_EQ(Resolve(L"\\\\server\\share\\x.log", 3), L"\\\\server\\share\\x.log");

  // Paths that do not fit fail soundly.
  std::wstring tooLong(300, L'a');
  wchar_t dest[kPathChars + 4];
  dest[kPathChars] = L'#';
  EXPECT_EQ(ResolvePath(tooLong.c_str(), 3, dest), nullptr);
  EXPECT_EQ(dest[0], L'\0');
  EXPECT_EQ(dest[kPathChars], L'#');

  // Fits alone, but not once joined to the executable's folder.
  std::wstring nearlyFull(kPathChars - 2, L'b');
  EXPECT_EQ(ResolvePath(nearlyFull.c_str(), 2), nullptr);
  EXPECT_EQ(ResolvePath(nearlyFull.c_str(), 0), nullptr);

  // An expansion too long for the buffer keeps the unexpanded text.
  SetEnvironmentVariableW(L"MRQ_TEST_HUGE", std::wstring(400, L'c').c_str());
  EXPECT_EQ(Resolve(L"%MRQ_TEST_HUGE%", 3), testsupport::ExeDir() + L"\\%MRQ_TEST_HUGE%");
  EXPECT_EQ(ResolvePath(nullptr, 3), nullptr);
}
