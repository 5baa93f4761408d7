#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "EngineTestSupport.h"
#include "TestSupport.h"
#include "timeline/ProjectStorage.h"

using namespace enginetest;
using testsupport::ReadText;
using testsupport::TempDir;

namespace {

std::string Utf8(const std::wstring& text) {
  auto utf8 = WideToUtf8(text.c_str());
  return utf8 ? std::string(utf8.get()) : std::string("<unconvertible>");
}

class ProjectStorageTest : public enginetest::EngineTest {
 protected:
  std::wstring WriteXml(IAMTimeline* t) {
    Bstr text;
    EXPECT_EQ(Create<IXml2Dex>(CLSID_Xml2Dex)->WriteXML(t, text.Out()), S_OK);
    return text.Text();
  }

  ProjectStorage storage{L"KDP", L"version", L"timeline"};
};

}  // namespace

TEST_F(ProjectStorageTest, RichTimelineReopensWithEveryObjectAndPropertyAndAFailedSaveKeepsThePreviousFile) {
  BuildRichTimeline();
  TempDir dir(L"kdp-rich ünï 日本");
  std::wstring path = dir.File(L"projet é.kdp");
  ASSERT_EQ(storage.Save(timeline.Get(), path.c_str()), S_OK);
  // No mark, no declaration, no final line feed.
  std::wstring written = WriteXml(timeline.Get());
  EXPECT_EQ(ReadText(path), "<KDP version=\"1\">\n" + Utf8(written) + "</KDP>");

  ComPtr<IAMTimeline> opened = NewTimeline();
  std::wstring why = L"stale";
  ASSERT_EQ(storage.Open(opened.Get(), path.c_str(), &why), S_OK);
  EXPECT_EQ(why, L"");
  EXPECT_EQ(WriteXml(opened.Get()), written);

  // A failed save (the old file is held open without permission to replace it) is reported,
  // keeps the previous file and leaves nothing beside it.
  testsupport::WriteText(path, "previous project");
  HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FAILED(storage.Save(timeline.Get(), path.c_str())));
  CloseHandle(held);
  EXPECT_EQ(ReadText(path), "previous project");
  EXPECT_EQ(dir.FileCount(), 1);
  EXPECT_EQ(storage.Save(timeline.Get(), path.c_str()), S_OK);
  EXPECT_EQ(ReadText(path).rfind("<KDP version=\"1\">\n", 0), 0u);
}

TEST_F(ProjectStorageTest, OpenTakesVersionsBeginningWithOneOrSaysWhatIsWrongOrThatNoCopyCanBeMade) {
  TempDir dir(L"kdp-open");
  const std::string body = Utf8(WriteXml(timeline.Get()));
  const std::wstring path = dir.File(L"case.kdp"), out = dir.File(L"out.xml");
  auto version = [&](const char* v) { return std::string("<KDP version=\"") + v + "\">\n" + body + "</KDP>"; };
  // What extraction refuses leaves its output as it was. The reader's own messages keep the
  // project file's line numbers (XtlReadTest has the rest).
  struct Case {
    std::string content;
    HRESULT extracted;
    const wchar_t* says;  // null: it opens
  } cases[] = {
      {version("1"), S_OK, nullptr},
      {version("10"), S_OK, nullptr},
      {version("1.7"), S_OK, nullptr},
      {"<KDP version=\"2.0\">\n<timeline/></KDP>", VFW_E_INVALID_FILE_FORMAT, L"version \"2.0\""},
      {body, S_FALSE, L"no <KDP> element"},
      {"<KDP>\n<timeline/></KDP>", S_FALSE, L"no version attribute"},
      {"<KDP version=\"1\">\n<other/></KDP>", S_FALSE, L"no <timeline> element"},
      {"<KDP version=\"1\">\n<timeline>", S_FALSE, L"line 2, column 11: the text ends before <timeline>"},
      {"<!DOCTYPE KDP [<!ENTITY a \"aaaa\">]><KDP version=\"1\">&a;<timeline/></KDP>", S_FALSE,
       L"declares a document type"},
      {"<KDP version=\"1\">\n<timeline>\n <group>\n</timeline></KDP>", S_FALSE,
       L"line 4, column 1: the end tag </timeline> does not match <group> of line 3"},
      {"<KDP version=\"1\">\n<timeline><group type=\"smell\"/></timeline></KDP>", S_OK,
       L"type=\"smell\" is neither video nor audio"},
  };
  std::wstring why;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content.substr(0, 60));
    testsupport::WriteText(path, c.content);
    testsupport::WriteText(out, "untouched");
    EXPECT_EQ(storage.ExtractTimeline(path.c_str(), out.c_str()), c.extracted);
    if (c.extracted != S_OK) {
      EXPECT_EQ(ReadText(out), "untouched");
    }
    ComPtr<IAMTimeline> target = NewTimeline();
    const size_t logged = log.entries.size();
    EXPECT_EQ(storage.Open(target.Get(), path.c_str(), &why), c.says ? VFW_E_INVALID_FILE_FORMAT : S_OK);
    if (c.says) {
      EXPECT_NE(why.find(c.says), std::wstring::npos) << why;
      EXPECT_EQ(Get(target, &IAMTimeline::GetGroupCount), 0);
    }
    // What the reader reports still reaches the timeline's own log, which it keeps.
    if (c.extracted == S_OK && c.says) {
      EXPECT_GT(log.entries.size(), logged);
    }
    ComPtr<IAMErrorLog> kept;
    As<IAMSetErrorLog>(target)->get_ErrorLog(&kept);
    EXPECT_EQ(kept.Get(), static_cast<IAMErrorLog*>(&log));
  }
  EXPECT_NE(storage.ExtractTimeline(dir.File(L"missing.kdp").c_str(), out.c_str()), S_OK);
  EXPECT_TRUE(FAILED(storage.Open(NewTimeline().Get(), dir.File(L"missing.kdp").c_str(), &why)));
  EXPECT_NE(why, L"");

  // Nor does it open without a temporary copy.
  testsupport::WriteText(path, version("1"));
  wchar_t tmp[MAX_PATH] = {}, temp[MAX_PATH] = {};
  const bool hadTmp = GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH) > 0;
  const bool hadTemp = GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH) > 0;
  const std::wstring missing = dir.File(L"no such folder");
  SetEnvironmentVariableW(L"TMP", missing.c_str());
  SetEnvironmentVariableW(L"TEMP", missing.c_str());
  const HRESULT hr = storage.Open(NewTimeline().Get(), path.c_str(), &why);
  SetEnvironmentVariableW(L"TMP", hadTmp ? tmp : nullptr);
  SetEnvironmentVariableW(L"TEMP", hadTemp ? temp : nullptr);
  EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
  EXPECT_NE(why.find(L"temporary"), std::wstring::npos) << why;
}

