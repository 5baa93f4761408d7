#include "app/ErrorLog.h"

#include <cwchar>

#include "core/IntText.h"
#include "core/LogFile.h"
#include "core/OwnedText.h"
#include "core/ResultText.h"
#include "core/Text.h"

STDMETHODIMP CErrorLog::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IAMErrorLog) {
    *out = static_cast<IAMErrorLog*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP CErrorLog::LogError(LONG severity, BSTR text, LONG /*code*/, LONG result, VARIANT* extra) {
  IntText severityText(severity);
  wchar_t extraText[kExtraChars] = {};
  if (extra) {
    switch (extra->vt) {
      case VT_I4: ConcatText(extraText, kExtraChars, {IntText(extra->lVal).get()}); break;
      case VT_R8:
        // The user's locale decides the decimal separator.
        FormatText(extraText, kExtraChars, L"%.1f", extra->dblVal);
        break;
      case VT_BSTR:
        if (extra->bstrVal) ConcatText(extraText, kExtraChars, {extra->bstrVal});  // cut to fit
        break;
      default: break;
    }
  }
  if (severity >= 2) {
    std::wstring problem = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    if (FAILED(result)) problem += L" (" + ResultSentence(result) + L")";
    AcquireSRWLockExclusive(&lock_);
    if (problems_.size() < kKeptProblems)
      problems_.push_back(std::move(problem));
    else
      ++dropped_;
    ReleaseSRWLockExclusive(&lock_);
  }
  if (LogExists()) {
    // A missing error text ends the line after "; ".
    OwnedText line = extra
                         ? OwnedText(L"ERROR: severity=", severityText.get(), L"; ", static_cast<const wchar_t*>(text),
                                     L"; ExtraInfo: ", extraText)
                         : OwnedText(L"ERROR: severity=", severityText.get(), L"; ", static_cast<const wchar_t*>(text));
    WriteLog(line);
  }
  return result;
}

std::vector<std::wstring> CErrorLog::TakeProblems() {
  AcquireSRWLockExclusive(&lock_);
  std::vector<std::wstring> taken;
  taken.swap(problems_);
  if (dropped_) taken.push_back(L"... and " + std::to_wstring(dropped_) + L" more (see the log)");
  dropped_ = 0;
  ReleaseSRWLockExclusive(&lock_);
  return taken;
}
