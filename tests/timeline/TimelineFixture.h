// What the timeline-view tests share: COM with the engine's classes registered, and a fresh
// timeline per test with small builders that place objects through the editing services.
#pragma once

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>

#include "services/EditingServices.h"

namespace tltest {

using Microsoft::WRL::ComPtr;

class TimelineTest : public ::testing::Test {
 public:
  static void SetName(IAMTimelineObj* object, const wchar_t* name);
  static std::wstring NameOf(IAMTimelineObj* object);

 protected:
  void SetUp() override;
  void TearDown() override;

  // A video group (RGB24, 320 × 240) with the given number of unnamed tracks.
  ComPtr<IAMTimelineObj> AddGroup(const wchar_t* name, int tracks);
  ComPtr<IAMTimelineObj> Track(IAMTimelineObj* group, int index);
  // Times in microseconds; a null name leaves the user name unset.
  ComPtr<IAMTimelineObj> AddSource(IAMTimelineObj* track, int64_t start, int64_t stop, const wchar_t* name,
                                   const wchar_t* media = L"C:\\media\\clip.avi");
  ComPtr<IAMTimelineObj> AddEffect(IAMTimelineObj* track, int64_t start, int64_t stop, const wchar_t* name);
  ComPtr<IAMTimelineObj> AddTransition(IAMTimelineObj* track, int64_t start, int64_t stop, const wchar_t* name);
  long GroupCount() const;

  ComPtr<IAMTimeline> timeline;

 private:
  ComPtr<IAMTimelineObj> Item(TIMELINE_MAJOR_TYPE kind, int64_t start, int64_t stop, const wchar_t* name);
};

}  // namespace tltest
