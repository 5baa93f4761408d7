// The text forms of values in XTL documents: times, booleans, numbers, binary data, and
// escaping of attribute values.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <string>
#include <vector>

namespace engine::xtl {

// The parsers below pass over blanks (space, tab, line ends) around the value.

// Seconds with as many decimals as needed for 100-ns exactness ("12.5", "0.0000001").
std::wstring FormatTime(REFERENCE_TIME t);
// [-][[hh:]mm:]ss[.fraction]; minutes and seconds below 60 once a larger unit is given;
// fraction digits past the seventh are rounded. False for anything else or on overflow.
bool ParseTime(const wchar_t* text, REFERENCE_TIME* t);

// y, Y, t, T, 1 (and words starting so) are true; n, N, f, F, 0 false.
bool ParseBool(const wchar_t* text, BOOL* value);
bool ParseLong(const wchar_t* text, LONG* value);
// Plain decimal or exponent notation; finite values only.
bool ParseDouble(const wchar_t* text, double* value);
// Shortest text that reads back as the same double.
std::wstring FormatDouble(double value);

// The text without the blanks (space, tab, line ends) around it.
std::wstring TrimBlanks(const wchar_t* text);

// A video subtype as a group's `subtype` attribute writes it: RGB555, RGB24, RGB32, ARGB32,
// RGB8, or else its class id in braces. Reading takes either form, any case, blanks around.
std::wstring SubtypeText(const GUID& subtype);
bool ParseSubtype(const wchar_t* text, GUID* subtype);

std::wstring HexEncode(const std::vector<BYTE>& bytes);
bool HexDecode(const wchar_t* text, std::vector<BYTE>* bytes);

// Appends text escaped for a double-quoted attribute. Tabs and line ends are written as
// character references so that they survive attribute normalisation. False when the text
// holds a character XML 1.0 cannot carry (other control characters, lone surrogates,
// U+FFFE/U+FFFF).
bool AppendEscaped(std::wstring& out, const wchar_t* text, size_t length);

}  // namespace engine::xtl
