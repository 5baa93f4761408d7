// The render engine in real graphs: timelines built here, their front end connected to the
// engine's AVI multiplexer and file writer, run to the end, and the file read back with the
// platform's AVI reader.
#include "EngineTestSupport.h"
#include "MediaTestFiles.h"
#include "TestSupport.h"

#include "engine/effects/EffectTable.h"
#include "engine/filters/FilterBase.h"
#include "engine/filters/Pins.h"
#include "services/ComPtrEquality.h"

#include <amvideo.h>
#include <control.h>
#include <evcode.h>
#include <mmreg.h>
#include <uuids.h>
#include <vfw.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <mutex>

namespace enginetest {
namespace {

constexpr LONG kWidth = 160, kHeight = 120;
constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00, kBlack = 0;

std::vector<int16_t> Constant(size_t frames, WORD channels, int16_t value) {
  return std::vector<int16_t>(frames * channels, value);
}

// A file read back through the platform's AVI reader.
class AviReadBack {
 public:
  explicit AviReadBack(const std::wstring& path) {
    if (AVIFileOpenW(&file_, path.c_str(), OF_READ, nullptr) != 0) file_ = nullptr;
    if (file_) {
      AVIFileGetStream(file_, &video_, streamtypeVIDEO, 0);
      AVIFileGetStream(file_, &audio_, streamtypeAUDIO, 0);
    }
  }
  ~AviReadBack() {
    if (video_) AVIStreamRelease(video_);
    if (audio_) AVIStreamRelease(audio_);
    if (file_) AVIFileRelease(file_);
  }
  PAVISTREAM Video() const { return video_; }
  PAVISTREAM Audio() const { return audio_; }

  // Pixel (x, y from the top) of a 24-bit frame, as 0xRRGGBB.
  uint32_t Pixel(LONG frame, LONG x, LONG y, LONG width, LONG height) {
    const LONG stride = (width * 3 + 3) & ~3;
    std::vector<BYTE> bits(static_cast<size_t>(stride * height));
    LONG bytes = 0, count = 0;
    if (AVIStreamRead(video_, frame, 1, bits.data(), static_cast<LONG>(bits.size()), &bytes, &count) != 0)
      return 0xDEADBEEF;
    const BYTE* p = bits.data() + static_cast<size_t>(height - 1 - y) * stride + x * 3;
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
  }
  // One stereo 16-bit sample frame.
  std::pair<int, int> Sample(LONG at) {
    int16_t v[2] = {};
    LONG bytes = 0, count = 0;
    AVIStreamRead(audio_, at, 1, v, sizeof v, &bytes, &count);
    return {v[0], v[1]};
  }

 private:
  PAVIFILE file_ = nullptr;
  PAVISTREAM video_ = nullptr, audio_ = nullptr;
};

// A sink that records what reaches it: sample times and first pixels, segments, flushes and
// ends of stream.
class RecordingSink final : public engine::filters::FilterBase {
 public:
  struct Sample {
    REFERENCE_TIME start, stop;
    uint32_t pixel;  // first four bytes
  };
  class In final : public engine::filters::InputPin {
   public:
    explicit In(RecordingSink* f) : InputPin(f, L"in"), sink_(f) {}
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
      return mt.majortype == MEDIATYPE_Video ? S_OK : S_FALSE;
    }
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME, double) override {
      std::lock_guard<std::mutex> lock(sink_->mutex);
      sink_->segments.push_back(start);
      return S_OK;
    }

   protected:
    HRESULT OnReceive(IMediaSample* sample) override {
      if (sink_->delayMs) Sleep(sink_->delayMs);
      Sample s{};
      sample->GetTime(&s.start, &s.stop);
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      memcpy(&s.pixel, data, 4);
      std::lock_guard<std::mutex> lock(sink_->mutex);
      sink_->samples.push_back(s);
      return S_OK;
    }
    HRESULT OnEndOfStream() override {
      std::lock_guard<std::mutex> lock(sink_->mutex);
      ++sink_->ends;
      return S_OK;
    }
    void OnFlush() override {
      std::lock_guard<std::mutex> lock(sink_->mutex);
      ++sink_->flushes;
      sink_->samples.clear();
    }

   private:
    RecordingSink* sink_;
  };
  RecordingSink() : FilterBase(GUID_NULL), in_(this) {}
  HRESULT OnStart() override {
    in_.ResetStream();
    return S_OK;
  }
  int PinCount() override { return 1; }
  IPin* PinAt(int i) override { return i == 0 ? &in_ : nullptr; }
  // Waits until the stream has ended `n` times.
  bool WaitForEnds(int n) {
    for (int i = 0; i < 1000; ++i) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        if (ends >= n) return true;
      }
      Sleep(10);
    }
    return false;
  }

  std::mutex mutex;
  std::vector<Sample> samples;
  std::vector<REFERENCE_TIME> segments;
  int flushes = 0, ends = 0;
  DWORD delayMs = 0;  // each sample takes this long, as a slow renderer would

 private:
  In in_;
};

class RenderEngineTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    AVIFileInit();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                     reinterpret_cast<void**>(graph.GetAddressOf())));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_RenderEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IRenderEngine,
                                     reinterpret_cast<void**>(engine.GetAddressOf())));
    ASSERT_EQ(S_OK, engine->SetFilterGraph(graph.Get()));
    ASSERT_EQ(S_OK, engine->SetTimelineObject(timeline.Get()));
  }
  void TearDown() override {
    if (graph) {
      ComPtr<IMediaControl> control;
      graph.As(&control);
      if (control) control->Stop();
    }
    if (engine) engine->ScrapIt();
    engine.Reset();
    graph.Reset();
    AVIFileExit();
    EngineTest::TearDown();
  }

  ComPtr<IAMTimelineObj> VideoGroup(int bits = 24, double fps = 25) {
    auto group = AddGroup();
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = bits == 24 ? MEDIASUBTYPE_RGB24 : MEDIASUBTYPE_ARGB32;
    mt.formattype = FORMAT_VideoInfo;
    VIDEOINFOHEADER vih{};
    vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih.bmiHeader.biWidth = kWidth;
    vih.bmiHeader.biHeight = kHeight;
    vih.bmiHeader.biPlanes = 1;
    vih.bmiHeader.biBitCount = static_cast<WORD>(bits);
    mt.cbFormat = sizeof vih;
    mt.pbFormat = reinterpret_cast<BYTE*>(&vih);
    auto g = As<IAMTimelineGroup>(group.Get(), IID_IAMTimelineGroup);
    EXPECT_EQ(S_OK, g->SetMediaType(&mt));
    EXPECT_EQ(S_OK, g->SetOutputFPS(fps));
    EXPECT_EQ(S_OK, g->SetPreviewMode(FALSE));  // as the render manager keeps it when writing files
    return group;
  }
  ComPtr<IAMTimelineObj> AudioGroup(DWORD rate) {
    auto group = AddGroup();
    WAVEFORMATEX wfx{};
    wfx.wFormatTag = WAVE_FORMAT_PCM;
    wfx.nChannels = 2;
    wfx.nSamplesPerSec = rate;
    wfx.wBitsPerSample = 16;
    wfx.nBlockAlign = 4;
    wfx.nAvgBytesPerSec = rate * 4;
    AM_MEDIA_TYPE mt{};
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = MEDIASUBTYPE_PCM;
    mt.formattype = FORMAT_WaveFormatEx;
    mt.cbFormat = sizeof wfx;
    mt.pbFormat = reinterpret_cast<BYTE*>(&wfx);
    EXPECT_EQ(S_OK, As<IAMTimelineGroup>(group.Get(), IID_IAMTimelineGroup)->SetMediaType(&mt));
    return group;
  }
  ComPtr<IAMTimelineObj> AddClip(IAMTimelineObj* track, const std::wstring& path, REFERENCE_TIME start,
                                 REFERENCE_TIME stop, REFERENCE_TIME mstart, REFERENCE_TIME mstop) {
    auto clip = Item(TIMELINE_MAJOR_TYPE_SOURCE, start, stop);
    auto src = As<IAMTimelineSrc>(clip.Get(), IID_IAMTimelineSrc);
    Bstr name(path);
    EXPECT_EQ(S_OK, src->SetMediaName(name));
    EXPECT_EQ(S_OK, src->SetMediaTimes(mstart, mstop));
    EXPECT_EQ(S_OK, As<IAMTimelineTrack>(track, IID_IAMTimelineTrack)->SrcAdd(clip.Get()));
    return clip;
  }
  // An effect or transition of one of the engine's own kinds, with keyframes per parameter:
  // {name, {{time, value, interpolate}...}}.
  struct Key {
    REFERENCE_TIME time;
    double value;
    bool interpolate;
  };
  ComPtr<IAMTimelineObj> BuiltIn(TIMELINE_MAJOR_TYPE type, const wchar_t* kind, REFERENCE_TIME start,
                                 REFERENCE_TIME stop, std::vector<std::pair<const wchar_t*, std::vector<Key>>> params) {
    auto obj = Item(type, start, stop);
    size_t count = 0;
    const engine::BuiltInEffect* table = engine::BuiltInEffects(&count);
    for (size_t i = 0; i < count; ++i) {
      if (std::wstring(table[i].name) == kind) {
        EXPECT_EQ(S_OK, obj->SetSubObjectGUID(table[i].clsid));
      }
    }
    ComPtr<IPropertySetter> setter;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                     reinterpret_cast<void**>(setter.GetAddressOf())));
    for (auto& [name, keys] : params) {
      Bstr bname(name);
      DEXTER_PARAM param{bname, 0, static_cast<LONG>(keys.size())};
      std::vector<DEXTER_VALUE> values(keys.size());
      for (size_t k = 0; k < keys.size(); ++k) {
        values[k].v.vt = VT_R8;
        values[k].v.dblVal = keys[k].value;
        values[k].rt = keys[k].time;
        values[k].dwInterp = keys[k].interpolate ? DEXTERF_INTERPOLATE : DEXTERF_JUMP;
      }
      EXPECT_EQ(S_OK, setter->AddProp(param, values.data()));
    }
    EXPECT_EQ(S_OK, obj->SetPropertySetter(setter.Get()));
    return obj;
  }
  static void AddEffect(IAMTimelineObj* target, IAMTimelineObj* effect) {
    EXPECT_EQ(S_OK, As<IAMTimelineEffectable>(target, IID_IAMTimelineEffectable)->EffectInsBefore(effect, -1));
  }

  ComPtr<IPin> GroupPin(LONG n) {
    ComPtr<IPin> pin;
    EXPECT_EQ(S_OK, engine->GetGroupOutputPin(n, &pin));
    return pin;
  }

  // Connects every group to a new AVI file as the render manager does, runs the graph and
  // returns the event that ended the run.
  long RenderToFile(const std::wstring& path, LONG groups) {
    ComPtr<ICaptureGraphBuilder2> builder;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_ICaptureGraphBuilder2, reinterpret_cast<void**>(builder.GetAddressOf())));
    EXPECT_EQ(S_OK, builder->SetFiltergraph(graph.Get()));
    ComPtr<IBaseFilter> mux;
    EXPECT_EQ(S_OK, builder->SetOutputFileName(&MEDIASUBTYPE_Avi, path.c_str(), &mux, nullptr));
    if (!mux) return 0;
    for (LONG i = 0; i < groups; ++i)
      EXPECT_EQ(S_OK, builder->RenderStream(nullptr, nullptr, GroupPin(i).Get(), nullptr, mux.Get()));
    return Run();
  }
  long Run() {
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    graph.As(&control);
    graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(events.GetAddressOf()));
    EXPECT_TRUE(SUCCEEDED(control->Run()));
    long code = 0;
    for (int waited = 0; waited < 60000 && !code; waited += 50) {
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

  ComPtr<IGraphBuilder> graph;
  ComPtr<IRenderEngine> engine;
};

