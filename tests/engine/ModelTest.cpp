// The timeline object model: kinds, priorities, the non-overlap rule, walks, detaching, the error log.
#include "EngineTestSupport.h"
#include "services/ComPtrEquality.h"

#include <array>

namespace enginetest {
namespace {

using Model = EngineTest;

TEST_F(Model, EachKindAnswersOnlyItsOwnInterfaces) {
  // Group, composition, track, virtual track, effectable, transable, source, effect, transition.
  using Faces = std::array<bool, 9>;
  const std::pair<TIMELINE_MAJOR_TYPE, Faces> rows[] = {{TIMELINE_MAJOR_TYPE_GROUP, {1, 1, 0, 0, 1, 1, 0, 0, 0}},
                                                        {TIMELINE_MAJOR_TYPE_COMPOSITE, {0, 1, 0, 1, 1, 1, 0, 0, 0}},
                                                        {TIMELINE_MAJOR_TYPE_TRACK, {0, 0, 1, 1, 1, 1, 0, 0, 0}},
                                                        {TIMELINE_MAJOR_TYPE_SOURCE, {0, 0, 0, 0, 1, 0, 1, 0, 0}},
                                                        {TIMELINE_MAJOR_TYPE_EFFECT, {0, 0, 0, 0, 0, 0, 0, 1, 0}},
                                                        {TIMELINE_MAJOR_TYPE_TRANSITION, {0, 0, 0, 0, 0, 0, 0, 0, 1}}};
  for (const auto& [kind, faces] : rows) {
    auto obj = Node(kind);
    EXPECT_EQ(kind, Get(obj, &IAMTimelineObj::GetTimelineType));
    EXPECT_EQ(faces, (Faces{!!As<IAMTimelineGroup>(obj), !!As<IAMTimelineComp>(obj), !!As<IAMTimelineTrack>(obj),
                            !!As<IAMTimelineVirtualTrack>(obj), !!As<IAMTimelineEffectable>(obj),
                            !!As<IAMTimelineTransable>(obj), !!As<IAMTimelineSrc>(obj), !!As<IAMTimelineEffect>(obj),
                            !!As<IAMTimelineTrans>(obj)}))
        << kind;
    EXPECT_EQ(static_cast<IUnknown*>(obj.Get()), As<IUnknown>(obj).Get());  // one identity behind every face
  }
  ComPtr<IAMTimelineObj> bad;
  EXPECT_EQ(E_INVALIDARG, timeline->CreateEmptyNode(&bad, static_cast<TIMELINE_MAJOR_TYPE>(3)));
  EXPECT_FALSE(bad);
}

TEST_F(Model, TrackAndEffectPrioritiesFollowInsertsSwapsAndRemoves) {
  auto group = AddGroup();
  auto comp = As<IAMTimelineComp>(group);
  auto a = AddTrack(group.Get()), b = AddTrack(group.Get());
  auto c = Node(TIMELINE_MAJOR_TYPE_TRACK);
  ASSERT_EQ(S_OK, comp->VTrackInsBefore(c.Get(), 0));  // c, a, b
  EXPECT_EQ((Nodes{c, a, b}), VTracksOf(group.Get()));
  EXPECT_EQ(2, Get(b, &IAMTimelineVirtualTrack::TrackGetPriority));
  ASSERT_EQ(S_OK, comp->VTrackSwapPriorities(0, 2));
  EXPECT_EQ((Nodes{b, a, c}), VTracksOf(group.Get()));
  ASSERT_EQ(S_OK, a->Remove());
  EXPECT_EQ((Nodes{b, c}), VTracksOf(group.Get()));
  EXPECT_EQ(1, Get(c, &IAMTimelineVirtualTrack::TrackGetPriority));
  LONG count = 0;
  EXPECT_EQ(E_NOTINTREE, As<IAMTimelineVirtualTrack>(a)->TrackGetPriority(&count));

  size_t logged = log.entries.size();
  EXPECT_EQ(E_INVALIDARG, comp->VTrackSwapPriorities(0, 2));
  EXPECT_EQ(E_INVALIDARG, comp->VTrackInsBefore(a.Get(), 5));
  EXPECT_EQ(E_INVALIDARG, comp->VTrackInsBefore(b.Get(), -1));  // already in the group
  ComPtr<IAMTimelineObj> got;
  EXPECT_EQ(E_INVALIDARG, comp->GetVTrack(&got, 2));
  EXPECT_EQ(logged + 3, log.entries.size());
  EXPECT_EQ(2, log.entries.back().severity);
  EXPECT_EQ(E_INVALIDARG, log.entries.back().hr);

  // A composition cannot end up inside itself, however deep.
  auto outer = Node(TIMELINE_MAJOR_TYPE_COMPOSITE), inner = Node(TIMELINE_MAJOR_TYPE_COMPOSITE);
  ASSERT_EQ(S_OK, As<IAMTimelineComp>(outer)->VTrackInsBefore(inner.Get(), -1));
  EXPECT_EQ(E_INVALIDARG, As<IAMTimelineComp>(inner)->VTrackInsBefore(outer.Get(), -1));
  EXPECT_EQ(E_INVALIDARG, As<IAMTimelineComp>(outer)->VTrackInsBefore(outer.Get(), -1));
  // Only tracks and compositions are virtual tracks.
  EXPECT_EQ(E_INVALIDARG, comp->VTrackInsBefore(Node(TIMELINE_MAJOR_TYPE_SOURCE).Get(), -1));
  EXPECT_EQ(E_INVALIDARG, comp->VTrackInsBefore(Node(TIMELINE_MAJOR_TYPE_GROUP).Get(), -1));

  // Effects keep their order the same way, and only effects go in.
  auto chain = As<IAMTimelineEffectable>(b);
  auto e1 = Node(TIMELINE_MAJOR_TYPE_EFFECT), e2 = Node(TIMELINE_MAJOR_TYPE_EFFECT),
       e3 = Node(TIMELINE_MAJOR_TYPE_EFFECT);
  ASSERT_EQ(S_OK, chain->EffectInsBefore(e1.Get(), -1));
  ASSERT_EQ(S_OK, chain->EffectInsBefore(e2.Get(), -1));
  ASSERT_EQ(S_OK, chain->EffectInsBefore(e3.Get(), 1));  // e1, e3, e2
  ASSERT_EQ(S_OK, chain->EffectSwapPriorities(0, 2));    // e2, e3, e1
  EXPECT_EQ((Nodes{e2, e3, e1}), EffectsOf(b.Get()));
  EXPECT_EQ(2, Get(e1, &IAMTimelineEffect::EffectGetPriority));
  EXPECT_EQ(E_INVALIDARG, chain->EffectInsBefore(Node(TIMELINE_MAJOR_TYPE_TRANSITION).Get(), -1));
  EXPECT_EQ(E_INVALIDARG, chain->EffectSwapPriorities(0, 3));
}

TEST_F(Model, SourcesOnATrackStayInTimeOrderAndNeverOverlap) {
  auto track = AddTrack(AddGroup().Get());
  auto t = As<IAMTimelineTrack>(track);
  auto s2 = Item(TIMELINE_MAJOR_TYPE_SOURCE, 2 * kSecond, 3 * kSecond);
  auto s0 = Item(TIMELINE_MAJOR_TYPE_SOURCE, 0, kSecond);
  auto s1 = Item(TIMELINE_MAJOR_TYPE_SOURCE, kSecond, 2 * kSecond);  // touching is no overlap
  for (auto& s : {s2, s0, s1}) ASSERT_EQ(S_OK, t->SrcAdd(s.Get()));
  EXPECT_EQ((Nodes{s0, s1, s2}), SourcesOf(track.Get()));

  // An overlapping source is refused, logged, and the track keeps what it had.
  size_t logged = log.entries.size();
  auto over = Item(TIMELINE_MAJOR_TYPE_SOURCE, kSecond / 2, kSecond * 3 / 2);
  EXPECT_EQ(E_INVALIDARG, t->SrcAdd(over.Get()));
  EXPECT_EQ(logged + 1, log.entries.size());
  EXPECT_EQ(E_INVALIDARG, log.entries.back().hr);
  EXPECT_EQ((Nodes{s0, s1, s2}), SourcesOf(track.Get()));
  ComPtr<IAMTimelineGroup> owner;
  EXPECT_EQ(E_NOTINTREE, over->GetGroupIBelongTo(&owner));

  // The application adds a new source before giving it times: zero length fits anywhere.
  auto fresh = Node(TIMELINE_MAJOR_TYPE_SOURCE);
  ASSERT_EQ(S_OK, t->SrcAdd(fresh.Get()));
  // Times that would overlap are refused; free times re-sort the track.
  EXPECT_EQ(E_INVALIDARG, fresh->SetStartStop(kSecond * 5 / 2, 4 * kSecond));
  EXPECT_EQ(0, Times(fresh.Get()).first);
  ASSERT_EQ(S_OK, fresh->SetStartStop(3 * kSecond, 4 * kSecond));
  EXPECT_EQ((Nodes{s0, s1, s2, fresh}), SourcesOf(track.Get()));
  ASSERT_EQ(S_OK, s0->SetStartStop(5 * kSecond, 6 * kSecond));
  EXPECT_EQ((Nodes{s1, s2, fresh, s0}), SourcesOf(track.Get()));

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
  auto transable = As<IAMTimelineTransable>(AddTrack(AddGroup().Get()));
  auto late = Item(TIMELINE_MAJOR_TYPE_TRANSITION, 4 * kSecond, 6 * kSecond);
  auto early = Item(TIMELINE_MAJOR_TYPE_TRANSITION, kSecond, 2 * kSecond);
  ASSERT_EQ(S_OK, transable->TransAdd(late.Get()));
  ASSERT_EQ(S_OK, transable->TransAdd(early.Get()));
  EXPECT_EQ(E_INVALIDARG, transable->TransAdd(Item(TIMELINE_MAJOR_TYPE_TRANSITION, 5 * kSecond, 7 * kSecond).Get()));
  EXPECT_EQ(E_INVALIDARG, transable->TransAdd(Node(TIMELINE_MAJOR_TYPE_EFFECT).Get()));

  // The application's walk from time 0: each transition, and the time moved to its stop.
  REFERENCE_TIME at = 0;
  std::vector<std::pair<IAMTimelineObj*, REFERENCE_TIME>> walk;
  for (ComPtr<IAMTimelineObj> t; transable->GetNextTrans(t.ReleaseAndGetAddressOf(), &at) == S_OK && walk.size() < 5;)
    walk.emplace_back(t.Get(), at);
  EXPECT_EQ((decltype(walk){{early.Get(), 2 * kSecond}, {late.Get(), 6 * kSecond}}), walk);
  // From inside a transition, that transition is the next one.
  at = 5 * kSecond;
  ComPtr<IAMTimelineObj> next;
  ASSERT_EQ(S_OK, transable->GetNextTrans(&next, &at));
  EXPECT_EQ(late.Get(), next.Get());
  // Moving onto a neighbour is refused.
  EXPECT_EQ(E_INVALIDARG, early->SetStartStop(3 * kSecond, 5 * kSecond));
}

TEST_F(Model, RemoveKeepsContentWhileRemoveAllTakesItApart) {
  auto g0 = AddGroup(), group = AddGroup(), g2 = AddGroup();
  auto keep = AddTrack(group.Get()), drop = AddTrack(group.Get());
  AddTrack(g0.Get());
  auto srcKeep = Item(TIMELINE_MAJOR_TYPE_SOURCE, 0, kSecond);
  auto srcDrop = Item(TIMELINE_MAJOR_TYPE_SOURCE, 0, kSecond);
  auto fx = Item(TIMELINE_MAJOR_TYPE_EFFECT, 0, kSecond);
  ASSERT_EQ(S_OK, As<IAMTimelineTrack>(keep)->SrcAdd(srcKeep.Get()));
  ASSERT_EQ(S_OK, As<IAMTimelineTrack>(drop)->SrcAdd(srcDrop.Get()));
  ASSERT_EQ(S_OK, As<IAMTimelineEffectable>(srcDrop)->EffectInsBefore(fx.Get(), -1));

  ASSERT_EQ(S_OK, keep->Remove());
  ASSERT_EQ(S_OK, drop->RemoveAll());
  EXPECT_EQ(0, Get(group, &IAMTimelineComp::VTrackGetCount));
  // Remove: the track leaves with its source, ready to be added elsewhere.
  EXPECT_EQ(1, Get(keep, &IAMTimelineTrack::GetSourcesCount));
  ComPtr<IAMTimelineGroup> owner;
  EXPECT_EQ(E_NOTINTREE, srcKeep->GetGroupIBelongTo(&owner));
  ASSERT_EQ(S_OK, As<IAMTimelineComp>(g2)->VTrackInsBefore(keep.Get(), -1));
  ASSERT_EQ(S_OK, srcKeep->GetGroupIBelongTo(&owner));
  EXPECT_EQ(As<IAMTimelineGroup>(g2).Get(), owner.Get());
  // RemoveAll: nothing stays inside; what it held is loose and reusable.
  EXPECT_EQ(0, Get(drop, &IAMTimelineTrack::GetSourcesCount));
  EXPECT_EQ(0, Get(srcDrop, &IAMTimelineEffectable::EffectGetCount));
  EXPECT_EQ(S_OK, As<IAMTimelineEffectable>(keep)->EffectInsBefore(fx.Get(), -1));

  // A group takes itself and only itself out of the timeline, either way.
  AddTrack(group.Get());
  ASSERT_EQ(S_OK, group->RemoveAll());
  EXPECT_EQ((Nodes{g0, g2}), GroupsOf(timeline.Get()));
  EXPECT_EQ(1, Get(g0, &IAMTimelineComp::VTrackGetCount));
  ASSERT_EQ(S_OK, g2->Remove());
  EXPECT_EQ(1, Get(timeline, &IAMTimeline::GetGroupCount));
}

TEST_F(Model, TimelineKeepsGroupsInOrderAndMeasuresTheLatestStop) {
  auto g0 = AddGroup(), g1 = AddGroup();
  EXPECT_EQ(E_INVALIDARG, timeline->AddGroup(g0.Get()));
  EXPECT_EQ(E_INVALIDARG, timeline->AddGroup(Node(TIMELINE_MAJOR_TYPE_TRACK).Get()));
  EXPECT_EQ(1, Get(g1, &IAMTimelineGroup::GetPriority));

  auto t1 = AddTrack(g1.Get());
  AddTrack(g0.Get());
  auto src = Item(TIMELINE_MAJOR_TYPE_SOURCE, 2 * kSecond, 4 * kSecond);
  ASSERT_EQ(S_OK, As<IAMTimelineTrack>(t1)->SrcAdd(src.Get()));
  EXPECT_EQ(4 * kSecond, Get(timeline, &IAMTimeline::GetDuration));
  // An effect on a source is timed from the source's start.
  auto fx = Item(TIMELINE_MAJOR_TYPE_EFFECT, 0, 3 * kSecond);
  ASSERT_EQ(S_OK, As<IAMTimelineEffectable>(src)->EffectInsBefore(fx.Get(), -1));
  EXPECT_EQ(5 * kSecond, Get(timeline, &IAMTimeline::GetDuration));
  EXPECT_EQ(Span(0, 5 * kSecond), Times(t1.Get()));

  LONG n = 0, withComps = 0;
  ASSERT_EQ(S_OK, timeline->GetCountOfType(1, &n, &withComps, TIMELINE_MAJOR_TYPE_SOURCE));
  EXPECT_EQ(1, n);
  EXPECT_EQ(E_INVALIDARG, timeline->GetCountOfType(2, &n, &withComps, TIMELINE_MAJOR_TYPE_SOURCE));

  ASSERT_EQ(S_OK, timeline->ClearAllGroups());
  EXPECT_EQ(0, Get(timeline, &IAMTimeline::GetGroupCount));
  EXPECT_EQ(0, Get(timeline, &IAMTimeline::GetDuration));
  // Cleared groups are loose: another timeline may take them.
  EXPECT_EQ(S_OK, timeline->AddGroup(g0.Get()));
  EXPECT_EQ(E_INVALIDARG, timeline->SetDefaultFPS(0.0));
}

TEST_F(Model, ObjectPropertiesKeepWhatTheyAreGivenAndRefuseWhatIsOutOfRange) {
  auto obj = Node(TIMELINE_MAJOR_TYPE_SOURCE);
  Bstr name;
  ASSERT_EQ(S_OK, obj->GetUserName(name.Out()));
  EXPECT_EQ(nullptr, name.Get());
  const std::wstring unicode = L"Clip \u00e9\u4e2d\U0001F3AC";
  ASSERT_EQ(S_OK, obj->SetUserName(Bstr(unicode)));
  obj->GetUserName(name.Out());
  EXPECT_EQ(unicode, name.Text());
  ASSERT_EQ(S_OK, obj->SetUserName(nullptr));  // a null name clears it
  obj->GetUserName(name.Out());
  EXPECT_EQ(nullptr, name.Get());
  ASSERT_EQ(S_OK, obj->SetUserName(Bstr(L"")));  // an empty name is still a name
  obj->GetUserName(name.Out());
  EXPECT_NE(nullptr, name.Get());

  BYTE data[] = {1, 0, 255}, small[2], back[3] = {};
  ASSERT_EQ(S_OK, obj->SetUserData(data, 3));
  LONG size = 0;
  ASSERT_EQ(S_OK, obj->GetUserData(nullptr, &size));
  EXPECT_EQ(3, size);
  size = 2;
  EXPECT_EQ(E_INVALIDARG, obj->GetUserData(small, &size));
  size = 3;
  ASSERT_EQ(S_OK, obj->GetUserData(back, &size));
  EXPECT_EQ(0, memcmp(data, back, 3));

  ASSERT_EQ(S_OK, obj->SetSubObjectGUID({0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}}));
  obj->GetSubObjectGUIDB(name.Out());
  EXPECT_EQ(L"{12345678-9ABC-DEF0-0102-030405060708}", name.Text());
  EXPECT_EQ(E_INVALIDARG, obj->SetSubObjectGUIDB(Bstr(L"12345678-9ABC-DEF0-0102-030405060708")));
  ASSERT_EQ(S_OK, obj->SetSubObjectGUIDB(Bstr(L"{00000000-0000-0000-0000-0000000000AB}")));
  EXPECT_EQ(0xAB, Get(obj, &IAMTimelineObj::GetSubObjectGUID).Data4[7]);

