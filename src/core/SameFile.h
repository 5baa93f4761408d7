#pragma once
#include <string>

// The full, normalised form of a path: relative names taken from the current folder, "." and
// ".." resolved, short names made long where the file exists. The path itself when the
// platform cannot say.
std::wstring FullPathOf(const std::wstring& path);

// Whether two paths name one file: by the file system's identity of the file when both exist
// (which sees through case, "..", short names and links), else by their full paths compared
// without regard to case, as the platform's file names are.
bool IsSameFile(const std::wstring& a, const std::wstring& b);
