#include "timeline/TimeCode.h"

#include <climits>
#include <cwchar>

#include "core/Text.h"

int64_t MicrosToRefTime(int64_t micros) {
  if (micros > INT64_MAX / 10) return INT64_MAX;
  if (micros < INT64_MIN / 10) return INT64_MIN;
  return micros * 10;
}

wchar_t* FormatTimeCode(int64_t micros, const wchar_t* format, wchar_t* buffer, size_t capacity) {
  uint64_t hours = 0, minutes = 0, seconds = 0, rest = 0;
  if (micros > 0) {
    uint64_t v = static_cast<uint64_t>(micros);
    hours = v / kMicrosPerHour;
    rest = v - hours * kMicrosPerHour;
    minutes = rest / kMicrosPerMinute;
    rest -= minutes * kMicrosPerMinute;
    seconds = rest / kMicrosPerSecond;
    rest -= seconds * kMicrosPerSecond;
  }
  FormatText(buffer, capacity, format, hours, minutes, seconds, rest);
  return buffer;
}

std::wstring FormatTimeCode(int64_t micros, const wchar_t* format) {
  wchar_t buffer[64];
  return FormatTimeCode(micros, format, buffer, 64);
}

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Reads exactly `count` digits at text[pos].
bool ReadDigits(const wchar_t* text, size_t pos, size_t count, uint64_t* value) {
  *value = 0;
  for (size_t i = 0; i < count; ++i) {
    if (!IsDigit(text[pos + i])) return false;
    *value = *value * 10 + static_cast<uint64_t>(text[pos + i] - L'0');
  }
  return true;
}

uint64_t Invalid(bool* valid) {
  if (valid) *valid = false;
  return 0;
}

}  // namespace

uint64_t ParseTimeCode(const wchar_t* text, bool* valid) {
  if (valid) *valid = true;
  if (!text || wcslen(text) < kTimeCodeChars) return Invalid(valid);
  // Hours run up to the first separator: three digits below 1000 hours, more beyond.
  size_t hourDigits = 0;
  while (IsDigit(text[hourDigits])) ++hourDigits;
  if (hourDigits < 3 || hourDigits > 9 || text[hourDigits] != L':') return Invalid(valid);
  size_t m = hourDigits + 1;
  uint64_t hours, minutes, seconds;
  if (!ReadDigits(text, 0, hourDigits, &hours) || !ReadDigits(text, m, 2, &minutes) || text[m + 2] != L':' ||
      !ReadDigits(text, m + 3, 2, &seconds) || text[m + 5] != L',')
    return Invalid(valid);
  // Microseconds run up to the first non-digit; at least one digit, at most 12 so that the
  // sum cannot overflow.
  const wchar_t* u = text + m + 6;
  size_t microDigits = 0;
  uint64_t micros = 0;
  while (IsDigit(u[microDigits]) && microDigits < 12) {
    micros = micros * 10 + static_cast<uint64_t>(u[microDigits] - L'0');
    ++microDigits;
  }
  if (microDigits == 0) return Invalid(valid);
  return ((hours * 60 + minutes) * 60 + seconds) * kMicrosPerSecond + micros;
}
