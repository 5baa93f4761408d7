// What the timeline-view tests share: the engine's timeline fixture, with small builders that
// name what they place and take times in microseconds, as the view shows them.
#pragma once

#include <cstdint>
#include <string>

#include "EngineTestSupport.h"

namespace tltest {

using Microsoft::WRL::ComPtr;

class TimelineTest : public enginetest::EngineTest {
 public:
  static void SetName(IAMTimelineObj* object, const wchar_t* name);
  static std::wstring NameOf(IAMTimelineObj* object);

 protected:
  // A video group (RGB24, 320 × 240) made as the program makes groups.
  ComPtr<IAMTimelineObj> AddGroup(const wchar_t* name, int tracks);
  ComPtr<IAMTimelineObj> Track(IAMTimelineObj* group, int index);
  // Times in microseconds; a null name leaves the user name unset.
  ComPtr<IAMTimelineObj> AddSource(IAMTimelineObj* track, int64_t start, int64_t stop, const wchar_t* name,
                                   const wchar_t* media = L"C:\\media\\clip.avi");
  ComPtr<IAMTimelineObj> AddEffect(IAMTimelineObj* track, int64_t start, int64_t stop, const wchar_t* name);
  ComPtr<IAMTimelineObj> AddTransition(IAMTimelineObj* track, int64_t start, int64_t stop, const wchar_t* name);

 private:
  ComPtr<IAMTimelineObj> Named(TIMELINE_MAJOR_TYPE kind, int64_t start, int64_t stop, const wchar_t* name);
};

}  // namespace tltest
