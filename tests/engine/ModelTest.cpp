// The timeline object model: kinds, priorities, the non-overlap rule, walking orders,
// detaching, and what goes to the error log.
#include "EngineTestSupport.h"

#include <amvideo.h>
#include <uuids.h>

namespace enginetest {
namespace {

class Model : public EngineTest {
 protected:
  std::vector<IAMTimelineObj*> WalkSources(IAMTimelineObj* track) {
    std::vector<IAMTimelineObj*> seen;
    auto t = As<IAMTimelineTrack>(track, IID_IAMTimelineTrack);
    ComPtr<IAMTimelineObj> cur;
    for (;;) {
      ComPtr<IAMTimelineObj> next;
      if (t->GetNextSrcEx(cur.Get(), &next) != S_OK) break;
      seen.push_back(next.Get());
      cur = next;
      if (seen.size() > 100) break;
    }
    return seen;
  }
  static REFERENCE_TIME StartOf(IAMTimelineObj* obj) {
    REFERENCE_TIME s = -1, e = -1;
    obj->GetStartStop(&s, &e);
    return s;
  }
};

TEST_F(Model, EachKindAnswersOnlyItsOwnInterfaces) {
  struct Row {
    TIMELINE_MAJOR_TYPE kind;
    bool group, comp, track, vtrack, effectable, transable, src, effect, trans;
  };
  const Row rows[] = {
      {TIMELINE_MAJOR_TYPE_GROUP, 1, 1, 0, 0, 1, 1, 0, 0, 0},
      {TIMELINE_MAJOR_TYPE_COMPOSITE, 0, 1, 0, 1, 1, 1, 0, 0, 0},
      {TIMELINE_MAJOR_TYPE_TRACK, 0, 0, 1, 1, 1, 1, 0, 0, 0},
      {TIMELINE_MAJOR_TYPE_SOURCE, 0, 0, 0, 0, 1, 0, 1, 0, 0},
      {TIMELINE_MAJOR_TYPE_EFFECT, 0, 0, 0, 0, 0, 0, 0, 1, 0},
      {TIMELINE_MAJOR_TYPE_TRANSITION, 0, 0, 0, 0, 0, 0, 0, 0, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.kind));
    auto obj = Node(r.kind);
    TIMELINE_MAJOR_TYPE kind;
    ASSERT_EQ(S_OK, obj->GetTimelineType(&kind));
    EXPECT_EQ(r.kind, kind);
    EXPECT_EQ(r.group, !!As<IAMTimelineGroup>(obj.Get(), IID_IAMTimelineGroup));
    EXPECT_EQ(r.comp, !!As<IAMTimelineComp>(obj.Get(), IID_IAMTimelineComp));
    EXPECT_EQ(r.track, !!As<IAMTimelineTrack>(obj.Get(), IID_IAMTimelineTrack));
    EXPECT_EQ(r.vtrack, !!As<IAMTimelineVirtualTrack>(obj.Get(), IID_IAMTimelineVirtualTrack));
    EXPECT_EQ(r.effectable, !!As<IAMTimelineEffectable>(obj.Get(), IID_IAMTimelineEffectable));
    EXPECT_EQ(r.transable, !!As<IAMTimelineTransable>(obj.Get(), IID_IAMTimelineTransable));
    EXPECT_EQ(r.src, !!As<IAMTimelineSrc>(obj.Get(), IID_IAMTimelineSrc));
    EXPECT_EQ(r.effect, !!As<IAMTimelineEffect>(obj.Get(), IID_IAMTimelineEffect));
    EXPECT_EQ(r.trans, !!As<IAMTimelineTrans>(obj.Get(), IID_IAMTimelineTrans));
    // Every interface leads back to the same object.
    auto unknown = As<IUnknown>(obj.Get(), IID_IUnknown);
    EXPECT_EQ(static_cast<IUnknown*>(obj.Get()), unknown.Get());
  }
  ComPtr<IAMTimelineObj> bad;
  EXPECT_EQ(E_INVALIDARG, timeline->CreateEmptyNode(&bad, static_cast<TIMELINE_MAJOR_TYPE>(3)));
  EXPECT_FALSE(bad);
}

TEST_F(Model, TrackPrioritiesFollowInsertsSwapsAndRemoves) {
  auto group = AddGroup();
  auto comp = As<IAMTimelineComp>(group.Get(), IID_IAMTimelineComp);
  auto a = AddTrack(group.Get()), b = AddTrack(group.Get());
  auto c = Node(TIMELINE_MAJOR_TYPE_TRACK);
  ASSERT_EQ(S_OK, comp->VTrackInsBefore(c.Get(), 0));  // c, a, b
  auto priorityOf = [&](IAMTimelineObj* t) {
    LONG p = -2;
    As<IAMTimelineVirtualTrack>(t, IID_IAMTimelineVirtualTrack)->TrackGetPriority(&p);
    return p;
  };
  EXPECT_EQ(0, priorityOf(c.Get()));
  EXPECT_EQ(1, priorityOf(a.Get()));
  EXPECT_EQ(2, priorityOf(b.Get()));
  ASSERT_EQ(S_OK, comp->VTrackSwapPriorities(0, 2));  // b, a, c
  ComPtr<IAMTimelineObj> got;
  ASSERT_EQ(S_OK, comp->GetVTrack(&got, 0));
  EXPECT_EQ(b.Get(), got.Get());
  ASSERT_EQ(S_OK, a->Remove());  // b, c
  LONG count = 0;
  comp->VTrackGetCount(&count);
  EXPECT_EQ(2, count);
  EXPECT_EQ(1, priorityOf(c.Get()));
  EXPECT_EQ(E_NOTINTREE, As<IAMTimelineVirtualTrack>(a.Get(), IID_IAMTimelineVirtualTrack)->TrackGetPriority(&count));

  size_t logged = log.entries.size();
  EXPECT_EQ(E_INVALIDARG, comp->VTrackSwapPriorities(0, 2));
  EXPECT_EQ(E_INVALIDARG, comp->VTrackInsBefore(a.Get(), 5));
  EXPECT_EQ(E_INVALIDARG, comp->VTrackInsBefore(b.Get(), -1));  // already in the group
  EXPECT_EQ(E_INVALIDARG, comp->GetVTrack(&got, 2));
  EXPECT_EQ(logged + 3, log.entries.size());
  EXPECT_EQ(2, log.entries.back().severity);
  EXPECT_EQ(E_INVALIDARG, log.entries.back().hr);

  // A composition cannot end up inside itself, however deep.
  auto outer = Node(TIMELINE_MAJOR_TYPE_COMPOSITE), inner = Node(TIMELINE_MAJOR_TYPE_COMPOSITE);
  ASSERT_EQ(S_OK, As<IAMTimelineComp>(outer.Get(), IID_IAMTimelineComp)->VTrackInsBefore(inner.Get(), -1));
  EXPECT_EQ(E_INVALIDARG, As<IAMTimelineComp>(inner.Get(), IID_IAMTimelineComp)->VTrackInsBefore(outer.Get(), -1));
  EXPECT_EQ(E_INVALIDARG, As<IAMTimelineComp>(outer.Get(), IID_IAMTimelineComp)->VTrackInsBefore(outer.Get(), -1));
  // Only tracks and compositions are virtual tracks.
  EXPECT_EQ(E_INVALIDARG, comp->VTrackInsBefore(Node(TIMELINE_MAJOR_TYPE_SOURCE).Get(), -1));
  EXPECT_EQ(E_INVALIDARG, comp->VTrackInsBefore(Node(TIMELINE_MAJOR_TYPE_GROUP).Get(), -1));
}

TEST_F(Model, SourcesOnATrackStayInTimeOrderAndNeverOverlap) {
  auto group = AddGroup();
  auto track = AddTrack(group.Get());
  auto t = As<IAMTimelineTrack>(track.Get(), IID_IAMTimelineTrack);
  auto s2 = Item(TIMELINE_MAJOR_TYPE_SOURCE, 2 * kSecond, 3 * kSecond);
  auto s0 = Item(TIMELINE_MAJOR_TYPE_SOURCE, 0, kSecond);
  auto s1 = Item(TIMELINE_MAJOR_TYPE_SOURCE, kSecond, 2 * kSecond);  // touching is no overlap
  ASSERT_EQ(S_OK, t->SrcAdd(s2.Get()));
  ASSERT_EQ(S_OK, t->SrcAdd(s0.Get()));
  ASSERT_EQ(S_OK, t->SrcAdd(s1.Get()));
  EXPECT_EQ((std::vector<IAMTimelineObj*>{s0.Get(), s1.Get(), s2.Get()}), WalkSources(track.Get()));

  // An overlapping source is refused, logged, and the track keeps what it had.
  size_t logged = log.entries.size();
  auto over = Item(TIMELINE_MAJOR_TYPE_SOURCE, kSecond / 2, kSecond * 3 / 2);
  EXPECT_EQ(E_INVALIDARG, t->SrcAdd(over.Get()));
  EXPECT_EQ(logged + 1, log.entries.size());
  EXPECT_EQ(E_INVALIDARG, log.entries.back().hr);
  EXPECT_EQ((std::vector<IAMTimelineObj*>{s0.Get(), s1.Get(), s2.Get()}), WalkSources(track.Get()));
  ComPtr<IAMTimelineGroup> owner;
  EXPECT_EQ(E_NOTINTREE, over->GetGroupIBelongTo(&owner));

  // The application adds a new source before giving it times: zero length fits anywhere.
  auto fresh = Node(TIMELINE_MAJOR_TYPE_SOURCE);
  ASSERT_EQ(S_OK, t->SrcAdd(fresh.Get()));
  // Times that would overlap are refused; free times re-sort the track.
  EXPECT_EQ(E_INVALIDARG, fresh->SetStartStop(kSecond * 5 / 2, 4 * kSecond));
  EXPECT_EQ(0, StartOf(fresh.Get()));
  ASSERT_EQ(S_OK, fresh->SetStartStop(3 * kSecond, 4 * kSecond));
  EXPECT_EQ((std::vector<IAMTimelineObj*>{s0.Get(), s1.Get(), s2.Get(), fresh.Get()}), WalkSources(track.Get()));
  ASSERT_EQ(S_OK, s0->SetStartStop(5 * kSecond, 6 * kSecond));
  EXPECT_EQ((std::vector<IAMTimelineObj*>{s1.Get(), s2.Get(), fresh.Get(), s0.Get()}), WalkSources(track.Get()));
  LONG count = 0;
  t->GetSourcesCount(&count);
  EXPECT_EQ(4, count);

  // GetNextSrc hands out each source once and moves the time to its stop.
  REFERENCE_TIME at = 0;
  std::vector<REFERENCE_TIME> stops;
  for (ComPtr<IAMTimelineObj> src; t->GetNextSrc(src.ReleaseAndGetAddressOf(), &at) == S_OK && stops.size() < 10;)
    stops.push_back(at);
  EXPECT_EQ((std::vector<REFERENCE_TIME>{2 * kSecond, 3 * kSecond, 4 * kSecond, 6 * kSecond}), stops);

  ComPtr<IAMTimelineObj> found;
  EXPECT_EQ(S_OK, t->GetSrcAtTime(&found, kSecond * 5 / 2, DEXTERF_BOUNDING));
  EXPECT_EQ(s2.Get(), found.Get());
  EXPECT_EQ(S_FALSE, t->GetSrcAtTime(found.ReleaseAndGetAddressOf(), kSecond * 9 / 2, DEXTERF_BOUNDING));
  EXPECT_EQ(S_OK, t->GetSrcAtTime(found.ReleaseAndGetAddressOf(), kSecond * 9 / 2, DEXTERF_FORWARDS));
  EXPECT_EQ(s0.Get(), found.Get());
  // A source from elsewhere is not a position on this track.
  EXPECT_EQ(E_INVALIDARG, t->GetNextSrcEx(over.Get(), found.ReleaseAndGetAddressOf()));
}

TEST_F(Model, TransitionsWalkInTimeOrderAndNeverOverlap) {
  auto group = AddGroup();
  auto track = AddTrack(group.Get());
  auto transable = As<IAMTimelineTransable>(track.Get(), IID_IAMTimelineTransable);
  auto late = Item(TIMELINE_MAJOR_TYPE_TRANSITION, 4 * kSecond, 6 * kSecond);
  auto early = Item(TIMELINE_MAJOR_TYPE_TRANSITION, kSecond, 2 * kSecond);
  ASSERT_EQ(S_OK, transable->TransAdd(late.Get()));
  ASSERT_EQ(S_OK, transable->TransAdd(early.Get()));
  EXPECT_EQ(E_INVALIDARG, transable->TransAdd(Item(TIMELINE_MAJOR_TYPE_TRANSITION, 5 * kSecond, 7 * kSecond).Get()));
  EXPECT_EQ(E_INVALIDARG, transable->TransAdd(Node(TIMELINE_MAJOR_TYPE_EFFECT).Get()));
  LONG count = 0;
  transable->TransGetCount(&count);
  ASSERT_EQ(2, count);

  // The application's walk: count calls from time 0.
  REFERENCE_TIME at = 0;
  ComPtr<IAMTimelineObj> first, second, none;
  ASSERT_EQ(S_OK, transable->GetNextTrans(&first, &at));
  EXPECT_EQ(early.Get(), first.Get());
  EXPECT_EQ(2 * kSecond, at);
  ASSERT_EQ(S_OK, transable->GetNextTrans(&second, &at));
  EXPECT_EQ(late.Get(), second.Get());
  EXPECT_EQ(6 * kSecond, at);
  EXPECT_EQ(S_FALSE, transable->GetNextTrans(&none, &at));
  // From inside a transition, that transition is the next one.
  at = 5 * kSecond;
  ASSERT_EQ(S_OK, transable->GetNextTrans(first.ReleaseAndGetAddressOf(), &at));
  EXPECT_EQ(late.Get(), first.Get());
  // Moving onto a neighbour is refused.
  EXPECT_EQ(E_INVALIDARG, early->SetStartStop(3 * kSecond, 5 * kSecond));
}

TEST_F(Model, RemoveKeepsContentWhileRemoveAllTakesItApart) {
  auto group = AddGroup();
  auto keep = AddTrack(group.Get()), drop = AddTrack(group.Get());
  auto srcKeep = Item(TIMELINE_MAJOR_TYPE_SOURCE, 0, kSecond);
  auto srcDrop = Item(TIMELINE_MAJOR_TYPE_SOURCE, 0, kSecond);
  auto fx = Item(TIMELINE_MAJOR_TYPE_EFFECT, 0, kSecond);
  ASSERT_EQ(S_OK, As<IAMTimelineTrack>(keep.Get(), IID_IAMTimelineTrack)->SrcAdd(srcKeep.Get()));
  ASSERT_EQ(S_OK, As<IAMTimelineTrack>(drop.Get(), IID_IAMTimelineTrack)->SrcAdd(srcDrop.Get()));
  ASSERT_EQ(S_OK, As<IAMTimelineEffectable>(srcDrop.Get(), IID_IAMTimelineEffectable)->EffectInsBefore(fx.Get(), -1));

  ASSERT_EQ(S_OK, keep->Remove());
  ASSERT_EQ(S_OK, drop->RemoveAll());
  LONG count = -1;
  As<IAMTimelineComp>(group.Get(), IID_IAMTimelineComp)->VTrackGetCount(&count);
  EXPECT_EQ(0, count);
  // Remove: the track leaves with its source, ready to be added elsewhere.
  As<IAMTimelineTrack>(keep.Get(), IID_IAMTimelineTrack)->GetSourcesCount(&count);
  EXPECT_EQ(1, count);
  ComPtr<IAMTimelineGroup> owner;
  EXPECT_EQ(E_NOTINTREE, srcKeep->GetGroupIBelongTo(&owner));
  auto other = AddGroup();
  ASSERT_EQ(S_OK, As<IAMTimelineComp>(other.Get(), IID_IAMTimelineComp)->VTrackInsBefore(keep.Get(), -1));
  ASSERT_EQ(S_OK, srcKeep->GetGroupIBelongTo(&owner));
  EXPECT_EQ(As<IAMTimelineGroup>(other.Get(), IID_IAMTimelineGroup).Get(), owner.Get());
  // RemoveAll: nothing stays inside; what it held is loose and reusable.
  As<IAMTimelineTrack>(drop.Get(), IID_IAMTimelineTrack)->GetSourcesCount(&count);
  EXPECT_EQ(0, count);
  As<IAMTimelineEffectable>(srcDrop.Get(), IID_IAMTimelineEffectable)->EffectGetCount(&count);
  EXPECT_EQ(0, count);
  EXPECT_EQ(S_OK, As<IAMTimelineEffectable>(keep.Get(), IID_IAMTimelineEffectable)->EffectInsBefore(fx.Get(), -1));
  // A group removes itself from the timeline.
  ASSERT_EQ(S_OK, group->Remove());
  timeline->GetGroupCount(&count);
  EXPECT_EQ(1, count);
}

TEST_F(Model, TimelineKeepsGroupsInOrderAndMeasuresTheLatestStop) {
  auto g0 = AddGroup(), g1 = AddGroup();
  ComPtr<IAMTimelineObj> got;
  ASSERT_EQ(S_OK, timeline->GetGroup(&got, 1));
  EXPECT_EQ(g1.Get(), got.Get());
  EXPECT_EQ(E_INVALIDARG, timeline->AddGroup(g0.Get()));
  EXPECT_EQ(E_INVALIDARG, timeline->AddGroup(Node(TIMELINE_MAJOR_TYPE_TRACK).Get()));
  LONG priority = -1;
  As<IAMTimelineGroup>(g1.Get(), IID_IAMTimelineGroup)->GetPriority(&priority);
  EXPECT_EQ(1, priority);

  auto t0 = AddTrack(g0.Get()), t1 = AddTrack(g1.Get());
  auto src = Item(TIMELINE_MAJOR_TYPE_SOURCE, 2 * kSecond, 4 * kSecond);
  ASSERT_EQ(S_OK, As<IAMTimelineTrack>(t1.Get(), IID_IAMTimelineTrack)->SrcAdd(src.Get()));
  REFERENCE_TIME duration = 0;
  timeline->GetDuration(&duration);
  EXPECT_EQ(4 * kSecond, duration);
  // An effect on a source is timed from the source's start.
  auto fx = Item(TIMELINE_MAJOR_TYPE_EFFECT, 0, 3 * kSecond);
  ASSERT_EQ(S_OK, As<IAMTimelineEffectable>(src.Get(), IID_IAMTimelineEffectable)->EffectInsBefore(fx.Get(), -1));
  timeline->GetDuration(&duration);
  EXPECT_EQ(5 * kSecond, duration);
  REFERENCE_TIME start = -1, stop = -1;
  t1->GetStartStop(&start, &stop);
  EXPECT_EQ(0, start);
  EXPECT_EQ(5 * kSecond, stop);

  LONG n = 0, withComps = 0;
  ASSERT_EQ(S_OK, timeline->GetCountOfType(1, &n, &withComps, TIMELINE_MAJOR_TYPE_SOURCE));
  EXPECT_EQ(1, n);
  EXPECT_EQ(E_INVALIDARG, timeline->GetCountOfType(2, &n, &withComps, TIMELINE_MAJOR_TYPE_SOURCE));

  ASSERT_EQ(S_OK, timeline->ClearAllGroups());
  timeline->GetGroupCount(&n);
  EXPECT_EQ(0, n);
  timeline->GetDuration(&duration);
  EXPECT_EQ(0, duration);
  // Cleared groups are loose: another timeline may take them.
  EXPECT_EQ(S_OK, timeline->AddGroup(g0.Get()));

  double fps = 0;
  EXPECT_EQ(E_INVALIDARG, timeline->SetDefaultFPS(0.0));
  ASSERT_EQ(S_OK, timeline->SetDefaultFPS(30.0));
  timeline->GetDefaultFPS(&fps);
  EXPECT_EQ(30.0, fps);
}

TEST_F(Model, RemovingAGroupTakesOutThatGroupOnly) {
  auto g0 = AddGroup(), g1 = AddGroup(), g2 = AddGroup();
  AddTrack(g0.Get());
  AddTrack(g1.Get());
  ASSERT_EQ(S_OK, g1->RemoveAll());
  LONG n = 0;
  timeline->GetGroupCount(&n);
  ASSERT_EQ(2, n);
  ComPtr<IAMTimelineObj> first, second;
  timeline->GetGroup(&first, 0);
  timeline->GetGroup(&second, 1);
  EXPECT_EQ(g0.Get(), first.Get());
  EXPECT_EQ(g2.Get(), second.Get());
  LONG tracks = 0;
  As<IAMTimelineComp>(g0.Get(), IID_IAMTimelineComp)->VTrackGetCount(&tracks);
  EXPECT_EQ(1, tracks);
  ASSERT_EQ(S_OK, g2->Remove());
  timeline->GetGroupCount(&n);
  EXPECT_EQ(1, n);
}

TEST_F(Model, ObjectPropertiesKeepWhatTheyAreGiven) {
  auto obj = Node(TIMELINE_MAJOR_TYPE_SOURCE);
  Bstr name;
  ASSERT_EQ(S_OK, obj->GetUserName(name.Out()));
  EXPECT_TRUE(name.IsNull());
  const std::wstring unicode = L"Clip \u00e9\u4e2d\U0001F3AC";
  ASSERT_EQ(S_OK, obj->SetUserName(Bstr(unicode)));
  obj->GetUserName(name.Out());
  EXPECT_EQ(unicode, name.Str());
  ASSERT_EQ(S_OK, obj->SetUserName(nullptr));  // a null name clears it
  obj->GetUserName(name.Out());
  EXPECT_TRUE(name.IsNull());
  ASSERT_EQ(S_OK, obj->SetUserName(Bstr(L"")));  // an empty name is still a name
  obj->GetUserName(name.Out());
  EXPECT_FALSE(name.IsNull());

  BYTE data[] = {1, 0, 255};
  ASSERT_EQ(S_OK, obj->SetUserData(data, 3));
  LONG size = 0;
  ASSERT_EQ(S_OK, obj->GetUserData(nullptr, &size));
  EXPECT_EQ(3, size);
  BYTE small[2];
  size = 2;
  EXPECT_EQ(E_INVALIDARG, obj->GetUserData(small, &size));
  BYTE back[3] = {};
  size = 3;
  ASSERT_EQ(S_OK, obj->GetUserData(back, &size));
  EXPECT_EQ(0, memcmp(data, back, 3));

  const GUID id = {0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}};
  ASSERT_EQ(S_OK, obj->SetSubObjectGUID(id));
  Bstr text;
  obj->GetSubObjectGUIDB(text.Out());
  EXPECT_EQ(L"{12345678-9ABC-DEF0-0102-030405060708}", text.Str());
  EXPECT_EQ(E_INVALIDARG, obj->SetSubObjectGUIDB(Bstr(L"12345678-9ABC-DEF0-0102-030405060708")));
  ASSERT_EQ(S_OK, obj->SetSubObjectGUIDB(Bstr(L"{00000000-0000-0000-0000-0000000000AB}")));
  GUID back2;
  obj->GetSubObjectGUID(&back2);
  EXPECT_EQ(0xAB, back2.Data4[7]);

