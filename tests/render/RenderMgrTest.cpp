// The render manager in real graphs: the engine's front end, our multiplexer, the platform's compressors.
#include "EngineTestSupport.h"
#include "MediaTestFiles.h"
#include "TestSupport.h"
#include "core/FilterCatalog.h"
#include "render/TLRenderMgr.h"
#include "services/ComUtil.h"

using namespace enginetest;
using testsupport::InCurrentDir;

namespace {

// The filter at the other end of a pin, or null.
ComPtr<IBaseFilter> Downstream(IPin* pin) {
  ComPtr<IPin> peer;
  ComPtr<IBaseFilter> filter;
  PIN_INFO info{};
  if (SUCCEEDED(pin->ConnectedTo(&peer)) && peer && SUCCEEDED(peer->QueryPinInfo(&info))) Adopt(filter, info.pFilter);
  return filter;
}

class RenderMgrTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    FilterCatalog::Clear();
    auto& video = FilterCatalog::VideoCompressors();
    video.push_back({true, L"Uncompressed video", GUID_NULL, L""});
    EnumerateCategory(video, CLSID_VideoCompressorCategory, 1);
    FilterCatalog::AudioCompressors().push_back({true, L"Uncompressed audio", GUID_NULL, L""});
    LoadSkipList({});
  }
  void TearDown() override {
    mgr.ReleaseGraph(true);
    FilterCatalog::Clear();
    LoadSkipList({});
  }

  // A 64 x 48 video group at 10 frames a second holding a grey still for one second.
  void AddVideoGroup() {
    auto group = AddGroup(VideoType(MEDIASUBTYPE_RGB24, 24, 64, 48).Get());
    As<IAMTimelineGroup>(group)->SetOutputFPS(10);
    ASSERT_TRUE(WriteColourBmp(still, 64, 48, 0x808080));
    AddSource(AddTrack(group.Get()).Get(), 0, kSecond, still, 0, kSecond);
  }
  void AddAudioGroup() { AddGroup(PcmType(2, 22050).Get()); }
  ComPtr<IPin> GroupPin(LONG n) {
    ComPtr<IPin> pin;
    EXPECT_EQ(S_OK, mgr.engine->GetGroupOutputPin(n, &pin));
    return pin;
  }

  const std::wstring still = InCurrentDir(L"grey.bmp");
  TLRenderMgr mgr;
};

TEST_F(RenderMgrTest, WithoutTimelineOrGraphTheManagerRefusesAndATimelineWithoutGroupsOnlyCreatesTheOutput) {
  EXPECT_EQ(-1, mgr.CreateGraph());
  EXPECT_EQ(-1, mgr.RenderToFile(MEDIASUBTYPE_Avi, InCurrentDir(L"none.avi").c_str(), nullptr));

  ASSERT_EQ(S_OK, mgr.SetTimeline(timeline.Get()));
  EXPECT_TRUE(mgr.groups.empty());
  ASSERT_EQ(S_OK, mgr.CreateGraph());
  EXPECT_NE(0u, mgr.registrationToken);
  ComPtr<IMediaSeeking> seeking;
  EXPECT_EQ(S_OK, mgr.RenderToFile(MEDIASUBTYPE_Avi, InCurrentDir(L"empty.avi").c_str(), &seeking));
  ASSERT_TRUE(seeking);
  EXPECT_EQ(S_OK, seeking->IsUsingTimeFormat(&TIME_FORMAT_MEDIA_TIME));
  seeking.Reset();
  mgr.ReleaseGraph(false);
  EXPECT_FALSE(mgr.graph || mgr.engine || mgr.builder);
  EXPECT_EQ(0u, mgr.registrationToken);
}

TEST_F(RenderMgrTest, UncompressedGroupsAreRenderedStraightIntoTheMultiplexerButNeverOntoTheProject) {
  AddVideoGroup();
  AddAudioGroup();
  ASSERT_EQ(S_OK, mgr.SetTimeline(timeline.Get()));
  ASSERT_EQ(2u, mgr.groups.size());
  EXPECT_FALSE(Get(mgr.groups[0].group, &IAMTimelineGroup::GetPreviewMode));

  // Configuring the uncompressed entry without connecting first neither fails late nor builds a graph.
  EXPECT_EQ(E_INVALIDARG, mgr.ConfigureCompressor(0, false, nullptr, nullptr, nullptr));
  EXPECT_EQ(nullptr, mgr.graph.Get());
  EXPECT_EQ(E_INVALIDARG, mgr.ConfigureCompressor(1, true, nullptr, nullptr, nullptr));
  EXPECT_EQ(E_INVALIDARG, mgr.ConfigureCompressor(2, true, nullptr, nullptr, nullptr));
  EXPECT_EQ(E_INVALIDARG, mgr.ConnectCompressor(2));

  ASSERT_EQ(S_OK, mgr.CreateGraph());
  // The project is no destination (./mrq render's tests try the spellings of its inputs' names).
  const std::wstring project = InCurrentDir(L"Project.kdp");
  ASSERT_TRUE(testsupport::WriteText(project, "<KDP/>"));
  mgr.projectFile = project;
  EXPECT_EQ(TLRenderMgr::kDestinationIsInput,
            mgr.RenderToFile(MEDIASUBTYPE_Avi, InCurrentDir(L"project.KDP").c_str(), nullptr));
  EXPECT_EQ(project, mgr.destinationClash);
  EXPECT_EQ("<KDP/>", testsupport::ReadText(project));
  ComPtr<IMediaSeeking> seeking;
  ASSERT_EQ(S_OK, mgr.RenderToFile(MEDIASUBTYPE_Avi, InCurrentDir(L"both.avi").c_str(), &seeking));
  auto videoMux = Downstream(GroupPin(0).Get());
  ASSERT_TRUE(videoMux);
  EXPECT_EQ(videoMux, Downstream(GroupPin(1).Get()));
  EXPECT_FALSE(mgr.groups[0].connected);
  EXPECT_EQ(nullptr, mgr.groups[0].compressor.Get());
  EXPECT_EQ(EC_COMPLETE, RunGraph(mgr.graph.Get(), 30000));
  EXPECT_GE(Get(seeking, &IMediaSeeking::GetCurrentPosition), kSecond * 9 / 10);
  seeking.Reset();

  // Dropping the records puts the groups back into preview mode.
  ComPtr<IAMTimelineGroup> first(mgr.groups[0].group);
  mgr.ReleaseGraph(true);
  EXPECT_TRUE(mgr.groups.empty());
  EXPECT_TRUE(Get(first, &IAMTimelineGroup::GetPreviewMode));
}

