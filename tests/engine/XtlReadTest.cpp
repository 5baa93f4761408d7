// Reading XTL written by hand or by other tools, and refusing what is not a timeline: a clear
// failure, an error-log entry, and the timeline left as it was, never a crash or a hang.
#include "EngineTestSupport.h"

#include "../TestSupport.h"

#include <chrono>
#include <random>

namespace enginetest {
namespace {

const char kHandWritten[] =
    "<?xml version=\"1.0\"?>\n"
    "<!-- written by hand -->\n"
    "<TIMELINE framerate=\"25\">\n"
    " <group type=\"video\" width=\"320\" height=\"240\" bitdepth=\"16\" framerate=\"25\" username=\"V\">\n"
    "  <track mute=\"yes\" lock=\"F\">\n"
    "   <clip src=\"a.avi\" start=\"1:00\" mstop=\"2.5\"/>\n"
    "   <clip src=\"b.avi\" start=\"0:01:05\" stop=\"1:10\" mstart=\"3\" stretchmode=\"crop\" stream=\"1\"/>\n"
    "   <effect clsid=\"{F515306D-0156-11D2-81EA-0000F87557DB}\" start=\"0\" stop=\"10\">\n"
    "    <param name=\"x\" value=\"1\"><linear time=\"5\" value=\"2\"/></param>\n"
    "   </effect>\n"
    "   <transition start=\"61\" stop=\"62\" swapinputs=\"TRUE\"/>\n"
    "  </track>\n"
    "  <composite><track/></composite>\n"
    " </group>\n"
    " <group type=\"audio\" samplingrate=\"22050\"/>\n"
    "</TIMELINE>\n";

class XtlRead : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    xml = Create<IXml2Dex>(CLSID_Xml2Dex);
    ASSERT_TRUE(xml);
  }

 public:
  HRESULT ReadBytes(const std::string& bytes) {
    EXPECT_TRUE(testsupport::WriteText(path, bytes));
    return xml->ReadXMLFile(timeline.Get(), Bstr(path));
  }

 protected:
  LONG Groups() { return Get(timeline, &IAMTimeline::GetGroupCount); }
  ComPtr<IAMTimelineObj> Group(LONG i) {
    ComPtr<IAMTimelineObj> obj;
    timeline->GetGroup(&obj, i);
    return obj;
  }
  static ComPtr<IAMTimelineObj> Child(IAMTimelineObj* comp, LONG i) {
    ComPtr<IAMTimelineObj> obj;
    As<IAMTimelineComp>(comp)->GetVTrack(&obj, i);
    return obj;
  }
  // The track's source after `previous`, or its first.
  static ComPtr<IAMTimelineObj> Source(IAMTimelineObj* track, IAMTimelineObj* previous = nullptr) {
    ComPtr<IAMTimelineObj> obj;
    As<IAMTimelineTrack>(track)->GetNextSrcEx(previous, &obj);
    return obj;
  }
  static ComPtr<IAMTimelineObj> FirstTransition(IAMTimelineObj* obj) {
    ComPtr<IAMTimelineObj> trans;
    REFERENCE_TIME at = 0;
    As<IAMTimelineTransable>(obj)->GetNextTrans(&trans, &at);
    return trans;
  }
  static ComPtr<IAMTimelineObj> Effect(IAMTimelineObj* obj, LONG i) {
    ComPtr<IAMTimelineObj> fx;
    As<IAMTimelineEffectable>(obj)->GetEffect(&fx, i);
    return fx;
  }
  static std::vector<Prop> PropsOf(IAMTimelineObj* obj) {
    ComPtr<IPropertySetter> setter;
    if (obj) obj->GetPropertySetter(&setter);
    return Props(setter.Get());
  }

  testsupport::TempDir dir{L"xtl-read"};
  std::wstring path = dir.File(L"doc.xtl");
  ComPtr<IXml2Dex> xml;
};

