// The render engine in real graphs: timelines rendered into AVI files, read back by the platform's reader.
#include "EngineTestSupport.h"
#include "MediaTestFiles.h"
#include "OutputTestSource.h"
#include "TestSupport.h"

#include "engine/effects/EffectTable.h"
#include "services/ComPtrEquality.h"

#include <cmath>
#include <mutex>
#include <set>

namespace enginetest {
namespace {

constexpr LONG kWidth = 160, kHeight = 120;
constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00, kBlack = 0;

// Twenty frames whose red level tells which frame shows.
uint32_t Ramp(int i) { return uint32_t(i * 12) << 16; }

// A pixel a rendered frame must show, within a tolerance of 2 in each channel.
struct Probe {
  LONG frame, x, y;
  uint32_t colour;
};
void ExpectPixels(const AviReadBack& file, const std::vector<Probe>& probes) {
  for (const Probe& p : probes) {
    const uint32_t got = file.Pixel(p.frame, p.x, p.y);
    EXPECT_TRUE(Near(p.colour, got, 2)) << "frame " << p.frame << " at " << p.x << "," << p.y << ": " << std::hex << got
                                        << " for " << p.colour;
  }
}

using outputtest::TestSink;

class RenderEngineTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    graph = Create<IGraphBuilder>(CLSID_FilterGraph);
    engine = Create<IRenderEngine>(CLSID_RenderEngine);
    ASSERT_TRUE(graph && engine);
    ASSERT_EQ(S_OK, engine->SetFilterGraph(graph.Get()));
    ASSERT_EQ(S_OK, engine->SetTimelineObject(timeline.Get()));
  }
  void TearDown() override {
    if (graph) As<IMediaControl>(graph)->Stop();
    if (engine) engine->ScrapIt();
    engine.Reset();
    graph.Reset();
  }

  ComPtr<IAMTimelineObj> VideoGroup(int bits = 24, double fps = 25) {
    TestType type =
        VideoType(bits == 24 ? MEDIASUBTYPE_RGB24 : MEDIASUBTYPE_ARGB32, static_cast<WORD>(bits), kWidth, kHeight);
    auto group = AddGroup(type.Get());
    auto g = As<IAMTimelineGroup>(group);
    EXPECT_EQ(S_OK, g->SetOutputFPS(fps));
    EXPECT_EQ(S_OK, g->SetPreviewMode(FALSE));  // as the render manager keeps it when writing files
    return group;
  }
  ComPtr<IAMTimelineObj> AudioGroup(DWORD rate) { return AddGroup(PcmType(2, rate).Get()); }
  // A clip of the whole of `path` at normal speed.
  ComPtr<IAMTimelineObj> AddClip(IAMTimelineObj* track, const std::wstring& path, REFERENCE_TIME start,
                                 REFERENCE_TIME stop) {
    return AddSource(track, start, stop, path, 0, stop - start);
  }
  // An effect or transition of one of the engine's own kinds, with keyframes per parameter.
  ComPtr<IAMTimelineObj> BuiltIn(TIMELINE_MAJOR_TYPE type, const wchar_t* kind, REFERENCE_TIME start,
                                 REFERENCE_TIME stop, std::vector<std::pair<const wchar_t*, std::vector<Key>>> params) {
    auto obj = Item(type, start, stop);
    size_t count = 0;
    const engine::BuiltInEffect* table = engine::BuiltInEffects(&count);
    for (size_t i = 0; i < count; ++i)
      if (std::wstring(table[i].name) == kind) obj->SetSubObjectGUID(table[i].clsid);
    for (auto& [name, keys] : params) AddParam(obj.Get(), name, keys);
    return obj;
  }
  static void AddEffect(IAMTimelineObj* target, IAMTimelineObj* effect) {
    EXPECT_EQ(S_OK, As<IAMTimelineEffectable>(target)->EffectInsBefore(effect, -1));
  }
  static void AddTrans(IAMTimelineObj* target, IAMTimelineObj* transition) {
    EXPECT_EQ(S_OK, As<IAMTimelineTransable>(target)->TransAdd(transition));
  }

