// The file reader the render engine decodes with. The detector's and the render engine's tests
// pin the pictures it gives at each time and after seeks; here, its ends and its streams.
#include "EngineTestSupport.h"
#include "MediaTestFiles.h"
#include "TestSupport.h"

#include "engine/media/FileReader.h"

using engine::media::AudioBlock;
using engine::media::FileReader;
using engine::media::StreamKind;
using engine::media::VideoFrame;

namespace {

constexpr DWORD kTimeout = 10000;

TEST(FileReader, DeliversEveryPictureOnceThenEndsAndAnswersOnlyForItsKind) {
  testsupport::TempDir dir(L"reader-avi");
  const std::wstring path = dir.File(L"solid.avi");
  ASSERT_TRUE(enginetest::WriteSolidAvi(path, 8, 6, 10, 10));
  std::unique_ptr<FileReader> reader;
  ASSERT_EQ(S_OK, FileReader::Open(path, 0, StreamKind::Video, &reader));
  VideoFrame f;
  int count = 0;
  HRESULT hr;
  while ((hr = reader->ReadVideo(&f, kTimeout)) == S_OK) ++count;
  EXPECT_EQ(S_FALSE, hr);
  EXPECT_EQ(10, count);
  AudioBlock wrongKind;
  EXPECT_TRUE(FAILED(reader->ReadAudio(&wrongKind, kTimeout)));
}

TEST(FileReader, LetsGoOfAGraphWhoseDecodersWaitForRoom) {
  // The queue fills after a few pictures; ending the reader then must not hang.
  std::unique_ptr<FileReader> reader;
  ASSERT_EQ(S_OK, FileReader::Open(enginetest::FixturePath(L"clip.mp4"), 0, StreamKind::Video, &reader));
  VideoFrame f;
  ASSERT_EQ(S_OK, reader->ReadVideo(&f, kTimeout));
  EXPECT_EQ(160, f.width);
  Sleep(200);
  reader.reset();

  std::unique_ptr<FileReader> audio;
  EXPECT_EQ(E_INVALIDARG, FileReader::Open(enginetest::FixturePath(L"clip.mp4"), 5, StreamKind::Audio, &audio));
  EXPECT_FALSE(audio);
}

TEST(FileReader, CountsStreamsOfOneKindWhenAskedTo) {
  // The file's first stream is its picture: its first sound is the second stream of all.
  const std::wstring path = enginetest::FixturePath(L"clip.mp4");
  std::unique_ptr<FileReader> audio;
  ASSERT_EQ(S_OK, FileReader::OpenNthOfKind(path, 0, StreamKind::Audio, &audio));
  EXPECT_EQ(StreamKind::Audio, audio->Kind());
  EXPECT_GT(audio->SamplesPerSecond(), 0u);
  AudioBlock block;
  EXPECT_EQ(S_OK, audio->ReadAudio(&block, kTimeout));
  EXPECT_FALSE(block.samples.empty());
  std::unique_ptr<FileReader> none;
  EXPECT_EQ(FileReader::kNoSuchStream, FileReader::OpenNthOfKind(path, 1, StreamKind::Audio, &none));
  EXPECT_FALSE(none);
  std::unique_ptr<FileReader> video;
  ASSERT_EQ(S_OK, FileReader::OpenNthOfKind(path, 0, StreamKind::Video, &video));
  EXPECT_EQ(160, video->Width());
}

}  // namespace
