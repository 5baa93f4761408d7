#include <gtest/gtest.h>
#include <windows.h>

#include "core/ResultText.h"

namespace {

std::wstring SystemText(DWORD code) {
  wchar_t buffer[512];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer, 512,
                           nullptr);
  return std::wstring(buffer, n);
}

}  // namespace

TEST(ResultText, TakesInternetCodesFromTheInternetLibraryAndOthersFromTheSystem) {
  EXPECT_EQ(ResultText(12002).rfind(L"The request has timed out.", 0), 0u) << ResultText(12002);
  // 12175 lies just past the internet range: it must not come from that library.
  EXPECT_EQ(ResultText(12175), SystemText(12175));
}
