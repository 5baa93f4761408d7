#pragma once
#include <string>

// The platform's message text of a result code (no inserts substituted); empty when the
// platform knows none. Codes 12000 to 12174 come from the internet library's table.
std::wstring ResultText(long code);

// A result as a user reads it, on one line: the platform's text with the code in brackets;
// for the media framework's common results, which the platform has no text for here, a
// sentence of ours; else "error 0x…", so that no message ends in an empty reason.
std::wstring ResultSentence(long code);
