#include "TimelineFixture.h"

#include "EngineTestSupport.h"

namespace tltest {

using enginetest::As;

void TimelineTest::SetUp() {
  timeline = enginetest::Create<IAMTimeline>(CLSID_AMTimeline);
  ASSERT_TRUE(timeline);
}

void TimelineTest::TearDown() { timeline.Reset(); }

void TimelineTest::SetName(IAMTimelineObj* object, const wchar_t* name) {
  EXPECT_EQ(S_OK, object->SetUserName(enginetest::Bstr(name)));
}

std::wstring TimelineTest::NameOf(IAMTimelineObj* object) {
  enginetest::Bstr text;
  object->GetUserName(text.Out());
  return text.Str();
}

long TimelineTest::GroupCount() const { return enginetest::Get(timeline, &IAMTimeline::GetGroupCount); }

ComPtr<IAMTimelineObj> TimelineTest::AddGroup(const wchar_t* name, int tracks) {
  ComPtr<IAMTimelineObj> group;
  EXPECT_EQ(S_OK, timeline->CreateEmptyNode(&group, TIMELINE_MAJOR_TYPE_GROUP));
  enginetest::TestType type = enginetest::VideoType(MEDIASUBTYPE_RGB24, 24, 320, 240);
  type.mt.bFixedSizeSamples = TRUE;
  type.mt.lSampleSize = type.Bih().biSizeImage = 320 * 240 * 3;
  EXPECT_EQ(S_OK, As<IAMTimelineGroup>(group)->SetMediaType(type.Get()));
  if (name) SetName(group.Get(), name);
  EXPECT_EQ(S_OK, timeline->AddGroup(group.Get()));
  for (int i = 0; i < tracks; ++i) {
    ComPtr<IAMTimelineObj> track;
    EXPECT_EQ(S_OK, timeline->CreateEmptyNode(&track, TIMELINE_MAJOR_TYPE_TRACK));
    EXPECT_EQ(S_OK, As<IAMTimelineComp>(group)->VTrackInsBefore(track.Get(), -1));
  }
  return group;
}

ComPtr<IAMTimelineObj> TimelineTest::Track(IAMTimelineObj* group, int index) {
  ComPtr<IAMTimelineObj> track;
  EXPECT_EQ(S_OK, As<IAMTimelineComp>(group)->GetVTrack(&track, index));
  return track;
}

ComPtr<IAMTimelineObj> TimelineTest::Item(TIMELINE_MAJOR_TYPE kind, int64_t start, int64_t stop, const wchar_t* name) {
  ComPtr<IAMTimelineObj> item;
  EXPECT_EQ(S_OK, timeline->CreateEmptyNode(&item, kind));
  EXPECT_EQ(S_OK, item->SetStartStop(start * 10, stop * 10));
  if (name) SetName(item.Get(), name);
  return item;
}

ComPtr<IAMTimelineObj> TimelineTest::AddSource(IAMTimelineObj* track, int64_t start, int64_t stop, const wchar_t* name,
                                               const wchar_t* media) {
  ComPtr<IAMTimelineObj> source = Item(TIMELINE_MAJOR_TYPE_SOURCE, start, stop, name);
  EXPECT_EQ(S_OK, As<IAMTimelineSrc>(source)->SetMediaName(enginetest::Bstr(media)));
  EXPECT_EQ(S_OK, As<IAMTimelineTrack>(track)->SrcAdd(source.Get()));
  return source;
}

ComPtr<IAMTimelineObj> TimelineTest::AddEffect(IAMTimelineObj* track, int64_t start, int64_t stop,
                                               const wchar_t* name) {
  ComPtr<IAMTimelineObj> effect = Item(TIMELINE_MAJOR_TYPE_EFFECT, start, stop, name);
  EXPECT_EQ(S_OK, As<IAMTimelineEffectable>(track)->EffectInsBefore(effect.Get(), -1));
  return effect;
}

ComPtr<IAMTimelineObj> TimelineTest::AddTransition(IAMTimelineObj* track, int64_t start, int64_t stop,
                                                   const wchar_t* name) {
  ComPtr<IAMTimelineObj> transition = Item(TIMELINE_MAJOR_TYPE_TRANSITION, start, stop, name);
  EXPECT_EQ(S_OK, As<IAMTimelineTransable>(track)->TransAdd(transition.Get()));
  return transition;
}

}  // namespace tltest
