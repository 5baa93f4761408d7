// Entry of every test executable: GoogleTest under a wide-character Windows entry point.
#include <gtest/gtest.h>

#include <clocale>

int wmain(int argc, wchar_t** argv) {
  _wsetlocale(LC_ALL, L"");
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
