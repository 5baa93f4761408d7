// The file reader's graph and streams; the detector, render and YUV tests pin the pictures it gives.
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
