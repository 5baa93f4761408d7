#include "TimelineFixture.h"

#include "services/GroupMediaTypes.h"
#include "timeline/GroupHelpers.h"

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

ComPtr<IAMTimelineObj> TimelineTest::AddGroup(const wchar_t* name, int tracks) {
  ComPtr<IAMTimelineObj> group;
  EXPECT_EQ(S_OK, CreateGroup(timeline.Get(), &group,
                              {false, false, tracks, name, kGroupVideo, 1, TLGroupDesc::VideoFormat(320, 240)}));
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
