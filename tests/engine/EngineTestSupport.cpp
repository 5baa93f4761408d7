#include "EngineTestSupport.h"

#include "TestSupport.h"
#include "engine/EngineRegistration.h"

#include <cstdio>

namespace enginetest {

namespace {

// COM and the engine's classes for the whole run, registered as the application does.
class ComEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_EQ(S_OK, MrqEngineRegisterClasses());
  }
  void TearDown() override {
    MrqEngineRevokeClasses();
    CoUninitialize();
  }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ComEnvironment);

// Media may leave a thread stuck in the platform: the process then ends as the program does.
void EndLikeTheProgram(int code) {
  fflush(stdout);
  fflush(stderr);
  MrqEngineEndIfStuck(code);
}
const bool kEndsLikeTheProgram = (testsupport::g_beforeExit = &EndLikeTheProgram, true);

void SetCommon(IAMTimelineObj* obj, const wchar_t* name, BOOL muted, BOOL locked, LONG id) {
  if (name) {
    ASSERT_EQ(S_OK, obj->SetUserName(Bstr(name)));
  }
  obj->SetMuted(muted);
  obj->SetLocked(locked);
  obj->SetUserID(id);
}

}  // namespace

HRESULT AddParam(IPropertySetter* setter, const wchar_t* name, const std::vector<Key>& keys, DISPID dispID) {
  std::vector<DEXTER_VALUE> values(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    VariantInit(&values[i].v);
    if (keys[i].text) {
      values[i].v.vt = VT_BSTR;
      values[i].v.bstrVal = SysAllocString(keys[i].text);
    } else {
      values[i].v.vt = VT_R8;
      values[i].v.dblVal = keys[i].value;
    }
    values[i].rt = keys[i].time;
    values[i].dwInterp = keys[i].interp;
  }
  Bstr paramName(name);
  const HRESULT hr = setter->AddProp(DEXTER_PARAM{paramName, dispID, static_cast<LONG>(keys.size())}, values.data());
  for (auto& v : values) VariantClear(&v.v);
  return hr;
}

Nodes GroupsOf(IAMTimeline* timeline) {
  Nodes all;
  for (LONG i = 0; i < Get(timeline, &IAMTimeline::GetGroupCount); ++i)
    timeline->GetGroup(all.emplace_back().GetAddressOf(), i);
  return all;
}

Nodes VTracksOf(IAMTimelineObj* comp) {
  Nodes all;
  if (auto c = As<IAMTimelineComp>(comp))
    for (LONG i = 0; i < Get(c, &IAMTimelineComp::VTrackGetCount); ++i)
      c->GetVTrack(all.emplace_back().GetAddressOf(), i);
  return all;
}

Nodes EffectsOf(IAMTimelineObj* obj) {
  Nodes all;
  if (auto e = As<IAMTimelineEffectable>(obj))
    for (LONG i = 0; i < Get(e, &IAMTimelineEffectable::EffectGetCount); ++i)
      e->GetEffect(all.emplace_back().GetAddressOf(), i);
  return all;
}

Nodes TransitionsOf(IAMTimelineObj* obj) {
  Nodes all;
  REFERENCE_TIME at = -1;
  if (auto t = As<IAMTimelineTransable>(obj))
    for (ComPtr<IAMTimelineObj> next; all.size() <= 100 && t->GetNextTrans(next.ReleaseAndGetAddressOf(), &at) == S_OK;)
      all.push_back(next);
  return all;
}

Nodes SourcesOf(IAMTimelineObj* track) {
  Nodes all;
  if (auto t = As<IAMTimelineTrack>(track))
    for (ComPtr<IAMTimelineObj> next; all.size() <= 100 && t->GetNextSrcEx(all.empty() ? nullptr : all.back().Get(),
                                                                           next.ReleaseAndGetAddressOf()) == S_OK;)
      all.push_back(next);
  return all;
}

std::vector<Prop> Props(IPropertySetter* setter) {
  std::vector<Prop> props;
  LONG count = 0;
  DEXTER_PARAM* params = nullptr;
  DEXTER_VALUE* values = nullptr;
  if (!setter || FAILED(setter->GetProps(&count, &params, &values))) return props;
  for (LONG i = 0, v = 0; i < count; ++i) {
    props.push_back({params[i].name ? params[i].name : L"", params[i].dispID, {}});
    for (LONG k = 0; k < params[i].nValues; ++k, ++v) {
      const VARIANT& x = values[v].v;
      props.back().values.push_back({x.vt, x.vt == VT_BSTR && x.bstrVal ? x.bstrVal : L"", x.vt == VT_R8 ? x.dblVal : 0,
                                     values[v].rt, values[v].dwInterp});
    }
  }
  EXPECT_EQ(S_OK, setter->FreeProps(count, params, values));
  return props;
}

