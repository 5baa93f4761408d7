// The engine's multiplexer, file writer and graph builder in real graphs; check_output_files.sh reads the files.
#include "EngineTestSupport.h"
#include "MediaTestFiles.h"
#include "OutputTestSource.h"
#include "TestSupport.h"

#include "engine/filters/SlimAllocator.h"
#include "engine/output/WriteBehind.h"
#include "services/ComUtil.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

using namespace enginetest;
using namespace outputtest;

namespace {

DWORD Tag(const char* s) { return static_cast<DWORD>(s[0]) | s[1] << 8 | s[2] << 16 | s[3] << 24; }

using testsupport::InCurrentDir;

std::vector<BYTE> ReadAt(const std::wstring& path, uint64_t pos, size_t size) {
  std::vector<BYTE> bytes(size);
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  file.seekg(static_cast<std::streamoff>(pos));
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  bytes.resize(static_cast<size_t>(file.gcount()));
  return bytes;
}

DWORD U32(const std::vector<BYTE>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<DWORD>(b[at + 3]) << 24;
}

struct RiffSegment {
  DWORD form;
  uint64_t pos;
  DWORD size;
};

// The top-level RIFF chunks of a file, walked by their sizes.
std::vector<RiffSegment> Segments(const std::wstring& path) {
  std::vector<RiffSegment> out;
  uint64_t size = std::filesystem::file_size(path), pos = 0;
  while (pos + 12 <= size) {
    auto head = ReadAt(path, pos, 12);
    if (head.size() < 12 || U32(head, 0) != Tag("RIFF")) break;
    out.push_back({U32(head, 8), pos, U32(head, 4)});
    pos += 8 + U32(head, 4) + (U32(head, 4) & 1);
  }
  return out;
}

class FileOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    graph = Create<IGraphBuilder>(CLSID_FilterGraph);
    ASSERT_TRUE(graph);
    builder = Create<ICaptureGraphBuilder2>(CLSID_CaptureGraphBuilder2);
    ASSERT_TRUE(builder);
    ASSERT_EQ(S_OK, builder->SetFiltergraph(graph.Get()));
  }
  void TearDown() override {
    if (graph) As<IMediaControl>(graph)->Stop();
  }

  ComPtr<IBaseFilter> AddSource(SourceSetup setup, const wchar_t* name) {
    auto f = TestSource::New(setup);
    EXPECT_EQ(S_OK, graph->AddFilter(f.Get(), name));
    return f;
  }
  // Our multiplexer writing `name` in the test's folder (`path`), made by the builder's output step.
  ComPtr<IBaseFilter> Output(const wchar_t* name) {
    path = InCurrentDir(name);
    ComPtr<IBaseFilter> mux;
    EXPECT_EQ(S_OK, builder->SetOutputFileName(&MEDIASUBTYPE_Avi, path.c_str(), &mux, nullptr));
    return mux;
  }
  // A test source rendered into `mux`.
  ComPtr<IBaseFilter> Feed(SourceSetup setup, const wchar_t* name, IBaseFilter* mux) {
    auto source = AddSource(setup, name);
    EXPECT_EQ(S_OK, builder->RenderStream(nullptr, nullptr, source.Get(), nullptr, mux));
    return source;
  }

  ComPtr<IGraphBuilder> graph;
  ComPtr<ICaptureGraphBuilder2> builder;
  std::wstring path;
};

