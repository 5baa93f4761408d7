// The engine's compressors, bound through the catalogue: groups compressed into AVI files and decoded back.
#include "EngineTestSupport.h"
#include "MediaTestFiles.h"
#include "OutputTestSource.h"
#include "TestSupport.h"

#include "engine/EffectRegistration.h"
#include "engine/codecs/CompressorTable.h"
#include "engine/codecs/JpegEncoder.h"
#include "engine/media/StillImage.h"
#include "services/MediaTypes.h"

#include <mmreg.h>
#include <msacm.h>

#include <cmath>
#include <cstdlib>

namespace enginetest {
namespace {

using outputtest::Catalogued;
using outputtest::PinOf;
using outputtest::TestSink;
using outputtest::TestSource;

constexpr LONG kWidth = 64, kHeight = 48;
constexpr uint32_t kLeft = 0xC03020, kRight = 0x2040C0;
constexpr DWORD kMjpg = MAKEFOURCC('M', 'J', 'P', 'G');

// Left and right halves of two colours above one-pixel checkers, which cost a JPEG more bytes
// the better its quality. Bottom-up 24-bit rows.
std::vector<BYTE> PatternRows() {
  const LONG stride = (kWidth * 3 + 3) & ~3;
  std::vector<BYTE> rows(static_cast<size_t>(stride * kHeight));
  for (LONG y = 0; y < kHeight; ++y)
    for (LONG x = 0; x < kWidth; ++x) {
      const LONG top = kHeight - 1 - y;
      const uint32_t c = top >= 32 ? ((x + top) % 2 ? 0xFFFFFF : 0) : x < kWidth / 2 ? kLeft : kRight;
      BYTE* p = rows.data() + y * stride + x * 3;
      p[0] = BYTE(c), p[1] = BYTE(c >> 8), p[2] = BYTE(c >> 16);
    }
  return rows;
}

// Pixel (x, y from the top) of a JPEG as the platform decodes it, 0xRRGGBB; 0xDEADBEEF if it cannot.
uint32_t JpegPixel(const std::vector<BYTE>& jpeg, LONG x, LONG y) {
  const std::wstring path = testsupport::InCurrentDir(L"decoded.jpg");
  engine::media::VideoFrame picture;
  if (!testsupport::WriteBytes(path, jpeg.data(), jpeg.size()) ||
      engine::media::LoadStillImage(path, &picture) != S_OK || x >= picture.width || y >= picture.height)
    return 0xDEADBEEF;
  return picture.Row(y)[x] & 0xFFFFFF;
}

// A tone whose two channels differ, so that swapped channels would show.
int16_t Tone(size_t frame, int channel) {
  const double s = std::sin(2 * 3.14159265358979 * 441.0 * static_cast<double>(frame) / 44100.0);
  return static_cast<int16_t>(channel == 0 ? 8000 * s : -4000 * s);
}

// IMA ADPCM decoded back to 16-bit PCM by the platform's audio codec manager.
std::vector<int16_t> DecodeAdpcm(const std::vector<BYTE>& format, const std::vector<BYTE>& data) {
  const auto* adpcm = reinterpret_cast<const WAVEFORMATEX*>(format.data());
  WAVEFORMATEX pcm = PcmType(adpcm->nChannels, adpcm->nSamplesPerSec).Wfx();
  HACMSTREAM stream = nullptr;
  if (acmStreamOpen(&stream, nullptr, const_cast<WAVEFORMATEX*>(adpcm), &pcm, nullptr, 0, 0,
                    ACM_STREAMOPENF_NONREALTIME) != 0)
    return {};
  DWORD size = 0;
  acmStreamSize(stream, static_cast<DWORD>(data.size()), &size, ACM_STREAMSIZEF_SOURCE);
  std::vector<int16_t> out(size / 2);
  ACMSTREAMHEADER h{};
  h.cbStruct = sizeof h;
  h.pbSrc = const_cast<BYTE*>(data.data());
  h.cbSrcLength = static_cast<DWORD>(data.size());
  h.pbDst = reinterpret_cast<BYTE*>(out.data());
  h.cbDstLength = size;
  if (acmStreamPrepareHeader(stream, &h, 0) != 0 || acmStreamConvert(stream, &h, ACM_STREAMCONVERTF_BLOCKALIGN) != 0)
    h.cbDstLengthUsed = 0;
  acmStreamUnprepareHeader(stream, &h, 0);
  acmStreamClose(stream, 0);
  out.resize(h.cbDstLengthUsed / 2);
  return out;
}

// A timeline's one group through a compressor, into an AVI file or a test sink.
class CompressedGraph {
 public:
  CompressedGraph(IAMTimeline* timeline, IBaseFilter* compressor) : compressor_(compressor) {
    graph = Create<IGraphBuilder>(CLSID_FilterGraph);
    engine_ = Create<IRenderEngine>(CLSID_RenderEngine);
    EXPECT_EQ(S_OK, engine_->SetFilterGraph(graph.Get()));
    EXPECT_EQ(S_OK, engine_->SetTimelineObject(timeline));
    EXPECT_TRUE(SUCCEEDED(engine_->ConnectFrontEnd()));
    ComPtr<IPin> group;
    EXPECT_EQ(S_OK, engine_->GetGroupOutputPin(0, &group));
    EXPECT_EQ(S_OK, graph->AddFilter(compressor, L"compressor"));
    EXPECT_EQ(S_OK, graph->ConnectDirect(group.Get(), PinOf(compressor, PINDIR_INPUT).Get(), nullptr));
  }
  ~CompressedGraph() {
    As<IMediaControl>(graph)->Stop();
    engine_->ScrapIt();
  }
  long ToFile(const std::wstring& path) {
    auto builder = Create<ICaptureGraphBuilder2>(CLSID_CaptureGraphBuilder2);
    ComPtr<IBaseFilter> mux;
    EXPECT_EQ(S_OK, builder->SetFiltergraph(graph.Get()));
    EXPECT_EQ(S_OK, builder->SetOutputFileName(&MEDIASUBTYPE_Avi, path.c_str(), &mux, nullptr));
    EXPECT_EQ(S_OK, builder->RenderStream(nullptr, nullptr, compressor_, nullptr, mux.Get()));
    return RunGraph(graph.Get());
  }
  void ToSink(IBaseFilter* sink) {
    EXPECT_EQ(S_OK, graph->AddFilter(sink, L"sink"));
    EXPECT_EQ(S_OK,
              graph->ConnectDirect(PinOf(compressor_, PINDIR_OUTPUT).Get(), PinOf(sink, PINDIR_INPUT).Get(), nullptr));
  }