TEST_F(XtlRead, HandWrittenDocumentsUseTheFormatsShortForms) {
  ASSERT_EQ(S_OK, ReadBytes(kHandWritten)) << log.LastText();
  ASSERT_EQ(2, Groups());
  EXPECT_EQ(25.0, Get(timeline, &IAMTimeline::GetDefaultFPS));
  auto video = Group(0);
  TestType type = GroupType(video);
  EXPECT_TRUE(type.mt.subtype == MEDIASUBTYPE_RGB555);
  EXPECT_EQ(320, type.Bih().biWidth);
  EXPECT_EQ(22050u, GroupType(Group(1)).Wfx().nSamplesPerSec);

  auto track = Child(video.Get(), 0);
  EXPECT_TRUE(Get(track, &IAMTimelineObj::GetMuted));
  auto first = Source(track.Get()), second = Source(track.Get(), first.Get());
  ASSERT_TRUE(first && second);
  REFERENCE_TIME ms, me;
  // No stop: it follows from the media times at normal speed.
  EXPECT_EQ(Span(60 * kSecond, 62 * kSecond + kSecond / 2), Times(first.Get()));
  As<IAMTimelineSrc>(first)->GetMediaTimes(&ms, &me);
  EXPECT_EQ(0, ms);
  EXPECT_EQ(Span(65 * kSecond, 70 * kSecond), Times(second.Get()));
  As<IAMTimelineSrc>(second)->GetMediaTimes(&ms, &me);
  EXPECT_EQ(8 * kSecond, me);
  EXPECT_EQ(RESIZEF_CROP, Get(second, &IAMTimelineSrc::GetStretchMode));

  const auto props = PropsOf(Effect(track.Get(), 0).Get());
  ASSERT_EQ(1u, props.size());
  ASSERT_EQ(2u, props[0].values.size());
  EXPECT_EQ(5 * kSecond, props[0].values[1].time);
  EXPECT_EQ(static_cast<DWORD>(DEXTERF_INTERPOLATE), props[0].values[1].interp);
  EXPECT_EQ(1, Get(Child(video.Get(), 1), &IAMTimelineComp::VTrackGetCount));
}

TEST_F(XtlRead, DocumentsThatAreNoTimelineFailAndLeaveTheTimelineAlone) {
  const char* bad[] = {
      "",
      "<timeline><group>",
      "<project/>",
      "<timeline>text</timeline>",
      "<timeline><group><clip start=\"0\" stop=\"1\"/></group></timeline>",
      "<timeline><track/></timeline>",
      "<timeline><group><track><transition start=\"9\"/><clip stop=\"9\"/></track></group></timeline>",
      "<timeline><group type=\"video\" subtype=\"RGB565\"/></timeline>",
      "<timeline><group type=\"audio\" bitdepth=\"12\"/></timeline>",
      "<timeline><group type=\"video\" width=\"wide\"/></timeline>",
      "<timeline><group type=\"video\" bitdepth=\"12\"/></timeline>",
      "<timeline><group type=\"smell\"/></timeline>",
      "<timeline><group framerate=\"0\"/></timeline>",
      "<timeline><group><track><clip start=\"1:75\" stop=\"2:00\"/></track></group></timeline>",
      "<timeline><group><track><clip start=\"5\" stop=\"4\"/></track></group></timeline>",
      "<timeline><group><track><clip start=\"5\"/></track></group></timeline>",
      "<timeline><group><track><clip start=\"0\" stop=\"2\"/><clip start=\"1\" stop=\"3\"/></track></group></timeline>",
      "<timeline><group><track><clip stop=\"2\" stretchmode=\"4\"/></track></group></timeline>",
      "<timeline><group><track><clip stop=\"2\" stream=\"-1\"/></track></group></timeline>",
      "<timeline><group><track><effect start=\"0\" stop=\"1\"><param name=\"p\"/></effect></track></group></timeline>",
      "<timeline><group><track><effect start=\"0\" stop=\"1\"><clip stop=\"1\"/></effect></track></group></timeline>",
      "<timeline><group><track><transition stop=\"2\"/><transition start=\"1\" stop=\"3\"/></track></group></timeline>",
      // A valid first group does not survive a broken second one.
      "<timeline><group type=\"audio\"/><group><track><clip/></track></group></timeline>",
      // Entity expansion would take forever; the document type is refused outright.
      "<?xml version=\"1.0\"?><!DOCTYPE t [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
      "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\"><!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">"
      "<!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\"><!ENTITY h \"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\">]>"
      "<timeline><group username=\"&h;&h;&h;&h;&h;&h;&h;&h;&h;&h;\"/></timeline>",
  };
  for (const char* doc : bad) {
    SCOPED_TRACE(doc);
    size_t logged = log.entries.size();
    HRESULT hr = ReadBytes(doc);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(0, Groups());
    ASSERT_LT(logged, log.entries.size());
    EXPECT_EQ(hr, log.entries.back().hr);
    EXPECT_EQ(2, log.entries.back().severity);
  }
  // Composites nested beyond reason are refused rather than followed.
  std::string deep = "<timeline><group>";
  for (int i = 0; i < 40; ++i) deep += "<composite>";
  for (int i = 0; i < 40; ++i) deep += "</composite>";
  deep += "</group></timeline>";
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, ReadBytes(deep));
  EXPECT_EQ(0, Groups());
}

