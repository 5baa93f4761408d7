// Writing a rich timeline as XTL and reading it into a fresh timeline gives the same timeline,
// object by object and property by property.
#include "EngineTestSupport.h"

#include <amvideo.h>
#include <mmreg.h>
#include <uuids.h>

#include "../TestSupport.h"

namespace enginetest {
namespace {

// A PCM audio type around `wfx` (borrowed, not copied).
AM_MEDIA_TYPE PcmType(WAVEFORMATEX& wfx) {
  return {MEDIATYPE_Audio,
          MEDIASUBTYPE_PCM,
          FALSE,
          FALSE,
          0,
          FORMAT_WaveFormatEx,
          nullptr,
          sizeof wfx,
          reinterpret_cast<BYTE*>(&wfx)};
}

class XtlRoundTrip : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex,
                                     reinterpret_cast<void**>(xml.GetAddressOf())));
  }

  static void SetProps(IAMTimelineObj* obj, const wchar_t* name,
                       std::vector<std::tuple<const wchar_t*, REFERENCE_TIME, DWORD>> keys) {
    ComPtr<IPropertySetter> setter;
    obj->GetPropertySetter(&setter);
    if (!setter) {
      ASSERT_EQ(S_OK, CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                       reinterpret_cast<void**>(setter.GetAddressOf())));
      obj->SetPropertySetter(setter.Get());
    }
    std::vector<DEXTER_VALUE> values(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
      VariantInit(&values[i].v);
      values[i].v.vt = VT_BSTR;
      values[i].v.bstrVal = SysAllocString(std::get<0>(keys[i]));
      values[i].rt = std::get<1>(keys[i]);
      values[i].dwInterp = std::get<2>(keys[i]);
    }
    Bstr n(name);
    ASSERT_EQ(S_OK, setter->AddProp(DEXTER_PARAM{n, 0, static_cast<LONG>(keys.size())}, values.data()));
    for (auto& v : values) VariantClear(&v.v);
  }

  static void SetCommon(IAMTimelineObj* obj, const wchar_t* name, BOOL muted, BOOL locked, LONG id) {
    if (name) {
      ASSERT_EQ(S_OK, obj->SetUserName(Bstr(name)));
    }
    obj->SetMuted(muted);
    obj->SetLocked(locked);
    obj->SetUserID(id);
  }

  ComPtr<IAMTimelineObj> Source(IAMTimelineObj* track, REFERENCE_TIME start, REFERENCE_TIME stop,
                                const wchar_t* media) {
    auto src = Item(TIMELINE_MAJOR_TYPE_SOURCE, start, stop);
    auto s = As<IAMTimelineSrc>(src.Get(), IID_IAMTimelineSrc);
    s->SetMediaName(Bstr(media));
    s->SetMediaTimes(start / 2 + 3, start / 2 + 3 + (stop - start) * 2);
    EXPECT_EQ(S_OK, As<IAMTimelineTrack>(track, IID_IAMTimelineTrack)->SrcAdd(src.Get()));
    return src;
  }

  void BuildRichTimeline() {
    timeline->SetDefaultFPS(30.0);
    GUID fx = {0xdeadbeef, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    timeline->SetDefaultEffect(&fx);

    auto video = AddGroup();
    SetCommon(video.Get(), L"Video \u2713 <&> \"q\"", FALSE, TRUE, 7);
    BYTE data[] = {0, 1, 0xfe, 0xff};
    video->SetUserData(data, sizeof data);
    auto g = As<IAMTimelineGroup>(video.Get(), IID_IAMTimelineGroup);
    VIDEOINFOHEADER vih{};
    vih.bmiHeader = {sizeof(BITMAPINFOHEADER), 640, 480, 1, 24, BI_RGB, 640 * 3 * 480, 0, 0, 0, 0};
    AM_MEDIA_TYPE mt{MEDIATYPE_Video, MEDIASUBTYPE_RGB24, TRUE,
                     FALSE,           640 * 3 * 480,      FORMAT_VideoInfo,
                     nullptr,         sizeof vih,         reinterpret_cast<BYTE*>(&vih)};
    ASSERT_EQ(S_OK, g->SetMediaType(&mt));
    g->SetOutputFPS(29.97);
    g->SetPreviewMode(FALSE);
    g->SetOutputBuffering(16);
    auto groupFx = Item(TIMELINE_MAJOR_TYPE_EFFECT, 0, 10 * kSecond);
    groupFx->SetSubObjectGUID(fx);
    SetProps(groupFx.Get(), L"Level", {{L"1", 0, DEXTERF_JUMP}, {L"0.25", 1234567, DEXTERF_INTERPOLATE}});
    As<IAMTimelineEffectable>(video.Get(), IID_IAMTimelineEffectable)->EffectInsBefore(groupFx.Get(), -1);

    auto t0 = AddTrack(video.Get());
    SetCommon(t0.Get(), L"Track_0", TRUE, FALSE, 0);
    auto s1 = Source(t0.Get(), 0, 12345678, L"C:\\media\\\u00fcn\u00ef \u4e2d\U0001F3AC.avi");
    auto src = As<IAMTimelineSrc>(s1.Get(), IID_IAMTimelineSrc);
    src->SetStreamNumber(1);
    src->SetStretchMode(RESIZEF_PRESERVEASPECTRATIO);
    src->SetDefaultFPS(25.0);
    src->SetMediaLength(98765432109);
    GUID reader = {0x11111111, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    s1->SetSubObjectGUID(reader);
    SetCommon(s1.Get(), L"first\ttab\nline", TRUE, TRUE, -3);
    auto srcFx = Item(TIMELINE_MAJOR_TYPE_EFFECT, 1, 9999999);
    SetProps(srcFx.Get(), L"Blur", {{L"soft", 5, DEXTERF_INTERPOLATE}, {L"hard", 6, DEXTERF_JUMP}});
    As<IAMTimelineEffectable>(s1.Get(), IID_IAMTimelineEffectable)->EffectInsBefore(srcFx.Get(), -1);
    Source(t0.Get(), 12345678, 20000001, L"b.wav");
    Source(t0.Get(), 30 * kSecond, 30 * kSecond, L"");  // a zero-length source survives too

    auto t1 = AddTrack(video.Get());
    auto trans = Item(TIMELINE_MAJOR_TYPE_TRANSITION, kSecond / 2, kSecond * 3 / 2);
    auto tr = As<IAMTimelineTrans>(trans.Get(), IID_IAMTimelineTrans);
    tr->SetCutPoint(kSecond / 4);
    tr->SetSwapInputs(TRUE);
    tr->SetCutsOnly(TRUE);
    SetProps(trans.Get(), L"Progress", {{L"1", 0, DEXTERF_JUMP}, {L"0", kSecond, DEXTERF_INTERPOLATE}});
    As<IAMTimelineTransable>(t1.Get(), IID_IAMTimelineTransable)->TransAdd(trans.Get());
    As<IAMTimelineTransable>(t1.Get(), IID_IAMTimelineTransable)
        ->TransAdd(Item(TIMELINE_MAJOR_TYPE_TRANSITION, 2 * kSecond, 3 * kSecond).Get());
    auto trackFx1 = Item(TIMELINE_MAJOR_TYPE_EFFECT, 0, kSecond);
    auto trackFx2 = Item(TIMELINE_MAJOR_TYPE_EFFECT, kSecond, 2 * kSecond);
    SetCommon(trackFx2.Get(), L"second", FALSE, FALSE, 2);
    As<IAMTimelineEffectable>(t1.Get(), IID_IAMTimelineEffectable)->EffectInsBefore(trackFx1.Get(), -1);
    As<IAMTimelineEffectable>(t1.Get(), IID_IAMTimelineEffectable)->EffectInsBefore(trackFx2.Get(), 0);

    auto comp = Node(TIMELINE_MAJOR_TYPE_COMPOSITE);
    SetCommon(comp.Get(), L"nested", FALSE, FALSE, 0);
    As<IAMTimelineComp>(video.Get(), IID_IAMTimelineComp)->VTrackInsBefore(comp.Get(), 1);
    auto inner = AddTrack(comp.Get());
    Source(inner.Get(), kSecond, 2 * kSecond, L"inner.avi");

    auto audio = AddGroup();
    WAVEFORMATEX wfx{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
    AM_MEDIA_TYPE amt{MEDIATYPE_Audio,
                      MEDIASUBTYPE_PCM,
                      FALSE,
                      FALSE,
                      0,
                      FORMAT_WaveFormatEx,
                      nullptr,
                      sizeof wfx,
                      reinterpret_cast<BYTE*>(&wfx)};
    ASSERT_EQ(S_OK, As<IAMTimelineGroup>(audio.Get(), IID_IAMTimelineGroup)->SetMediaType(&amt));
    auto at = AddTrack(audio.Get());
    Source(at.Get(), 0, 20000001, L"b.wav");
  }

  // Compares two objects and everything below them; a mismatch fails the test at its path.
  void Compare(IAMTimelineObj* a, IAMTimelineObj* b, const std::string& path);
  void CompareProps(IAMTimelineObj* a, IAMTimelineObj* b, const std::string& path);

  ComPtr<IXml2Dex> xml;
};

template <class T, class Getter>
void Same(IUnknown* a, IUnknown* b, REFIID iid, Getter get, const std::string& what) {
  ComPtr<T> x, y;
  a->QueryInterface(iid, reinterpret_cast<void**>(x.GetAddressOf()));
  b->QueryInterface(iid, reinterpret_cast<void**>(y.GetAddressOf()));
  ASSERT_EQ(!!x, !!y) << what;
  if (x) {
    EXPECT_EQ(get(x.Get()), get(y.Get())) << what;
  }
}

std::vector<ComPtr<IAMTimelineObj>> Children(IAMTimelineObj* obj) {
  std::vector<ComPtr<IAMTimelineObj>> all;
  ComPtr<IAMTimelineComp> comp;
  if (SUCCEEDED(obj->QueryInterface(IID_IAMTimelineComp, reinterpret_cast<void**>(comp.GetAddressOf())))) {
    LONG n = 0;
    comp->VTrackGetCount(&n);
    for (LONG i = 0; i < n; ++i) comp->GetVTrack(all.emplace_back().GetAddressOf(), i);
  }
  ComPtr<IAMTimelineEffectable> fx;
  if (SUCCEEDED(obj->QueryInterface(IID_IAMTimelineEffectable, reinterpret_cast<void**>(fx.GetAddressOf())))) {
    LONG n = 0;
    fx->EffectGetCount(&n);
    for (LONG i = 0; i < n; ++i) fx->GetEffect(all.emplace_back().GetAddressOf(), i);
  }
  ComPtr<IAMTimelineTransable> tr;
  if (SUCCEEDED(obj->QueryInterface(IID_IAMTimelineTransable, reinterpret_cast<void**>(tr.GetAddressOf())))) {
    LONG n = 0;
    tr->TransGetCount(&n);
    REFERENCE_TIME t = -1;
    for (LONG i = 0; i < n; ++i) tr->GetNextTrans(all.emplace_back().GetAddressOf(), &t);
  }
  ComPtr<IAMTimelineTrack> track;
  if (SUCCEEDED(obj->QueryInterface(IID_IAMTimelineTrack, reinterpret_cast<void**>(track.GetAddressOf())))) {
    ComPtr<IAMTimelineObj> cur, next;
    while (track->GetNextSrcEx(cur.Get(), next.ReleaseAndGetAddressOf()) == S_OK) {
      all.push_back(next);
      cur = next;
    }
  }
  return all;
}

void XtlRoundTrip::CompareProps(IAMTimelineObj* a, IAMTimelineObj* b, const std::string& path) {
  ComPtr<IPropertySetter> pa, pb;
  a->GetPropertySetter(&pa);
  b->GetPropertySetter(&pb);
  ASSERT_EQ(!!pa, !!pb) << path;
  if (!pa) return;
  LONG na = 0, nb = 0;
  DEXTER_PARAM *ka = nullptr, *kb = nullptr;
  DEXTER_VALUE *va = nullptr, *vb = nullptr;
  ASSERT_EQ(S_OK, pa->GetProps(&na, &ka, &va));
  ASSERT_EQ(S_OK, pb->GetProps(&nb, &kb, &vb));
  EXPECT_EQ(na, nb) << path;
  LONG v = 0;
  for (LONG i = 0; i < na && i < nb; ++i) {
    EXPECT_STREQ(ka[i].name, kb[i].name) << path;
    ASSERT_EQ(ka[i].nValues, kb[i].nValues) << path;
    for (LONG k = 0; k < ka[i].nValues; ++k, ++v) {
      EXPECT_STREQ(va[v].v.bstrVal, vb[v].v.bstrVal) << path;
      EXPECT_EQ(va[v].rt, vb[v].rt) << path;
      EXPECT_EQ(va[v].dwInterp, vb[v].dwInterp) << path;
    }
  }
  pa->FreeProps(na, ka, va);
  pb->FreeProps(nb, kb, vb);
}

void XtlRoundTrip::Compare(IAMTimelineObj* a, IAMTimelineObj* b, const std::string& path) {
  SCOPED_TRACE(path);
  TIMELINE_MAJOR_TYPE ka, kb;
  a->GetTimelineType(&ka);
  b->GetTimelineType(&kb);
  ASSERT_EQ(ka, kb);
  REFERENCE_TIME s1, e1, s2, e2;
  a->GetStartStop(&s1, &e1);
  b->GetStartStop(&s2, &e2);
  EXPECT_EQ(s1, s2);
  EXPECT_EQ(e1, e2);
  Bstr n1, n2;
  a->GetUserName(n1.Out());
  b->GetUserName(n2.Out());
  EXPECT_EQ(n1.IsNull(), n2.IsNull());
  EXPECT_EQ(n1.Str(), n2.Str());
  BOOL f1, f2;
  a->GetMuted(&f1), b->GetMuted(&f2);
  EXPECT_EQ(f1, f2);
  a->GetLocked(&f1), b->GetLocked(&f2);
  EXPECT_EQ(f1, f2);
  GUID g1, g2;
  a->GetSubObjectGUID(&g1), b->GetSubObjectGUID(&g2);
  EXPECT_TRUE(g1 == g2);
  LONG id1, id2;
  a->GetUserID(&id1), b->GetUserID(&id2);
  EXPECT_EQ(id1, id2);
  BYTE d1[16] = {}, d2[16] = {};
  LONG z1 = 16, z2 = 16;
  a->GetUserData(d1, &z1), b->GetUserData(d2, &z2);
  EXPECT_EQ(z1, z2);
  EXPECT_EQ(0, memcmp(d1, d2, 16));
  CompareProps(a, b, path);

  Same<IAMTimelineGroup>(
      a, b, IID_IAMTimelineGroup,
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
      a, b, IID_IAMTimelineSrc,
      [](IAMTimelineSrc* s) {
        REFERENCE_TIME ms, me, len;
        s->GetMediaTimes(&ms, &me), s->GetMediaLength(&len);
        Bstr name;
        s->GetMediaName(name.Out());
        LONG stream;
        double fps;
        int stretch;
        s->GetStreamNumber(&stream), s->GetDefaultFPS(&fps), s->GetStretchMode(&stretch);
        return std::make_tuple(ms, me, len, name.Str(), stream, fps, stretch);
      },
      "source");
  Same<IAMTimelineTrans>(
      a, b, IID_IAMTimelineTrans,
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
  ASSERT_EQ(0u, text.Str().rfind(L"<timeline", 0)) << "the root element comes first, no declaration";
  for (const wchar_t* expected :
       {L"type=\"video\" bitdepth=\"24\" width=\"640\" height=\"480\" framerate=\"29.97\"", L"samplingrate=\"44100\"",
        L"start=\"0\" stop=\"1.2345678\"", L"stretchmode=\"2\"", L"cutpoint=\"0.25\" swapinputs=\"1\" cutsonly=\"1\"",
        L"username=\"first&#9;tab&#10;line\"", L"<linear time=\"0.1234567\" value=\"0.25\"/>",
        L"src=\"C:\\media\\\u00fcn\u00ef \u4e2d\U0001F3AC.avi\""})
    EXPECT_NE(std::wstring::npos, text.Str().find(expected)) << expected;

  auto fresh = NewTimeline();
  ComPtr<IXMLDOMDocument> doc;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                   reinterpret_cast<void**>(doc.GetAddressOf())));
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(S_OK, doc->loadXML(text, &ok));
  ASSERT_TRUE(ok);
  ASSERT_EQ(S_OK, xml->ReadXML(fresh.Get(), doc.Get())) << (log.entries.empty() ? L"" : log.entries.back().text);

  double fps;
  fresh->GetDefaultFPS(&fps);
  EXPECT_EQ(30.0, fps);
  GUID fx1, fx2;
  timeline->GetDefaultEffect(&fx1), fresh->GetDefaultEffect(&fx2);
  EXPECT_TRUE(fx1 == fx2);
  LONG groups = 0;
  fresh->GetGroupCount(&groups);
  ASSERT_EQ(2, groups);
  for (LONG i = 0; i < groups; ++i) {
    ComPtr<IAMTimelineObj> a, b;
    timeline->GetGroup(&a, i);
    fresh->GetGroup(&b, i);
    Compare(a.Get(), b.Get(), "group" + std::to_string(i));
  }
  // The same timeline writes the same text.
  Bstr again;
  ASSERT_EQ(S_OK, xml->WriteXML(fresh.Get(), again.Out()));
  EXPECT_EQ(text.Str(), again.Str());
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
  EXPECT_EQ(a.Str(), b.Str());

  size_t logged = log.entries.size();
  auto empty = NewTimeline();
  HRESULT hr = xml->ReadXMLFile(empty.Get(), Bstr(dir.File(L"missing.xtl")));
  EXPECT_TRUE(FAILED(hr));
  EXPECT_EQ(logged + 1, log.entries.size());
  EXPECT_EQ(hr, log.entries.back().hr);
  LONG groups = -1;
  empty->GetGroupCount(&groups);
  EXPECT_EQ(0, groups);
}

TEST_F(XtlRoundTrip, TextXmlCannotCarryFailsTheWriteInsteadOfChangingIt) {
  auto group = AddGroup();
  group->SetUserName(Bstr(L"bell\x0007"));
  Bstr text;
  size_t logged = log.entries.size();
  EXPECT_EQ(E_INVALIDARG, xml->WriteXML(timeline.Get(), text.Out()));
  EXPECT_TRUE(text.IsNull());
  EXPECT_EQ(logged + 1, log.entries.size());
  group->SetUserName(Bstr(L"lone \xD800 surrogate"));
  EXPECT_EQ(E_INVALIDARG, xml->WriteXML(timeline.Get(), text.Out()));
}

// Every group type the model takes comes back from a save the same in each describing field;
// the plain ones are written as they always were.
TEST_F(XtlRoundTrip, EveryGroupTypeTheModelTakesReadsBackTheSame) {
  struct Video {
    GUID subtype;
    WORD bits;
    LONG width, height;
    DWORD compression;
    int colours;
  };
  const Video videos[] = {
      {MEDIASUBTYPE_RGB555, 16, 320, 240, BI_RGB, 0},
      {MEDIASUBTYPE_RGB24, 24, 641, -481, BI_RGB, 0},
      {MEDIASUBTYPE_RGB32, 32, 64, 48, BI_RGB, 0},
      {MEDIASUBTYPE_ARGB32, 32, 65535, -1, BI_RGB, 0},
      {MEDIASUBTYPE_RGB8, 8, 16, 16, BI_RGB, 256},
      {MEDIASUBTYPE_RGB8, 8, 16, -16, BI_RGB, 3},
      {MEDIASUBTYPE_YUY2, 16, 64, 48, MAKEFOURCC('Y', 'U', 'Y', '2'), 0},
  };
  struct Audio {
    WORD channels, bits;
    DWORD rate;
  };
  const Audio audios[] = {{1, 16, 44100}, {2, 8, 11025}, {6, 24, 96000}, {1, 32, 7999}, {2, 16, 1000000}};

  for (const Video& v : videos) {
    std::vector<BYTE> format(sizeof(VIDEOINFOHEADER) + v.colours * sizeof(RGBQUAD));
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(format.data());
    vih->bmiHeader = {sizeof(BITMAPINFOHEADER),
                      v.width,
                      v.height,
                      1,
                      v.bits,
                      v.compression,
                      0,
                      0,
                      0,
                      static_cast<DWORD>(v.colours == 256 ? 0 : v.colours),
                      0};
    for (int c = 0; c < v.colours; ++c)
      reinterpret_cast<RGBQUAD*>(vih + 1)[c] = {BYTE(c), BYTE(255 - c), BYTE(c * 7), 0};
    AM_MEDIA_TYPE mt{
        MEDIATYPE_Video, v.subtype, FALSE, FALSE, 0, FORMAT_VideoInfo, nullptr, static_cast<ULONG>(format.size()),
        format.data()};
    auto group = AddGroup();
    ASSERT_EQ(S_OK, As<IAMTimelineGroup>(group.Get(), IID_IAMTimelineGroup)->SetMediaType(&mt)) << v.width;
  }
  for (const Audio& a : audios) {
    const WORD align = static_cast<WORD>(a.channels * a.bits / 8);
    WAVEFORMATEX wfx{WAVE_FORMAT_PCM, a.channels, a.rate, a.rate * align, align, a.bits, 0};
    AM_MEDIA_TYPE mt = PcmType(wfx);
    auto group = AddGroup();
    ASSERT_EQ(S_OK, As<IAMTimelineGroup>(group.Get(), IID_IAMTimelineGroup)->SetMediaType(&mt)) << a.rate;
  }

  Bstr text;
  ASSERT_EQ(S_OK, xml->WriteXML(timeline.Get(), text.Out()));
  // The first group is what the application makes: nothing beyond the attributes it always had.
  const std::wstring written = text.Str();
  const std::wstring first = written.substr(0, written.find(L"<group", written.find(L"<group") + 1));
  EXPECT_EQ(std::wstring::npos, first.find(L"subtype=")) << first;
  ComPtr<IXMLDOMDocument> doc;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                   reinterpret_cast<void**>(doc.GetAddressOf())));
  VARIANT_BOOL loaded = VARIANT_FALSE;
  ASSERT_EQ(S_OK, doc->loadXML(text, &loaded));
  ASSERT_TRUE(loaded);
  auto copy = NewTimeline();
  ASSERT_EQ(S_OK, xml->ReadXML(copy.Get(), doc.Get())) << (log.entries.empty() ? L"" : log.entries.back().text);

  LONG count = 0;
  copy->GetGroupCount(&count);
  ASSERT_EQ(static_cast<LONG>(std::size(videos) + std::size(audios)), count);
  for (LONG g = 0; g < count; ++g) {
    SCOPED_TRACE(g);
    ComPtr<IAMTimelineObj> a, b;
    timeline->GetGroup(&a, g);
    copy->GetGroup(&b, g);
    AM_MEDIA_TYPE x{}, y{};
    As<IAMTimelineGroup>(a.Get(), IID_IAMTimelineGroup)->GetMediaType(&x);
    As<IAMTimelineGroup>(b.Get(), IID_IAMTimelineGroup)->GetMediaType(&y);
    EXPECT_TRUE(x.majortype == y.majortype && x.subtype == y.subtype && x.formattype == y.formattype);
    if (x.majortype == MEDIATYPE_Video) {
      const auto& p = reinterpret_cast<VIDEOINFOHEADER*>(x.pbFormat)->bmiHeader;
      const auto& q = reinterpret_cast<VIDEOINFOHEADER*>(y.pbFormat)->bmiHeader;
      EXPECT_EQ(p.biWidth, q.biWidth);
      EXPECT_EQ(p.biHeight, q.biHeight);
      EXPECT_EQ(p.biBitCount, q.biBitCount);
      EXPECT_EQ(p.biCompression, q.biCompression);
      if (x.subtype == MEDIASUBTYPE_RGB8) {
        const size_t colours = p.biClrUsed ? p.biClrUsed : 256;
        ASSERT_GE(y.cbFormat, sizeof(VIDEOINFOHEADER) + colours * sizeof(RGBQUAD));
        EXPECT_EQ(0, memcmp(x.pbFormat + sizeof(VIDEOINFOHEADER), y.pbFormat + sizeof(VIDEOINFOHEADER),
                            colours * sizeof(RGBQUAD)));
      }
    } else {
      EXPECT_EQ(0, memcmp(x.pbFormat, y.pbFormat, 16));  // every field of the PCM format
    }
    CoTaskMemFree(x.pbFormat);
    CoTaskMemFree(y.pbFormat);
  }
}

