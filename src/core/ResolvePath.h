#pragma once
#include <cstddef>
#include <memory>

constexpr size_t kPathChars = 260;  // the platform's classic path buffer, terminator included

enum ResolveMode : unsigned {
  kResolveExpandEnv = 1,  // expand %VARIABLE% references first
  kResolveBesideExe = 2,  // a relative path is taken against the executable's folder
};

// Expands and anchors a path into dest (kPathChars characters). Returns dest, or null when
// the path or its result does not fit (dest is then empty) or a platform call fails.
wchar_t* ResolvePath(const wchar_t* path, unsigned mode, wchar_t* dest);

// The same into a new buffer of kPathChars characters; null on failure.
std::unique_ptr<wchar_t[]> ResolvePath(const wchar_t* path, unsigned mode);

// The folder of the running executable, without a trailing backslash; empty on failure.
bool ExeDirectory(wchar_t* dest, size_t capacity);