  EXPECT_EQ(E_INVALIDARG, obj->SetStartStop(2, 1));
  auto src = As<IAMTimelineSrc>(obj.Get(), IID_IAMTimelineSrc);
  EXPECT_EQ(E_INVALIDARG, src->SetStretchMode(4));
  EXPECT_EQ(E_INVALIDARG, src->SetStreamNumber(-1));
  EXPECT_EQ(E_INVALIDARG, src->SetMediaTimes(5, 4));
  EXPECT_EQ(E_INVALIDARG, src->SetDefaultFPS(-1));
  ASSERT_EQ(S_OK, src->SetStretchMode(RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX));
  int mode = 0;
  src->GetStretchMode(&mode);
  EXPECT_EQ(3, mode);

  // Objects may outlive their timeline without reaching back into it.
  IAMTimeline* noRef = nullptr;
  EXPECT_EQ(S_OK, obj->GetTimelineNoRef(&noRef));
  EXPECT_EQ(timeline.Get(), noRef);
  timeline.Reset();
  EXPECT_EQ(E_NO_TIMELINE, obj->GetTimelineNoRef(&noRef));
  EXPECT_EQ(nullptr, noRef);
}

TEST_F(Model, GroupMediaTypeIsCopiedInAndOut) {
  auto group = AddGroup();
  auto g = As<IAMTimelineGroup>(group.Get(), IID_IAMTimelineGroup);
  BOOL preview = FALSE;
  g->GetPreviewMode(&preview);
  EXPECT_TRUE(preview);

  VIDEOINFOHEADER vih{};
  vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  vih.bmiHeader.biWidth = 640;
  vih.bmiHeader.biHeight = 480;
  vih.bmiHeader.biBitCount = 24;
  vih.bmiHeader.biPlanes = 1;
  AM_MEDIA_TYPE mt{};
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = MEDIASUBTYPE_RGB24;
  mt.formattype = FORMAT_VideoInfo;
  mt.cbFormat = sizeof vih;
  mt.pbFormat = reinterpret_cast<BYTE*>(&vih);
  ASSERT_EQ(S_OK, g->SetMediaType(&mt));
  vih.bmiHeader.biWidth = 1;  // the group holds its own copy
  AM_MEDIA_TYPE out{};
  ASSERT_EQ(S_OK, g->GetMediaType(&out));
  ASSERT_EQ(sizeof(VIDEOINFOHEADER), out.cbFormat);
  ASSERT_NE(mt.pbFormat, out.pbFormat);
  EXPECT_EQ(640, reinterpret_cast<VIDEOINFOHEADER*>(out.pbFormat)->bmiHeader.biWidth);
  CoTaskMemFree(out.pbFormat);

  size_t logged = log.entries.size();
  vih.bmiHeader.biWidth = 0;
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, g->SetMediaType(&mt));
  mt.cbFormat = 8;  // too short for its format type
  vih.bmiHeader.biWidth = 640;
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, g->SetMediaType(&mt));
  EXPECT_EQ(logged + 2, log.entries.size());
  EXPECT_EQ(DEX_IDS_BAD_MEDIATYPE, log.entries.back().code);
  ASSERT_EQ(S_OK, g->GetMediaType(&out));
  EXPECT_EQ(640, reinterpret_cast<VIDEOINFOHEADER*>(out.pbFormat)->bmiHeader.biWidth);
  CoTaskMemFree(out.pbFormat);

  // The render window types what the user wrote; 0 must not become the rate.
  EXPECT_EQ(E_INVALIDARG, g->SetOutputFPS(0.0));
  ASSERT_EQ(S_OK, g->SetOutputFPS(29.97));
  double fps = 0;
  g->GetOutputFPS(&fps);
  EXPECT_EQ(29.97, fps);
}