TEST_F(FileOutput, VideoAndAudioRenderThroughBuilderIntoInterleavedIndexedAvi) {
  // An older, longer file in the way must not leave its tail behind the new one.
  std::vector<BYTE> older(8 << 20, 0x55);
  ASSERT_TRUE(testsupport::WriteBytes(InCurrentDir(L"av.avi"), older.data(), older.size()));
  auto mux = Output(L"av.avi");
  ASSERT_TRUE(As<IConfigAviMux>(mux));  // the platform's multiplexer would not be ours

  SourceSetup videoSetup = VideoSetup(160, 120, 24, kSecond / 25, 50);
  videoSetup.step = 5;
  videoSetup.pauseMs = 10;  // half a second of running, for the position
  SourceSetup audioSetup = AudioSetup(44100, 2, 20, 4410);
  audioSetup.step = 3;
  audioSetup.pauseMs = 10;
  auto video = AddSource(videoSetup, L"video");
  auto audio = AddSource(audioSetup, L"audio");
  ASSERT_EQ(1u, FilterPins(mux.Get(), PINDIR_INPUT).size());
  ASSERT_EQ(S_OK, builder->RenderStream(nullptr, nullptr, video.Get(), nullptr, mux.Get()));
  ASSERT_EQ(S_OK, builder->RenderStream(nullptr, nullptr, PinOf(audio.Get(), PINDIR_OUTPUT).Get(), nullptr, mux.Get()));
  EXPECT_EQ(3u, FilterPins(mux.Get(), PINDIR_INPUT).size());  // a free input appears after each connection

  auto seeking = As<IMediaSeeking>(mux);
  ASSERT_TRUE(seeking);
  std::vector<LONGLONG> positions;  // the multiplexer's, read while it runs
  EXPECT_EQ(EC_COMPLETE, RunGraph(graph.Get(), 60000, [&] {
              LONGLONG pos = -1;
              if (SUCCEEDED(seeking->GetCurrentPosition(&pos))) positions.push_back(pos);
            }));

  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(2 * kSecond, positions.back());
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_TRUE(std::any_of(positions.begin(), positions.end(), [](LONGLONG p) { return p > 0 && p < 2 * kSecond; }))
      << "no position was seen while the file was being written";

  // Layout: one RIFF of the file's size; audio leads each interleave period; legacy index.
  auto segments = Segments(path);
  ASSERT_EQ(1u, segments.size());
  EXPECT_EQ(Tag("AVI "), segments[0].form);
  EXPECT_EQ(std::filesystem::file_size(path), segments[0].size + 8ull);
  auto head = ReadAt(path, 0, 64 * 1024);
  const char moviTag[] = "movi";
  const size_t movi = std::search(head.begin(), head.end(), moviTag, moviTag + 4) - head.begin() - 8;
  ASSERT_EQ(Tag("LIST"), U32(head, movi));
  EXPECT_EQ(Tag("01wb"), U32(head, movi + 12));
  uint64_t moviEnd = movi + 8 + U32(head, movi + 4);
  auto idx = ReadAt(path, moviEnd, 8);
  ASSERT_EQ(8u, idx.size());
  EXPECT_EQ(Tag("idx1"), U32(idx, 0));
  EXPECT_EQ(16u * (50 + 2), U32(idx, 4));  // 50 frames, audio in two one-second chunks

  // The platform's reader finds the last sound where it belongs; check_output_files.sh reads the rest.
  EXPECT_EQ(static_cast<int16_t>((19 * 3) * 0x0101), AviReadBack(path).Sample(88199).second);
}

TEST_F(FileOutput, UnwritableDestinationIsRefusedAndCreatesNothing) {
  const std::wstring dir = InCurrentDir(L"no_such_folder");
  ComPtr<IBaseFilter> mux;
  ComPtr<IFileSinkFilter> sink;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND),
            builder->SetOutputFileName(&MEDIASUBTYPE_Avi, (dir + L"\\out.avi").c_str(), &mux, &sink));
  EXPECT_FALSE(mux);
  EXPECT_FALSE(sink);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(dir.c_str()));
  ComPtr<IEnumFilters> filters;
  ASSERT_EQ(S_OK, graph->EnumFilters(&filters));
  ComPtr<IBaseFilter> any;
  EXPECT_EQ(S_FALSE, filters->Next(1, &any, nullptr));  // nothing was left in the graph

  // A writer that was never given a name refuses to start rather than write somewhere.
  auto writer = Create<IBaseFilter>(CLSID_FileWriter);
  EXPECT_EQ(E_UNEXPECTED, writer->Pause());
  ComPtr<IFileSinkFilter> unnamed;
  ASSERT_EQ(S_OK, writer.As(&unnamed));
  EXPECT_EQ(E_INVALIDARG, unnamed->SetFileName(L"", nullptr));
}

