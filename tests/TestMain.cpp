// Entry of every test executable: GoogleTest under a wide-character Windows entry point.
#include <gtest/gtest.h>

#include <clocale>

namespace testsupport {
// Set by the support of suites that need a last word before the process ends.
void (*g_beforeExit)(int exitCode) = nullptr;
}  // namespace testsupport

int wmain(int argc, wchar_t** argv) {
  _wsetlocale(LC_ALL, L"");
  testing::InitGoogleTest(&argc, argv);
  const int code = RUN_ALL_TESTS();
  if (testsupport::g_beforeExit) testsupport::g_beforeExit(code);
  return code;
}
