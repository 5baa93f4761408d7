// XTL by hand or by other tools; what is no timeline fails, is logged and leaves the timeline as it was.
#include "EngineTestSupport.h"

#include "../TestSupport.h"

#include <chrono>
#include <random>

namespace enginetest {
namespace {

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
  // A document of tests/data/xtl.
  HRESULT ReadData(const wchar_t* name) {
    return xml->ReadXMLFile(timeline.Get(), Bstr(testsupport::DataPath(std::wstring(L"xtl\\") + name)));
  }

 protected:
  LONG Groups() { return Get(timeline, &IAMTimeline::GetGroupCount); }
  ComPtr<IAMTimelineObj> Group(LONG i) { return GroupsOf(timeline.Get()).at(static_cast<size_t>(i)); }

  testsupport::TempDir dir{L"xtl-read"};
  std::wstring path = dir.File(L"doc.xtl");
  ComPtr<IXml2Dex> xml;
};

TEST_F(XtlRead, HandWrittenDocumentsUseTheFormatsShortForms) {
  ASSERT_EQ(S_OK, ReadData(L"hand-written.xtl")) << log.LastText();
  EXPECT_TRUE(log.entries.empty());  // only the engine's own names: nothing passed over
  ASSERT_EQ(2, Groups());
  EXPECT_EQ(25.0, Get(timeline, &IAMTimeline::GetDefaultFPS));
  auto video = Group(0);
  TestType type = GroupType(video);
  EXPECT_TRUE(type.mt.subtype == MEDIASUBTYPE_RGB555);
  EXPECT_EQ(320, type.Bih().biWidth);
  EXPECT_EQ(22050u, GroupType(Group(1)).Wfx().nSamplesPerSec);

  auto track = VTracksOf(video.Get()).at(0);
  EXPECT_TRUE(Get(track, &IAMTimelineObj::GetMuted));
  const Nodes sources = SourcesOf(track.Get());
  ASSERT_EQ(2u, sources.size());
  const auto &first = sources[0], &second = sources[1];
  REFERENCE_TIME ms, me;
  // No stop: it follows from the media times at normal speed.
  EXPECT_EQ(Span(60 * kSecond, 62 * kSecond + kSecond / 2), Times(first.Get()));
  As<IAMTimelineSrc>(first)->GetMediaTimes(&ms, &me);
  EXPECT_EQ(0, ms);
  EXPECT_EQ(Span(65 * kSecond, 70 * kSecond), Times(second.Get()));
  As<IAMTimelineSrc>(second)->GetMediaTimes(&ms, &me);
  EXPECT_EQ(8 * kSecond, me);
  EXPECT_EQ(RESIZEF_CROP, Get(second, &IAMTimelineSrc::GetStretchMode));

  EXPECT_EQ((std::vector<PropRow>{{L"x", VT_BSTR, L"1", 0, 0, DEXTERF_JUMP},
                                  {L"x", VT_BSTR, L"2", 0, 5 * kSecond, DEXTERF_INTERPOLATE}}),
            PropRows(EffectsOf(track.Get()).at(0).Get()));
  EXPECT_EQ(1u, VTracksOf(VTracksOf(video.Get()).at(1).Get()).size());
}

TEST_F(XtlRead, DocumentsThatAreNoTimelineFailAndLeaveTheTimelineAlone) {
  std::vector<std::string> bad = testsupport::DataLines(L"xtl\\refused.txt");
  ASSERT_GT(bad.size(), 20u);
  bad.push_back("");  // an empty file
  for (const std::string& doc : bad) {
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
  const std::string doc = testsupport::DataText(L"xtl\\hand-written.xtl");
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

TEST_F(XtlRead, AttributesAndElementsOfOtherToolsArePassedOverAndTheRestKept) {
  ASSERT_EQ(S_OK, ReadData(L"foreign-tool.xtl")) << log.LastText();
  ASSERT_EQ(2, Groups());
  auto video = Group(0);
  Bstr name;
  As<IAMTimelineGroup>(video)->GetGroupName(name.Out());
  EXPECT_EQ(L"Pictures", name.Text());
  As<IAMTimelineGroup>(Group(1))->GetGroupName(name.Out());
  EXPECT_EQ(L"Own name", name.Text());  // the engine's own attribute wins
  EXPECT_TRUE(GroupType(video).mt.subtype == MEDIASUBTYPE_RGB24);

  auto track = VTracksOf(video.Get()).at(0);
  EXPECT_EQ(1, Get(track, &IAMTimelineTrack::GetSourcesCount));
  EXPECT_EQ(1, Get(track, &IAMTimelineTransable::TransGetCount));
  EXPECT_EQ(Span(0, 4 * kSecond), Times(SourcesOf(track.Get()).at(0).Get()));
  // A parameter keeps its value and keyframes past what other tools added to them.
  EXPECT_EQ((std::vector<PropRow>{{L"Progress", VT_BSTR, L"0.25", 0, 0, DEXTERF_JUMP},
                                  {L"Progress", VT_BSTR, L"1", 0, kSecond / 2, DEXTERF_JUMP}}),
            PropRows(TransitionsOf(track.Get()).at(0).Get()));

  // One warning names what was passed over; nothing was an error.
  ASSERT_EQ(1u, log.entries.size());
  EXPECT_EQ(1, log.entries[0].severity);
  for (const wchar_t* named : {L"'author' on <timeline>", L"'colour' on <group>", L"more"})  // eight in all, five named
    EXPECT_NE(std::wstring::npos, log.entries[0].text.find(named)) << named;
}

TEST_F(XtlRead, BlanksAroundNumbersTimesAndNamesReadAsWithoutThem) {
  ASSERT_EQ(S_OK, ReadData(L"blanks-around-values.xtl")) << log.LastText();
  Bstr blanks, plain;
  ASSERT_EQ(S_OK, xml->WriteXML(timeline.Get(), blanks.Out()));
  // Read again into the same timeline, now at the document's rate: a group without a rate of
  // its own takes the document's either way.
  ASSERT_EQ(S_OK, timeline->ClearAllGroups());
  const std::string same =
      "<timeline framerate='25' enablefx='0'><group type='video' bitdepth='32' width='64' "
      "height='48' subtype='rgb32'><track mute='yes'><clip start='1:00' stop='1:02.5' stream='1' "
      "stretchmode='crop' clsid='{F515306D-0156-11D2-81EA-0000F87557DB}'/></track></group></timeline>";
  ASSERT_EQ(S_OK, ReadBytes(same));
  ASSERT_EQ(S_OK, xml->WriteXML(timeline.Get(), plain.Out()));
  EXPECT_EQ(plain.Text(), blanks.Text());
  // Blanks inside a number are still no number.
  timeline->ClearAllGroups();
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, ReadBytes("<timeline><group type=\"video\" width=\"6 4\"/></timeline>"));
}

TEST_F(XtlRead, EffectsAndTransitionsWithoutAStopLastToTheirParentsEnd) {
  // The transition precedes the clips that end its track; the clip's effect counts from the clip's start.
  ASSERT_EQ(S_OK, ReadData(L"open-ended-effects.xtl")) << log.LastText();
  auto video = Group(0);
  EXPECT_EQ(Span(kSecond, 12 * kSecond), Times(TransitionsOf(video.Get()).at(0).Get()));  // the longer track's end
  auto track = VTracksOf(video.Get()).at(0);
  EXPECT_EQ(Span(2 * kSecond, 10 * kSecond), Times(TransitionsOf(track.Get()).at(0).Get()));
  EXPECT_EQ(Span(0, 10 * kSecond), Times(EffectsOf(track.Get()).at(0).Get()));  // document order is priority order
  EXPECT_EQ(Span(3 * kSecond, 4 * kSecond), Times(EffectsOf(track.Get()).at(1).Get()));
  const auto clip = SourcesOf(track.Get()).at(1);
  EXPECT_EQ(Span(kSecond, 4 * kSecond), Times(EffectsOf(clip.Get()).at(0).Get()));
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
  // Ten times the text, about ten times the time (the document service took seventy: over a minute).
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