TEST_F(FileOutput, DestinationLockedAtRunTimeFailsTheRunAndTheGraphStillReleases) {
  DeleteFileW(InCurrentDir(L"locked.avi").c_str());
  auto mux = Output(L"locked.avi");
  EXPECT_FALSE(testsupport::FileExists(path));  // the name was checked, not kept as a file
  auto video = Feed(VideoSetup(32, 32, 32, kSecond / 10, 5), L"video", mux.Get());
  HANDLE lock = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, lock);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION), As<IMediaControl>(graph)->Run());
  As<IMediaControl>(graph)->Stop();
  CloseHandle(lock);
  EXPECT_EQ(0u, std::filesystem::file_size(path));
  // Releasing the graph must not hang on filters that the failed run left paused.
  mux.Reset();
  video.Reset();
  graph.Reset();
}

TEST_F(FileOutput, WriteFailureWhileRunningAbortsTheGraphInsteadOfCompleting) {
  auto mux = Create<IBaseFilter>(CLSID_AviDest);
  ASSERT_EQ(S_OK, graph->AddFilter(mux.Get(), L"mux"));
  // A byte sink that runs out of room after its first megabyte, as a full disk would.
  ComPtr<IBaseFilter> disk;
  TestSink::New(MEDIATYPE_Stream, &disk)->roomUntil = 1 << 20;
  ASSERT_EQ(S_OK, graph->AddFilter(disk.Get(), L"disk"));
  ASSERT_EQ(S_OK, graph->ConnectDirect(PinOf(mux.Get(), PINDIR_OUTPUT).Get(), PinOf(disk.Get(), PINDIR_INPUT).Get(),
                                       nullptr));
  Feed(VideoSetup(320, 240, 32, kSecond / 25, 50), L"video", mux.Get());  // 15 MB
  EXPECT_EQ(EC_ERRORABORT, RunGraph(graph.Get(), 20000));
}

TEST_F(FileOutput, RunStoppedEarlyStillLeavesAFinishedFile) {
  auto mux = Output(L"stopped.avi");
  SourceSetup ten = VideoSetup(160, 120, 24, kSecond / 25, 250);
  ten.pauseMs = 10;
  auto video = Feed(ten, L"video", mux.Get());
  auto seeking = As<IMediaSeeking>(mux);
  auto control = As<IMediaControl>(graph);
  ASSERT_EQ(S_OK, control->Run());
  LONGLONG pos = 0;
  for (int i = 0; i < 500 && pos < 2 * kSecond; ++i) {
    Sleep(10);
    seeking->GetCurrentPosition(&pos);
  }
  ASSERT_EQ(S_OK, control->Stop());
  LONGLONG written = 0;
  seeking->GetCurrentPosition(&written);
  ASSERT_GE(written, 2 * kSecond);
  ASSERT_LT(written, 10 * kSecond);

  // The header was written again with what the file holds.
  auto segments = Segments(path);
  ASSERT_EQ(1u, segments.size());
  EXPECT_EQ(std::filesystem::file_size(path), segments[0].size + 8ull);
  EXPECT_EQ(written / (kSecond / 25), AviReadBack(path).VideoLength());

  // Once the graph is gone the file is free, though the caller (the render window) holds the seeking.
  builder.Reset();
  control.Reset();
  video.Reset();
  graph.Reset();
  HANDLE exclusive = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, exclusive);
  CloseHandle(exclusive);
}

