// The render manager against the real filter graph: the engine's front end, the capture graph
// builder's output step with our multiplexer, and the platform's compressors.
#include "MediaTestFiles.h"
#include "TestSupport.h"

#include "core/FilterCatalog.h"
#include "render/TLRenderMgr.h"

#include <gtest/gtest.h>
#include <amvideo.h>
#include <control.h>
#include <evcode.h>
#include <mmreg.h>
#include <uuids.h>
#include <vfw.h>
#include <wrl/client.h>

#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

constexpr REFERENCE_TIME kSecond = 10000000;

// A filter's name in its graph, or "" when it is in none.
std::wstring FilterName(IBaseFilter* filter) {
  FILTER_INFO info{};
  if (FAILED(filter->QueryFilterInfo(&info))) return L"?";
  std::wstring name = info.pGraph ? info.achName : L"";
  if (info.pGraph) info.pGraph->Release();
  return name;
}

// The filter at the other end of a pin, or null.
ComPtr<IBaseFilter> Downstream(IPin* pin) {
  ComPtr<IPin> peer;
  ComPtr<IBaseFilter> filter;
  if (SUCCEEDED(pin->ConnectedTo(&peer)) && peer) {
    PIN_INFO info{};
    if (SUCCEEDED(peer->QueryPinInfo(&info))) filter.Attach(info.pFilter);
  }
  return filter;
}

class RenderMgrTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                                     reinterpret_cast<void**>(timeline.GetAddressOf())));
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

  ComPtr<IAMTimelineObj> AddGroup(const wchar_t* name, const AM_MEDIA_TYPE& mt) {
    ComPtr<IAMTimelineObj> group;
    EXPECT_EQ(S_OK, timeline->CreateEmptyNode(&group, TIMELINE_MAJOR_TYPE_GROUP));
    EXPECT_EQ(S_OK, timeline->AddGroup(group.Get()));
    ComPtr<IAMTimelineGroup> g;
    group.As(&g);
    EXPECT_EQ(S_OK, g->SetMediaType(const_cast<AM_MEDIA_TYPE*>(&mt)));
    BSTR n = SysAllocString(name);
    group->SetUserName(n);
    SysFreeString(n);
    return group;
  }
  // A 64 x 48 video group at 10 frames a second holding a grey still for one second.
  ComPtr<IAMTimelineObj> AddVideoGroup(WORD bits = 24) {
    VIDEOINFOHEADER vih{};
    vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih.bmiHeader.biWidth = 64;
    vih.bmiHeader.biHeight = 48;
    vih.bmiHeader.biPlanes = 1;
    vih.bmiHeader.biBitCount = bits;
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = bits == 24 ? MEDIASUBTYPE_RGB24 : MEDIASUBTYPE_RGB32;
    mt.formattype = FORMAT_VideoInfo;
    mt.cbFormat = sizeof vih;
    mt.pbFormat = reinterpret_cast<BYTE*>(&vih);
    auto group = AddGroup(L"Video", mt);
    ComPtr<IAMTimelineGroup> g;
    group.As(&g);
    g->SetOutputFPS(10);
    const std::wstring still = testsupport::InCurrentDir(L"grey.bmp");
    EXPECT_TRUE(enginetest::WriteColourBmp(still, 64, 48, 0x808080));
    ComPtr<IAMTimelineObj> track, clip;
    timeline->CreateEmptyNode(&track, TIMELINE_MAJOR_TYPE_TRACK);
    ComPtr<IAMTimelineComp> comp;
    group.As(&comp);
    EXPECT_EQ(S_OK, comp->VTrackInsBefore(track.Get(), -1));
    timeline->CreateEmptyNode(&clip, TIMELINE_MAJOR_TYPE_SOURCE);
    clip->SetStartStop(0, kSecond);
    ComPtr<IAMTimelineSrc> src;
    clip.As(&src);
    BSTR n = SysAllocString(still.c_str());
    src->SetMediaName(n);
    SysFreeString(n);
    src->SetMediaTimes(0, kSecond);
    ComPtr<IAMTimelineTrack> t;
    track.As(&t);
    EXPECT_EQ(S_OK, t->SrcAdd(clip.Get()));
    return group;
  }
  ComPtr<IAMTimelineObj> AddAudioGroup() {
    WAVEFORMATEX wfx{WAVE_FORMAT_PCM, 2, 22050, 22050 * 4, 4, 16, 0};
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = MEDIASUBTYPE_PCM;
    mt.formattype = FORMAT_WaveFormatEx;
    mt.cbFormat = sizeof wfx;
    mt.pbFormat = reinterpret_cast<BYTE*>(&wfx);
    return AddGroup(L"Audio", mt);
  }
  ComPtr<IPin> GroupPin(LONG n) {
    ComPtr<IPin> pin;
    EXPECT_EQ(S_OK, mgr.engine->GetGroupOutputPin(n, &pin));
    return pin;
  }
  size_t CompressorIndex(const wchar_t* name) {
    auto& video = FilterCatalog::VideoCompressors();
    for (size_t i = 1; i < video.size(); ++i)
      if (video[i].name == name) return i;
    return 0;
  }
  // Runs the manager's graph to its end; returns the event that ended it.
  long Run() {
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    mgr.graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(control.GetAddressOf()));
    mgr.graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(events.GetAddressOf()));
    EXPECT_TRUE(SUCCEEDED(control->Run()));
    long code = 0;
    for (int waited = 0; waited < 30000 && !code; waited += 50) {
      long ev = 0;
      LONG_PTR p1 = 0, p2 = 0;
      if (events->GetEvent(&ev, &p1, &p2, 50) == S_OK) {
        events->FreeEventParams(ev, p1, p2);
        if (ev == EC_COMPLETE || ev == EC_ERRORABORT || ev == EC_USERABORT) code = ev;
      }
    }
    control->Stop();
    return code;
  }

  ComPtr<IAMTimeline> timeline;
  TLRenderMgr mgr;
};