TEST_F(RenderEngineTest, TracksComposeByPriorityWithMediaTimesMappedAndStretched) {
  testsupport::TempDir dir(L"render-video");
  const std::wstring ramp = dir.File(L"ramp.avi"), blue = dir.File(L"blue.avi"), green = dir.File(L"green.avi");
  // Twenty frames at 10 fps whose red level tells which frame shows.
  ASSERT_TRUE(WriteColourAvi(ramp, 80, 60, 20, 10, [](int i) { return uint32_t(i * 12) << 16; }));
  ASSERT_TRUE(WriteColourAvi(blue, 32, 24, 10, 10, [](int) { return kBlue; }));
  ASSERT_TRUE(WriteColourAvi(green, kWidth, kHeight, 10, 10, [](int) { return kGreen; }));

  auto group = VideoGroup();
  auto low = AddTrack(group.Get());
  // The upper track sits in a nested composition; a muted track above everything is not seen.
  auto comp = Node(TIMELINE_MAJOR_TYPE_COMPOSITE);
  ASSERT_EQ(S_OK, As<IAMTimelineComp>(group.Get(), IID_IAMTimelineComp)->VTrackInsBefore(comp.Get(), -1));
  auto high = AddTrack(comp.Get());
  auto muted = AddTrack(group.Get());
  ASSERT_EQ(S_OK, muted->SetMuted(TRUE));
  // Two seconds of media in one second of timeline: twice the speed.
  AddClip(low.Get(), ramp, 0, kSecond, 0, 2 * kSecond);
  AddClip(low.Get(), blue, kSecond, 2 * kSecond, 0, kSecond);
  AddClip(high.Get(), green, 3 * kSecond / 2, 2 * kSecond, 0, kSecond / 2);
  AddClip(muted.Get(), green, 0, 2 * kSecond, 0, kSecond);
  // The composition's own effect inverts its picture from 1.8 s; its transition dissolves it in
  // over what lies below from 1.5 s to 1.7 s.
  AddEffect(comp.Get(), BuiltIn(TIMELINE_MAJOR_TYPE_EFFECT, L"Invert", 9 * kSecond / 5, 2 * kSecond, {}).Get());
  ASSERT_EQ(
      S_OK,
      As<IAMTimelineTransable>(comp.Get(), IID_IAMTimelineTransable)
          ->TransAdd(
              BuiltIn(TIMELINE_MAJOR_TYPE_TRANSITION, L"Dissolve", 3 * kSecond / 2, 17 * kSecond / 10, {}).Get()));

  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  const std::wstring out = dir.File(L"out.avi");
  ASSERT_EQ(EC_COMPLETE, RenderToFile(out, 1));

  AviReadBack file(out);
  ASSERT_TRUE(file.Video());
  EXPECT_EQ(50, AVIStreamLength(file.Video()));
  AVISTREAMINFOW info{};
  AVIStreamInfoW(file.Video(), &info, sizeof info);
  EXPECT_EQ(25.0, static_cast<double>(info.dwRate) / info.dwScale);
  EXPECT_EQ(kWidth, info.rcFrame.right - info.rcFrame.left);
  // Frame 13 lies at 0.52 s: media time 1.04 s, the ramp's frame 10.
  EXPECT_TRUE(Near(uint32_t(10 * 12) << 16, file.Pixel(13, 80, 60, kWidth, kHeight), 2))
      << std::hex << file.Pixel(13, 80, 60, kWidth, kHeight);
  EXPECT_TRUE(Near(0, file.Pixel(0, 5, 5, kWidth, kHeight), 2));
  // The small blue picture fills the whole frame, corners included.
  for (auto [x, y] : {std::pair{0, 0}, {kWidth - 1, kHeight - 1}, {80, 60}})
    EXPECT_TRUE(Near(kBlue, file.Pixel(30, x, y, kWidth, kHeight), 2))
        << std::hex << file.Pixel(30, x, y, kWidth, kHeight);
  // The higher track covers the lower one from 1.5 s, dissolving in.
  EXPECT_TRUE(Near(kBlue, file.Pixel(37, 80, 60, kWidth, kHeight), 2));
  EXPECT_TRUE(Near(0x008080, file.Pixel(40, 80, 60, kWidth, kHeight), 2))
      << std::hex << file.Pixel(40, 80, 60, kWidth, kHeight);
  EXPECT_TRUE(Near(kGreen, file.Pixel(44, 80, 60, kWidth, kHeight), 2));
  EXPECT_TRUE(Near(0xFF00FF, file.Pixel(45, 80, 60, kWidth, kHeight), 2));
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(RenderEngineTest, MissingOrCorruptSourcesRenderBlackLogOnceAndTheRestStillRenders) {
  testsupport::TempDir dir(L"render-missing");
  const std::wstring red = dir.File(L"red.avi");
  ASSERT_TRUE(WriteColourAvi(red, 40, 30, 10, 10, [](int) { return kRed; }));
  auto group = VideoGroup(32, 10);
  auto track = AddTrack(group.Get());
  AddClip(track.Get(), dir.File(L"gone.avi"), 0, kSecond, 0, kSecond);
  AddClip(track.Get(), red, kSecond, 2 * kSecond, 0, kSecond);
  // A file that is no media at all, on a track above.
  const std::wstring junk = dir.File(L"junk.avi");
  const std::string noise(5000, 'x');
  ASSERT_TRUE(testsupport::WriteBytes(junk, noise.data(), noise.size()));
  AddClip(AddTrack(group.Get()).Get(), junk, 0, kSecond / 2, 0, kSecond / 2);
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());

  ComPtr<IMediaSeeking> seeking;
  ASSERT_EQ(S_OK, GroupPin(0).As(&seeking));
  LONGLONG duration = 0;
  EXPECT_EQ(S_OK, seeking->GetDuration(&duration));
  EXPECT_EQ(2 * kSecond, duration);

  const std::wstring out = dir.File(L"out.avi");
  ASSERT_EQ(EC_COMPLETE, RenderToFile(out, 1));
  {
    AviReadBack file(out);
    ASSERT_TRUE(file.Video());
    ASSERT_EQ(20, AVIStreamLength(file.Video()));
    std::vector<BYTE> frame(kWidth * kHeight * 4);
    LONG bytes = 0, count = 0;
    ASSERT_EQ(0, AVIStreamRead(file.Video(), 5, 1, frame.data(), static_cast<LONG>(frame.size()), &bytes, &count));
    EXPECT_EQ(0xFF000000u, *reinterpret_cast<uint32_t*>(frame.data()));  // opaque black
    ASSERT_EQ(0, AVIStreamRead(file.Video(), 15, 1, frame.data(), static_cast<LONG>(frame.size()), &bytes, &count));
    EXPECT_EQ(0xFFFF0000u, *reinterpret_cast<uint32_t*>(frame.data()));
  }
  ASSERT_EQ(2u, log.entries.size());
  for (const LoggedError& e : log.entries) {
    EXPECT_EQ(DEX_IDS_BAD_SOURCE_NAME, e.code);
    EXPECT_TRUE(FAILED(e.hr));
  }
  // Files open as their clips come up (or just before), so the order is not fixed.
  const std::wstring both = log.entries[0].text + L"|" + log.entries[1].text;
  EXPECT_NE(std::wstring::npos, both.find(L"junk.avi"));
  EXPECT_NE(std::wstring::npos, both.find(L"gone.avi"));
}