  ComPtr<IGraphBuilder> graph;

 private:
  IBaseFilter* compressor_;
  ComPtr<IRenderEngine> engine_;
};

class Compressors : public EngineTest {
 protected:
  // A timeline of one group holding `media` for its first `seconds`.
  ComPtr<IAMTimeline> OneClip(AM_MEDIA_TYPE* type, const std::wstring& media, double seconds) {
    EXPECT_EQ(S_OK, MrqEngineRegisterEffects());  // the compressors in the catalogue, as the program has them
    timeline = NewTimeline();
    auto group = AddGroup(type);
    if (type->majortype == MEDIATYPE_Video) {
      EXPECT_EQ(S_OK, As<IAMTimelineGroup>(group)->SetOutputFPS(10));
    }
    // Every frame, however late, as the render manager has it when writing files.
    EXPECT_EQ(S_OK, As<IAMTimelineGroup>(group)->SetPreviewMode(FALSE));
    const auto stop = static_cast<REFERENCE_TIME>(seconds * kSecond);
    AddSource(AddTrack(group.Get()).Get(), 0, stop, media, 0, stop);
    return timeline;
  }
  ComPtr<IAMTimeline> ToneTimeline(size_t frames) {
    std::vector<int16_t> tone;
    for (size_t i = 0; i < frames; ++i) tone.insert(tone.end(), {Tone(i, 0), Tone(i, 1)});
    EXPECT_TRUE(WriteWav(dir.File(L"tone.wav"), 44100, 2, 16, tone));
    return OneClip(PcmType(2, 44100).Get(), dir.File(L"tone.wav"), 1.05);
  }

