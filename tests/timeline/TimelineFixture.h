// The engine's timeline fixture with builders that name what they place, in microseconds.
#pragma once

#include <cstdint>
#include <string>

#include "EngineTestSupport.h"
#include "services/GroupMediaTypes.h"
#include "timeline/GroupHelpers.h"

namespace tltest {

using enginetest::As;
using Microsoft::WRL::ComPtr;

class TimelineTest : public enginetest::EngineTest {
 public:
  static void SetName(IAMTimelineObj* object, const wchar_t* name) { EXPECT_EQ(S_OK, object->SetUserName(Bstr(name))); }
  static std::wstring NameOf(IAMTimelineObj* object) {
    Bstr text;
    object->GetUserName(text.Out());
    return text.Text();
  }

 protected:
  // A video group (RGB24, 320 × 240) made as the program makes groups.
  ComPtr<IAMTimelineObj> AddGroup(const wchar_t* name, int tracks) {
    ComPtr<IAMTimelineObj> group;
    EXPECT_EQ(S_OK, CreateGroup(timeline.Get(), &group,
                                {false, false, tracks, name, kGroupVideo, 1, TLGroupDesc::VideoFormat(320, 240)}));
    return group;
  }
  ComPtr<IAMTimelineObj> Track(IAMTimelineObj* group, int index) {
    ComPtr<IAMTimelineObj> track;
    EXPECT_EQ(S_OK, As<IAMTimelineComp>(group)->GetVTrack(&track, index));
    return track;
  }
  // Times in microseconds; a null name leaves the user name unset.
  ComPtr<IAMTimelineObj> AddSource(IAMTimelineObj* track, int64_t start, int64_t stop, const wchar_t* name,
                                   const wchar_t* media = L"C:\\media\\clip.avi") {
    ComPtr<IAMTimelineObj> source = Named(TIMELINE_MAJOR_TYPE_SOURCE, start, stop, name);
    EXPECT_EQ(S_OK, As<IAMTimelineSrc>(source)->SetMediaName(Bstr(media)));
    EXPECT_EQ(S_OK, As<IAMTimelineTrack>(track)->SrcAdd(source.Get()));
    return source;
  }
  ComPtr<IAMTimelineObj> AddEffect(IAMTimelineObj* track, int64_t start, int64_t stop, const wchar_t* name) {
    ComPtr<IAMTimelineObj> effect = Named(TIMELINE_MAJOR_TYPE_EFFECT, start, stop, name);
    EXPECT_EQ(S_OK, As<IAMTimelineEffectable>(track)->EffectInsBefore(effect.Get(), -1));
    return effect;
  }
  ComPtr<IAMTimelineObj> AddTransition(IAMTimelineObj* track, int64_t start, int64_t stop, const wchar_t* name) {
    ComPtr<IAMTimelineObj> transition = Named(TIMELINE_MAJOR_TYPE_TRANSITION, start, stop, name);
    EXPECT_EQ(S_OK, As<IAMTimelineTransable>(track)->TransAdd(transition.Get()));
    return transition;
  }

 private:
  ComPtr<IAMTimelineObj> Named(TIMELINE_MAJOR_TYPE kind, int64_t start, int64_t stop, const wchar_t* name) {
    ComPtr<IAMTimelineObj> item = Item(kind, start * 10, stop * 10);
    if (name) SetName(item.Get(), name);
    return item;
  }
};

}  // namespace tltest