TEST_F(RenderEngineTest, ProgressKeyframesCutsOnlyAndSwappedInputsShapeATransition) {
  testsupport::TempDir dir(L"render-keyed");
  const std::wstring red = dir.File(L"red.avi"), blue = dir.File(L"blue.avi");
  ASSERT_TRUE(WriteColourAvi(red, 40, 30, 40, 10, [](int) { return kRed; }));
  ASSERT_TRUE(WriteColourAvi(blue, 40, 30, 40, 10, [](int) { return kBlue; }));
  auto group = VideoGroup(24, 10);
  AddClip(AddTrack(group.Get()).Get(), red, 0, 4 * kSecond, 0, 4 * kSecond);
  auto top = AddTrack(group.Get());
  AddClip(top.Get(), blue, 0, 4 * kSecond, 0, 4 * kSecond);
  auto transable = As<IAMTimelineTransable>(top.Get(), IID_IAMTimelineTransable);
  // 0.75 at once, then down to 0.25 half a second in; no kind named: the default transition.
  auto keyed = BuiltIn(TIMELINE_MAJOR_TYPE_TRANSITION, L"", kSecond, 2 * kSecond,
                       {{L"Progress", {{0, 0.75, false}, {kSecond / 2, 0.25, true}}}});
  ASSERT_EQ(S_OK, transable->TransAdd(keyed.Get()));
  // Cuts only: A until the cut point, then B.
  auto cut = Item(TIMELINE_MAJOR_TYPE_TRANSITION, 2 * kSecond, 5 * kSecond / 2);
  ASSERT_EQ(S_OK, As<IAMTimelineTrans>(cut.Get(), IID_IAMTimelineTrans)->SetCutsOnly(TRUE));
  ASSERT_EQ(S_OK, As<IAMTimelineTrans>(cut.Get(), IID_IAMTimelineTrans)->SetCutPoint(3 * kSecond / 10));
  ASSERT_EQ(S_OK, transable->TransAdd(cut.Get()));
  auto swapped = Item(TIMELINE_MAJOR_TYPE_TRANSITION, 3 * kSecond, 4 * kSecond);
  ASSERT_EQ(S_OK, As<IAMTimelineTrans>(swapped.Get(), IID_IAMTimelineTrans)->SetSwapInputs(TRUE));
  ASSERT_EQ(S_OK, transable->TransAdd(swapped.Get()));
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());

  const std::wstring out = dir.File(L"out.avi");
  ASSERT_EQ(EC_COMPLETE, RenderToFile(out, 1));
  AviReadBack file(out);
  ASSERT_TRUE(file.Video());
  auto at = [&](LONG frame) { return file.Pixel(frame, 80, 60, kWidth, kHeight); };
  EXPECT_TRUE(Near(0x4000BF, at(10), 2)) << std::hex << at(10);  // 0.75 blue
  EXPECT_TRUE(Near(0x73008C, at(12), 2)) << std::hex << at(12);  // 0.55, on the way down
  EXPECT_TRUE(Near(0xBF0040, at(17), 2)) << std::hex << at(17);  // 0.25 held
  EXPECT_TRUE(Near(kRed, at(22), 2)) << std::hex << at(22);      // before the cut
  EXPECT_TRUE(Near(kBlue, at(23), 2)) << std::hex << at(23);     // after it
  EXPECT_TRUE(Near(kBlue, at(25), 2));                           // the upper track alone
  EXPECT_TRUE(Near(0x3300CC, at(32), 2)) << std::hex << at(32);  // swapped: 1 - 0.2
}

TEST_F(RenderEngineTest, EffectsChangeTheirPictureBeforeTransitionsAndFollowTheirKeyframes) {
  testsupport::TempDir dir(L"render-effects");
  const std::wstring grey = dir.File(L"grey.avi"), red = dir.File(L"red.avi");
  ASSERT_TRUE(WriteColourAvi(grey, 40, 30, 20, 10, [](int) { return 0x808080u; }));
  ASSERT_TRUE(WriteColourAvi(red, 40, 30, 20, 10, [](int) { return kRed; }));
  auto group = VideoGroup(24, 10);
  // A source effect counts its times from the source's start: brightness 0 → 0.2 over its first second.
  auto clip = AddClip(AddTrack(group.Get()).Get(), grey, kSecond, 3 * kSecond, 0, 2 * kSecond);
  AddEffect(clip.Get(), BuiltIn(TIMELINE_MAJOR_TYPE_EFFECT, L"Brightness and contrast", 0, 2 * kSecond,
                                {{L"Brightness", {{0, 0.0, false}, {kSecond, 0.2, true}}}})
                            .Get());
  // An inverted red wipes in from the left over black.
  auto top = AddTrack(group.Get());
  AddClip(top.Get(), red, 3 * kSecond, 4 * kSecond, 0, kSecond);
  AddEffect(top.Get(), BuiltIn(TIMELINE_MAJOR_TYPE_EFFECT, L"Invert", 0, 10 * kSecond, {}).Get());
  // The transition names no filter: the timeline's default, a wipe, applies.
  GUID wipe = GUID_NULL;
  ASSERT_EQ(S_OK, BuiltIn(TIMELINE_MAJOR_TYPE_TRANSITION, L"Wipe", 0, 1, {})->GetSubObjectGUID(&wipe));
  ASSERT_EQ(S_OK, timeline->SetDefaultTransition(&wipe));
  ASSERT_EQ(S_OK, As<IAMTimelineTransable>(top.Get(), IID_IAMTimelineTransable)
                      ->TransAdd(Item(TIMELINE_MAJOR_TYPE_TRANSITION, 3 * kSecond, 4 * kSecond).Get()));
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());

  const std::wstring out = dir.File(L"out.avi");
  ASSERT_EQ(EC_COMPLETE, RenderToFile(out, 1));
  AviReadBack file(out);
  ASSERT_TRUE(file.Video());
  auto at = [&](LONG frame, LONG x) { return file.Pixel(frame, x, 60, kWidth, kHeight); };
  EXPECT_TRUE(Near(0x808080, at(10, 80), 2)) << std::hex << at(10, 80);
  EXPECT_TRUE(Near(0x9A9A9A, at(15, 80), 2)) << std::hex << at(15, 80);  // half-way: +0.1
  EXPECT_TRUE(Near(0xB3B3B3, at(25, 80), 2)) << std::hex << at(25, 80);  // held at +0.2
  EXPECT_TRUE(Near(0x00FFFF, at(35, 40), 2)) << std::hex << at(35, 40);  // wiped in, inverted
  EXPECT_TRUE(Near(kBlack, at(35, 120), 2)) << std::hex << at(35, 120);
}