TEST_F(RenderMgrTest, WithoutTimelineOrGraphTheManagerRefusesAndATimelineWithoutGroupsOnlyCreatesTheOutput) {
  EXPECT_EQ(-1, mgr.CreateGraph());
  EXPECT_EQ(-1, mgr.RenderToFile(MEDIASUBTYPE_Avi, testsupport::InCurrentDir(L"none.avi").c_str(), nullptr));

  ASSERT_EQ(S_OK, mgr.SetTimeline(timeline.Get()));
  EXPECT_TRUE(mgr.groups.empty());
  ASSERT_EQ(S_OK, mgr.CreateGraph());
  EXPECT_NE(0u, mgr.registrationToken);
  ComPtr<IMediaSeeking> seeking;
  const std::wstring path = testsupport::InCurrentDir(L"empty.avi");
  EXPECT_EQ(S_OK, mgr.RenderToFile(MEDIASUBTYPE_Avi, path.c_str(), &seeking));
  ASSERT_TRUE(seeking);
  EXPECT_EQ(S_OK, seeking->IsUsingTimeFormat(&TIME_FORMAT_MEDIA_TIME));
  seeking.Reset();

  // A multiplexer class that does not exist fails the output step with its own code.
  mgr.ReleaseGraph(false);
  ASSERT_EQ(S_OK, mgr.CreateGraph());
  const GUID nothing = {0x1234abcd, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};
  EXPECT_TRUE(FAILED(mgr.RenderToFile(nothing, testsupport::InCurrentDir(L"nothing.avi").c_str(), nullptr)));

  mgr.ReleaseGraph(false);
  EXPECT_EQ(nullptr, mgr.graph.Get());
  EXPECT_EQ(nullptr, mgr.engine.Get());
  EXPECT_EQ(nullptr, mgr.builder.Get());
  EXPECT_EQ(0u, mgr.registrationToken);
}

// The program's render path guards its inputs as the command-line renderer does.
TEST_F(RenderMgrTest, TheProjectAndItsMediaAreNeverADestinationUnderAnyName) {
  AddVideoGroup();
  const std::wstring folder = testsupport::InCurrentDir(L"guarded");
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring project = folder + L"\\Project.kdp";
  ASSERT_TRUE(testsupport::WriteText(project, "<KDP version=\"1\">\n<timeline/></KDP>"));
  const auto stillBytes = testsupport::ReadBytes(testsupport::InCurrentDir(L"grey.bmp"));
  ASSERT_EQ(S_OK, mgr.SetTimeline(timeline.Get()));
  mgr.projectFile = project;
  ASSERT_EQ(S_OK, mgr.CreateGraph());
  for (const std::wstring& name : {testsupport::InCurrentDir(L"GREY.BMP"), folder + L"\\..\\grey.bmp"}) {
    EXPECT_EQ(TLRenderMgr::kDestinationIsInput, mgr.RenderToFile(MEDIASUBTYPE_Avi, name.c_str(), nullptr));
    EXPECT_EQ(testsupport::InCurrentDir(L"grey.bmp"), mgr.destinationClash);
  }
  EXPECT_EQ(TLRenderMgr::kDestinationIsInput,
            mgr.RenderToFile(MEDIASUBTYPE_Avi, (folder + L"\\project.KDP").c_str(), nullptr));
  EXPECT_EQ(project, mgr.destinationClash);
  EXPECT_EQ(stillBytes, testsupport::ReadBytes(testsupport::InCurrentDir(L"grey.bmp")));
  EXPECT_EQ("<KDP version=\"1\">\n<timeline/></KDP>", [&] {
    auto b = testsupport::ReadBytes(project);
    return std::string(b.begin(), b.end());
  }());
  // A name of its own renders.
  EXPECT_EQ(S_OK, mgr.RenderToFile(MEDIASUBTYPE_Avi, (folder + L"\\out.avi").c_str(), nullptr));
  EXPECT_TRUE(mgr.destinationClash.empty());
}