TEST_F(Model, EffectsKeepTheirPriorities) {
  auto track = AddTrack(AddGroup().Get());
  auto chain = As<IAMTimelineEffectable>(track.Get(), IID_IAMTimelineEffectable);
  auto a = Node(TIMELINE_MAJOR_TYPE_EFFECT), b = Node(TIMELINE_MAJOR_TYPE_EFFECT), c = Node(TIMELINE_MAJOR_TYPE_EFFECT);
  ASSERT_EQ(S_OK, chain->EffectInsBefore(a.Get(), -1));
  ASSERT_EQ(S_OK, chain->EffectInsBefore(b.Get(), -1));
  ASSERT_EQ(S_OK, chain->EffectInsBefore(c.Get(), 1));  // a, c, b
  ASSERT_EQ(S_OK, chain->EffectSwapPriorities(0, 2));   // b, c, a
  LONG p = -1;
  As<IAMTimelineEffect>(a.Get(), IID_IAMTimelineEffect)->EffectGetPriority(&p);
  EXPECT_EQ(2, p);
  ComPtr<IAMTimelineObj> got;
  chain->GetEffect(&got, 1);
  EXPECT_EQ(c.Get(), got.Get());
  EXPECT_EQ(E_INVALIDARG, chain->EffectInsBefore(Node(TIMELINE_MAJOR_TYPE_TRANSITION).Get(), -1));
  EXPECT_EQ(E_INVALIDARG, chain->EffectSwapPriorities(0, 3));
}

}  // namespace
}  // namespace enginetest
