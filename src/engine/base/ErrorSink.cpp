#include "engine/base/ErrorSink.h"

namespace engine {

HRESULT ErrorSink::Report(LONG severity, const wchar_t* text, LONG code, HRESULT hr, const wchar_t* extra) const {
  if (!log_) return hr;
  BSTR message = SysAllocString(text ? text : L"");
  VARIANT info;
  VariantInit(&info);
  if (extra) {
    info.vt = VT_BSTR;
    info.bstrVal = SysAllocString(extra);
  }
  // The log's own result is not ours to return: the caller's failure is what matters.
  log_->LogError(severity, message, code, hr, extra ? &info : nullptr);
  VariantClear(&info);
  SysFreeString(message);
  return hr;
}

}  // namespace engine
