#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "services/EditingServices.h"

// Where the editing services report the problems they meet: each report becomes one log line,
// and errors are also kept until the owner shows them to the user once per open or render.
// Lives as long as its owner (the main window), so it keeps no count.
class CErrorLog : public IAMErrorLog {
 public:
  static constexpr size_t kExtraChars = 255;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 0; }
  // Logs "ERROR: severity=<n>; <text>[; ExtraInfo: <extra>]" and returns `result`.
  STDMETHODIMP LogError(LONG severity, BSTR text, LONG code, LONG result, VARIANT* extra) override;

  // The errors reported since the last call (the first kKeptProblems of them, then a line
  // saying how many more), and forgets them. Reports come from the engine's threads too.
  std::vector<std::wstring> TakeProblems();
  static constexpr size_t kKeptProblems = 20;

  virtual ~CErrorLog() = default;

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
  std::vector<std::wstring> problems_;
  size_t dropped_ = 0;
};