  testsupport::TempDir dir{L"compressors"};
};

TEST_F(Compressors, MotionJpegFramesDecodeToTheirPictureAtTheQualitySetForEachRun) {
  ASSERT_TRUE(WriteBmp(dir.File(L"pattern.bmp"), kWidth, kHeight, PatternRows()));
  for (WORD bits : {24, 32}) {
    SCOPED_TRACE(bits);
    TestType type = VideoType(bits == 24 ? MEDIASUBTYPE_RGB24 : MEDIASUBTYPE_ARGB32, bits, kWidth, kHeight);
    auto tl = OneClip(type.Get(), dir.File(L"pattern.bmp"), 1.0);
    auto mjpeg = Catalogued(L"Motion JPEG", CLSID_VideoCompressorCategory);
    ASSERT_TRUE(mjpeg);
    auto compression = As<IAMVideoCompression>(PinOf(mjpeg.Get(), PINDIR_OUTPUT));
    ASSERT_TRUE(compression);
    // The setting holds for the next run of the same filter, as the render window relies on.
    std::vector<BYTE> firstFrame[2];
    for (int run = 0; run < 2; ++run) {
      ASSERT_EQ(S_OK, compression->put_Quality(run == 0 ? 0.95 : 0.2));
      const std::wstring path = dir.File(L"mjpeg" + std::to_wstring(run) + L".avi");
      ASSERT_EQ(EC_COMPLETE, CompressedGraph(tl.Get(), mjpeg.Get()).ToFile(path));
      AviReadBack file(path);
      ASSERT_EQ(10, file.VideoLength());
      firstFrame[run] = file.Frame(0);
      EXPECT_EQ(firstFrame[run], file.Frame(9));  // a still: every frame the same
    }
    EXPECT_TRUE(Near(kLeft, JpegPixel(firstFrame[0], 4, 4), 8)) << std::hex << JpegPixel(firstFrame[0], 4, 4);
    EXPECT_TRUE(Near(kRight, JpegPixel(firstFrame[0], 59, 27), 8)) << std::hex << JpegPixel(firstFrame[0], 59, 27);
    EXPECT_TRUE(Near(kLeft, JpegPixel(firstFrame[1], 4, 4), 24));
    // Where the platform's codec honours the quality, the lower one makes smaller pictures; where
    // it does not (measured: the emulated platform's), the compressor does not offer it.
    LONG caps = -1;
    ASSERT_EQ(S_OK, compression->GetInfo(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &caps));
    EXPECT_EQ((caps & CompressionCaps_CanQuality) != 0, firstFrame[1].size() < firstFrame[0].size());
  }
}

TEST_F(Compressors, MotionJpegFramesEncodedSeveralAtOnceAreStoredInTheirOrder) {
  auto red = [](int i) { return uint32_t(i * 12) << 16 | 0x4080; };
  ASSERT_TRUE(WriteColourAvi(dir.File(L"ramp.avi"), kWidth, kHeight, 20, 10, red));
  TestType type = VideoType(MEDIASUBTYPE_RGB24, 24, kWidth, kHeight);
  auto tl = OneClip(type.Get(), dir.File(L"ramp.avi"), 2.0);
  auto mjpeg = Catalogued(L"Motion JPEG", CLSID_VideoCompressorCategory);
  ASSERT_TRUE(mjpeg);
  ASSERT_EQ(EC_COMPLETE, CompressedGraph(tl.Get(), mjpeg.Get()).ToFile(dir.File(L"ramp-mjpeg.avi")));
  AviReadBack file(dir.File(L"ramp-mjpeg.avi"));
  ASSERT_EQ(20, file.VideoLength());
  for (LONG f = 0; f < 20; ++f) EXPECT_TRUE(Near(red(f), JpegPixel(file.Frame(f), 32, 24), 8)) << f;

  // Stopped with frames still being encoded, then run again: every frame once, in order.
  ComPtr<IBaseFilter> sinkFilter;
  auto* sink = TestSink::New(MEDIATYPE_Video, &sinkFilter);
  CompressedGraph graph(tl.Get(), mjpeg.Get());
  graph.ToSink(sinkFilter.Get());
  auto control = As<IMediaControl>(graph.graph);
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  Sleep(20);
  ASSERT_EQ(S_OK, control->Stop());
  int ends = 0;
  {
    std::lock_guard<std::mutex> lock(sink->mutex);
    sink->samples.clear();
    ends = sink->ends;
  }
  ASSERT_TRUE(SUCCEEDED(control->Run()));
  ASSERT_TRUE(sink->WaitForEnds(ends + 1));
  control->Stop();
  ASSERT_EQ(20u, sink->samples.size());
  for (size_t i = 0; i < 20; ++i) {
    EXPECT_EQ(REFERENCE_TIME(i) * kSecond / 10, sink->samples[i].start) << i;
    EXPECT_EQ(0xD8FFu, sink->samples[i].first & 0xFFFF) << i;  // a JPEG's first marker
  }
}

TEST_F(Compressors, ImaAdpcmDecodesBackToTheToneInWholeBlocksStampedAsTheSoundTheyHold) {
  constexpr size_t kFrames = 46305;  // 1.05 s: 22 whole blocks of 2041 frames and part of another
  auto tl = ToneTimeline(kFrames);
  auto adpcm = Catalogued(L"IMA ADPCM", CLSID_AudioCompressorCategory);
  ASSERT_TRUE(adpcm);
  ASSERT_EQ(EC_COMPLETE, CompressedGraph(tl.Get(), adpcm.Get()).ToFile(dir.File(L"adpcm.avi")));

  AviReadBack file(dir.File(L"adpcm.avi"));
  ASSERT_TRUE(file.Audio());
  std::vector<BYTE> format(64);
  LONG formatBytes = static_cast<LONG>(format.size());
  ASSERT_EQ(0, AVIStreamReadFormat(file.Audio(), 0, format.data(), &formatBytes));
  const auto& wf = *reinterpret_cast<const IMAADPCMWAVEFORMAT*>(format.data());
  ASSERT_EQ(2041, wf.wSamplesPerBlock);
  ASSERT_EQ(23, file.AudioLength());  // blocks, the last one padded
  std::vector<BYTE> data(23u * wf.wfx.nBlockAlign);
  LONG bytes = 0, blocks = 0;
  ASSERT_EQ(0, AVIStreamRead(file.Audio(), 0, 23, data.data(), static_cast<LONG>(data.size()), &bytes, &blocks));
  const std::vector<int16_t> pcm = DecodeAdpcm(format, data);
  ASSERT_EQ(23u * 2041 * 2, pcm.size());
  double error = 0, signal = 0;
  int worst = 0;
  for (size_t i = 0; i < kFrames; ++i)
    for (int c = 0; c < 2; ++c) {
      const int d = pcm[i * 2 + c] - Tone(i, c);
      error += double(d) * d;
      signal += double(Tone(i, c)) * Tone(i, c);
      // The codec starts from its smallest step: the first few frames are still catching up.
      if (i >= 16) worst = std::max(worst, std::abs(d));
    }
  EXPECT_GT(10 * std::log10(signal / error), 25.0);  // 4-bit ADPCM of a pure tone: well above 25 dB
  EXPECT_LT(worst, 1200);
  int tail = 0;  // the padding decodes to silence, once the codec's step has settled
  for (size_t i = (kFrames + 64) * 2; i < pcm.size(); ++i) tail = std::max(tail, std::abs(int(pcm[i])));
  EXPECT_LT(tail, 64);

  // Into a sink: each sample stamped where its sound lies, the last one ending with the sound.
  ComPtr<IBaseFilter> sinkFilter;
  auto* sink = TestSink::New(MEDIATYPE_Audio, &sinkFilter);
  CompressedGraph graph(tl.Get(), adpcm.Get());
  graph.ToSink(sinkFilter.Get());
  for (int run = 0; run < 2; ++run) {  // a second run starts over
    sink->samples.clear();
    // The platform's graph counts no completion from the test sink: wait for its end instead.
    ASSERT_TRUE(SUCCEEDED(As<IMediaControl>(graph.graph)->Run()));
    ASSERT_TRUE(sink->WaitForEnds(run + 1));
    As<IMediaControl>(graph.graph)->Stop();
    ASSERT_FALSE(sink->samples.empty());
    EXPECT_EQ(0, sink->samples.front().start);
    for (size_t i = 1; i < sink->samples.size(); ++i) EXPECT_EQ(sink->samples[i - 1].stop, sink->samples[i].start);
    EXPECT_EQ(10500000, sink->samples.back().stop);
  }
}

TEST(CompressorSettings, MotionJpegTellsItsQualityAndKeepsWhatItCanHonour) {
  auto mjpeg = Create<IBaseFilter>(engine::codecs::kMjpegCompressorClsid);
  auto compression = As<IAMVideoCompression>(PinOf(mjpeg.Get(), PINDIR_OUTPUT));
  ASSERT_TRUE(compression);
  wchar_t version[4], description[100];
  int versionBytes = sizeof version, descriptionBytes = sizeof description;
  LONG keyFrames = 0, pFrames = -1, caps = 0;
  double quality = 0;
  ASSERT_EQ(S_OK, compression->GetInfo(version, &versionBytes, description, &descriptionBytes, &keyFrames, &pFrames,
                                       &quality, &caps));
  EXPECT_EQ(0, caps & ~CompressionCaps_CanQuality);  // nothing else can be set
  EXPECT_EQ(1, keyFrames);
  EXPECT_EQ(0, pFrames);
  EXPECT_NE(nullptr, wcsstr(description, L"JPEG"));
  EXPECT_STREQ(L"1.0", version);
  int needed = 0;
  ASSERT_EQ(S_OK, compression->GetInfo(nullptr, &needed, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(8, needed);
  versionBytes = 4;  // room for one character and the terminator
  ASSERT_EQ(S_OK, compression->GetInfo(version, &versionBytes, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
  EXPECT_STREQ(L"1", version);

  double got = 0;
  EXPECT_EQ(S_OK, compression->put_Quality(0.3));
  EXPECT_EQ(E_INVALIDARG, compression->put_Quality(1.5));
  EXPECT_EQ(E_INVALIDARG, compression->put_Quality(std::nan("")));
  EXPECT_EQ(S_OK, compression->get_Quality(&got));
  EXPECT_DOUBLE_EQ(0.3, got);                     // kept through the refusals
  EXPECT_EQ(S_OK, compression->put_Quality(-1));  // back to the default
  EXPECT_EQ(S_OK, compression->get_Quality(&got));
  EXPECT_DOUBLE_EQ(quality, got);
  EXPECT_EQ(E_INVALIDARG, compression->put_KeyFrameRate(5));
  EXPECT_EQ(S_OK, compression->put_KeyFrameRate(1));
  EXPECT_EQ(E_INVALIDARG, compression->put_PFramesPerKeyFrame(2));
  // The interface is the pin's: asked for IPin, it gives the pin.
  EXPECT_EQ(PinOf(mjpeg.Get(), PINDIR_OUTPUT).Get(), As<IPin>(compression).Get());
}

TEST_F(Compressors, StreamConfigOffersTheFormatEachInputGivesAndSetsOnlyOneThatFits) {
  ComPtr<IBaseFilter> filters[] = {Create<IBaseFilter>(engine::codecs::kMjpegCompressorClsid),
                                   Create<IBaseFilter>(engine::codecs::kAdpcmCompressorClsid)};
  auto videoSource = TestSource::New(outputtest::VideoSetup(kWidth, kHeight, 24, kSecond / 10, 1));
  auto graph = Create<IGraphBuilder>(CLSID_FilterGraph);
  for (auto& f : filters) {
    auto config = As<IAMStreamConfig>(PinOf(f.Get(), PINDIR_OUTPUT));
    ASSERT_TRUE(config);
    int count = -1, size = 0;
    EXPECT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
    EXPECT_EQ(0, count);  // the formats follow from an input it does not have yet
    AM_MEDIA_TYPE* mt = nullptr;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, config->GetFormat(&mt));
  }

  auto mjpegIn = PinOf(filters[0].Get(), PINDIR_INPUT);
  ASSERT_EQ(S_OK, graph->AddFilter(videoSource.Get(), L"source"));
  ASSERT_EQ(S_OK, graph->AddFilter(filters[0].Get(), L"mjpeg"));
  ASSERT_EQ(S_OK, graph->ConnectDirect(PinOf(videoSource.Get(), PINDIR_OUTPUT).Get(), mjpegIn.Get(), nullptr));
  auto config = As<IAMStreamConfig>(PinOf(filters[0].Get(), PINDIR_OUTPUT));
  int count = 0, size = 0;
  ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
  ASSERT_EQ(1, count);
  ASSERT_EQ(int(sizeof(VIDEO_STREAM_CONFIG_CAPS)), size);
  VIDEO_STREAM_CONFIG_CAPS caps{};
  AM_MEDIA_TYPE* cap = nullptr;
  ASSERT_EQ(S_OK, config->GetStreamCaps(0, &cap, reinterpret_cast<BYTE*>(&caps)));
  AM_MEDIA_TYPE* none = nullptr;
  EXPECT_EQ(S_FALSE, config->GetStreamCaps(1, &none, reinterpret_cast<BYTE*>(&caps)));
  AM_MEDIA_TYPE* current = nullptr;
  ASSERT_EQ(S_OK, config->GetFormat(&current));
  OwnedMediaType capType, currentType;
  capType.Adopt(*cap);
  currentType.Adopt(*current);
  CoTaskMemFree(cap);
  CoTaskMemFree(current);
  const auto& vih = *reinterpret_cast<const VIDEOINFOHEADER*>(capType.Get().pbFormat);
  EXPECT_EQ(MEDIASUBTYPE_MJPG, capType.Get().subtype);
  EXPECT_EQ(std::tuple(kMjpg, kWidth, kHeight, kSecond / 10, kWidth, kHeight),
            std::tuple(vih.bmiHeader.biCompression, vih.bmiHeader.biWidth, vih.bmiHeader.biHeight, vih.AvgTimePerFrame,
                       caps.MaxOutputSize.cx, caps.InputSize.cy));
  EXPECT_EQ(0, memcmp(capType.Get().pbFormat, currentType.Get().pbFormat, sizeof(VIDEOINFOHEADER)));

  // Another size is not something it can make of this input.
  OwnedMediaType other(capType);
  reinterpret_cast<VIDEOINFOHEADER*>(other.Get().pbFormat)->bmiHeader.biWidth = kWidth * 2;
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, config->SetFormat(const_cast<AM_MEDIA_TYPE*>(&other.Get())));
  // A format chosen while connected reconnects the output with it.
  ComPtr<IBaseFilter> sinkFilter;
  auto* sink = TestSink::New(MEDIATYPE_Video, &sinkFilter);
  ASSERT_EQ(S_OK, graph->AddFilter(sinkFilter.Get(), L"sink"));
  ASSERT_EQ(S_OK, graph->ConnectDirect(PinOf(filters[0].Get(), PINDIR_OUTPUT).Get(), sink->PinAt(0), nullptr));
  OwnedMediaType slower(capType);
  reinterpret_cast<VIDEOINFOHEADER*>(slower.Get().pbFormat)->AvgTimePerFrame = kSecond / 5;
  ASSERT_EQ(S_OK, config->SetFormat(const_cast<AM_MEDIA_TYPE*>(&slower.Get())));
  AM_MEDIA_TYPE connected{};
  ASSERT_EQ(S_OK, sink->PinAt(0)->ConnectionMediaType(&connected));
  EXPECT_EQ(kSecond / 5, reinterpret_cast<VIDEOINFOHEADER*>(connected.pbFormat)->AvgTimePerFrame);
  FreeMediaTypeContents(connected);

  // The audio compressor takes the 16-bit PCM its codec takes, and offers the codec's blocks.
  auto adpcmIn = PinOf(filters[1].Get(), PINDIR_INPUT);
  EXPECT_EQ(S_FALSE, adpcmIn->QueryAccept(PcmType(2, 48000).Get()));  // measured: not a rate it encodes
  EXPECT_EQ(S_FALSE, adpcmIn->QueryAccept(PcmType(2, 44100, 8).Get()));
  EXPECT_EQ(S_OK, adpcmIn->QueryAccept(PcmType(1, 22050).Get()));
  auto audioSource = TestSource::New(outputtest::AudioSetup(44100, 2, 1, 4410));
  ASSERT_EQ(S_OK, graph->AddFilter(audioSource.Get(), L"audio"));
  ASSERT_EQ(S_OK, graph->AddFilter(filters[1].Get(), L"adpcm"));
  ASSERT_EQ(S_OK, graph->ConnectDirect(PinOf(audioSource.Get(), PINDIR_OUTPUT).Get(), adpcmIn.Get(), nullptr));
  auto audioConfig = As<IAMStreamConfig>(PinOf(filters[1].Get(), PINDIR_OUTPUT));
  ASSERT_EQ(S_OK, audioConfig->GetNumberOfCapabilities(&count, &size));
  ASSERT_EQ(1, count);
  ASSERT_EQ(int(sizeof(AUDIO_STREAM_CONFIG_CAPS)), size);
  AUDIO_STREAM_CONFIG_CAPS audioCaps{};
  ASSERT_EQ(S_OK, audioConfig->GetStreamCaps(0, &cap, reinterpret_cast<BYTE*>(&audioCaps)));
  capType.Adopt(*cap);
  CoTaskMemFree(cap);
  const auto& wf = *reinterpret_cast<const IMAADPCMWAVEFORMAT*>(capType.Get().pbFormat);
  EXPECT_EQ(
      (std::tuple<WORD, DWORD, WORD, WORD, ULONG, ULONG, ULONG>(WAVE_FORMAT_IMA_ADPCM, 44100, 2048, 2041, 4, 2, 44100)),
      std::tuple(wf.wfx.wFormatTag, wf.wfx.nSamplesPerSec, wf.wfx.nBlockAlign, wf.wSamplesPerBlock,
                 audioCaps.MaximumBitsPerSample, audioCaps.MaximumChannels, audioCaps.MaximumSampleFrequency));
  EXPECT_EQ(S_OK, audioConfig->SetFormat(const_cast<AM_MEDIA_TYPE*>(&capType.Get())));
  reinterpret_cast<WAVEFORMATEX*>(capType.Get().pbFormat)->nBlockAlign = 1024;
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, audioConfig->SetFormat(const_cast<AM_MEDIA_TYPE*>(&capType.Get())));
}

TEST(JpegEncoder, EncodesEitherRowOrderTheSameAndNeverPassesACutOffPictureAsWhole) {
  engine::codecs::JpegEncoder encoder;
  ASSERT_EQ(S_OK, encoder.Open());
  const std::vector<BYTE> bottomUp = PatternRows();
  // The same picture as top-down 32-bit rows.
  std::vector<BYTE> topDown(static_cast<size_t>(kWidth * kHeight * 4));
  const LONG stride = (kWidth * 3 + 3) & ~3;
  for (LONG y = 0; y < kHeight; ++y)
    for (LONG x = 0; x < kWidth; ++x)
      memcpy(&topDown[(y * kWidth + x) * 4], &bottomUp[(kHeight - 1 - y) * stride + x * 3], 3);
  const BITMAPINFOHEADER formats[] = {{sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0},
                                      {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0}};
  std::vector<BYTE> jpeg[2];
  for (int i = 0; i < 2; ++i) {
    jpeg[i].resize(65536);
    DWORD written = 0;
    ASSERT_EQ(S_OK, encoder.Encode(i == 0 ? bottomUp.data() : topDown.data(), formats[i], 0.9, jpeg[i].data(),
                                   static_cast<DWORD>(jpeg[i].size()), &written));
    jpeg[i].resize(written);
    EXPECT_TRUE(Near(kLeft, JpegPixel(jpeg[i], 4, 4), 8)) << i;  // the checkers are at the bottom
  }
  EXPECT_EQ(jpeg[0], jpeg[1]);

  // Measured: the codec reports success into too small a buffer.
  std::vector<BYTE> small(jpeg[0].size() - 1);
  DWORD written = 1;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER),
            encoder.Encode(bottomUp.data(), formats[0], 0.9, small.data(), static_cast<DWORD>(small.size()), &written));
  EXPECT_EQ(0u, written);
  encoder.Close();
}

}  // namespace
}  // namespace enginetest
