#pragma once
// One-line descriptions of media types, for the source editor's stream list.
#include <windows.h>
#include <strmif.h>

#include <cstddef>

// Video: the subtype's four characters (or "____"), then ", <w>x<h>, <fps> fps";
// audio: the subtype's first field in hex, then ", <n> ch., <rate> Hz"; other types: empty.
// The text is cut to fit the buffer. Returns the buffer.
wchar_t* DescribeMediaType(const AM_MEDIA_TYPE* type, wchar_t* buffer, size_t capacity);