TEST_F(FileOutput, PlatformCompressorOutputIsStoredAsCompressedVideo) {
  // The one compressor of the emulated platform that takes what a test can make: 8-bit RLE.
  auto codec = Catalogued(L"Wine MS-RLE video codec", CLSID_VideoCompressorCategory);
  ASSERT_TRUE(codec);
  SourceSetup gray = VideoSetup(160, 120, 8, kSecond / 25, 50);
  auto mux = Output(L"rle.avi");
  ASSERT_EQ(S_OK, graph->AddFilter(codec.Get(), L"codec"));
  ASSERT_EQ(S_OK, builder->RenderStream(nullptr, nullptr, AddSource(gray, L"video").Get(), codec.Get(), mux.Get()));
  EXPECT_EQ(EC_COMPLETE, RunGraph(graph.Get()));

  // check_output_files.sh reads the codec and the frames; the index must flag the key frames.
  AviReadBack file(path);
  ASSERT_TRUE(file.Video());
  EXPECT_TRUE(AVIStreamIsKeyFrame(file.Video(), 0));
}

TEST_F(FileOutput, BuilderConnectsThroughIntermediateAndFindsPinsAndInterfaces) {
  auto mux = Output(L"grabbed.avi");
  EXPECT_EQ(E_UNEXPECTED, builder->SetFiltergraph(graph.Get()));

  auto audio = AddSource(AudioSetup(8000, 1, 10, 800), L"audio");
  auto grabber = Create<IBaseFilter>(CLSID_SampleGrabber);
  ASSERT_EQ(S_OK, graph->AddFilter(grabber.Get(), L"grabber"));
  EXPECT_EQ(E_NOTIMPL, builder->RenderStream(&PIN_CATEGORY_CAPTURE, nullptr, audio.Get(), nullptr, mux.Get()));
  ASSERT_EQ(S_OK, builder->RenderStream(nullptr, nullptr, audio.Get(), grabber.Get(), mux.Get()));
  // The source's only output is taken now.
  EXPECT_TRUE(FAILED(builder->RenderStream(nullptr, nullptr, audio.Get(), nullptr, mux.Get())));

  ComPtr<IConfigAviMux> found;
  EXPECT_EQ(S_OK, builder->FindInterface(nullptr, nullptr, audio.Get(), IID_IConfigAviMux,
                                         reinterpret_cast<void**>(found.GetAddressOf())));
  ComPtr<IFileSinkFilter> sink;
  EXPECT_EQ(S_OK, builder->FindInterface(&LOOK_DOWNSTREAM_ONLY, nullptr, audio.Get(), IID_IFileSinkFilter,
                                         reinterpret_cast<void**>(sink.GetAddressOf())));
  ComPtr<IConfigAviMux> notUpstream;
  EXPECT_EQ(E_NOINTERFACE, builder->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, audio.Get(), IID_IConfigAviMux,
                                                  reinterpret_cast<void**>(notUpstream.GetAddressOf())));
  EXPECT_FALSE(notUpstream);

  ComPtr<IPin> freeInput, firstInput;
  ASSERT_EQ(S_OK, builder->FindPin(mux.Get(), PINDIR_INPUT, nullptr, nullptr, TRUE, 0, &freeInput));
  ASSERT_EQ(S_OK, builder->FindPin(mux.Get(), PINDIR_INPUT, nullptr, nullptr, FALSE, 0, &firstInput));
  ComPtr<IPin> peer;
  EXPECT_EQ(VFW_E_NOT_CONNECTED, freeInput->ConnectedTo(&peer));
  EXPECT_EQ(S_OK, firstInput->ConnectedTo(&peer));
  ComPtr<IPin> audioOut;
  EXPECT_EQ(S_OK, builder->FindPin(audio.Get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Audio, FALSE, 0, &audioOut));
  EXPECT_EQ(E_FAIL, builder->FindPin(audio.Get(), PINDIR_OUTPUT, nullptr, &MEDIATYPE_Video, FALSE, 0, &audioOut));

  EXPECT_EQ(EC_COMPLETE, RunGraph(graph.Get()));
  EXPECT_EQ(8000, AviReadBack(path).AudioLength());
}

