#include "core/SameFile.h"

#include <windows.h>

namespace {

// A handle that only reads attributes: it never keeps another program from the file.
struct Probe {
  HANDLE h;
  explicit Probe(const std::wstring& path)
      : h(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
  ~Probe() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  Probe(const Probe&) = delete;
  Probe& operator=(const Probe&) = delete;
  bool Identity(BY_HANDLE_FILE_INFORMATION* info) const {
    return h != INVALID_HANDLE_VALUE && GetFileInformationByHandle(h, info);
  }
};

}  // namespace

std::wstring FullPathOf(const std::wstring& path) {
  if (path.empty()) return path;
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (!n) return path;
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  if (!n || n >= full.size()) return path;
  full.resize(n);
  DWORD longLength = GetLongPathNameW(full.c_str(), nullptr, 0);
  if (longLength) {
    std::wstring longName(longLength, L'\0');
    longLength = GetLongPathNameW(full.c_str(), longName.data(), longLength);
    if (longLength && longLength < longName.size()) {
      longName.resize(longLength);
      return longName;
    }
  }
  return full;
}

bool IsSameFile(const std::wstring& a, const std::wstring& b) {
  if (a.empty() || b.empty()) return false;
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  Probe pa(a), pb(b);
  // A file system without file numbers (all zero) cannot tell: the names must.
  if (pa.Identity(&ia) && pb.Identity(&ib) && (ia.nFileIndexHigh || ia.nFileIndexLow))
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
           ia.nFileIndexLow == ib.nFileIndexLow;
  const std::wstring fa = FullPathOf(a), fb = FullPathOf(b);
  return CompareStringOrdinal(fa.c_str(), static_cast<int>(fa.size()), fb.c_str(), static_cast<int>(fb.size()), TRUE) ==
         CSTR_EQUAL;
}
