#pragma once
// Time codes: what the user sees and types. Timeline objects hold 100-ns reference times;
// everything on screen is in microseconds.
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr wchar_t kTimeCodeEditing[] = L"%.3I64u:%.2I64u:%.2I64u,%.6I64u";
inline constexpr wchar_t kTimeCodeDisplay[] = L"%.2I64u:%.2I64u:%.2I64u,%.6I64u";
inline constexpr wchar_t kTimeCodeCoarse[] = L"%.2I64u:%.2I64u:%.2I64u";

inline constexpr int64_t kMicrosPerSecond = 1000000;
inline constexpr int64_t kMicrosPerMinute = 60 * kMicrosPerSecond;
inline constexpr int64_t kMicrosPerHour = 60 * kMicrosPerMinute;

// The editing form has 16 characters below 1000 hours; hours take as many digits as they
// need beyond that, up to kMaxTimeCodeHours.
inline constexpr size_t kTimeCodeChars = 16;
inline constexpr uint64_t kMaxTimeCodeHours = 999999999;
// Room for the editing form of the largest time code and the terminator.
inline constexpr size_t kTimeCodeBufferChars = kTimeCodeChars + 6 + 1;

// Reference time (100 ns) to microseconds, truncated toward zero.
inline int64_t RefTimeToMicros(int64_t referenceTime) { return referenceTime / 10; }
// Microseconds to reference time; saturates instead of overflowing.
int64_t MicrosToRefTime(int64_t micros);

// Splits a microsecond value (0 or less gives all zeros) into hours, minutes, seconds and
// microseconds and prints them with one of the forms above. Returns the buffer; the text is
// cut to fit rather than overrunning the buffer.
wchar_t* FormatTimeCode(int64_t micros, const wchar_t* format, wchar_t* buffer, size_t capacity);
std::wstring FormatTimeCode(int64_t micros, const wchar_t* format = kTimeCodeEditing);

// Reads an editing-form time code ("hhh:mm:ss,uuuuuu"; more hour digits for 1000 hours and
// beyond). Texts shorter than 16 characters, null texts and texts that do not have that
// shape give 0 and, when asked for, *valid = false.
uint64_t ParseTimeCode(const wchar_t* text, bool* valid = nullptr);