TEST(AviMuxInput, AcceptsVideoAndAudioFormatsItCanStoreOnly) {
  auto mux = Create<IBaseFilter>(CLSID_AviDest);
  auto in = PinOf(mux.Get(), PINDIR_INPUT);
  ASSERT_TRUE(in);
  SourceSetup rgb = VideoSetup(64, 48, 16, kSecond / 30, 1), pcm = AudioSetup(48000, 2, 1, 480);
  EXPECT_EQ(S_OK, in->QueryAccept(&rgb.type));
  EXPECT_EQ(S_OK, in->QueryAccept(&pcm.type));
  auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(rgb.type.pbFormat);
  vih->bmiHeader.biCompression = MAKEFOURCC('M', 'J', 'P', 'G');
  vih->bmiHeader.biBitCount = 24;
  EXPECT_EQ(S_OK, in->QueryAccept(&rgb.type));  // compressed video is stored as it comes
  vih->bmiHeader.biWidth = 0;
  EXPECT_EQ(S_FALSE, in->QueryAccept(&rgb.type));
  vih->bmiHeader.biWidth = 64;
  rgb.type.formattype = FORMAT_None;
  EXPECT_EQ(S_FALSE, in->QueryAccept(&rgb.type));
  auto* wf = reinterpret_cast<WAVEFORMATEX*>(pcm.type.pbFormat);
  wf->cbSize = 10;  // says extra bytes follow that the block does not hold
  EXPECT_EQ(S_FALSE, in->QueryAccept(&pcm.type));
  wf->cbSize = 0;
  wf->nBlockAlign = 0;
  EXPECT_EQ(S_FALSE, in->QueryAccept(&pcm.type));
  wf->nBlockAlign = 4;
  pcm.type.majortype = MEDIATYPE_Text;
  EXPECT_EQ(S_FALSE, in->QueryAccept(&pcm.type));
  CoTaskMemFree(rgb.type.pbFormat);
  CoTaskMemFree(pcm.type.pbFormat);

  auto interleaving = As<IConfigInterleaving>(mux);
  ASSERT_TRUE(interleaving);
  const REFERENCE_TIME half = kSecond / 2, none = 0;
  EXPECT_EQ(S_OK, interleaving->put_Interleaving(&half, &none));
  EXPECT_EQ(E_INVALIDARG, interleaving->put_Interleaving(&none, &none));
  EXPECT_EQ(S_OK, interleaving->put_Mode(INTERLEAVE_FULL));
  // Without inputs there is nothing to write: the multiplexer will not start.
  EXPECT_TRUE(FAILED(mux->Pause()));
}

// Blank frames past 1 GB; check_output_files.sh decodes the file to its end and deletes it.
TEST_F(FileOutput, FileBeyondOneGigabyteContinuesInAvixSegmentsWithAnIndexForEach) {
  auto mux = Output(L"big.avi");
  Feed(VideoSetup(1280, 720, 32, kSecond / 30, 300), L"video", mux.Get());
  Feed(AudioSetup(44100, 2, 100, 4410), L"audio", mux.Get());
  EXPECT_EQ(EC_COMPLETE, RunGraph(graph.Get(), 300000));

  // RIFF 'AVI ' then 'AVIX' segments, each within the limit, covering the whole file.
  auto segments = Segments(path);
  ASSERT_GE(segments.size(), 2u);
  EXPECT_EQ(Tag("AVI "), segments[0].form);
  for (size_t i = 1; i < segments.size(); ++i) EXPECT_EQ(Tag("AVIX"), segments[i].form);
  for (const auto& s : segments) EXPECT_LE(s.size, 1u << 30);
  EXPECT_EQ(std::filesystem::file_size(path), segments.back().pos + 8 + segments.back().size);
  // Each stream's super index: one standard index per segment holding its chunks, adding up to its length.
  const std::vector<BYTE> head = ReadAt(path, 0, 64 * 1024);
  std::vector<std::vector<DWORD>> durations;
  for (size_t i = 0; i + 32 <= head.size(); ++i)
    if (U32(head, i) == Tag("indx")) {
      auto& index = durations.emplace_back();
      for (DWORD e = 0; e < U32(head, i + 12); ++e) index.push_back(U32(head, i + 32 + 16 * e + 12));
    }
  ASSERT_EQ(2u, durations.size());
  EXPECT_EQ(segments.size(), durations[0].size());  // video in every segment
  EXPECT_EQ(300u, std::accumulate(durations[0].begin(), durations[0].end(), 0u));
  EXPECT_EQ(441000u, std::accumulate(durations[1].begin(), durations[1].end(), 0u));
}

