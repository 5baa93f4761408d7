#pragma once
#include <string>

// The platform's message text of a result code (no inserts substituted); empty when the
// platform knows none. Codes 12000 to 12174 come from the internet library's table.
std::wstring ResultText(long code);
