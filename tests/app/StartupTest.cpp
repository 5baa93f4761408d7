// Runs the real MRQ.exe from a folder of its own and checks what it leaves there.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "TestSupport.h"

using testsupport::TempDir;

namespace {

struct RunResult {
  bool sawWindow = false;
  std::wstring title;
  DWORD exitCode = 0xFFFFFFFF;
};

// A copy of MRQ.exe run in `dir` until its main window shows, then closed.
RunResult RunMrqIn(const TempDir& dir, const std::wstring& arguments = L"") {
  RunResult result;
  std::wstring exe = dir.File(L"MRQ.exe");
  if (!CopyFileW((testsupport::ExeDir() + L"\\MRQ.exe").c_str(), exe.c_str(), FALSE)) return result;
  std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.Path().c_str(), &si,
                      &pi))
    return result;
  HWND main = nullptr;
  for (int i = 0; i < 400 && !main; ++i) {
    HWND w = nullptr;
    while ((w = FindWindowExW(nullptr, w, L"KEP_MRQ_Main", nullptr)) != nullptr) {
      DWORD pid = 0;
      GetWindowThreadProcessId(w, &pid);
      if (pid == pi.dwProcessId && IsWindowVisible(w)) {
        main = w;
        break;
      }
    }
    if (!main) Sleep(25);
  }
  if (main) {
    result.sawWindow = true;
    wchar_t title[400] = {};
    GetWindowTextW(main, title, 400);
    result.title = title;
    PostMessageW(main, WM_CLOSE, 0, 0);
  } else {
    TerminateProcess(pi.hProcess, 99);
  }
  WaitForSingleObject(pi.hProcess, 20000);
  GetExitCodeProcess(pi.hProcess, &result.exitCode);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  DeleteFileW(exe.c_str());
  return result;
}

}  // namespace

TEST(Startup, FirstRunMakesAnEmptyConfigurationAndOpensTheNamedProjectAndAConfiguredLogIsKept) {
  TempDir dir(L"first-run");
  std::wstring project = dir.File(L"my project.kdp");
  ASSERT_TRUE(
      testsupport::WriteText(project, "<KDP version=\"1\">\n<timeline><group type=\"video\"/></timeline></KDP>"));
  RunResult run = RunMrqIn(dir, L"\"" + project + L"\"");
  ASSERT_TRUE(run.sawWindow);
  EXPECT_EQ(run.title, L"MRQ - [" + project + L"]");
  EXPECT_EQ(run.exitCode, 0u);
  ASSERT_TRUE(testsupport::FileExists(dir.File(L"MRQ.ini")));
  EXPECT_TRUE(testsupport::ReadBytes(dir.File(L"MRQ.ini")).empty());
  EXPECT_EQ(dir.FileCount(), 2);  // the project and MRQ.ini: the copied program was removed

  // A configured log runs from "Starting..." to the exit code.
  ASSERT_TRUE(testsupport::WriteText(dir.File(L"MRQ.ini"), "[Log]\r\nFileName=logs.txt\r\n"));
  run = RunMrqIn(dir);
  ASSERT_TRUE(run.sawWindow);
  EXPECT_EQ(run.exitCode, 0u);
  std::wstring body = testsupport::Utf16Body(testsupport::ReadBytes(dir.File(L"logs.txt")));
  ASSERT_GT(body.size(), 19u);
  EXPECT_EQ(body.substr(19, 15), L"  Starting...\r\n");
  const std::wstring last = L"  Exit code: 0\r\n";  // shorter than the first line
  EXPECT_EQ(body.substr(body.size() - last.size()), last);
}
