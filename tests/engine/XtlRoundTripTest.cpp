// A rich timeline written as XTL reads back the same, object by object and property by property.
#include "EngineTestSupport.h"

#include "../TestSupport.h"

namespace enginetest {
namespace {

class XtlRoundTrip : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    xml = Create<IXml2Dex>(CLSID_Xml2Dex);
    ASSERT_TRUE(xml);
  }
  // Reads `text` into a new timeline through the document service.
  ComPtr<IAMTimeline> ReadBack(const Bstr& text) {
    auto doc = Create<IXMLDOMDocument>(CLSID_DOMDocument60);
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(S_OK, doc->loadXML(text, &ok));
    EXPECT_TRUE(ok);
    auto copy = NewTimeline();
    EXPECT_EQ(S_OK, xml->ReadXML(copy.Get(), doc.Get())) << log.LastText();
    return copy;
  }

  // Compares two objects and everything below them; a mismatch fails the test at its path.
  void Compare(IAMTimelineObj* a, IAMTimelineObj* b, const std::string& path);

  ComPtr<IXml2Dex> xml;
};

template <class T, class Getter>
void Same(IUnknown* a, IUnknown* b, Getter get, const std::string& what) {
  auto x = As<T>(a), y = As<T>(b);
  ASSERT_EQ(!!x, !!y) << what;
  if (x) {
    EXPECT_EQ(get(x.Get()), get(y.Get())) << what;
  }
}

Nodes Children(IAMTimelineObj* obj) {
  Nodes all;
  for (const Nodes& kind : {VTracksOf(obj), EffectsOf(obj), TransitionsOf(obj), SourcesOf(obj)})
    all.insert(all.end(), kind.begin(), kind.end());
  return all;
}

void XtlRoundTrip::Compare(IAMTimelineObj* a, IAMTimelineObj* b, const std::string& path) {
  SCOPED_TRACE(path);
  ASSERT_EQ(Get(a, &IAMTimelineObj::GetTimelineType), Get(b, &IAMTimelineObj::GetTimelineType));
  Same<IAMTimelineObj>(
      a, b,
      [](IAMTimelineObj* o) {
        Bstr name;
        o->GetUserName(name.Out());
        BYTE data[16] = {};
        LONG size = 16;
        o->GetUserData(data, &size);
        return std::make_tuple(Times(o), name.Get() == nullptr, name.Text(), Get(o, &IAMTimelineObj::GetMuted),
                               Get(o, &IAMTimelineObj::GetLocked), Get(o, &IAMTimelineObj::GetSubObjectGUID),
                               Get(o, &IAMTimelineObj::GetUserID), std::vector<BYTE>(data, data + size));
      },
      "object");
  EXPECT_EQ(PropRows(a), PropRows(b));

  Same<IAMTimelineGroup>(
      a, b,
      [](IAMTimelineGroup* g) {
        AM_MEDIA_TYPE mt{};
        g->GetMediaType(&mt);
        std::vector<BYTE> bytes(reinterpret_cast<BYTE*>(&mt),
                                reinterpret_cast<BYTE*>(&mt) + offsetof(AM_MEDIA_TYPE, pUnk));
        bytes.insert(bytes.end(), mt.pbFormat, mt.pbFormat + mt.cbFormat);
        CoTaskMemFree(mt.pbFormat);
        double fps;
        BOOL preview;
        int buffering;
        g->GetOutputFPS(&fps), g->GetPreviewMode(&preview), g->GetOutputBuffering(&buffering);
        return std::make_tuple(bytes, fps, preview, buffering);
      },
      "group");
  Same<IAMTimelineSrc>(
      a, b,
      [](IAMTimelineSrc* s) {
        REFERENCE_TIME ms, me, len;
        s->GetMediaTimes(&ms, &me), s->GetMediaLength(&len);
        Bstr name;
        s->GetMediaName(name.Out());
        LONG stream;
        double fps;
        int stretch;
        s->GetStreamNumber(&stream), s->GetDefaultFPS(&fps), s->GetStretchMode(&stretch);
        return std::make_tuple(ms, me, len, name.Text(), stream, fps, stretch);
      },
      "source");
  Same<IAMTimelineTrans>(
      a, b,
      [](IAMTimelineTrans* t) {
        REFERENCE_TIME cut;
        BOOL swap, cuts;
        t->GetCutPoint(&cut), t->GetSwapInputs(&swap), t->GetCutsOnly(&cuts);
        return std::make_tuple(cut, swap, cuts);
      },
      "transition");

  auto ca = Children(a), cb = Children(b);
  ASSERT_EQ(ca.size(), cb.size());
  for (size_t i = 0; i < ca.size(); ++i) Compare(ca[i].Get(), cb[i].Get(), path + "/" + std::to_string(i));
}

