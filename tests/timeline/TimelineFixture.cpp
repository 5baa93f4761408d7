#include "TimelineFixture.h"

namespace tltest {

using enginetest::As;

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
  enginetest::TestType type = enginetest::VideoType(MEDIASUBTYPE_RGB24, 24, 320, 240);
  type.mt.bFixedSizeSamples = TRUE;
  type.mt.lSampleSize = type.Bih().biSizeImage = 320 * 240 * 3;
  ComPtr<IAMTimelineObj> group = EngineTest::AddGroup(type.Get());
  if (name) SetName(group.Get(), name);
  for (int i = 0; i < tracks; ++i) AddTrack(group.Get());
  return group;
}

ComPtr<IAMTimelineObj> TimelineTest::Track(IAMTimelineObj* group, int index) {
  ComPtr<IAMTimelineObj> track;
  EXPECT_EQ(S_OK, As<IAMTimelineComp>(group)->GetVTrack(&track, index));
  return track;
}

ComPtr<IAMTimelineObj> TimelineTest::Named(TIMELINE_MAJOR_TYPE kind, int64_t start, int64_t stop, const wchar_t* name) {
  ComPtr<IAMTimelineObj> item = Item(kind, start * 10, stop * 10);
  if (name) SetName(item.Get(), name);
  return item;
}

ComPtr<IAMTimelineObj> TimelineTest::AddSource(IAMTimelineObj* track, int64_t start, int64_t stop, const wchar_t* name,
                                               const wchar_t* media) {
  ComPtr<IAMTimelineObj> source = Named(TIMELINE_MAJOR_TYPE_SOURCE, start, stop, name);
  EXPECT_EQ(S_OK, As<IAMTimelineSrc>(source)->SetMediaName(enginetest::Bstr(media)));
  EXPECT_EQ(S_OK, As<IAMTimelineTrack>(track)->SrcAdd(source.Get()));
  return source;
}

ComPtr<IAMTimelineObj> TimelineTest::AddEffect(IAMTimelineObj* track, int64_t start, int64_t stop,
                                               const wchar_t* name) {
  ComPtr<IAMTimelineObj> effect = Named(TIMELINE_MAJOR_TYPE_EFFECT, start, stop, name);
  EXPECT_EQ(S_OK, As<IAMTimelineEffectable>(track)->EffectInsBefore(effect.Get(), -1));
  return effect;
}

ComPtr<IAMTimelineObj> TimelineTest::AddTransition(IAMTimelineObj* track, int64_t start, int64_t stop,
                                                   const wchar_t* name) {
  ComPtr<IAMTimelineObj> transition = Named(TIMELINE_MAJOR_TYPE_TRANSITION, start, stop, name);
  EXPECT_EQ(S_OK, As<IAMTimelineTransable>(track)->TransAdd(transition.Get()));
  return transition;
}

}  // namespace tltest