TEST_F(RenderMgrTest, UncompressedGroupsAreRenderedStraightIntoTheMultiplexerAndTheFileIsComplete) {
  AddVideoGroup();
  AddAudioGroup();
  ASSERT_EQ(S_OK, mgr.SetTimeline(timeline.Get()));
  ASSERT_EQ(2u, mgr.groups.size());
  EXPECT_STREQ(L"Video", mgr.groups[0].name);
  EXPECT_EQ(MEDIATYPE_Audio, mgr.groups[1].mediaType.majortype);
  BOOL preview = TRUE;
  mgr.groups[0].group->GetPreviewMode(&preview);
  EXPECT_FALSE(preview);

  // Configuring the uncompressed entry without connecting first neither fails late nor builds a graph.
  EXPECT_EQ(E_INVALIDARG, mgr.ConfigureCompressor(0, false, nullptr, nullptr, nullptr));
  EXPECT_EQ(nullptr, mgr.graph.Get());
  EXPECT_EQ(E_INVALIDARG, mgr.ConfigureCompressor(1, true, nullptr, nullptr, nullptr));
  EXPECT_EQ(E_INVALIDARG, mgr.ConfigureCompressor(2, true, nullptr, nullptr, nullptr));
  EXPECT_EQ(E_INVALIDARG, mgr.ConnectCompressor(2));

  ASSERT_EQ(S_OK, mgr.CreateGraph());
  ComPtr<IMediaSeeking> seeking;
  ASSERT_EQ(S_OK, mgr.RenderToFile(MEDIASUBTYPE_Avi, testsupport::InCurrentDir(L"both.avi").c_str(), &seeking));
  auto videoMux = Downstream(GroupPin(0).Get());
  auto audioMux = Downstream(GroupPin(1).Get());
  ASSERT_TRUE(videoMux);
  EXPECT_EQ(videoMux, audioMux);
  EXPECT_FALSE(mgr.groups[0].connected);
  EXPECT_EQ(nullptr, mgr.groups[0].compressor.Get());
  EXPECT_EQ(EC_COMPLETE, Run());
  LONGLONG pos = 0;
  EXPECT_EQ(S_OK, seeking->GetCurrentPosition(&pos));
  EXPECT_GE(pos, kSecond * 9 / 10);
  seeking.Reset();

  // Dropping the records puts the groups back into preview mode.
  ComPtr<IAMTimelineGroup> first(mgr.groups[0].group);
  mgr.ReleaseGraph(true);
  EXPECT_TRUE(mgr.groups.empty());
  first->GetPreviewMode(&preview);
  EXPECT_TRUE(preview);
}