TEST_F(XtlRoundTrip, ARichTimelineReadsBackEqualInEveryProperty) {
  BuildRichTimeline();
  Bstr text;
  ASSERT_EQ(S_OK, xml->WriteXML(timeline.Get(), text.Out()));
  ASSERT_EQ(0u, text.Text().rfind(L"<timeline", 0)) << "the root element comes first, no declaration";
  for (const wchar_t* expected :
       {L"type=\"video\" bitdepth=\"24\" width=\"640\" height=\"480\" framerate=\"29.97\"", L"samplingrate=\"44100\"",
        L"start=\"0\" stop=\"1.2345678\"", L"stretchmode=\"2\"", L"cutpoint=\"0.25\" swapinputs=\"1\" cutsonly=\"1\"",
        L"username=\"first&#9;tab&#10;line\"", L"<linear time=\"0.1234567\" value=\"0.25\"/>",
        L"src=\"C:\\media\\\u00fcn\u00ef \u4e2d\U0001F3AC.avi\""})
    EXPECT_NE(std::wstring::npos, text.Text().find(expected)) << expected;

  auto fresh = ReadBack(text);
  EXPECT_EQ(30.0, Get(fresh, &IAMTimeline::GetDefaultFPS));
  EXPECT_EQ(Get(timeline, &IAMTimeline::GetDefaultEffect), Get(fresh, &IAMTimeline::GetDefaultEffect));
  const Nodes groups = GroupsOf(timeline.Get()), copies = GroupsOf(fresh.Get());
  ASSERT_EQ(2u, copies.size());
  for (size_t i = 0; i < 2; ++i) Compare(groups[i].Get(), copies[i].Get(), "group" + std::to_string(i));
  // The same timeline writes the same text.
  Bstr again;
  ASSERT_EQ(S_OK, xml->WriteXML(fresh.Get(), again.Out()));
  EXPECT_EQ(text.Text(), again.Text());
}

TEST_F(XtlRoundTrip, FilesWithUnicodeNamesReadBackAndMissingFilesFail) {
  BuildRichTimeline();
  testsupport::TempDir dir(L"xtl \u00e9\u4e2d");
  std::wstring path = dir.File(L"t\u00ebst.xtl");
  ASSERT_EQ(S_OK, xml->WriteXMLFile(timeline.Get(), Bstr(path)));
  auto fresh = NewTimeline();
  ASSERT_EQ(S_OK, xml->ReadXMLFile(fresh.Get(), Bstr(path)));
  Bstr a, b;
  xml->WriteXML(timeline.Get(), a.Out());
  xml->WriteXML(fresh.Get(), b.Out());
  EXPECT_EQ(a.Text(), b.Text());

  size_t logged = log.entries.size();
  auto empty = NewTimeline();
  HRESULT hr = xml->ReadXMLFile(empty.Get(), Bstr(dir.File(L"missing.xtl")));
  EXPECT_TRUE(FAILED(hr));
  EXPECT_EQ(logged + 1, log.entries.size());
  EXPECT_EQ(hr, log.entries.back().hr);
  EXPECT_EQ(0, Get(empty, &IAMTimeline::GetGroupCount));
}

TEST_F(XtlRoundTrip, TextXmlCannotCarryFailsTheWriteInsteadOfChangingIt) {
  auto group = AddGroup();
  group->SetUserName(Bstr(L"bell\x0007"));
  Bstr text;
  size_t logged = log.entries.size();
  EXPECT_EQ(E_INVALIDARG, xml->WriteXML(timeline.Get(), text.Out()));
  EXPECT_EQ(nullptr, text.Get());
  EXPECT_EQ(logged + 1, log.entries.size());
  group->SetUserName(Bstr(L"lone \xD800 surrogate"));
  EXPECT_EQ(E_INVALIDARG, xml->WriteXML(timeline.Get(), text.Out()));
}

