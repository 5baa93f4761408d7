#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "core/IntText.h"
#include "core/OwnedText.h"
#include "core/Text.h"

TEST(IntText, WritesUnsignedDigitsInAnyRadixAndNothingForBadRadixes) {
  EXPECT_STREQ(IntText(255, 16).get(), L"ff");
  EXPECT_STREQ(IntText(-255, 16).get(), L"ffffff01");
  EXPECT_STREQ(IntText(0, 10).get(), L"0");
  EXPECT_STREQ(IntText(35, 36).get(), L"z");
  EXPECT_STREQ(IntText(INT32_MIN, 2).get(), L"10000000000000000000000000000000");
  EXPECT_STREQ(IntText(5, 1).get(), L"");
  EXPECT_STREQ(IntText(5, 37).get(), L"");
}

TEST(ConcatText, JoinsUntilTheFirstMissingTextAndLikeFormatTextStaysWithinTheBuffer) {
  OwnedText joined(L"a", L"bc", static_cast<const wchar_t*>(nullptr), L"never");
  EXPECT_STREQ(joined.get(), L"abc");
  EXPECT_FALSE(OwnedText(static_cast<const wchar_t*>(nullptr), L"x"));
  auto plain = ConcatText({L"path", L"\n\n", L"text"});
  EXPECT_STREQ(plain.get(), L"path\n\ntext");

  // Into a buffer: appends to itself and cuts instead of overrunning.
  wchar_t buffer[16];
  wcscpy(buffer, L"ab");
  EXPECT_EQ(ConcatText(buffer, 16, {buffer, L"cd", L"ef"}), buffer);
  EXPECT_STREQ(buffer, L"abcdef");

  wchar_t guarded[12];
  wmemset(guarded, L'#', 12);
  ConcatText(guarded, 8, {L"0123456789", L"abc"});
  EXPECT_STREQ(guarded, L"0123456");
  EXPECT_EQ(guarded[8], L'#');
  EXPECT_EQ(ConcatText(guarded, 8, {nullptr, L"x"}), nullptr);

  // FormatText prints wide text and stays within the buffer too.
  EXPECT_EQ(FormatText(buffer, 16, L"%s=%.2I64u:%d", L"t", 7ULL, -3), 7);
  EXPECT_STREQ(buffer, L"t=07:-3");
  wmemset(guarded, L'#', 12);
  EXPECT_EQ(FormatText(guarded, 6, L"%s", L"far too long"), -1);
  EXPECT_STREQ(guarded, L"far t");
  EXPECT_EQ(guarded[6], L'#');
}

TEST(SplitText, DropsEmptyPiecesAndKeepsTheRestInTheLastPiece) {
  EXPECT_EQ(SplitText(L";a;;b;", L';'), (std::vector<std::wstring>{L"a", L"b"}));
  std::wstring many;
  for (int i = 0; i < 20; ++i) many += L"p" + std::to_wstring(i) + L" ";
  auto pieces = SplitText(many, L' ');
  ASSERT_EQ(pieces.size(), 16u);
  EXPECT_EQ(pieces[14], L"p14");
  EXPECT_EQ(pieces[15], L"p15 p16 p17 p18 p19 ");
  EXPECT_TRUE(SplitText(L"", L',').empty());
}
