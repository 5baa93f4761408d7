// Where the engine reports what goes wrong: the IAMErrorLog the application registered.
#pragma once

#include "services/EditingServices.h"

#include <wrl/client.h>

namespace engine {

// Severities passed to IAMErrorLog::LogError.
constexpr LONG kSeverityWarning = 1;
constexpr LONG kSeverityError = 2;

class ErrorSink {
 public:
  void SetLog(IAMErrorLog* log) { log_ = log; }
  IAMErrorLog* Log() const { return log_.Get(); }

  // Logs one entry (when a log is registered) and returns hr, so a failing call can end with
  // `return sink.Report(...)`.
  HRESULT Report(LONG severity, const wchar_t* text, LONG code, HRESULT hr, const wchar_t* extra = nullptr) const;

 private:
  Microsoft::WRL::ComPtr<IAMErrorLog> log_;
};

}  // namespace engine