TEST_F(RenderEngineTest, AudioGainEnvelopeOfASourceFollowsItsKeyframesAndTheGroupFadesOut) {
  testsupport::TempDir dir(L"render-gain");
  const std::wstring loud = dir.File(L"loud.wav");
  ASSERT_TRUE(WriteWav(loud, 11025, 2, 16, Constant(2 * 11025, 2, 30000)));
  auto group = AudioGroup(11025);
  auto clip = AddClip(AddTrack(group.Get()).Get(), loud, 0, 2 * kSecond, 0, 2 * kSecond);
  AddEffect(clip.Get(), BuiltIn(TIMELINE_MAJOR_TYPE_EFFECT, L"Volume", 0, 2 * kSecond,
                                {{L"Gain", {{0, 1.0, false}, {2 * kSecond, 0.0, true}}}})
                            .Get());
  // The group fades out over the last half second, on top of the source's envelope.
  AddEffect(group.Get(), BuiltIn(TIMELINE_MAJOR_TYPE_EFFECT, L"Fade", 3 * kSecond / 2, 2 * kSecond,
                                 {{L"Direction", {{0, 1.0, false}}}})
                             .Get());
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  const std::wstring out = dir.File(L"out.avi");
  ASSERT_EQ(EC_COMPLETE, RenderToFile(out, 1));
  AviReadBack file(out);
  ASSERT_TRUE(file.Audio());
  EXPECT_NEAR(30000, file.Sample(0).first, 3);
  EXPECT_NEAR(15000, file.Sample(11025).first, 3);
  EXPECT_NEAR(7500, file.Sample(11025 * 3 / 2).second, 3);
  EXPECT_NEAR(1875, file.Sample(11025 * 7 / 4).first, 3);  // an eighth, halved
}

TEST_F(RenderEngineTest, SeekWhileStreamingFlushesAndStartsANewSegmentAtThatTime) {
  testsupport::TempDir dir(L"render-flush");
  const std::wstring ramp = dir.File(L"ramp.avi");
  ASSERT_TRUE(WriteColourAvi(ramp, 40, 30, 20, 10, [](int i) { return uint32_t(i * 12) << 16; }));
  auto group = VideoGroup(32, 10);
  AddClip(AddTrack(group.Get()).Get(), ramp, 0, 2 * kSecond, 0, 2 * kSecond);
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  ComPtr<IBaseFilter> sinkFilter;
  auto* sink = new RecordingSink;
  sinkFilter.Attach(sink);
  ASSERT_EQ(S_OK, graph->AddFilter(sinkFilter.Get(), L"sink"));
  ASSERT_EQ(S_OK, graph->ConnectDirect(GroupPin(0).Get(), sink->PinAt(0), nullptr));

  ComPtr<IMediaControl> control;
  ASSERT_EQ(S_OK, graph.As(&control));
  ASSERT_TRUE(SUCCEEDED(control->Pause()));
  ASSERT_TRUE(sink->WaitForEnds(1));
  {
    std::lock_guard<std::mutex> lock(sink->mutex);
    ASSERT_EQ(20u, sink->samples.size());
    EXPECT_EQ(19 * kSecond / 10, sink->samples.back().start);
    EXPECT_EQ(2 * kSecond, sink->samples.back().stop);
  }

  // Through the graph, as the preview seeks.
  ComPtr<IMediaSeeking> seeking;
  ASSERT_EQ(S_OK, graph.As(&seeking));
  LONGLONG at = 15 * kSecond / 10;
  ASSERT_EQ(S_OK, seeking->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
  ASSERT_TRUE(sink->WaitForEnds(2));
  control->Stop();
  std::lock_guard<std::mutex> lock(sink->mutex);
  EXPECT_GE(sink->flushes, 1);
  ASSERT_FALSE(sink->segments.empty());
  EXPECT_EQ(at, sink->segments.back());
  ASSERT_EQ(5u, sink->samples.size());
  EXPECT_EQ(0, sink->samples[0].start);
  EXPECT_EQ(kSecond / 10, sink->samples[0].stop);
  EXPECT_EQ(0xFF000000u | uint32_t(15 * 12) << 16, sink->samples[0].pixel);
}

TEST_F(RenderEngineTest, StretchModesPlaceTheSourceAndAStillIsHeld) {
  testsupport::TempDir dir(L"render-stretch");
  // Portrait sources in a landscape frame.
  const std::wstring tall = dir.File(L"tall.avi"), still = dir.File(L"still.bmp");
  ASSERT_TRUE(WriteColourAvi(tall, 40, 60, 40, 10, [](int) { return kGreen; }));
  ASSERT_TRUE(WriteColourBmp(still, 40, 60, kRed));
  auto group = VideoGroup(24, 10);
  auto track = AddTrack(group.Get());
  const int modes[] = {RESIZEF_CROP, RESIZEF_PRESERVEASPECTRATIO, RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX};
  for (int i = 0; i < 3; ++i) {
    auto clip = AddClip(track.Get(), tall, i * kSecond, (i + 1) * kSecond, i * kSecond, (i + 1) * kSecond);
    ASSERT_EQ(S_OK, As<IAMTimelineSrc>(clip.Get(), IID_IAMTimelineSrc)->SetStretchMode(modes[i]));
  }
  AddClip(track.Get(), still, 3 * kSecond, 5 * kSecond, 0, 2 * kSecond);
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());

  const std::wstring out = dir.File(L"out.avi");
  ASSERT_EQ(EC_COMPLETE, RenderToFile(out, 1));
  AviReadBack file(out);
  ASSERT_TRUE(file.Video());
  ASSERT_EQ(50, AVIStreamLength(file.Video()));
  auto at = [&](LONG frame, LONG x, LONG y) { return file.Pixel(frame, x, y, kWidth, kHeight); };
  // Crop: the 40 x 60 picture unscaled in the middle (60..99, 30..89).
  EXPECT_TRUE(Near(kGreen, at(5, 60, 30), 2));
  EXPECT_TRUE(Near(kGreen, at(5, 99, 89), 2));
  EXPECT_TRUE(Near(kBlack, at(5, 59, 60), 2));
  EXPECT_TRUE(Near(kBlack, at(5, 80, 29), 2));
  // Letterbox: scaled to 80 x 120, centred (40..119).
  EXPECT_TRUE(Near(kBlack, at(15, 39, 60), 2));
  EXPECT_TRUE(Near(kGreen, at(15, 40, 0), 2));
  EXPECT_TRUE(Near(kGreen, at(15, 119, 119), 2));
  EXPECT_TRUE(Near(kBlack, at(15, 120, 60), 2));
  // Fill: scaled to 160 x 240 and cropped, nothing black.
  EXPECT_TRUE(Near(kGreen, at(25, 0, 0), 2));
  EXPECT_TRUE(Near(kGreen, at(25, kWidth - 1, kHeight - 1), 2));
  // The still shows for the whole of its two seconds.
  EXPECT_TRUE(Near(kRed, at(30, 0, 0), 2));
  EXPECT_TRUE(Near(kRed, at(49, 80, 60), 2));
}

