#pragma once
// Small helpers shared by the test executables: scratch folders, file bytes, test data, message
// pumping.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

// Called with the run's exit code just before the test executable ends (TestMain.cpp), when set.
extern void (*g_beforeExit)(int exitCode);

// A fresh folder below the current directory, removed with its files when the test ends.
class TempDir {
 public:
  explicit TempDir(const std::wstring& name) {
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    path_ = std::wstring(cwd) + L"\\" + name;
    Remove();
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TempDir() { Remove(); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::wstring& Path() const { return path_; }
  // Files (not folders) directly in the folder.
  int FileCount() const {
    int files = 0;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(File(L"*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    return files;
  }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  void Remove() {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((path_ + L"\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::wstring f = fd.cFileName;
        if (f != L"." && f != L"..") DeleteFileW(File(f).c_str());
      } while (FindNextFileW(find, &fd));
      FindClose(find);
    }
    RemoveDirectoryW(path_.c_str());
  }
  std::wstring path_;
};

inline std::vector<unsigned char> ReadBytes(const std::wstring& path) {
  std::vector<unsigned char> bytes;
  HANDLE f =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return bytes;
  DWORD size = GetFileSize(f, nullptr);
  bytes.resize(size);
  DWORD read = 0;
  if (size) ReadFile(f, bytes.data(), size, &read, nullptr);
  bytes.resize(read);
  CloseHandle(f);
  return bytes;
}

inline std::string ReadText(const std::wstring& path) {
  const std::vector<unsigned char> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

inline bool WriteBytes(const std::wstring& path, const void* data, size_t size) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(f, data, static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(f);
  return ok && written == size;
}

inline bool WriteText(const std::wstring& path, const std::string& text) {
  return WriteBytes(path, text.data(), text.size());
}

inline bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The text of a UTF-16LE file after its byte order mark (empty when there is none).
inline std::wstring Utf16Body(const std::vector<unsigned char>& bytes) {
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) return {};
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

// Dispatches what is queued for this thread.
inline void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// A path in the current folder (where each test executable runs).
inline std::wstring InCurrentDir(const wchar_t* name) {
  wchar_t cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, cwd);
  return std::wstring(cwd) + L"\\" + name;
}

inline std::wstring ExeDir() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p = path;
  return p.substr(0, p.find_last_of(L'\\'));
}

// A file of the source tree's tests/data, whose folder the build compiles in; Wine sees the
// Unix root as drive Z:.
inline std::wstring DataPath(const std::wstring& name) {
  const std::string root = MRQ_TEST_DATA;
  std::wstring path = root.rfind('/', 0) == 0 ? L"Z:" : L"";
  for (char c : root) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path + L"\\" + name;
}

// Its text. Missing or empty data fails the test, so that no check over it passes for want of it.
inline std::string DataText(const std::wstring& name) {
  const std::string text = ReadText(DataPath(name));
  if (text.empty()) ADD_FAILURE() << "no test data in " << DataPath(name);
  return text;
}

// Its lines, leaving out empty ones and notes (lines that start with '#').
inline std::vector<std::string> DataLines(const std::wstring& name) {
  std::vector<std::string> lines;
  const std::string text = DataText(name);
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    if (!line.empty() && line[0] != '#') lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

}  // namespace testsupport