  ComPtr<IPin> GroupPin(LONG n) {
    ComPtr<IPin> pin;
    EXPECT_EQ(S_OK, engine->GetGroupOutputPin(n, &pin));
    return pin;
  }
  // Ten-frames-a-second pictures of one colour (kRamp: the ramp), and constant sound.
  static constexpr uint32_t kRamp = 0xFFFFFFFF;
  std::wstring Avi(const wchar_t* name, uint32_t colour, int frames, LONG width = 40, LONG height = 30) {
    const std::wstring path = dir.File(name);
    EXPECT_TRUE(WriteColourAvi(path, width, height, frames, 10,
                               [colour](int i) { return colour == kRamp ? Ramp(i) : colour; }));
    return path;
  }
  std::wstring Wav(const wchar_t* name, DWORD rate, WORD channels, size_t frames, int16_t level) {
    const std::wstring path = dir.File(name);
    EXPECT_TRUE(WriteWav(path, rate, channels, 16, std::vector<int16_t>(frames * channels, level)));
    return path;
  }
  TestSink* ConnectSink() {
    auto* sink = TestSink::New(MEDIATYPE_Video, &sinkFilter);
    EXPECT_EQ(S_OK, graph->AddFilter(sinkFilter.Get(), L"sink"));
    EXPECT_EQ(S_OK, graph->ConnectDirect(GroupPin(0).Get(), sink->PinAt(0), nullptr));
    return sink;
  }

  // Every group into a new AVI file as the render manager connects them; the event that ended the run.
  long RenderToFile(const std::wstring& path, LONG groups) {
    auto builder = Create<ICaptureGraphBuilder2>(CLSID_CaptureGraphBuilder2);
    EXPECT_EQ(S_OK, builder->SetFiltergraph(graph.Get()));
    ComPtr<IBaseFilter> mux;
    EXPECT_EQ(S_OK, builder->SetOutputFileName(&MEDIASUBTYPE_Avi, path.c_str(), &mux, nullptr));
    if (!mux) return 0;
    for (LONG i = 0; i < groups; ++i)
      EXPECT_EQ(S_OK, builder->RenderStream(nullptr, nullptr, GroupPin(i).Get(), nullptr, mux.Get()));
    return RunGraph(graph.Get());
  }
  // The front end connected anew, then rendered to `out`.
  void Render(LONG groups = 1) {
    ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
    ASSERT_EQ(EC_COMPLETE, RenderToFile(out, groups));
  }

  ComPtr<IGraphBuilder> graph;
  ComPtr<IRenderEngine> engine;
  ComPtr<IBaseFilter> sinkFilter;
  testsupport::TempDir dir{L"render"};
  const std::wstring out = dir.File(L"out.avi");
};