TEST_F(RenderEngineTest, PlaysInRealTimeThroughThePlatformVideoRenderer) {
  testsupport::TempDir dir(L"render-preview");
  const std::wstring red = dir.File(L"red.avi");
  ASSERT_TRUE(WriteColourAvi(red, 40, 30, 10, 10, [](int) { return kRed; }));
  auto group = VideoGroup(24, 25);
  AddClip(AddTrack(group.Get()).Get(), red, 0, kSecond, 0, kSecond);
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  ComPtr<IBaseFilter> renderer;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                   reinterpret_cast<void**>(renderer.GetAddressOf())));
  ASSERT_EQ(S_OK, graph->AddFilter(renderer.Get(), L"renderer"));
  ASSERT_TRUE(SUCCEEDED(graph->Render(GroupPin(0).Get())));
  const ULONGLONG began = GetTickCount64();
  EXPECT_EQ(EC_COMPLETE, Run());
  const ULONGLONG took = GetTickCount64() - began;
  EXPECT_GE(took, 900u);  // paced by the graph's clock, not as fast as the frames are made
  EXPECT_TRUE(log.entries.empty());

  // Paused, the renderer holds a picture and the streaming thread waits on it: a seek and a
  // stop still come back.
  ComPtr<IMediaControl> control;
  ASSERT_EQ(S_OK, graph.As(&control));
  ComPtr<IMediaSeeking> seeking;
  ASSERT_EQ(S_OK, graph.As(&seeking));
  LONGLONG at = kSecond / 2;
  for (int round = 0; round < 2; ++round) {
    control->Pause();
    OAFilterState state;
    control->GetState(2000, &state);
    EXPECT_EQ(State_Paused, state);
    Sleep(100);
    EXPECT_EQ(S_OK, seeking->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
    Sleep(100);
    EXPECT_EQ(S_OK, control->Stop());
  }
}