TEST_F(XtlRead, TruncatedAndDamagedDocumentsNeverHalfRead) {
  const std::string doc = kHandWritten;
  const size_t end = doc.rfind('>') + 1;  // past the root's end only white space follows
  for (size_t cut = 0; cut < doc.size(); ++cut) {
    HRESULT hr = ReadBytes(doc.substr(0, cut));
    if (cut >= end) {
      EXPECT_EQ(S_OK, hr) << cut;
      timeline->ClearAllGroups();
    } else {
      EXPECT_TRUE(FAILED(hr)) << cut;
      EXPECT_EQ(0, Groups()) << cut;
    }
  }
  std::mt19937 random(1234);
  int read = 0;
  for (int i = 0; i < 600; ++i) {
    std::string damaged = doc;
    damaged[random() % damaged.size()] ^= static_cast<char>(1 + random() % 255);
    HRESULT hr = ReadBytes(damaged);
    if (SUCCEEDED(hr)) {
      ++read;
      EXPECT_GT(Groups(), 0);
      timeline->ClearAllGroups();
    } else {
      EXPECT_EQ(0, Groups()) << damaged;
    }
  }
  // Some damage only changes a name or a value: those documents still read.
  EXPECT_GT(read, 0);
}

const char kForeign[] =
    "<timeline framerate=\"30\" author=\"someone\">\n"
    " <meta><anything at=\"all\"><group/></anything></meta>\n"
    " <group type=\"video\" name=\"Pictures\" bitdepth=\"24\" width=\"64\" height=\"48\" colour=\"red\">\n"
    "  <track priority=\"3\">\n"
    "   <clip src=\"a.avi\" start=\"0\" stop=\"4\" clipstart=\"2\"><note text=\"hi\"/></clip>\n"
    "   <marker time=\"1\"/>\n"
    "   <transition start=\"1\" stop=\"2\" style=\"wipe\">\n"
    "    <param name=\"Progress\" value=\"0.25\" curve=\"ease\"><at time=\"0.5\" value=\"1\" "
    "ease=\"in\"/><remark/></param>\n"
    "    <remark/>\n"
    "   </transition>\n"
    "  </track>\n"
    " </group>\n"
    " <group type=\"audio\" name=\"Sound\" username=\"Own name\" samplingrate=\"48000\"/>\n"
    "</timeline>\n";

