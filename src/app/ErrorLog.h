#pragma once
#include <windows.h>

#include "timeline/EditingServices.h"

// Where the editing services report the problems they meet: each report becomes one log line
// and nothing is shown. Lives as long as its owner (the main window), so it keeps no count.
class CErrorLog : public IAMErrorLog {
 public:
  static constexpr size_t kExtraChars = 255;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 0; }
  // Logs "ERROR: severity=<n>; <text>[; ExtraInfo: <extra>]" and returns `result`.
  STDMETHODIMP LogError(LONG severity, BSTR text, LONG code, LONG result, VARIANT* extra) override;

  virtual ~CErrorLog() = default;
};
