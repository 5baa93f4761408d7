#include <gtest/gtest.h>

#include <climits>

#include "timeline/TimeCode.h"

TEST(TimeCode, FormatsTheThreeFormsAndZeroForNegativeTimesWithinTheBuffer) {
  EXPECT_EQ(FormatTimeCode(3723000004, kTimeCodeCoarse), L"01:02:03");  // the display form: MainWindowTest
  EXPECT_EQ(FormatTimeCode(INT64_MIN), L"000:00:00,000000");
  EXPECT_EQ(FormatTimeCode(999 * kMicrosPerHour + 59 * kMicrosPerMinute + 59999999), L"999:59:59,999999");
  // Bounded by the buffer.
  wchar_t small[8];
  small[7] = L'#';
  FormatTimeCode(3723000004, kTimeCodeEditing, small, 7);
  EXPECT_STREQ(small, L"001:02");
  EXPECT_EQ(small[7], L'#');
}

TEST(TimeCode, ParsesTheEditingFormUpToTheLargestAndRejectsShortOrMalformedText) {
  bool valid = true;
  EXPECT_EQ(ParseTimeCode(L"00:01:00,000000", &valid), 0u);  // 15 characters
  EXPECT_FALSE(valid);
  EXPECT_EQ(ParseTimeCode(nullptr, &valid), 0u);
  EXPECT_FALSE(valid);
  // Non-digits never turn into garbage times.
  for (const wchar_t* bad : {L"0a0:01:00,000000", L"000:0x:00,000000", L"000:01:0 ,000000", L"000-01:00,000000",
                             L"000:01:00.000000", L"000:01:00,x00000", L"ABCDEFGHIJKLMNOP"}) {
    valid = true;
    EXPECT_EQ(ParseTimeCode(bad, &valid), 0u) << bad;
    EXPECT_FALSE(valid) << bad;
  }
  // Microseconds are read up to the first non-digit.
  EXPECT_EQ(ParseTimeCode(L"000:00:01,000250xyz", &valid), 1000250u);
  EXPECT_TRUE(valid);

  // Hours past 999 take more digits (TimeEditTest steps through them); the widest text fits the
  // buffer, and more hours than we keep are refused.
  const int64_t largest = static_cast<int64_t>(kMaxTimeCodeHours) * kMicrosPerHour;
  std::wstring widest = FormatTimeCode(largest);
  EXPECT_EQ(widest.size() + 1, kTimeCodeBufferChars);
  EXPECT_EQ(ParseTimeCode(widest.c_str()), static_cast<uint64_t>(largest));
  EXPECT_EQ(ParseTimeCode(L"1000000000:00:00,000000"), 0u);
}

TEST(TimeCode, ConvertsUnitsTruncatingTowardZeroAndSaturating) {
  EXPECT_EQ(RefTimeToMicros(-19), -1);
  EXPECT_EQ(MicrosToRefTime(INT64_MAX / 5), INT64_MAX);
  EXPECT_EQ(MicrosToRefTime(INT64_MIN / 5), INT64_MIN);
}