// Samples of the platform's own allocator, holding `text`.
ComPtr<IMediaSample> TextSample(IMemAllocator* allocator, const char* text) {
  ComPtr<IMediaSample> sample;
  if (FAILED(allocator->GetBuffer(&sample, nullptr, nullptr, AM_GBF_NOWAIT))) return nullptr;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  memcpy(data, text, strlen(text));
  sample->SetActualDataLength(static_cast<long>(strlen(text)));
  return sample;
}

}  // namespace

TEST(WriteBehind, WritesInOrderAtEachPositionAndKeepsTheFirstFailure) {
  auto allocator = Create<IMemAllocator>(CLSID_MemoryAllocator);
  ALLOCATOR_PROPERTIES want{3, 64, 1, 0}, got{};
  ASSERT_EQ(S_OK, allocator->SetProperties(&want, &got));
  ASSERT_EQ(S_OK, allocator->Commit());

  const std::wstring path = InCurrentDir(L"write-behind.bin");
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  {
    engine::output::WriteBehind writer;
    ASSERT_EQ(S_OK, writer.Start(file));
    // A later write over an earlier one wins: order is kept.
    EXPECT_EQ(S_OK, writer.Queue(TextSample(allocator.Get(), "hello").Get(), 0));
    EXPECT_EQ(S_OK, writer.Queue(TextSample(allocator.Get(), "world").Get(), 10));
    EXPECT_EQ(S_OK, writer.Drain());
    EXPECT_EQ(S_OK, writer.Queue(TextSample(allocator.Get(), "12345").Get(), 5));
    EXPECT_EQ(S_OK, writer.Queue(TextSample(allocator.Get(), "HE").Get(), 0));
    EXPECT_EQ(S_OK, writer.Stop());
    // Stopped, it takes nothing more.
    EXPECT_EQ(VFW_E_WRONG_STATE, writer.Queue(TextSample(allocator.Get(), "late").Get(), 0));
  }
  CloseHandle(file);
  EXPECT_EQ("HEllo12345world", testsupport::ReadText(path));

  // A handle that cannot write: the next call fails, and what is queued after is let go unwritten.
  file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  {
    engine::output::WriteBehind writer;
    ASSERT_EQ(S_OK, writer.Start(file));
    EXPECT_EQ(S_OK, writer.Queue(TextSample(allocator.Get(), "x").Get(), 0));
    const HRESULT failure = writer.Drain();
    EXPECT_TRUE(FAILED(failure));
    EXPECT_EQ(failure, writer.Queue(TextSample(allocator.Get(), "y").Get(), 1));
    EXPECT_EQ(failure, writer.Stop());
  }
  CloseHandle(file);
  // Every sample went back to the allocator.
  std::vector<ComPtr<IMediaSample>> all(3);
  for (auto& s : all) EXPECT_EQ(S_OK, allocator->GetBuffer(&s, nullptr, nullptr, AM_GBF_NOWAIT));
}