// A project and its media move together, wherever the program runs.
TEST_F(ProjectStorageTest, RelativeMediaNamesAreTakenFromTheProjectsFolderAndSavedAsRead) {
  TempDir dir(L"kdp-relative");
  CreateDirectoryW(dir.File(L"elsewhere").c_str(), nullptr);
  const std::wstring path = dir.File(L"moved.kdp");
  ASSERT_TRUE(testsupport::WriteText(path,
                                     "<KDP version=\"1\">\n<timeline><group type=\"video\"><track>"
                                     "<clip src=\"media\\a.avi\" start=\"0\" stop=\"1\"/>"
                                     "<clip src=\"C:\\whole\\b.avi\" start=\"1\" stop=\"2\"/>"
                                     "</track></group></timeline></KDP>"));
  ComPtr<IAMTimeline> opened = NewTimeline();
  ASSERT_EQ(S_OK, storage.Open(opened.Get(), path.c_str()));
  const std::wstring xml = WriteXml(opened.Get());
  EXPECT_NE(xml.find(L"src=\"" + dir.File(L"media\\a.avi") + L"\""), std::wstring::npos) << xml;
  EXPECT_NE(xml.find(L"src=\"C:\\whole\\b.avi\""), std::wstring::npos) << xml;

  // Saved where it was read: as it was read; the model keeps the whole name.
  ASSERT_EQ(S_OK, storage.Save(opened.Get(), path.c_str()));
  const std::string home = ReadText(path);
  EXPECT_NE(home.find("src=\"media\\a.avi\""), std::string::npos) << home;
  EXPECT_EQ(xml, WriteXml(opened.Get()));
  // Saved into another folder: whole, so that it still finds its media.
  const std::wstring away = dir.File(L"elsewhere\\copy.kdp");
  ASSERT_EQ(S_OK, storage.Save(opened.Get(), away.c_str()));
  EXPECT_NE(ReadText(away).find("src=\"" + Utf8(dir.File(L"media\\a.avi")) + "\""), std::string::npos);
}

TEST(WideToUtf8, ConvertsAndRefusesBrokenText) {
  size_t length = 0;
  auto utf8 = WideToUtf8(L"a\u00e9\u65e5", &length);
  ASSERT_TRUE(utf8);
  EXPECT_EQ(std::string(utf8.get()), "a\xc3\xa9\xe6\x97\xa5");
  EXPECT_EQ(length, 6u);
  const wchar_t broken[] = {L'a', 0xD800, 0};
  EXPECT_FALSE(WideToUtf8(broken));
  EXPECT_FALSE(WideToUtf8(nullptr));
}