// Every group type the model takes reads back the same; plain ones are written as they always were.
TEST_F(XtlRoundTrip, EveryGroupTypeTheModelTakesReadsBackTheSame) {
  TestType types[] = {VideoType(MEDIASUBTYPE_RGB555, 16, 320, 240),
                      VideoType(MEDIASUBTYPE_RGB24, 24, 641, -481),
                      VideoType(MEDIASUBTYPE_RGB32, 32, 64, 48),
                      VideoType(MEDIASUBTYPE_ARGB32, 32, 65535, -1),
                      VideoType(MEDIASUBTYPE_RGB8, 8, 16, 16, BI_RGB, 256),
                      VideoType(MEDIASUBTYPE_RGB8, 8, 16, -16, BI_RGB, 3),
                      VideoType(MEDIASUBTYPE_YUY2, 16, 64, 48, MAKEFOURCC('Y', 'U', 'Y', '2')),
                      PcmType(1, 44100),
                      PcmType(2, 11025, 8),
                      PcmType(6, 96000, 24),
                      PcmType(1, 7999, 32),
                      PcmType(2, 1000000)};
  for (size_t i = 0; i < std::size(types); ++i) {
    if (types[i].mt.subtype == MEDIASUBTYPE_RGB8) {  // a palette of distinct colours, all of them used
      const size_t colours = (types[i].format.size() - sizeof(VIDEOINFOHEADER)) / sizeof(RGBQUAD);
      types[i].Bih().biClrUsed = colours == 256 ? 0 : static_cast<DWORD>(colours);
      for (size_t c = 0; c < colours; ++c)
        reinterpret_cast<RGBQUAD*>(&types[i].Bih() + 1)[c] = {BYTE(c), BYTE(255 - c), BYTE(c * 7), 0};
    }
    ASSERT_EQ(S_OK, As<IAMTimelineGroup>(AddGroup())->SetMediaType(types[i].Get())) << i;
  }

  Bstr text;
  ASSERT_EQ(S_OK, xml->WriteXML(timeline.Get(), text.Out()));
  // The first group is what the application makes: nothing beyond the attributes it always had.
  const std::wstring written = text.Text();
  const std::wstring first = written.substr(0, written.find(L"<group", written.find(L"<group") + 1));
  EXPECT_EQ(std::wstring::npos, first.find(L"subtype=")) << first;
  const Nodes groups = GroupsOf(timeline.Get()), copies = GroupsOf(ReadBack(text).Get());
  ASSERT_EQ(std::size(types), copies.size());
  for (size_t g = 0; g < copies.size(); ++g) {
    SCOPED_TRACE(g);
    TestType x = GroupType(groups[g]), y = GroupType(copies[g]);
    EXPECT_TRUE(x.mt.majortype == y.mt.majortype && x.mt.subtype == y.mt.subtype && x.mt.formattype == y.mt.formattype);
    if (x.mt.majortype == MEDIATYPE_Video) {
      const BITMAPINFOHEADER &p = x.Bih(), &q = y.Bih();
      // Every colour of a palette.
      const size_t colours = x.mt.subtype == MEDIASUBTYPE_RGB8 ? (p.biClrUsed ? p.biClrUsed : 256) : 0;
      const size_t end = sizeof(VIDEOINFOHEADER) + colours * sizeof(RGBQUAD);
      ASSERT_GE(y.format.size(), end);
      EXPECT_EQ(std::tuple(p.biWidth, p.biHeight, p.biBitCount, p.biCompression),
                std::tuple(q.biWidth, q.biHeight, q.biBitCount, q.biCompression));
      EXPECT_TRUE(std::equal(x.format.begin() + sizeof(VIDEOINFOHEADER), x.format.begin() + end,
                             y.format.begin() + sizeof(VIDEOINFOHEADER)));
    } else {
      EXPECT_EQ(0, memcmp(&x.Wfx(), &y.Wfx(), 16));  // every field of the PCM format
    }
  }
}

}  // namespace
}  // namespace enginetest
