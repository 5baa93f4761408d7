// Runs the command-line renderer as a user's script would: a separate process, its output read from a file.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace toolrun {

struct Outcome {
  DWORD code = 0xFFFFFFFF;  // STILL_ACTIVE when it did not end within the wait; this when it never started
  std::string err;          // standard output and error together
};

// mrqrender (beside the test executable) with `args`, waited for at most `waitMs`; one that
// runs longer is ended and reported as STILL_ACTIVE.
Outcome Render(const std::wstring& args, DWORD waitMs = 60000);

// The same for many argument lists, `parallel` processes at a time; outcomes in their order.
std::vector<Outcome> RenderAll(const std::vector<std::wstring>& argLists, DWORD waitMs, size_t parallel);

// A run of the renderer and what it must answer: its exit code and texts its output holds.
struct Expected {
  std::wstring args;
  DWORD code;
  std::vector<std::string> says;
};
void ExpectRuns(const std::vector<Expected>& runs);

// Names for messages (ASCII), and in quotes for a command line.
inline std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }
inline std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }
// A project of tests/data/kdp copied to `path`, MEDIA in it standing for `media`. The projects
// name their other media relative to themselves.
bool CopyProject(const wchar_t* data, const std::wstring& path, const std::wstring& media = L"");

}  // namespace toolrun
