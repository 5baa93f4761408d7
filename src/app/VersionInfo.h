#pragma once
#include <optional>
#include <string>
#include <vector>

// Reads named string values from a file's version information (first translation). Returns
// false when the file has no version information with a translation table. A value that is
// missing stays empty (nullopt); the list of names ends at a null name.
bool ReadVersionStrings(const wchar_t* fileName, const std::vector<const wchar_t*>& names,
                        std::vector<std::optional<std::wstring>>* values);

// The About box text: name, version, pointer width, copyright, comments and the contact line.
// A value that cannot be read ends the text at that point.
std::wstring AboutText(const wchar_t* fileName = L"MRQ.exe");