std::vector<PropRow> PropRows(IPropertySetter* setter) {
  std::vector<PropRow> rows;
  for (const Prop& p : Props(setter))
    for (const PropValue& v : p.values) rows.emplace_back(p.name, v.type, v.text, v.number, v.time, v.interp);
  return rows;
}

std::vector<PropRow> PropRows(IAMTimelineObj* obj) {
  ComPtr<IPropertySetter> setter;
  if (obj) obj->GetPropertySetter(&setter);
  return PropRows(setter.Get());
}

void AddParam(IAMTimelineObj* obj, const wchar_t* name, const std::vector<Key>& keys) {
  ComPtr<IPropertySetter> setter;
  obj->GetPropertySetter(&setter);
  if (!setter) {
    setter = Create<IPropertySetter>(CLSID_PropertySetter);
    ASSERT_TRUE(setter);
    ASSERT_EQ(S_OK, obj->SetPropertySetter(setter.Get()));
  }
  ASSERT_EQ(S_OK, AddParam(setter.Get(), name, keys));
}

STDMETHODIMP RecordingLog::QueryInterface(REFIID iid, void** out) {
  if (iid == IID_IUnknown || iid == IID_IAMErrorLog) {
    *out = static_cast<IAMErrorLog*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP RecordingLog::LogError(LONG severity, BSTR text, LONG code, LONG hr, VARIANT*) {
  entries.push_back({severity, text ? text : L"", code, static_cast<HRESULT>(hr)});
  return hr;
}

ComPtr<IAMTimeline> EngineTest::NewTimeline() {
  auto t = Create<IAMTimeline>(CLSID_AMTimeline);
  auto setLog = As<IAMSetErrorLog>(t);
  EXPECT_TRUE(setLog);
  if (setLog) setLog->put_ErrorLog(&log);
  return t;
}

void EngineTest::SetUp() {
  timeline = NewTimeline();
  ASSERT_TRUE(timeline);
}

ComPtr<IAMTimelineObj> EngineTest::Node(TIMELINE_MAJOR_TYPE kind) {
  ComPtr<IAMTimelineObj> obj;
  EXPECT_EQ(S_OK, timeline->CreateEmptyNode(&obj, kind));
  return obj;
}

ComPtr<IAMTimelineObj> EngineTest::Item(TIMELINE_MAJOR_TYPE kind, REFERENCE_TIME start, REFERENCE_TIME stop) {
  auto obj = Node(kind);
  EXPECT_EQ(S_OK, obj->SetStartStop(start, stop));
  return obj;
}

ComPtr<IAMTimelineObj> EngineTest::AddGroup(AM_MEDIA_TYPE* type) {
  auto group = Node(TIMELINE_MAJOR_TYPE_GROUP);
  if (type) {
    EXPECT_EQ(S_OK, As<IAMTimelineGroup>(group)->SetMediaType(type));
  }
  EXPECT_EQ(S_OK, timeline->AddGroup(group.Get()));
  return group;
}

ComPtr<IAMTimelineObj> EngineTest::AddTrack(IAMTimelineObj* comp) {
  auto track = Node(TIMELINE_MAJOR_TYPE_TRACK);
  EXPECT_EQ(S_OK, As<IAMTimelineComp>(comp)->VTrackInsBefore(track.Get(), -1));
  return track;
}

ComPtr<IAMTimelineObj> EngineTest::AddSource(IAMTimelineObj* track, REFERENCE_TIME start, REFERENCE_TIME stop,
                                             const std::wstring& media, REFERENCE_TIME mstart, REFERENCE_TIME mstop) {
  auto clip = Item(TIMELINE_MAJOR_TYPE_SOURCE, start, stop);
  auto src = As<IAMTimelineSrc>(clip);
  EXPECT_EQ(S_OK, src->SetMediaName(Bstr(media)));
  EXPECT_EQ(S_OK, src->SetMediaTimes(mstart, mstop));
  EXPECT_EQ(S_OK, As<IAMTimelineTrack>(track)->SrcAdd(clip.Get()));
  return clip;
}

void EngineTest::BuildRichTimeline() {
  // Media times unlike the timeline's: offset, and played at twice the speed.
  auto Source = [this](IAMTimelineObj* track, REFERENCE_TIME start, REFERENCE_TIME stop, const wchar_t* media) {
    return AddSource(track, start, stop, media, start / 2 + 3, start / 2 + 3 + (stop - start) * 2);
  };
  timeline->SetDefaultFPS(30.0);
  GUID fx = {0xdeadbeef, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
  timeline->SetDefaultEffect(&fx);

  TestType rgb = VideoType(MEDIASUBTYPE_RGB24, 24, 640, 480);
  rgb.mt.bFixedSizeSamples = TRUE;  // as groups build it
  rgb.mt.lSampleSize = rgb.Bih().biSizeImage = 640 * 3 * 480;
  auto video = AddGroup(rgb.Get());
  SetCommon(video.Get(), L"Video \u2713 <&> \"q\"", FALSE, TRUE, 7);
  BYTE data[] = {0, 1, 0xfe, 0xff};
  video->SetUserData(data, sizeof data);
  auto g = As<IAMTimelineGroup>(video);
  g->SetOutputFPS(29.97);
  g->SetPreviewMode(FALSE);
  g->SetOutputBuffering(16);
  auto groupFx = Item(TIMELINE_MAJOR_TYPE_EFFECT, 0, 10 * kSecond);
  groupFx->SetSubObjectGUID(fx);
  AddParam(groupFx.Get(), L"Level", {{L"1", 0}, {L"0.25", 1234567, DEXTERF_INTERPOLATE}});
  As<IAMTimelineEffectable>(video)->EffectInsBefore(groupFx.Get(), -1);

  auto t0 = AddTrack(video.Get());
  SetCommon(t0.Get(), L"Track_0", TRUE, FALSE, 0);
  auto s1 = Source(t0.Get(), 0, 12345678, L"C:\\media\\\u00fcn\u00ef \u4e2d\U0001F3AC.avi");
  auto src = As<IAMTimelineSrc>(s1);
  src->SetStreamNumber(1);
  src->SetStretchMode(RESIZEF_PRESERVEASPECTRATIO);
  src->SetDefaultFPS(25.0);
  src->SetMediaLength(98765432109);
  GUID reader = {0x11111111, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  s1->SetSubObjectGUID(reader);
  SetCommon(s1.Get(), L"first\ttab\nline", TRUE, TRUE, -3);
  auto srcFx = Item(TIMELINE_MAJOR_TYPE_EFFECT, 1, 9999999);
  AddParam(srcFx.Get(), L"Blur", {{L"soft", 5, DEXTERF_INTERPOLATE}, {L"hard", 6}});
  As<IAMTimelineEffectable>(s1)->EffectInsBefore(srcFx.Get(), -1);
  Source(t0.Get(), 12345678, 20000001, L"C:\\media\\b.wav");
  Source(t0.Get(), 30 * kSecond, 30 * kSecond, L"");  // a zero-length source survives too

  auto t1 = AddTrack(video.Get());
  auto trans = Item(TIMELINE_MAJOR_TYPE_TRANSITION, kSecond / 2, kSecond * 3 / 2);
  auto tr = As<IAMTimelineTrans>(trans);
  tr->SetCutPoint(kSecond / 4);
  tr->SetSwapInputs(TRUE);
  tr->SetCutsOnly(TRUE);
  AddParam(trans.Get(), L"Progress", {{L"1", 0}, {L"0", kSecond, DEXTERF_INTERPOLATE}});
  As<IAMTimelineTransable>(t1)->TransAdd(trans.Get());
  As<IAMTimelineTransable>(t1)->TransAdd(Item(TIMELINE_MAJOR_TYPE_TRANSITION, 2 * kSecond, 3 * kSecond).Get());
  auto trackFx1 = Item(TIMELINE_MAJOR_TYPE_EFFECT, 0, kSecond);
  auto trackFx2 = Item(TIMELINE_MAJOR_TYPE_EFFECT, kSecond, 2 * kSecond);
  SetCommon(trackFx2.Get(), L"second", FALSE, FALSE, 2);
  As<IAMTimelineEffectable>(t1)->EffectInsBefore(trackFx1.Get(), -1);
  As<IAMTimelineEffectable>(t1)->EffectInsBefore(trackFx2.Get(), 0);

  auto comp = Node(TIMELINE_MAJOR_TYPE_COMPOSITE);
  SetCommon(comp.Get(), L"nested", FALSE, FALSE, 0);
  As<IAMTimelineComp>(video)->VTrackInsBefore(comp.Get(), 1);
  auto inner = AddTrack(comp.Get());
  Source(inner.Get(), kSecond, 2 * kSecond, L"C:\\media\\inner.avi");

  auto audio = AddGroup(PcmType(2, 44100).Get());
  Source(AddTrack(audio.Get()).Get(), 0, 20000001, L"C:\\media\\b.wav");
}

}  // namespace enginetest