TEST_F(RenderEngineTest, PreviewDropsFramesThatAreLateWhileAuthoringRendersEveryOne) {
  testsupport::TempDir dir(L"render-late");
  const std::wstring red = dir.File(L"red.avi");
  ASSERT_TRUE(WriteColourAvi(red, 40, 30, 10, 10, [](int) { return kRed; }));
  auto group = VideoGroup(24, 25);
  AddClip(AddTrack(group.Get()).Get(), red, 0, kSecond, 0, kSecond);
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  ComPtr<IBaseFilter> sinkFilter;
  auto* sink = new RecordingSink;
  sinkFilter.Attach(sink);
  sink->delayMs = 80;  // twice a frame's time
  ASSERT_EQ(S_OK, graph->AddFilter(sinkFilter.Get(), L"sink"));
  ASSERT_EQ(S_OK, graph->ConnectDirect(GroupPin(0).Get(), sink->PinAt(0), nullptr));
  ComPtr<IMediaControl> control;
  ASSERT_EQ(S_OK, graph.As(&control));

  size_t received[2] = {};
  for (BOOL preview : {FALSE, TRUE}) {
    ASSERT_EQ(S_OK, As<IAMTimelineGroup>(group.Get(), IID_IAMTimelineGroup)->SetPreviewMode(preview));
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

TEST_F(RenderEngineTest, RenderRangeStartAndStopPositionsLimitTheOutput) {
  testsupport::TempDir dir(L"render-range");
  const std::wstring ramp = dir.File(L"ramp.avi");
  ASSERT_TRUE(WriteColourAvi(ramp, 40, 30, 20, 10, [](int i) { return uint32_t(i * 12) << 16; }));
  auto group = VideoGroup(24, 10);
  AddClip(AddTrack(group.Get()).Get(), ramp, 0, 2 * kSecond, 0, 2 * kSecond);
  EXPECT_EQ(E_INVALIDARG, engine->SetRenderRange(kSecond, kSecond / 2));
  ASSERT_EQ(S_OK, engine->SetRenderRange(kSecond / 2, 3 * kSecond / 2));
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  // The filter's position moves every output; the pin's stop ends its own.
  ComPtr<IBaseFilter> source;
  {
    PIN_INFO info{};
    ASSERT_EQ(S_OK, GroupPin(0)->QueryPinInfo(&info));
    source.Attach(info.pFilter);
  }
  ComPtr<IMediaSeeking> filterSeeking, pinSeeking;
  ASSERT_EQ(S_OK, source.As(&filterSeeking));
  ASSERT_EQ(S_OK, GroupPin(0).As(&pinSeeking));
  LONGLONG duration = 0, start = 2 * kSecond / 10, stop = 8 * kSecond / 10, current = 0;
  EXPECT_EQ(S_OK, pinSeeking->GetDuration(&duration));
  EXPECT_EQ(kSecond, duration);
  ASSERT_EQ(S_OK,
            filterSeeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
  ASSERT_EQ(S_OK, pinSeeking->SetPositions(nullptr, AM_SEEKING_NoPositioning, &stop, AM_SEEKING_AbsolutePositioning));
  EXPECT_EQ(S_OK, filterSeeking->GetCurrentPosition(&current));
  EXPECT_EQ(start, current);

  // Output 0.2 s to 0.8 s: timeline 0.7 s to 1.3 s.
  const std::wstring out = dir.File(L"out.avi");
  ASSERT_EQ(EC_COMPLETE, RenderToFile(out, 1));
  AviReadBack file(out);
  ASSERT_TRUE(file.Video());
  EXPECT_EQ(6, AVIStreamLength(file.Video()));
  EXPECT_TRUE(Near(uint32_t(7 * 12) << 16, file.Pixel(0, 20, 15, kWidth, kHeight), 2));
  EXPECT_TRUE(Near(uint32_t(12 * 12) << 16, file.Pixel(5, 20, 15, kWidth, kHeight), 2));
}

TEST_F(RenderEngineTest, AudioIsResampledAndMixedWithSaturationBesideAVideoGroupInOneFile) {
  testsupport::TempDir dir(L"render-audio");
  const std::wstring quiet = dir.File(L"quiet.wav"), loud = dir.File(L"loud.wav");
  ASSERT_TRUE(WriteWav(quiet, 8000, 1, 16, Constant(8000, 1, 10000)));  // mono, another rate
  ASSERT_TRUE(WriteWav(loud, 22050, 2, 16, Constant(22050, 2, 30000)));
  auto video = VideoGroup(24, 10);                                      // a second group, written into the same file
  AddClip(AddTrack(video.Get()).Get(), quiet, 0, kSecond, 0, kSecond);  // no pictures in it: black
  auto group = AudioGroup(22050);
  AddClip(AddTrack(group.Get()).Get(), quiet, 0, kSecond, 0, kSecond);
  AddClip(AddTrack(group.Get()).Get(), loud, kSecond / 2, 3 * kSecond / 2, 0, kSecond);
  auto gapTrack = AddTrack(group.Get());
  AddClip(gapTrack.Get(), quiet, 2 * kSecond, 5 * kSecond / 2, 0, kSecond / 2);
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());

  const std::wstring out = dir.File(L"out.avi");
  ASSERT_EQ(EC_COMPLETE, RenderToFile(out, 2));
  AviReadBack file(out);
  ASSERT_TRUE(file.Audio());
  ASSERT_TRUE(file.Video());
  EXPECT_EQ(55125, AVIStreamLength(file.Audio()));  // 2.5 s
  EXPECT_EQ(25, AVIStreamLength(file.Video()));
  EXPECT_TRUE(Near(kBlack, file.Pixel(3, 80, 60, kWidth, kHeight), 0));
  EXPECT_EQ(std::make_pair(10000, 10000), file.Sample(5000));   // the mono source on both sides
  EXPECT_EQ(std::make_pair(32767, 32767), file.Sample(16000));  // 40000 saturates
  EXPECT_EQ(std::make_pair(30000, 30000), file.Sample(27000));
  EXPECT_EQ(std::make_pair(0, 0), file.Sample(40000));  // the gap
  EXPECT_EQ(std::make_pair(10000, 10000), file.Sample(50000));
  // The video group's source has no pictures: reported once, rendered black.
  ASSERT_EQ(1u, log.entries.size());
  EXPECT_EQ(DEX_IDS_STREAM_NUMBER, log.entries[0].code);
}

// Left in the test's folder for check_render_files.sh, which reads it with ffprobe and ffmpeg.
TEST_F(RenderEngineTest, ComposedTimelineOfBothKindsIsKeptForTheIndependentReader) {
  testsupport::TempDir dir(L"render-composed");
  const std::wstring red = dir.File(L"red.avi"), blue = dir.File(L"blue.avi"), still = dir.File(L"green.bmp");
  const std::wstring quiet = dir.File(L"quiet.wav"), loud = dir.File(L"loud.wav");
  ASSERT_TRUE(WriteColourAvi(red, 40, 30, 20, 10, [](int) { return kRed; }));
  ASSERT_TRUE(WriteColourAvi(blue, 64, 48, 20, 10, [](int) { return kBlue; }));
  ASSERT_TRUE(WriteColourBmp(still, 16, 16, kGreen));
  ASSERT_TRUE(WriteWav(quiet, 8000, 1, 16, Constant(8000, 1, 10000)));
  ASSERT_TRUE(WriteWav(loud, 22050, 2, 16, Constant(22050, 2, 30000)));

  auto video = VideoGroup(24, 25);
  auto redClip = AddClip(AddTrack(video.Get()).Get(), red, 0, 2 * kSecond, 0, 2 * kSecond);
  // The red clip comes up out of black over its first 0.4 s.
  AddEffect(redClip.Get(), BuiltIn(TIMELINE_MAJOR_TYPE_EFFECT, L"Brightness and contrast", 0, 2 * kSecond,
                                   {{L"Brightness", {{0, -1.0, false}, {2 * kSecond / 5, 0.0, true}}}})
                               .Get());
  auto upper = AddTrack(video.Get());
  AddClip(upper.Get(), blue, kSecond, 3 * kSecond, 0, 2 * kSecond);
  auto trans = Item(TIMELINE_MAJOR_TYPE_TRANSITION, kSecond, 2 * kSecond);
  ASSERT_EQ(S_OK, As<IAMTimelineTransable>(upper.Get(), IID_IAMTimelineTransable)->TransAdd(trans.Get()));
  AddClip(AddTrack(video.Get()).Get(), still, 5 * kSecond / 2, 3 * kSecond, 0, kSecond / 2);
  auto audio = AudioGroup(22050);
  AddClip(AddTrack(audio.Get()).Get(), quiet, 0, kSecond, 0, kSecond);
  AddClip(AddTrack(audio.Get()).Get(), loud, kSecond / 2, 3 * kSecond / 2, 0, kSecond);
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());

  wchar_t cwd[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, cwd);
  const std::wstring out = std::wstring(cwd) + L"\\composed.avi";
  ASSERT_EQ(EC_COMPLETE, RenderToFile(out, 2));
  AviReadBack file(out);
  ASSERT_TRUE(file.Video() && file.Audio());
  EXPECT_EQ(75, AVIStreamLength(file.Video()));
  EXPECT_EQ(66150, AVIStreamLength(file.Audio()));
  auto at = [&](LONG frame) { return file.Pixel(frame, 80, 60, kWidth, kHeight); };
  EXPECT_TRUE(Near(kBlack, at(0), 2)) << std::hex << at(0);
  EXPECT_TRUE(Near(0x800000, at(5), 3)) << std::hex << at(5);  // half-way up: brightness -0.5
  EXPECT_TRUE(Near(kRed, at(10), 2)) << std::hex << at(10);
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(RenderEngineTest, SoundAtTheGroupsOwnRateComesOutSampleForSampleAndStretchedSoundIsInterpolated) {
  testsupport::TempDir dir(L"render-exact");
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
  AddClip(AddTrack(group.Get()).Get(), path, kSecond / 2, kSecond, kSecond / 5, 7 * kSecond / 10);
  // Above, later: the file from its start at half speed.
  AddClip(AddTrack(group.Get()).Get(), path, kSecond, 2 * kSecond, 0, kSecond / 2);
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());

  const std::wstring out = dir.File(L"out.avi");
  ASSERT_EQ(EC_COMPLETE, RenderToFile(out, 1));
  AviReadBack file(out);
  ASSERT_TRUE(file.Audio());
  EXPECT_EQ(std::make_pair(0, 0), file.Sample(11024));
  for (LONG n = 11025; n < 22050; n += 97) {
    const size_t i = static_cast<size_t>(n - 11025 + 4410) * 2;
    EXPECT_EQ(std::make_pair(static_cast<int>(noise[i]), static_cast<int>(noise[i + 1])), file.Sample(n)) << n;
  }
  // Half speed: output frame k of the clip plays source position k / 2, halfway frames
  // being the mean of their neighbours.
  for (LONG k = 0; k < 22000; k += 101) {
    const size_t i = static_cast<size_t>(k / 2) * 2;
    const long left = (k % 2) ? std::lround((noise[i] + noise[i + 2]) / 2.0) : noise[i];
    const long right = (k % 2) ? std::lround((noise[i + 1] + noise[i + 3]) / 2.0) : noise[i + 1];
    EXPECT_EQ(std::make_pair(static_cast<int>(left), static_cast<int>(right)), file.Sample(22050 + k)) << k;
  }
}

TEST_F(RenderEngineTest, AudioTransitionCrossfadesTheTrackOverTheOnesBelow) {
  testsupport::TempDir dir(L"render-crossfade");
  const std::wstring quiet = dir.File(L"quiet.wav"), loud = dir.File(L"loud.wav");
  ASSERT_TRUE(WriteWav(quiet, 11025, 2, 16, Constant(2 * 11025, 2, 10000)));
  ASSERT_TRUE(WriteWav(loud, 11025, 2, 16, Constant(2 * 11025, 2, 30000)));
  auto group = AudioGroup(11025);
  AddClip(AddTrack(group.Get()).Get(), quiet, 0, 2 * kSecond, 0, 2 * kSecond);
  auto upper = AddTrack(group.Get());
  AddClip(upper.Get(), loud, kSecond, 3 * kSecond, 0, 2 * kSecond);
  auto trans = Item(TIMELINE_MAJOR_TYPE_TRANSITION, kSecond, 2 * kSecond);
  ASSERT_EQ(S_OK, As<IAMTimelineTransable>(upper.Get(), IID_IAMTimelineTransable)->TransAdd(trans.Get()));
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());

  const std::wstring out = dir.File(L"out.avi");
  ASSERT_EQ(EC_COMPLETE, RenderToFile(out, 1));
  AviReadBack file(out);
  ASSERT_TRUE(file.Audio());
  EXPECT_EQ(3 * 11025, AVIStreamLength(file.Audio()));
  EXPECT_EQ(10000, file.Sample(11025 / 2).first);
  EXPECT_NEAR(15000, file.Sample(11025 * 5 / 4).first, 3);   // a quarter of the way
  EXPECT_NEAR(20000, file.Sample(11025 * 3 / 2).second, 3);  // half-way
  EXPECT_EQ(30000, file.Sample(11025 * 5 / 2).first);
}

