#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "app/ErrorLog.h"
#include "core/LogFile.h"

namespace {

// Reports one error into a fresh log and returns the line's text after the time stamp.
std::wstring LoggedLine(LONG severity, const wchar_t* text, VARIANT* extra, LONG result = E_FAIL) {
  testsupport::TempDir dir(L"errorlog");
  std::wstring path = dir.File(L"log.txt");
  {
    LogFile log(path.c_str());
    SetAppLog(&log);
    CErrorLog errors;
    BSTR b = text ? SysAllocString(text) : nullptr;
    EXPECT_EQ(errors.LogError(severity, b, 1400, result, extra), result);
    SysFreeString(b);
    SetAppLog(nullptr);
  }
  std::wstring body = testsupport::Utf16Body(testsupport::ReadBytes(path));
  return body.size() > 21 ? body.substr(21, body.size() - 23) : L"<nothing>";
}

}  // namespace

TEST(ErrorLog, WritesSeverityTextAndExtraInformationByTypeAndAnswersOnlyItsOwnInterfaces) {
  EXPECT_EQ(LoggedLine(2, L"Bad source", nullptr, 0x1234), L"ERROR: severity=2; Bad source");
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = -1;
  EXPECT_EQ(LoggedLine(1, L"x", &v), L"ERROR: severity=1; x; ExtraInfo: 4294967295");
  v.vt = VT_R8;
  v.dblVal = 2.5;
  wchar_t expected[16];
  swprintf(expected, 16, L"%.1f", 2.5);  // the locale's decimal separator
  EXPECT_EQ(LoggedLine(3, L"y", &v), std::wstring(L"ERROR: severity=3; y; ExtraInfo: ") + expected);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(std::wstring(400, L's').c_str());
  EXPECT_EQ(LoggedLine(3, L"z", &v), L"ERROR: severity=3; z; ExtraInfo: " + std::wstring(254, L's'));
  SysFreeString(v.bstrVal);
  v.bstrVal = nullptr;
  EXPECT_EQ(LoggedLine(3, L"z", &v), L"ERROR: severity=3; z; ExtraInfo: ");
  v.vt = VT_DATE;
  EXPECT_EQ(LoggedLine(-1, L"w", &v), L"ERROR: severity=4294967295; w; ExtraInfo: ");
  // A missing error text ends the line after "; ".
  EXPECT_EQ(LoggedLine(2, nullptr, &v), L"ERROR: severity=2; ");

  CErrorLog errors;
  void* out = &errors;
  EXPECT_EQ(errors.QueryInterface(IID_IAMTimeline, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(errors.QueryInterface(IID_IAMErrorLog, &out), S_OK);
  EXPECT_EQ(out, static_cast<IAMErrorLog*>(&errors));
  // Without a log nothing is written and the result still comes back.
  EXPECT_FALSE(LogExists());
  EXPECT_EQ(errors.LogError(1, nullptr, 0, 7, nullptr), 7);
}
