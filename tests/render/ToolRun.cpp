#include "ToolRun.h"

#include "TestSupport.h"

#include <algorithm>

namespace toolrun {

namespace {

// One child on its way: its process and the file its output goes to.
struct Child {
  PROCESS_INFORMATION pi{};
  std::wstring outputPath;
  ULONGLONG started = 0;
  bool running = false;
  DWORD startError = 0;
};

Child Start(const std::wstring& args) {
  // A new file per run: the platform may still be letting go of the previous child's handle.
  static int runs = 0;
  Child child;
  child.outputPath = testsupport::InCurrentDir((L"tool-output-" + std::to_wstring(++runs) + L".txt").c_str());
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE out = CreateFileW(child.outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdError = out;
  si.hStdOutput = out;
  std::wstring line = L"\"" + testsupport::ExeDir() + L"\\mrqrender.exe\" " + args;
  // Under load the platform now and then fails to start a process at all; that says nothing
  // about the renderer, so it is tried again before the run counts as failed.
  for (int attempt = 0; attempt < 3 && !child.running; ++attempt) {
    if (attempt) Sleep(200);
    child.started = GetTickCount64();
    child.running = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                   &si, &child.pi);
    child.startError = child.running ? 0 : GetLastError();
  }
  CloseHandle(out);
  return child;
}

// Collects an ended (or, with `kill`, overdue) child's outcome.
Outcome Finish(Child& child, bool kill) {
  Outcome out;
  if (child.running) {
    if (kill) {
      TerminateProcess(child.pi.hProcess, STILL_ACTIVE);
      WaitForSingleObject(child.pi.hProcess, 10000);
      out.code = STILL_ACTIVE;
    } else {
      GetExitCodeProcess(child.pi.hProcess, &out.code);
    }
    CloseHandle(child.pi.hProcess);
    CloseHandle(child.pi.hThread);
    child.running = false;
  }
  auto bytes = testsupport::ReadBytes(child.outputPath);
  out.err.assign(bytes.begin(), bytes.end());
  if (child.startError) out.err = "mrqrender did not start: error " + std::to_string(child.startError);
  DeleteFileW(child.outputPath.c_str());
  return out;
}

}  // namespace

bool CopyProject(const wchar_t* data, const std::wstring& path, const std::wstring& media) {
  std::string text = testsupport::DataText(std::wstring(L"kdp\\") + data);
  std::string utf8(media.size() * 3 + 1, '\0');
  const int n = WideCharToMultiByte(CP_UTF8, 0, media.c_str(), static_cast<int>(media.size()), utf8.data(),
                                    static_cast<int>(utf8.size()), nullptr, nullptr);
  utf8.resize(n > 0 ? static_cast<size_t>(n) : 0);
  for (size_t at = text.find("MEDIA"); at != std::string::npos; at = text.find("MEDIA", at + utf8.size()))
    text.replace(at, 5, utf8);
  return !text.empty() && testsupport::WriteText(path, text);
}

Outcome Render(const std::wstring& args, DWORD waitMs) { return RenderAll({args}, waitMs, 1)[0]; }

void ExpectRuns(const std::vector<Expected>& runs) {
  for (const Expected& r : runs) {
    const Outcome out = Render(r.args);
    EXPECT_EQ(r.code, out.code) << Narrow(r.args) << ": " << out.err;
    for (const std::string& text : r.says)
      EXPECT_NE(std::string::npos, out.err.find(text)) << Narrow(r.args) << ": " << out.err;
  }
}

std::vector<Outcome> RenderAll(const std::vector<std::wstring>& argLists, DWORD waitMs, size_t parallel) {
  std::vector<Outcome> outcomes;
  for (size_t first = 0; first < argLists.size(); first += parallel) {
    std::vector<Child> batch;
    for (size_t i = first; i < std::min(first + parallel, argLists.size()); ++i) batch.push_back(Start(argLists[i]));
    for (Child& child : batch) {
      const ULONGLONG waited = GetTickCount64() - child.started;
      const DWORD left = waited < waitMs ? static_cast<DWORD>(waitMs - waited) : 0;
      outcomes.push_back(Finish(child, child.running && WaitForSingleObject(child.pi.hProcess, left) == WAIT_TIMEOUT));
    }
  }
  return outcomes;
}

}  // namespace toolrun