TEST(SlimAllocator, HandsOutEachBufferOnceWaitsForReturnsAndOutlivesItsSamples) {
  ComPtr<IMemAllocator> allocator;
  ASSERT_EQ(S_OK, engine::filters::SlimAllocator::Create(allocator.GetAddressOf()));
  ComPtr<IMediaSample> sample;
  EXPECT_EQ(VFW_E_SIZENOTSET, allocator->Commit());
  ALLOCATOR_PROPERTIES want{2, 100, 16, 0}, got{};
  ASSERT_EQ(S_OK, allocator->SetProperties(&want, &got));
  EXPECT_EQ(std::pair(2L, 112L), std::pair(got.cBuffers, got.cbBuffer));  // whole alignment units
  EXPECT_EQ(VFW_E_NOT_COMMITTED, allocator->GetBuffer(&sample, nullptr, nullptr, 0));
  ASSERT_EQ(S_OK, allocator->Commit());
  EXPECT_EQ(VFW_E_ALREADY_COMMITTED, allocator->SetProperties(&want, &got));

  ComPtr<IMediaSample> a, b, c;
  ASSERT_EQ(S_OK, allocator->GetBuffer(&a, nullptr, nullptr, 0));
  ASSERT_EQ(S_OK, allocator->GetBuffer(&b, nullptr, nullptr, 0));
  BYTE *pa = nullptr, *pb = nullptr;
  a->GetPointer(&pa);
  b->GetPointer(&pb);
  EXPECT_NE(pa, pb);
  EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(pa) % 16);
  EXPECT_EQ(VFW_E_TIMEOUT, allocator->GetBuffer(&c, nullptr, nullptr, AM_GBF_NOWAIT));

  // A sample comes back with its state cleared.
  REFERENCE_TIME s = 5, e = 9;
  a->SetTime(&s, &e);
  a->SetSyncPoint(TRUE);
  a->SetActualDataLength(3);
  EXPECT_EQ(VFW_E_BUFFER_OVERFLOW, a->SetActualDataLength(113));
  TestType changed = PcmType(2, 44100);
  ASSERT_EQ(S_OK, a->SetMediaType(changed.Get()));
  changed.Wfx().nChannels = 1;  // the sample keeps a copy of its own
  AM_MEDIA_TYPE* back = nullptr;
  ASSERT_EQ(S_OK, a->GetMediaType(&back));
  EXPECT_EQ(2, reinterpret_cast<const WAVEFORMATEX*>(back->pbFormat)->nChannels);
  CoTaskMemFree(back->pbFormat);
  CoTaskMemFree(back);
  a.Reset();
  ASSERT_EQ(S_OK, allocator->GetBuffer(&a, nullptr, nullptr, AM_GBF_NOWAIT));
  EXPECT_EQ(VFW_E_SAMPLE_TIME_NOT_SET, a->GetTime(&s, &e));
  EXPECT_EQ(S_FALSE, a->IsSyncPoint());
  EXPECT_EQ(112, a->GetActualDataLength());
  EXPECT_EQ(S_FALSE, a->GetMediaType(&back));
  a.Reset();  // handed out again, it comes back again
  ASSERT_EQ(S_OK, allocator->GetBuffer(&a, nullptr, nullptr, AM_GBF_NOWAIT));

  // A wait for a buffer ends when one comes back, or with an error when the allocator is decommitted.
  HRESULT waited = E_PENDING;
  std::thread waiter([&] { waited = allocator->GetBuffer(&c, nullptr, nullptr, 0); });
  Sleep(50);
  b.Reset();
  waiter.join();
  EXPECT_EQ(S_OK, waited);
  std::thread stopped([&] { waited = allocator->GetBuffer(&sample, nullptr, nullptr, 0); });
  Sleep(50);
  allocator->Decommit();
  stopped.join();
  EXPECT_EQ(VFW_E_NOT_COMMITTED, waited);
  EXPECT_EQ(VFW_E_BUFFERS_OUTSTANDING, allocator->SetProperties(&want, &got));

  // Samples still out keep their memory and their allocator.
  allocator.Reset();
  memset(pa, 0x5A, 112);
  a.Reset();
  c.Reset();
}
