#include "EngineTestSupport.h"

#include "TestSupport.h"
#include "engine/EngineRegistration.h"

#include <cstdio>

namespace enginetest {

namespace {

// COM and the engine's classes for the whole run, registered as the application does.
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

// Tests give the engine media that leave a thread stuck in the platform; the process must then
// end as the program does.
void EndLikeTheProgram(int code) {
  fflush(stdout);
  fflush(stderr);
  MrqEngineEndIfStuck(code);
}
const bool kEndsLikeTheProgram = (testsupport::g_beforeExit = &EndLikeTheProgram, true);

}  // namespace

STDMETHODIMP RecordingLog::QueryInterface(REFIID iid, void** out) {
  if (iid == IID_IUnknown || iid == IID_IAMErrorLog) {
    *out = static_cast<IAMErrorLog*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP RecordingLog::LogError(LONG severity, BSTR text, LONG code, LONG hr, VARIANT*) {
  entries.push_back({severity, text ? text : L"", code, static_cast<HRESULT>(hr)});
  return hr;
}

ComPtr<IAMTimeline> EngineTest::NewTimeline() {
  ComPtr<IAMTimeline> t;
  EXPECT_EQ(S_OK, CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                                   reinterpret_cast<void**>(t.GetAddressOf())));
  if (t) {
    ComPtr<IAMSetErrorLog> setLog = As<IAMSetErrorLog>(t.Get(), IID_IAMSetErrorLog);
    EXPECT_TRUE(setLog);
    if (setLog) setLog->put_ErrorLog(&log);
  }
  return t;
}

void EngineTest::SetUp() {
  timeline = NewTimeline();
  ASSERT_TRUE(timeline);
}

void EngineTest::TearDown() { timeline.Reset(); }

ComPtr<IAMTimelineObj> EngineTest::Node(TIMELINE_MAJOR_TYPE kind) {
  ComPtr<IAMTimelineObj> obj;
  EXPECT_EQ(S_OK, timeline->CreateEmptyNode(&obj, kind));
  return obj;
}

ComPtr<IAMTimelineObj> EngineTest::Item(TIMELINE_MAJOR_TYPE kind, REFERENCE_TIME start, REFERENCE_TIME stop) {
  auto obj = Node(kind);
  EXPECT_EQ(S_OK, obj->SetStartStop(start, stop));
  return obj;
}

ComPtr<IAMTimelineObj> EngineTest::AddGroup(IAMTimeline* target) {
  if (!target) target = timeline.Get();
  ComPtr<IAMTimelineObj> group;
  EXPECT_EQ(S_OK, target->CreateEmptyNode(&group, TIMELINE_MAJOR_TYPE_GROUP));
  EXPECT_EQ(S_OK, target->AddGroup(group.Get()));
  return group;
}

ComPtr<IAMTimelineObj> EngineTest::AddTrack(IAMTimelineObj* comp) {
  auto track = Node(TIMELINE_MAJOR_TYPE_TRACK);
  EXPECT_EQ(S_OK, As<IAMTimelineComp>(comp, IID_IAMTimelineComp)->VTrackInsBefore(track.Get(), -1));
  return track;
}

}  // namespace enginetest