TEST_F(RenderEngineTest, TracksComposeByPriorityWithMediaTimesMappedAndStretched) {
  const std::wstring ramp = Avi(L"ramp.avi", kRamp, 20, 80, 60), blue = Avi(L"blue.avi", kBlue, 10, 32, 24);
  const std::wstring green = Avi(L"green.avi", kGreen, 10, kWidth, kHeight);

  auto group = VideoGroup();
  auto low = AddTrack(group.Get());
  // The upper track sits in a nested composition; a muted track above everything is not seen.
  auto comp = Node(TIMELINE_MAJOR_TYPE_COMPOSITE);
  ASSERT_EQ(S_OK, As<IAMTimelineComp>(group)->VTrackInsBefore(comp.Get(), -1));
  auto high = AddTrack(comp.Get());
  auto muted = AddTrack(group.Get());
  ASSERT_EQ(S_OK, muted->SetMuted(TRUE));
  // Two seconds of media in one second of timeline: twice the speed.
  AddSource(low.Get(), 0, kSecond, ramp, 0, 2 * kSecond);
  AddClip(low.Get(), blue, kSecond, 2 * kSecond);
  AddClip(high.Get(), green, 3 * kSecond / 2, 2 * kSecond);
  AddClip(muted.Get(), green, 0, 2 * kSecond);
  // The composition inverts its picture from 1.8 s and dissolves in over what lies below from 1.5 s.
  AddEffect(comp.Get(), BuiltIn(TIMELINE_MAJOR_TYPE_EFFECT, L"Invert", 9 * kSecond / 5, 2 * kSecond, {}).Get());
  AddTrans(comp.Get(),
           BuiltIn(TIMELINE_MAJOR_TYPE_TRANSITION, L"Dissolve", 3 * kSecond / 2, 17 * kSecond / 10, {}).Get());
  Render();

  AviReadBack file(out);
  EXPECT_EQ(50, file.VideoLength());
  // Frame 13 (0.52 s) shows media time 1.04 s, the ramp's frame 10; the small blue picture fills
  // the frame, corners included; the higher track dissolves in over the lower one from 1.5 s.
  const std::vector<Probe> probes = {
      {13, 80, 60, Ramp(10)}, {0, 5, 5, 0},        {30, 0, 0, kBlue},      {30, kWidth - 1, kHeight - 1, kBlue},
      {30, 80, 60, kBlue},    {37, 80, 60, kBlue}, {40, 80, 60, 0x008080}, {44, 80, 60, kGreen},
      {45, 80, 60, 0xFF00FF},
  };
  ExpectPixels(file, probes);
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(RenderEngineTest, UnreadableSourcesAreGapsReportedOnceAndTheRestStillRenders) {
  const std::wstring red = Avi(L"red.avi", kRed, 10);
  auto group = VideoGroup(32, 10);
  auto track = AddTrack(group.Get());
  AddClip(track.Get(), dir.File(L"gone.avi"), 0, kSecond);
  AddSource(track.Get(), kSecond, 2 * kSecond, red, 0, kSecond);
  // A file that is no media at all on a track above, then sound without pictures.
  const std::wstring junk = dir.File(L"junk.avi");
  ASSERT_TRUE(testsupport::WriteText(junk, std::string(5000, 'x')));
  auto upper = AddTrack(group.Get());
  AddClip(upper.Get(), junk, 0, kSecond / 2);
  AddClip(upper.Get(), Wav(L"quiet.wav", 8000, 1, 8000, 10000), 9 * kSecond / 5, 2 * kSecond);
  Render();
  {
    AviReadBack file(out);
    ASSERT_EQ(20, file.VideoLength());
    // Opaque black where nothing can be read, then red, also under the sound that has no
    // picture: an unreadable clip does not hide the tracks below it.
    for (auto [frame, pixel] : {std::pair{2, 0xFF000000u}, {15, 0xFFFF0000u}, {19, 0xFFFF0000u}}) {
      const std::vector<BYTE> bytes = file.Frame(frame);
      ASSERT_GE(bytes.size(), 4u);
      EXPECT_EQ(pixel, *reinterpret_cast<const uint32_t*>(bytes.data())) << frame;
    }
  }
  // Each is reported once; files open as their clips come up (or just before), in no fixed order.
  using Report = std::pair<LONG, std::wstring>;
  std::set<Report> reports;
  for (const LoggedError& e : log.entries) {
    EXPECT_TRUE(FAILED(e.hr));
    reports.emplace(e.code, e.text.substr(e.text.rfind(L'\\') + 1));
  }
  EXPECT_EQ(3u, log.entries.size());
  EXPECT_EQ((std::set<Report>{{DEX_IDS_BAD_SOURCE_NAME, L"gone.avi"},
                              {DEX_IDS_BAD_SOURCE_NAME, L"junk.avi"},
                              {DEX_IDS_STREAM_NUMBER, L"quiet.wav"}}),
            reports);
}

TEST_F(RenderEngineTest, ProgressKeyframesCutsOnlyAndSwappedInputsShapeATransition) {
  const std::wstring red = Avi(L"red.avi", kRed, 40), blue = Avi(L"blue.avi", kBlue, 40);
  auto group = VideoGroup(24, 10);
  AddClip(AddTrack(group.Get()).Get(), red, 0, 4 * kSecond);
  auto top = AddTrack(group.Get());
  AddClip(top.Get(), blue, 0, 4 * kSecond);
  // 0.75 at once, then down to 0.25 half a second in; no kind named: the default transition.
  AddTrans(top.Get(), BuiltIn(TIMELINE_MAJOR_TYPE_TRANSITION, L"", kSecond, 2 * kSecond,
                              {{L"Progress", {{0.75, 0}, {0.25, kSecond / 2, DEXTERF_INTERPOLATE}}}})
                          .Get());
  // Cuts only: A until the cut point, then B.
  auto cut = Item(TIMELINE_MAJOR_TYPE_TRANSITION, 2 * kSecond, 5 * kSecond / 2);
  ASSERT_EQ(S_OK, As<IAMTimelineTrans>(cut)->SetCutsOnly(TRUE));
  ASSERT_EQ(S_OK, As<IAMTimelineTrans>(cut)->SetCutPoint(3 * kSecond / 10));
  AddTrans(top.Get(), cut.Get());
  auto swapped = Item(TIMELINE_MAJOR_TYPE_TRANSITION, 3 * kSecond, 4 * kSecond);
  ASSERT_EQ(S_OK, As<IAMTimelineTrans>(swapped)->SetSwapInputs(TRUE));
  AddTrans(top.Get(), swapped.Get());
  Render();

  AviReadBack file(out);
  // 0.75 blue, 0.55 on the way down, 0.25 held; red before the cut, blue after; swapped: 1 - 0.2.
  const std::vector<Probe> probes = {
      {10, 80, 60, 0x4000BF}, {12, 80, 60, 0x73008C}, {17, 80, 60, 0xBF0040}, {22, 80, 60, kRed},
      {23, 80, 60, kBlue},    {25, 80, 60, kBlue},    {32, 80, 60, 0x3300CC},
  };
  ExpectPixels(file, probes);
}

TEST_F(RenderEngineTest, EffectsChangeTheirPictureBeforeTransitionsAndFollowTheirKeyframes) {
  const std::wstring grey = Avi(L"grey.avi", 0x808080, 20), red = Avi(L"red.avi", kRed, 20);
  auto group = VideoGroup(24, 10);
  // A source effect counts its times from the source's start: brightness 0 → 0.2 over its first second.
  auto clip = AddClip(AddTrack(group.Get()).Get(), grey, kSecond, 3 * kSecond);
  AddEffect(clip.Get(), BuiltIn(TIMELINE_MAJOR_TYPE_EFFECT, L"Brightness and contrast", 0, 2 * kSecond,
                                {{L"Brightness", {{0.0, 0}, {0.2, kSecond, DEXTERF_INTERPOLATE}}}})
                            .Get());
  // An inverted red wipes in from the left over black.
  auto top = AddTrack(group.Get());
  AddClip(top.Get(), red, 3 * kSecond, 4 * kSecond);
  AddEffect(top.Get(), BuiltIn(TIMELINE_MAJOR_TYPE_EFFECT, L"Invert", 0, 10 * kSecond, {}).Get());
  // The transition names no filter: the timeline's default, a wipe, applies.
  GUID wipe = GUID_NULL;
  ASSERT_EQ(S_OK, BuiltIn(TIMELINE_MAJOR_TYPE_TRANSITION, L"Wipe", 0, 1, {})->GetSubObjectGUID(&wipe));
  ASSERT_EQ(S_OK, timeline->SetDefaultTransition(&wipe));
  AddTrans(top.Get(), Item(TIMELINE_MAJOR_TYPE_TRANSITION, 3 * kSecond, 4 * kSecond).Get());
  Render();

  AviReadBack file(out);
  // Brightness +0.1 half-way, held at +0.2; then wiped in from the left, inverted.
  const std::vector<Probe> probes = {
      {10, 80, 60, 0x808080}, {15, 80, 60, 0x9A9A9A}, {25, 80, 60, 0xB3B3B3},
      {35, 40, 60, 0x00FFFF}, {35, 120, 60, kBlack},
  };
  ExpectPixels(file, probes);
}

TEST_F(RenderEngineTest, StretchModesPlaceTheSourceAndAStillIsHeld) {
  // Portrait sources in a landscape frame.
  const std::wstring tall = Avi(L"tall.avi", kGreen, 40, 40, 60), still = dir.File(L"still.bmp");
  ASSERT_TRUE(WriteColourBmp(still, 40, 60, kRed));
  auto group = VideoGroup(24, 10);
  auto track = AddTrack(group.Get());
  const int modes[] = {RESIZEF_CROP, RESIZEF_PRESERVEASPECTRATIO, RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX};
  for (int i = 0; i < 3; ++i) {
    auto clip = AddSource(track.Get(), i * kSecond, (i + 1) * kSecond, tall, i * kSecond, (i + 1) * kSecond);
    ASSERT_EQ(S_OK, As<IAMTimelineSrc>(clip)->SetStretchMode(modes[i]));
  }
  AddClip(track.Get(), still, 3 * kSecond, 5 * kSecond);
  Render();

  AviReadBack file(out);
  ASSERT_EQ(50, file.VideoLength());
  // Crop: unscaled in the middle (60..99, 30..89). Letterbox: 80 x 120, centred (40..119). Fill:
  // 160 x 240, cropped, nothing black. The still shows for its whole two seconds.
  const std::vector<Probe> probes = {
      {5, 60, 30, kGreen},    {5, 99, 89, kGreen},
      {5, 59, 60, kBlack},    {5, 80, 29, kBlack},
      {15, 39, 60, kBlack},   {15, 40, 0, kGreen},
      {15, 119, 119, kGreen}, {15, 120, 60, kBlack},
      {25, 0, 0, kGreen},     {25, kWidth - 1, kHeight - 1, kGreen},
      {30, 0, 0, kRed},       {49, 80, 60, kRed},
  };
  ExpectPixels(file, probes);
}

TEST_F(RenderEngineTest, RenderRangeStartAndStopPositionsLimitTheOutput) {
  const std::wstring ramp = Avi(L"ramp.avi", kRamp, 20);
  auto group = VideoGroup(24, 10);
  AddClip(AddTrack(group.Get()).Get(), ramp, 0, 2 * kSecond);
  EXPECT_EQ(E_INVALIDARG, engine->SetRenderRange(kSecond, kSecond / 2));
  ASSERT_EQ(S_OK, engine->SetRenderRange(kSecond / 2, 3 * kSecond / 2));
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  // The filter's position moves every output; the pin's stop ends its own.
  PIN_INFO pinInfo{};
  ASSERT_EQ(S_OK, GroupPin(0)->QueryPinInfo(&pinInfo));
  auto filterSeeking = As<IMediaSeeking>(pinInfo.pFilter), pinSeeking = As<IMediaSeeking>(GroupPin(0));
  pinInfo.pFilter->Release();
  ASSERT_TRUE(filterSeeking && pinSeeking);
  LONGLONG duration = 0, start = 2 * kSecond / 10, stop = 8 * kSecond / 10, current = 0;
  EXPECT_EQ(S_OK, pinSeeking->GetDuration(&duration));
  EXPECT_EQ(kSecond, duration);
  ASSERT_EQ(S_OK,
            filterSeeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
  ASSERT_EQ(S_OK, pinSeeking->SetPositions(nullptr, AM_SEEKING_NoPositioning, &stop, AM_SEEKING_AbsolutePositioning));
  EXPECT_EQ(S_OK, filterSeeking->GetCurrentPosition(&current));
  EXPECT_EQ(start, current);

  // Output 0.2 s to 0.8 s: timeline 0.7 s to 1.3 s.
  ASSERT_EQ(EC_COMPLETE, RenderToFile(out, 1));
  AviReadBack file(out);
  EXPECT_EQ(6, file.VideoLength());
  ExpectPixels(file, {{0, 20, 15, Ramp(7)}, {5, 20, 15, Ramp(12)}});
}

TEST_F(RenderEngineTest, SeekWhileStreamingFlushesAndStartsANewSegmentAtThatTime) {
  const std::wstring ramp = Avi(L"ramp.avi", kRamp, 20);
  auto group = VideoGroup(32, 10);
  AddClip(AddTrack(group.Get()).Get(), ramp, 0, 2 * kSecond);
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  TestSink* sink = ConnectSink();
  auto control = As<IMediaControl>(graph);
  ASSERT_TRUE(SUCCEEDED(control->Pause()));
  ASSERT_TRUE(sink->WaitForEnds(1));
  {
    std::lock_guard<std::mutex> lock(sink->mutex);
    ASSERT_EQ(20u, sink->samples.size());
    EXPECT_EQ(Span(19 * kSecond / 10, 2 * kSecond), Span(sink->samples.back().start, sink->samples.back().stop));
  }

  // Through the graph, as the preview seeks.
  LONGLONG at = 15 * kSecond / 10;
  ASSERT_EQ(S_OK, As<IMediaSeeking>(graph)->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr,
                                                         AM_SEEKING_NoPositioning));
  ASSERT_TRUE(sink->WaitForEnds(2));
  control->Stop();
  std::lock_guard<std::mutex> lock(sink->mutex);
  EXPECT_GE(sink->flushes, 1);
  ASSERT_FALSE(sink->segments.empty());
  EXPECT_EQ(at, sink->segments.back());
  ASSERT_EQ(5u, sink->samples.size());
  EXPECT_EQ(Span(0, kSecond / 10), Span(sink->samples[0].start, sink->samples[0].stop));
  EXPECT_EQ(0xFF000000u | Ramp(15), sink->samples[0].first);
}

TEST_F(RenderEngineTest, PreviewDropsFramesThatAreLateWhileAuthoringRendersEveryOne) {
  auto group = VideoGroup(24, 25);
  AddClip(AddTrack(group.Get()).Get(), Avi(L"red.avi", kRed, 10), 0, kSecond);
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  TestSink* sink = ConnectSink();
  sink->delayMs = 80;  // twice a frame's time
  auto control = As<IMediaControl>(graph);
  size_t received[2] = {};
  for (BOOL preview : {FALSE, TRUE}) {
    ASSERT_EQ(S_OK, As<IAMTimelineGroup>(group)->SetPreviewMode(preview));
    ASSERT_EQ(S_OK, engine->ConnectFrontEnd());  // same group: the connection stays
    {
      std::lock_guard<std::mutex> lock(sink->mutex);
      sink->samples.clear();
    }
    ASSERT_TRUE(SUCCEEDED(control->Run()));
    ASSERT_TRUE(sink->WaitForEnds(preview ? 2 : 1));
    control->Stop();
    std::lock_guard<std::mutex> lock(sink->mutex);
    received[preview] = sink->samples.size();
  }
  EXPECT_EQ(25u, received[0]);
  EXPECT_GT(received[1], 0u);
  EXPECT_LT(received[1], 20u);
}

// Left in the test's folder for check_render_files.sh, which reads it with ffprobe and ffmpeg.
TEST_F(RenderEngineTest, ComposedTimelineOfBothKindsIsKeptForTheIndependentReader) {
  const std::wstring red = Avi(L"red.avi", kRed, 20), blue = Avi(L"blue.avi", kBlue, 20, 64, 48);
  const std::wstring quiet = Wav(L"quiet.wav", 8000, 1, 8000, 10000), loud = Wav(L"loud.wav", 22050, 2, 22050, 30000);
  const std::wstring still = dir.File(L"green.bmp");
  ASSERT_TRUE(WriteColourBmp(still, 16, 16, kGreen));

  auto video = VideoGroup(24, 25);
  auto redClip = AddClip(AddTrack(video.Get()).Get(), red, 0, 2 * kSecond);
  // The red clip comes up out of black over its first 0.4 s.
  AddEffect(redClip.Get(), BuiltIn(TIMELINE_MAJOR_TYPE_EFFECT, L"Brightness and contrast", 0, 2 * kSecond,
                                   {{L"Brightness", {{-1.0, 0}, {0.0, 2 * kSecond / 5, DEXTERF_INTERPOLATE}}}})
                               .Get());
  auto upper = AddTrack(video.Get());
  AddSource(upper.Get(), kSecond, 3 * kSecond, blue, 0, 2 * kSecond);
  AddTrans(upper.Get(), Item(TIMELINE_MAJOR_TYPE_TRANSITION, kSecond, 2 * kSecond).Get());
  AddSource(AddTrack(video.Get()).Get(), 5 * kSecond / 2, 3 * kSecond, still, 0, kSecond / 2);
  auto audio = AudioGroup(22050);
  AddClip(AddTrack(audio.Get()).Get(), quiet, 0, kSecond);
  AddClip(AddTrack(audio.Get()).Get(), loud, kSecond / 2, 3 * kSecond / 2);
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());

  const std::wstring kept = testsupport::InCurrentDir(L"composed.avi");
  ASSERT_EQ(EC_COMPLETE, RenderToFile(kept, 2));
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(RenderEngineTest, SoundAtTheGroupsOwnRateComesOutSampleForSampleAndStretchedSoundIsInterpolated) {
  // Unrelated neighbours: a position off by any fraction of a sample changes the value.
  std::vector<int16_t> noise(2 * 22050);
  uint32_t seed = 12345;
  for (int16_t& v : noise) {
    seed = seed * 1103515245u + 12345u;
    v = static_cast<int16_t>(static_cast<int>((seed >> 16) % 30000) - 15000);
  }
  const std::wstring path = dir.File(L"noise.wav");
  ASSERT_TRUE(WriteWav(path, 22050, 2, 16, noise));
  auto group = AudioGroup(22050);
  // Half a second in, from 0.2 s (frame 4410) into the file.
  AddSource(AddTrack(group.Get()).Get(), kSecond / 2, kSecond, path, kSecond / 5, 7 * kSecond / 10);
  // Above, later: the file from its start at half speed.
  AddSource(AddTrack(group.Get()).Get(), kSecond, 2 * kSecond, path, 0, kSecond / 2);
  Render();

  AviReadBack file(out);
  EXPECT_EQ(std::make_pair(0, 0), file.Sample(11024));
  for (LONG n = 11025; n < 22050; n += 97) {
    const size_t i = static_cast<size_t>(n - 11025 + 4410) * 2;
    EXPECT_EQ(std::make_pair(static_cast<int>(noise[i]), static_cast<int>(noise[i + 1])), file.Sample(n)) << n;
  }
  // Half speed: output frame k plays source position k / 2, halfway frames the mean of their neighbours.
  for (LONG k = 0; k < 22000; k += 101) {
    const size_t i = static_cast<size_t>(k / 2) * 2;
    const long left = (k % 2) ? std::lround((noise[i] + noise[i + 2]) / 2.0) : noise[i];
    const long right = (k % 2) ? std::lround((noise[i + 1] + noise[i + 3]) / 2.0) : noise[i + 1];
    EXPECT_EQ(std::make_pair(static_cast<int>(left), static_cast<int>(right)), file.Sample(22050 + k)) << k;
  }
}

TEST_F(RenderEngineTest, AudioCrossfadesUnderATransitionAndFollowGainAndFadeKeyframes) {
  const std::wstring quiet = Wav(L"quiet.wav", 11025, 2, 2 * 11025, 10000);
  const std::wstring loud = Wav(L"loud.wav", 11025, 2, 2 * 11025, 30000);
  auto group = AudioGroup(11025);
  AddClip(AddTrack(group.Get()).Get(), quiet, 0, 2 * kSecond);
  auto upper = AddTrack(group.Get());
  AddClip(upper.Get(), loud, kSecond, 3 * kSecond);
  AddTrans(upper.Get(), Item(TIMELINE_MAJOR_TYPE_TRANSITION, kSecond, 2 * kSecond).Get());
  // Then the loud sound again, its gain 1 to 0 over two seconds, the group fading out at the end.
  auto clip = AddClip(upper.Get(), loud, 3 * kSecond, 5 * kSecond);
  AddEffect(clip.Get(), BuiltIn(TIMELINE_MAJOR_TYPE_EFFECT, L"Volume", 0, 2 * kSecond,
                                {{L"Gain", {{1.0, 0}, {0.0, 2 * kSecond, DEXTERF_INTERPOLATE}}}})
                            .Get());
  AddEffect(
      group.Get(),
      BuiltIn(TIMELINE_MAJOR_TYPE_EFFECT, L"Fade", 9 * kSecond / 2, 5 * kSecond, {{L"Direction", {{1.0, 0}}}}).Get());
  Render();
  AviReadBack file(out);
  // Quiet, a quarter and half-way to loud, loud; the envelope at 1, 1/2 and 1/4, an eighth halved by the fade.
  const std::tuple<LONG, int, int> levels[] = {
      {11025 / 2, 10000, 0}, {11025 * 5 / 4, 15000, 3}, {11025 * 3 / 2, 20000, 3}, {11025 * 5 / 2, 30000, 0},
      {11025 * 3, 30000, 3}, {11025 * 4, 15000, 3},     {11025 * 9 / 2, 7500, 3},  {11025 * 19 / 4, 1875, 3}};
  for (auto [at, level, tolerance] : levels) {
    EXPECT_NEAR(level, file.Sample(at).first, tolerance) << at;
    EXPECT_NEAR(level, file.Sample(at).second, tolerance) << at;
  }
}

TEST_F(RenderEngineTest, ConnectFrontEndResetsOutputsOnlyWhenGroupsChange) {
  EXPECT_EQ(S_OK, engine->ConnectFrontEnd());  // no groups: nothing to connect
  auto video = VideoGroup();
  auto track = AddTrack(video.Get());
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  ComPtr<IPin> pin = GroupPin(0), none;
  EXPECT_EQ(E_INVALIDARG, engine->GetGroupOutputPin(1, &none));
  EXPECT_FALSE(none);

  // A connection made by the application survives an edit that keeps the groups.
  auto sink = Create<IBaseFilter>(CLSID_NullRenderer);
  ASSERT_EQ(S_OK, graph->AddFilter(sink.Get(), L"sink"));
  auto sinkIn = outputtest::PinOf(sink.Get(), PINDIR_INPUT);
  ASSERT_EQ(S_OK, graph->ConnectDirect(pin.Get(), sinkIn.Get(), nullptr));
  AddClip(track.Get(), L"C:\\nowhere.avi", 0, kSecond);
  EXPECT_EQ(S_OK, engine->ConnectFrontEnd());
  EXPECT_TRUE(GroupPin(0) == pin);
  ComPtr<IPin> peer;
  EXPECT_EQ(S_OK, pin->ConnectedTo(&peer));

  // A new group replaces the outputs; the old connection is gone.
  AudioGroup(44100);
  EXPECT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  EXPECT_FALSE(GroupPin(0) == pin);
  EXPECT_TRUE(GroupPin(1));
  EXPECT_EQ(VFW_E_NOT_CONNECTED, sinkIn->ConnectedTo(&peer));
  EXPECT_EQ(S_OK, engine->ConnectFrontEnd());

  // A group type the engine cannot produce is refused and logged.
  log.entries.clear();
  AddGroup(VideoType(MEDIASUBTYPE_YUY2, 16, kWidth, kHeight, MAKEFOURCC('Y', 'U', 'Y', '2')).Get());
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, engine->ConnectFrontEnd());
  EXPECT_EQ(1u, log.entries.size());

  // Without a timeline there is nothing to build; after ScrapIt no pin is handed out.
  EXPECT_EQ(E_INVALIDARG, Create<IRenderEngine>(CLSID_RenderEngine)->ConnectFrontEnd());
  EXPECT_EQ(S_OK, engine->ScrapIt());
  EXPECT_TRUE(FAILED(engine->GetGroupOutputPin(0, &none)));
  ComPtr<IGraphBuilder> noGraph;
  EXPECT_EQ(S_OK, engine->GetFilterGraph(&noGraph));
  EXPECT_FALSE(noGraph);
}

}  // namespace
}  // namespace enginetest