  EXPECT_EQ(E_INVALIDARG, obj->SetStartStop(2, 1));
  auto src = As<IAMTimelineSrc>(obj);
  EXPECT_EQ(E_INVALIDARG, src->SetStretchMode(4));
  EXPECT_EQ(E_INVALIDARG, src->SetStreamNumber(-1));
  EXPECT_EQ(E_INVALIDARG, src->SetMediaTimes(5, 4));
  EXPECT_EQ(E_INVALIDARG, src->SetDefaultFPS(-1));
  EXPECT_EQ(S_OK, src->SetStretchMode(RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX));

  // Objects may outlive their timeline without reaching back into it.
  IAMTimeline* noRef = nullptr;
  EXPECT_EQ(S_OK, obj->GetTimelineNoRef(&noRef));
  EXPECT_EQ(timeline.Get(), noRef);
  timeline.Reset();
  EXPECT_EQ(E_NO_TIMELINE, obj->GetTimelineNoRef(&noRef));
  EXPECT_EQ(nullptr, noRef);
}

TEST_F(Model, GroupMediaTypeIsCopiedInAndOutAndTypesThatWouldNotSurviveASaveAreRefused) {
  auto g = As<IAMTimelineGroup>(AddGroup());
  EXPECT_TRUE(Get(g, &IAMTimelineGroup::GetPreviewMode));

  TestType type = VideoType(MEDIASUBTYPE_RGB24, 24, 640, 480);
  ASSERT_EQ(S_OK, g->SetMediaType(type.Get()));
  type.Bih().biWidth = 1;  // the group holds its own copy
  TestType held = GroupType(g);
  ASSERT_EQ(sizeof(VIDEOINFOHEADER), held.format.size());
  EXPECT_EQ(640, held.Bih().biWidth);

  // Each breaks one rule: sizes, format length, bit fields, subtype, palette, code; sample format, rate.
  TestType cut = VideoType(MEDIASUBTYPE_RGB24, 24, 64, 48);
  cut.format.resize(8);
  TestType refused[] = {VideoType(MEDIASUBTYPE_RGB24, 24, 0, 48),
                        cut,
                        VideoType(MEDIASUBTYPE_RGB565, 16, 64, 48, BI_BITFIELDS),
                        VideoType(MEDIASUBTYPE_RGB565, 16, 64, 48),
                        VideoType(MEDIASUBTYPE_RGB24, 16, 64, 48),
                        VideoType(MEDIASUBTYPE_RGB32, 32, 64, 48, BI_BITFIELDS),
                        VideoType(MEDIASUBTYPE_RGB8, 8, 64, 48),
                        VideoType(MEDIASUBTYPE_YUY2, 16, 64, 48),
                        VideoType(MEDIASUBTYPE_RGB24, 24, 70000, 48),
                        VideoType(MEDIASUBTYPE_RGB24, 24, 64, -70000),
                        PcmType(2, 48000, 32, WAVE_FORMAT_IEEE_FLOAT),
                        PcmType(2, 48000, 12, WAVE_FORMAT_PCM, 3),
                        PcmType(2, 48000, 16, WAVE_FORMAT_PCM, 2, 96000),
                        PcmType(2, 1000001, 16)};
  const size_t logged = log.entries.size();
  for (size_t i = 0; i < std::size(refused); ++i)
    EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, g->SetMediaType(refused[i].Get())) << i;
  // Each refusal is logged and leaves the type the group had.
  EXPECT_EQ(logged + std::size(refused), log.entries.size());
  EXPECT_EQ(DEX_IDS_BAD_MEDIATYPE, log.entries.back().code);
  EXPECT_EQ(held.format, GroupType(g).format);
  // The render window types what the user wrote; 0 must not become the rate.
  EXPECT_EQ(E_INVALIDARG, g->SetOutputFPS(0.0));
}

}  // namespace
}  // namespace enginetest
