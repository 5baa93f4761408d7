#include "TimelineFixture.h"

#include <amvideo.h>
#include <uuids.h>

namespace tltest {

namespace {

template <class I>
ComPtr<I> As(IUnknown* object) {
  ComPtr<I> part;
  EXPECT_EQ(S_OK, object->QueryInterface(__uuidof(I), reinterpret_cast<void**>(part.GetAddressOf())));
  return part;
}

}  // namespace

void TimelineTest::SetUp() {
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                                   reinterpret_cast<void**>(timeline.GetAddressOf())));
}

void TimelineTest::TearDown() { timeline.Reset(); }

void TimelineTest::SetName(IAMTimelineObj* object, const wchar_t* name) {
  BSTR text = name ? SysAllocString(name) : nullptr;
  EXPECT_EQ(S_OK, object->SetUserName(text));
  SysFreeString(text);
}

std::wstring TimelineTest::NameOf(IAMTimelineObj* object) {
  BSTR text = nullptr;
  object->GetUserName(&text);
  std::wstring result = text ? text : L"";
  SysFreeString(text);
  return result;
}

long TimelineTest::GroupCount() const {
  long count = -1;
  timeline->GetGroupCount(&count);
  return count;
}

ComPtr<IAMTimelineObj> TimelineTest::AddGroup(const wchar_t* name, int tracks) {
  ComPtr<IAMTimelineObj> group;
  EXPECT_EQ(S_OK, timeline->CreateEmptyNode(&group, TIMELINE_MAJOR_TYPE_GROUP));
  VIDEOINFOHEADER info = {};
  info.bmiHeader = {sizeof info.bmiHeader, 320, 240, 1, 24, BI_RGB, 320 * 240 * 3, 0, 0, 0, 0};
  AM_MEDIA_TYPE type = {MEDIATYPE_Video,
                        MEDIASUBTYPE_RGB24,
                        TRUE,
                        FALSE,
                        info.bmiHeader.biSizeImage,
                        FORMAT_VideoInfo,
                        nullptr,
                        sizeof info,
                        reinterpret_cast<BYTE*>(&info)};
  EXPECT_EQ(S_OK, As<IAMTimelineGroup>(group.Get())->SetMediaType(&type));
  if (name) SetName(group.Get(), name);
  EXPECT_EQ(S_OK, timeline->AddGroup(group.Get()));
  for (int i = 0; i < tracks; ++i) {
    ComPtr<IAMTimelineObj> track;
    EXPECT_EQ(S_OK, timeline->CreateEmptyNode(&track, TIMELINE_MAJOR_TYPE_TRACK));
    EXPECT_EQ(S_OK, As<IAMTimelineComp>(group.Get())->VTrackInsBefore(track.Get(), -1));
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
  BSTR path = SysAllocString(media);
  EXPECT_EQ(S_OK, As<IAMTimelineSrc>(source.Get())->SetMediaName(path));
  SysFreeString(path);
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