TEST_F(RenderEngineTest, ConnectFrontEndResetsOutputsOnlyWhenGroupsChange) {
  EXPECT_EQ(S_OK, engine->ConnectFrontEnd());  // no groups: nothing to connect
  auto video = VideoGroup();
  auto track = AddTrack(video.Get());
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  ComPtr<IPin> pin = GroupPin(0), none;
  EXPECT_EQ(E_INVALIDARG, engine->GetGroupOutputPin(1, &none));
  EXPECT_FALSE(none);
  AM_MEDIA_TYPE mt{};
  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(S_OK, pin->EnumMediaTypes(&types));
  AM_MEDIA_TYPE* first = nullptr;
  ASSERT_EQ(S_OK, types->Next(1, &first, nullptr));
  EXPECT_EQ(MEDIASUBTYPE_RGB24, first->subtype);
  EXPECT_EQ(kSecond / 25, reinterpret_cast<VIDEOINFOHEADER*>(first->pbFormat)->AvgTimePerFrame);
  CoTaskMemFree(first->pbFormat);
  CoTaskMemFree(first);

  // A connection made by the application survives an edit that keeps the groups.
  ComPtr<IBaseFilter> sink;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                   reinterpret_cast<void**>(sink.GetAddressOf())));
  ASSERT_EQ(S_OK, graph->AddFilter(sink.Get(), L"sink"));
  ComPtr<IEnumPins> pins;
  ComPtr<IPin> sinkIn;
  sink->EnumPins(&pins);
  pins->Next(1, &sinkIn, nullptr);
  ASSERT_EQ(S_OK, graph->ConnectDirect(pin.Get(), sinkIn.Get(), nullptr));
  AddClip(track.Get(), L"C:\\nowhere.avi", 0, kSecond, 0, kSecond);
  EXPECT_EQ(S_OK, engine->ConnectFrontEnd());
  EXPECT_TRUE(GroupPin(0) == pin);
  ComPtr<IPin> peer;
  EXPECT_EQ(S_OK, pin->ConnectedTo(&peer));
  ASSERT_EQ(S_OK, pin->ConnectionMediaType(&mt));
  CoTaskMemFree(mt.pbFormat);

  // A new group replaces the outputs; the old connection is gone.
  AudioGroup(44100);
  EXPECT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  EXPECT_FALSE(GroupPin(0) == pin);
  EXPECT_TRUE(GroupPin(1));
  EXPECT_EQ(VFW_E_NOT_CONNECTED, sinkIn->ConnectedTo(&peer));
  EXPECT_EQ(S_OK, engine->ConnectFrontEnd());

  // A group type the engine cannot produce is refused and logged.
  auto odd = AddGroup();
  AM_MEDIA_TYPE yuv{};
  ASSERT_EQ(S_OK, As<IAMTimelineGroup>(video.Get(), IID_IAMTimelineGroup)->GetMediaType(&yuv));
  yuv.subtype = MEDIASUBTYPE_YUY2;
  reinterpret_cast<VIDEOINFOHEADER*>(yuv.pbFormat)->bmiHeader.biCompression = MAKEFOURCC('Y', 'U', 'Y', '2');
  reinterpret_cast<VIDEOINFOHEADER*>(yuv.pbFormat)->bmiHeader.biBitCount = 16;
  ASSERT_EQ(S_OK, As<IAMTimelineGroup>(odd.Get(), IID_IAMTimelineGroup)->SetMediaType(&yuv));
  CoTaskMemFree(yuv.pbFormat);
  log.entries.clear();
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, engine->ConnectFrontEnd());
  EXPECT_EQ(1u, log.entries.size());

  // Without a timeline there is nothing to build; after ScrapIt no pin is handed out.
  ComPtr<IRenderEngine> bare;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_RenderEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IRenderEngine,
                                   reinterpret_cast<void**>(bare.GetAddressOf())));
  EXPECT_EQ(E_INVALIDARG, bare->ConnectFrontEnd());
  EXPECT_EQ(S_OK, engine->ScrapIt());
  EXPECT_TRUE(FAILED(engine->GetGroupOutputPin(0, &none)));
  ComPtr<IGraphBuilder> noGraph;
  EXPECT_EQ(S_OK, engine->GetFilterGraph(&noGraph));
  EXPECT_FALSE(noGraph);
}

}  // namespace
}  // namespace enginetest