TEST_F(XtlRead, AttributesAndElementsOfOtherToolsArePassedOverAndTheRestKept) {
  ASSERT_EQ(S_OK, ReadBytes(kForeign)) << log.LastText();
  ASSERT_EQ(2, Groups());
  auto video = Group(0);
  Bstr name;
  As<IAMTimelineGroup>(video)->GetGroupName(name.Out());
  EXPECT_EQ(L"Pictures", name.Str());
  As<IAMTimelineGroup>(Group(1))->GetGroupName(name.Out());
  EXPECT_EQ(L"Own name", name.Str());  // the engine's own attribute wins
  EXPECT_TRUE(GroupType(video).mt.subtype == MEDIASUBTYPE_RGB24);

  auto track = Child(video.Get(), 0);
  ASSERT_TRUE(track);
  EXPECT_EQ(1, Get(track, &IAMTimelineTrack::GetSourcesCount));
  EXPECT_EQ(1, Get(track, &IAMTimelineTransable::TransGetCount));
  EXPECT_EQ(Span(0, 4 * kSecond), Times(Source(track.Get()).Get()));
  // A parameter keeps its value and keyframes past what other tools added to them.
  const auto props = PropsOf(FirstTransition(track.Get()).Get());
  ASSERT_EQ(1u, props.size());
  EXPECT_EQ(L"Progress", props[0].name);
  EXPECT_EQ(2u, props[0].values.size());

  // One warning names what was passed over; nothing was an error.
  ASSERT_EQ(1u, log.entries.size());
  EXPECT_EQ(1, log.entries[0].severity);
  for (const wchar_t* named : {L"'author' on <timeline>", L"'colour' on <group>", L"more"})  // eight in all, five named
    EXPECT_NE(std::wstring::npos, log.entries[0].text.find(named)) << named;

  // A document the engine wrote has nothing to pass over and logs nothing.
  timeline->ClearAllGroups();
  log.entries.clear();
  ASSERT_EQ(S_OK, ReadBytes(kHandWritten));
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(XtlRead, BlanksAroundNumbersTimesAndNamesAreRead) {
  const char doc[] =
      "<timeline framerate=\" 25 \" enablefx=\" 0\">\n"
      " <group type=\" video \" bitdepth=\"&#9;32 \" width=\" 64\" height=\"48&#10;\" subtype=\" rgb32 \">\n"
      "  <track mute=\" yes\">\n"
      "   <clip start=\" 1:00 \" stop=\"&#10; 1:02.5&#10;\" stream=\" 1 \" stretchmode=\" crop \""
      " clsid=\" {F515306D-0156-11D2-81EA-0000F87557DB} \"/>\n"
      "  </track>\n"
      " </group>\n"
      "</timeline>\n";
  ASSERT_EQ(S_OK, ReadBytes(doc)) << log.LastText();
  EXPECT_EQ(25.0, Get(timeline, &IAMTimeline::GetDefaultFPS));
  auto video = Group(0);
  TestType type = GroupType(video);
  EXPECT_TRUE(type.mt.subtype == MEDIASUBTYPE_RGB32);
  EXPECT_EQ(48, type.Bih().biHeight);
  auto track = Child(video.Get(), 0);
  EXPECT_TRUE(Get(track, &IAMTimelineObj::GetMuted));
  auto clip = Source(track.Get());
  ASSERT_TRUE(clip);
  EXPECT_EQ(Span(60 * kSecond, 62 * kSecond + kSecond / 2), Times(clip.Get()));
  EXPECT_EQ(1, Get(clip, &IAMTimelineSrc::GetStreamNumber));
  EXPECT_EQ(RESIZEF_CROP, Get(clip, &IAMTimelineSrc::GetStretchMode));
  EXPECT_EQ(0xF515306Du, Get(clip, &IAMTimelineObj::GetSubObjectGUID).Data1);
  // Blanks inside a number are still no number.
  timeline->ClearAllGroups();
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, ReadBytes("<timeline><group type=\"video\" width=\"6 4\"/></timeline>"));
}