TEST_F(XtlRoundTrip, GroupTypesThatWouldNotSurviveASaveAreRefused) {
  auto group = AddGroup();
  auto g = As<IAMTimelineGroup>(group.Get(), IID_IAMTimelineGroup);
  auto video = [&](const GUID& subtype, WORD bits, DWORD compression, LONG width, LONG height) {
    VIDEOINFOHEADER vih{};
    vih.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, bits, compression, 0, 0, 0, 0, 0};
    AM_MEDIA_TYPE mt{MEDIATYPE_Video, subtype,    FALSE,
                     FALSE,           0,          FORMAT_VideoInfo,
                     nullptr,         sizeof vih, reinterpret_cast<BYTE*>(&vih)};
    return g->SetMediaType(&mt);
  };
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, video(MEDIASUBTYPE_RGB565, 16, BI_BITFIELDS, 64, 48));
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, video(MEDIASUBTYPE_RGB565, 16, BI_RGB, 64, 48));
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, video(MEDIASUBTYPE_RGB24, 16, BI_RGB, 64, 48));  // disagrees with itself
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, video(MEDIASUBTYPE_RGB32, 32, BI_BITFIELDS, 64, 48));
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, video(MEDIASUBTYPE_RGB8, 8, BI_RGB, 64, 48));  // no palette
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, video(MEDIASUBTYPE_YUY2, 16, BI_RGB, 64, 48));
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, video(MEDIASUBTYPE_RGB24, 24, BI_RGB, 70000, 48));
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, video(MEDIASUBTYPE_RGB24, 24, BI_RGB, 64, -70000));
  auto audio = [&](WORD tag, WORD channels, DWORD rate, WORD bits, WORD align, DWORD bytes) {
    WAVEFORMATEX wfx{tag, channels, rate, bytes, align, bits, 0};
    AM_MEDIA_TYPE mt = PcmType(wfx);
    return g->SetMediaType(&mt);
  };
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, audio(WAVE_FORMAT_IEEE_FLOAT, 2, 48000, 32, 8, 384000));
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, audio(WAVE_FORMAT_PCM, 2, 48000, 12, 3, 144000));
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, audio(WAVE_FORMAT_PCM, 2, 48000, 16, 2, 96000));  // wrong alignment
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, audio(WAVE_FORMAT_PCM, 2, 1000001, 16, 4, 4000004));
  // Each refusal is logged and leaves the type the group had.
  EXPECT_EQ(DEX_IDS_BAD_MEDIATYPE, log.entries.back().code);
  AM_MEDIA_TYPE kept{};
  g->GetMediaType(&kept);
  EXPECT_TRUE(kept.majortype == GUID_NULL);
  CoTaskMemFree(kept.pbFormat);
}

}  // namespace
}  // namespace enginetest