TEST_F(RenderMgrTest, APlatformCompressorIsPutBehindTheGroupUnderItsNameOnceReplacesAnEarlierOneAndRenders) {
  const auto& video = FilterCatalog::VideoCompressors();
  LONG rle = 1;
  while (rle < static_cast<LONG>(video.size()) && video[rle].name != L"Wine MS-RLE video codec") ++rle;
  ASSERT_LT(rle, static_cast<LONG>(video.size())) << "the platform's RLE compressor is not in the catalogue";
  AddVideoGroup();
  ASSERT_EQ(S_OK, mgr.SetTimeline(timeline.Get()));
  mgr.groups[0].compressorIndex = rle;

  // Connecting builds the graph on demand; the codec takes only palettised pictures, which
  // the group's output offers besides its own type.
  ASSERT_EQ(S_OK, mgr.ConnectCompressor(0));
  ASSERT_TRUE(mgr.graph);
  ASSERT_TRUE(mgr.groups[0].compressor);
  ASSERT_TRUE(mgr.groups[0].connected);
  AM_MEDIA_TYPE mt{};
  ASSERT_EQ(S_OK, GroupPin(0)->ConnectionMediaType(&mt));
  EXPECT_EQ(MEDIASUBTYPE_RGB8, mt.subtype);
  CoTaskMemFree(mt.pbFormat);
  ComPtr<IBaseFilter> before = Downstream(GroupPin(0).Get());
  EXPECT_EQ(S_OK, mgr.ConnectCompressor(0));  // already connected: left as it is
  EXPECT_EQ(before, Downstream(GroupPin(0).Get()));

  // A new compressor object for the same group takes the old one's place and name.
  ComPtr<IBaseFilter> old = mgr.groups[0].compressor;
  mgr.groups[0].compressor.Reset();
  mgr.groups[0].connected = false;
  ASSERT_EQ(S_OK, mgr.ConnectCompressor(0));
  ASSERT_TRUE(mgr.groups[0].compressor);
  EXPECT_NE(old.Get(), mgr.groups[0].compressor.Get());
  ComPtr<IBaseFilter> named;
  ASSERT_EQ(S_OK, mgr.graph->FindFilterByName(L"MRQ_group_compressor_0", &named));
  EXPECT_EQ(named.Get(), mgr.groups[0].compressor.Get());

  // check_render_files.sh reads it back as ten run-length coded frames of the grey still.
  ASSERT_EQ(S_OK, mgr.RenderToFile(MEDIASUBTYPE_Avi, InCurrentDir(L"rle.avi").c_str(), nullptr));
  EXPECT_EQ(EC_COMPLETE, RunGraph(mgr.graph.Get(), 30000));
}

TEST_F(RenderMgrTest, TheSkipListVetoesFiltersInAnyCaseAndTheCallbackAnswersOnlyItsInterfaces) {
  LoadSkipList({L"ms-rle"});
  ComPtr<IMoniker> skipped, kept;
  ASSERT_EQ(S_OK,
            CreateItemMoniker(L"!", L"@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\\mS-RlE codec", &skipped));
  ASSERT_EQ(S_OK, CreateItemMoniker(L"!", L"@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\\cvid", &kept));
  EXPECT_EQ(E_FAIL, mgr.SelectedFilter(skipped.Get()));
  EXPECT_EQ(S_OK, mgr.SelectedFilter(kept.Get()));

  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, mgr.QueryInterface(IID_IBaseFilter, &out));
  EXPECT_EQ(nullptr, out);

  // The graph consults the manager, as its builder callback.
  AddVideoGroup();
  ASSERT_EQ(S_OK, mgr.SetTimeline(timeline.Get()));
  ASSERT_EQ(S_OK, mgr.CreateGraph());
  ComPtr<IObjectWithSite> site;
  ASSERT_EQ(S_OK, mgr.graph->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(site.GetAddressOf())));
  ComPtr<IUnknown> callback;
  EXPECT_EQ(S_OK, site->GetSite(IID_IAMGraphBuilderCallback, reinterpret_cast<void**>(callback.GetAddressOf())));
  EXPECT_EQ(static_cast<IUnknown*>(static_cast<IAMGraphBuilderCallback*>(&mgr)), callback.Get());
}

}  // namespace
