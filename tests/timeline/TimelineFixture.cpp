#include "TimelineFixture.h"

#include <amvideo.h>
#include <uuids.h>

#include "engine/EngineRegistration.h"

namespace tltest {

namespace {

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
  ComPtr<IAMTimelineGroup> groupPart;
  EXPECT_EQ(S_OK, group.As(&groupPart));
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_RGB24;
  type.formattype = FORMAT_VideoInfo;
  VIDEOINFOHEADER info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = 320;
  info.bmiHeader.biHeight = 240;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biSizeImage = 320 * 240 * 3;
  type.cbFormat = sizeof info;
  type.pbFormat = reinterpret_cast<BYTE*>(&info);
  type.bFixedSizeSamples = TRUE;
  type.lSampleSize = info.bmiHeader.biSizeImage;
  EXPECT_EQ(S_OK, groupPart->SetMediaType(&type));
  if (name) SetName(group.Get(), name);
  EXPECT_EQ(S_OK, timeline->AddGroup(group.Get()));
  ComPtr<IAMTimelineComp> comp;
  EXPECT_EQ(S_OK, group.As(&comp));
  for (int i = 0; i < tracks; ++i) {
    ComPtr<IAMTimelineObj> track;
    EXPECT_EQ(S_OK, timeline->CreateEmptyNode(&track, TIMELINE_MAJOR_TYPE_TRACK));
    EXPECT_EQ(S_OK, comp->VTrackInsBefore(track.Get(), -1));
  }
  return group;
}

ComPtr<IAMTimelineObj> TimelineTest::Track(IAMTimelineObj* group, int index) {
  ComPtr<IAMTimelineComp> comp;
  ComPtr<IAMTimelineObj> track;
  EXPECT_EQ(S_OK, group->QueryInterface(IID_IAMTimelineComp, reinterpret_cast<void**>(comp.GetAddressOf())));
  if (comp) {
    EXPECT_EQ(S_OK, comp->GetVTrack(&track, index));
  }
  return track;
}

ComPtr<IAMTimelineObj> TimelineTest::Item(TIMELINE_MAJOR_TYPE kind, int64_t start, int64_t stop,
                                          const wchar_t* name) {
  ComPtr<IAMTimelineObj> item;
  EXPECT_EQ(S_OK, timeline->CreateEmptyNode(&item, kind));
  EXPECT_EQ(S_OK, item->SetStartStop(start * 10, stop * 10));
  if (name) SetName(item.Get(), name);
  return item;
}

ComPtr<IAMTimelineObj> TimelineTest::AddSource(IAMTimelineObj* track, int64_t start, int64_t stop,
                                               const wchar_t* name, const wchar_t* media) {
  ComPtr<IAMTimelineObj> source = Item(TIMELINE_MAJOR_TYPE_SOURCE, start, stop, name);
  ComPtr<IAMTimelineSrc> sourcePart;
  EXPECT_EQ(S_OK, source.As(&sourcePart));
  BSTR path = SysAllocString(media);
  EXPECT_EQ(S_OK, sourcePart->SetMediaName(path));
  SysFreeString(path);
  EXPECT_EQ(S_OK, sourcePart->SetMediaTimes(0, (stop - start) * 10));
  ComPtr<IAMTimelineTrack> trackPart;
  EXPECT_EQ(S_OK, track->QueryInterface(IID_IAMTimelineTrack, reinterpret_cast<void**>(trackPart.GetAddressOf())));
  if (trackPart) {
    EXPECT_EQ(S_OK, trackPart->SrcAdd(source.Get()));
  }
  return source;
}

ComPtr<IAMTimelineObj> TimelineTest::AddEffect(IAMTimelineObj* track, int64_t start, int64_t stop,
                                               const wchar_t* name) {
  ComPtr<IAMTimelineObj> effect = Item(TIMELINE_MAJOR_TYPE_EFFECT, start, stop, name);
  ComPtr<IAMTimelineEffectable> effectable;
  EXPECT_EQ(S_OK, track->QueryInterface(IID_IAMTimelineEffectable, reinterpret_cast<void**>(effectable.GetAddressOf())));
  if (effectable) {
    EXPECT_EQ(S_OK, effectable->EffectInsBefore(effect.Get(), -1));
  }
  return effect;
}

ComPtr<IAMTimelineObj> TimelineTest::AddTransition(IAMTimelineObj* track, int64_t start, int64_t stop,
                                                   const wchar_t* name) {
  ComPtr<IAMTimelineObj> transition = Item(TIMELINE_MAJOR_TYPE_TRANSITION, start, stop, name);
  ComPtr<IAMTimelineTransable> transable;
  EXPECT_EQ(S_OK, track->QueryInterface(IID_IAMTimelineTransable, reinterpret_cast<void**>(transable.GetAddressOf())));
  if (transable) {
    EXPECT_EQ(S_OK, transable->TransAdd(transition.Get()));
  }
  return transition;
}

}  // namespace tltest
