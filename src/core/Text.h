#pragma once
// Text building shared by every subsystem: joined texts, bounded formatted printing.
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

using TextList = std::initializer_list<const wchar_t*>;

// Joins the texts into a new string exactly long enough. A null text ends the list early;
// a null first text gives no result (null).
std::unique_ptr<wchar_t[]> ConcatText(TextList texts);

// Joins the texts into dest, which holds `capacity` characters including the terminator.
// dest may be the first text itself, which then gets the rest appended. The result is cut
// to fit rather than overrunning. Returns dest, or null (dest untouched) when the first
// text is null or there is no room at all.
wchar_t* ConcatText(wchar_t* dest, size_t capacity, TextList texts);

// The platform's formatted printing into a caller's buffer of `capacity` characters.
// Returns the number of characters written, or -1 on a formatting error or when the text
// did not fit (the buffer then holds as much as fits, terminated).
int FormatText(wchar_t* buffer, size_t capacity, const wchar_t* format, ...);

// Splits text at every separator, dropping empty pieces; after maxPieces - 1 pieces the rest
// of the text (from the next non-separator) is the last piece.
std::vector<std::wstring> SplitText(const std::wstring& text, wchar_t separator, size_t maxPieces = 16);

// A number in fixed notation with six decimals, then without trailing zeros and a trailing
// decimal point: 29.97 as "29.97", 30 as "30", 0.75 as "0.75".
std::wstring ShortNumber(double value);