TEST_F(XtlRead, EffectsAndTransitionsWithoutAStopLastToTheirParentsEnd) {
  // The transition comes before the clips that make its track's end; the clip's effect counts
  // from the clip's start.
  const char doc[] =
      "<timeline>\n"
      " <group type=\"video\">\n"
      "  <transition start=\"1\"/>\n"
      "  <track>\n"
      "   <transition start=\"2\"/>\n"
      "   <effect/>\n"
      "   <effect start=\"3\" stop=\"4\"/>\n"
      "   <clip start=\"0\" stop=\"6\"/>\n"
      "   <clip start=\"6\" stop=\"10\"><effect start=\"1\"/></clip>\n"
      "  </track>\n"
      "  <track><clip start=\"0\" stop=\"12\"/></track>\n"
      " </group>\n"
      "</timeline>\n";
  ASSERT_EQ(S_OK, ReadBytes(doc)) << log.LastText();
  auto video = Group(0);
  EXPECT_EQ(Span(kSecond, 12 * kSecond), Times(FirstTransition(video.Get()).Get()));  // the longer track's end
  auto track = Child(video.Get(), 0);
  EXPECT_EQ(Span(2 * kSecond, 10 * kSecond), Times(FirstTransition(track.Get()).Get()));
  EXPECT_EQ(Span(0, 10 * kSecond), Times(Effect(track.Get(), 0).Get()));  // document order is priority order
  EXPECT_EQ(Span(3 * kSecond, 4 * kSecond), Times(Effect(track.Get(), 1).Get()));
  auto clip = Source(track.Get(), Source(track.Get()).Get());
  ASSERT_TRUE(clip);
  EXPECT_EQ(Span(kSecond, 4 * kSecond), Times(Effect(clip.Get(), 0).Get()));
}

// Writes an element with `count` attributes and reads it; returns the seconds taken.
double SecondsToRead(XtlRead* test, size_t count, HRESULT* hr) {
  std::string doc = "<timeline><group type=\"video\"";
  for (size_t i = 0; i < count; ++i) doc += " a" + std::to_string(i) + "=\"1\"";
  doc += "/></timeline>";
  const auto begin = std::chrono::steady_clock::now();
  *hr = test->ReadBytes(doc);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

TEST_F(XtlRead, PathologicalDocumentsAreRefusedInTimeLinearInTheirSize) {
  HRESULT small = S_OK, large = S_OK;
  double smallSeconds = 1e9, largeSeconds = 1e9;
  for (int i = 0; i < 3; ++i) {
    smallSeconds = std::min(smallSeconds, SecondsToRead(this, 10000, &small));
    largeSeconds = std::min(largeSeconds, SecondsToRead(this, 100000, &large));
  }
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, small);
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, large);
  // Ten times the text, about ten times the time; handed to the document service, the larger
  // one took some seventy times longer (over a minute).
  EXPECT_LT(largeSeconds, 30 * std::max(smallSeconds, 0.001)) << smallSeconds << " s, " << largeSeconds << " s";
  ASSERT_FALSE(log.entries.empty());
  EXPECT_NE(std::wstring::npos, log.LastText().find(L"line 1, column 11: an element carries more than"))
      << log.LastText();
  EXPECT_NE(L'\n', log.LastText().back());

  // A value beyond a megabyte goes the same way, and says where it begins.
  std::string doc = "<timeline>\n<group username=\"" + std::string(2 * 1024 * 1024, 'x') + "\"/></timeline>";
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, ReadBytes(doc));
  EXPECT_NE(std::wstring::npos, log.LastText().find(L"line 2, column 18: an attribute value is longer"))
      << log.LastText();
  // Within the bounds the same things read: many attributes, a long value, markup in comments.
  doc =
      "<timeline><!-- " + std::string(256 * 1024, '"') + " --><group username=\"" + std::string(512 * 1024, 'y') + "\"";
  for (int i = 0; i < 1000; ++i) doc += " a" + std::to_string(i) + "='1'";
  doc += "/></timeline>";
  EXPECT_EQ(S_OK, ReadBytes(doc)) << log.LastText();
  EXPECT_EQ(1, Groups());
}

}  // namespace
}  // namespace enginetest