TEST_F(RenderMgrTest, APlatformCompressorIsPutBehindTheGroupUnderItsNameOnceReplacesAnEarlierOneAndRenders) {
  const size_t rle = CompressorIndex(L"Wine MS-RLE video codec");
  ASSERT_NE(0u, rle) << "the platform's RLE compressor is not in the catalogue";
  AddVideoGroup();
  ASSERT_EQ(S_OK, mgr.SetTimeline(timeline.Get()));
  mgr.groups[0].compressorIndex = static_cast<LONG>(rle);

  // Connecting builds the graph on demand; the codec takes only palettised pictures, which
  // the group's output offers besides its own type.
  ASSERT_EQ(S_OK, mgr.ConnectCompressor(0));
  ASSERT_TRUE(mgr.graph);
  ASSERT_TRUE(mgr.groups[0].compressor);
  EXPECT_EQ(L"MRQ_group_compressor_0", FilterName(mgr.groups[0].compressor.Get()));
  ASSERT_TRUE(mgr.groups[0].connected);
  AM_MEDIA_TYPE mt{};
  ASSERT_EQ(S_OK, GroupPin(0)->ConnectionMediaType(&mt));
  EXPECT_EQ(MEDIASUBTYPE_RGB8, mt.subtype);
  if (mt.pbFormat) CoTaskMemFree(mt.pbFormat);
  ComPtr<IBaseFilter> before = Downstream(GroupPin(0).Get());
  EXPECT_EQ(S_OK, mgr.ConnectCompressor(0));  // already connected: left as it is
  EXPECT_EQ(before, Downstream(GroupPin(0).Get()));

  // A new compressor object for the same group: the old one leaves the graph by its name.
  ComPtr<IBaseFilter> old = mgr.groups[0].compressor;
  mgr.groups[0].compressor.Reset();
  mgr.groups[0].connected = false;
  ASSERT_EQ(S_OK, mgr.ConnectCompressor(0));
  ASSERT_TRUE(mgr.groups[0].compressor);
  EXPECT_NE(old.Get(), mgr.groups[0].compressor.Get());
  EXPECT_EQ(L"", FilterName(old.Get()));
  ComPtr<IBaseFilter> named;
  ASSERT_EQ(S_OK, mgr.graph->FindFilterByName(L"MRQ_group_compressor_0", &named));
  EXPECT_EQ(named.Get(), mgr.groups[0].compressor.Get());

  // The file is rendered through the compressor: run-length coded frames of the grey still.
  const std::wstring path = testsupport::InCurrentDir(L"rle.avi");
  ASSERT_EQ(S_OK, mgr.RenderToFile(MEDIASUBTYPE_Avi, path.c_str(), nullptr));
  ASSERT_EQ(EC_COMPLETE, Run());
  mgr.ReleaseGraph(false);
  AVIFileInit();
  PAVISTREAM stream = nullptr;
  ASSERT_EQ(0, AVIStreamOpenFromFileW(&stream, path.c_str(), streamtypeVIDEO, 0, OF_READ, nullptr));
  std::vector<BYTE> formatBytes(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));  // with its palette
  LONG size = static_cast<LONG>(formatBytes.size());
  EXPECT_EQ(0, AVIStreamReadFormat(stream, 0, formatBytes.data(), &size));
  const auto& format = *reinterpret_cast<const BITMAPINFOHEADER*>(formatBytes.data());
  EXPECT_EQ(static_cast<DWORD>(BI_RLE8), format.biCompression);
  EXPECT_EQ(64, format.biWidth);
  EXPECT_EQ(10, AVIStreamLength(stream));  // one second at 10 frames a second
  BITMAPINFOHEADER want{};
  want.biSize = sizeof want;
  want.biWidth = 64;
  want.biHeight = 48;
  want.biPlanes = 1;
  want.biBitCount = 24;
  PGETFRAME frames = AVIStreamGetFrameOpen(stream, &want);
  ASSERT_TRUE(frames);
  const auto* picture = static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(frames, 5));
  ASSERT_TRUE(picture);
  const BYTE* pixel =
      reinterpret_cast<const BYTE*>(picture) + picture->biSize + picture->biClrUsed * 4 + 24 * 64 * 3 + 32 * 3;
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(0x80, pixel[c], 4) << c;
  AVIStreamGetFrameClose(frames);
  AVIStreamRelease(stream);
  AVIFileExit();
}

TEST_F(RenderMgrTest, TheSkipListVetoesFiltersInAnyCaseAndTheCallbackAnswersOnlyItsInterfaces) {
  LoadSkipList({L"ms-rle"});
  ComPtr<IMoniker> skipped, kept;
  ASSERT_EQ(S_OK,
            CreateItemMoniker(L"!", L"@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\\mS-RlE codec", &skipped));
  ASSERT_EQ(S_OK, CreateItemMoniker(L"!", L"@device:cm:{33D9A760-90C8-11D0-BD43-00A0C911CE86}\\cvid", &kept));
  EXPECT_EQ(E_FAIL, mgr.SelectedFilter(skipped.Get()));
  EXPECT_EQ(S_OK, mgr.SelectedFilter(kept.Get()));
  EXPECT_EQ(S_OK, mgr.CreatedFilter(nullptr));

  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, mgr.QueryInterface(IID_IBaseFilter, &out));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(S_OK, mgr.QueryInterface(IID_IAMGraphBuilderCallback, &out));
  EXPECT_EQ(static_cast<IAMGraphBuilderCallback*>(&mgr), out);

  // The graph consults the manager: with the RLE codec vetoed, intelligent connection from a
  // video group cannot end in it.
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
