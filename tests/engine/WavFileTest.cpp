// WAVE files read without a decoding graph: which it takes, sample widths, damaged sizes, the reader on top.
#include "EngineTestSupport.h"
#include "MediaTestFiles.h"
#include "TestSupport.h"

#include "engine/media/FileReader.h"
#include "engine/media/WavFile.h"

#include <mmreg.h>

#include <cstring>
#include <string>

using engine::media::AudioBlock;
using engine::media::FileReader;
using engine::media::StreamKind;
using engine::media::WavFile;

namespace {

using enginetest::Put16;
using enginetest::Put32;
using enginetest::WaveBytes;

std::wstring Write(testsupport::TempDir& dir, const wchar_t* name, const std::string& bytes) {
  const std::wstring path = dir.File(name);
  EXPECT_TRUE(testsupport::WriteBytes(path, bytes.data(), bytes.size()));
  return path;
}

std::string Samples16(int count, int channels) {
  std::string d;
  for (int i = 0; i < count * channels; ++i) Put16(d, static_cast<uint16_t>(static_cast<int16_t>(i * 37 - 5000)));
  return d;
}

TEST(WavFile, ReadsSixteenBitFramesExactlyPastOtherChunksAndNothingBeyondTheEnd) {
  testsupport::TempDir dir(L"wav-16");
  // An odd-sized chunk before the data: its pad byte must be skipped.
  std::string list = "LIST";
  Put32(list, 5);
  list += std::string("INFOx") + '\0';
  const std::wstring path = Write(dir, L"a.wav", WaveBytes(WAVE_FORMAT_PCM, 2, 8000, 16, Samples16(8000, 2), list));
  std::unique_ptr<WavFile> wav;
  ASSERT_EQ(S_OK, WavFile::Open(path, &wav));
  // The detector's and the render engine's tests pin the format, the length and seeking.
  AudioBlock block;
  ASSERT_EQ(S_OK, wav->Read(100, &block));
  ASSERT_EQ(100u, block.Frames());
  EXPECT_EQ(0, block.start);
  for (int i = 0; i < 200; ++i) ASSERT_EQ(static_cast<int16_t>(i * 37 - 5000), block.samples[static_cast<size_t>(i)]);
  ASSERT_EQ(S_OK, wav->Seek(30000000));  // beyond the end
  EXPECT_EQ(S_FALSE, wav->Read(1, &block));
}

TEST(WavFile, EightAndTwentyFourBitSamplesBecomeSixteenAndTheExtensibleFormIsTaken) {
  testsupport::TempDir dir(L"wav-widths");
  // Unsigned 8 bits: lowest, silence, highest. 24 bits, extensible: 0x123411 and -0x7F0001.
  const struct {
    uint16_t bits;
    std::string data;
    bool extensible;
    std::vector<int16_t> samples;
  } cases[] = {{8, std::string("\x00\x80\xff", 3), false, {-32768, 0, 32512}},
               {24, std::string("\x11\x34\x12\xff\xff\x80", 6), true, {0x1234, static_cast<int16_t>(0x80FF)}}};
  for (const auto& c : cases) {
    std::unique_ptr<WavFile> wav;
    AudioBlock block;
    const std::string file = WaveBytes(WAVE_FORMAT_PCM, 1, 48000, c.bits, c.data, "", 0xFFFFFFFFu, c.extensible);
    ASSERT_EQ(S_OK, WavFile::Open(Write(dir, L"w.wav", file), &wav)) << c.bits;
    ASSERT_EQ(S_OK, wav->Read(10, &block));
    EXPECT_EQ(c.samples, block.samples) << c.bits;
  }
}

TEST(WavFile, LeavesWhatItDoesNotReadToTheDecodersAndHoldsOnlyTheDataThere) {
  testsupport::TempDir dir(L"wav-others");
  std::unique_ptr<WavFile> wav;
  const std::string floats(32, '\0');
  for (const std::string& other :
       {WaveBytes(WAVE_FORMAT_IEEE_FLOAT, 1, 8000, 32, floats),
        WaveBytes(WAVE_FORMAT_IEEE_FLOAT, 1, 8000, 32, floats, "", 0xFFFFFFFFu, true),
        WaveBytes(WAVE_FORMAT_ADPCM, 1, 8000, 4, floats), std::string(100, 'x'), std::string("RIFF")})
    EXPECT_EQ(S_FALSE, WavFile::Open(Write(dir, L"other.wav", other), &wav)) << other.size();
  EXPECT_FALSE(wav);
  EXPECT_TRUE(FAILED(WavFile::Open(dir.File(L"missing.wav"), &wav)));

  // A writer that never filled in the data size (or a copy cut short): what is there counts.
  const std::wstring cut =
      Write(dir, L"cut.wav", WaveBytes(WAVE_FORMAT_PCM, 1, 1000, 16, Samples16(500, 1), "", 0x7FFFFFF0u));
  ASSERT_EQ(S_OK, WavFile::Open(cut, &wav));
  EXPECT_EQ(5000000, wav->Length());
  AudioBlock block;
  ASSERT_EQ(S_OK, wav->Read(1000, &block));
  EXPECT_EQ(500u, block.Frames());
}

TEST(WavFile, TheFileReaderUsesItForOneStreamOnlyAndReadsItToItsEnd) {
  testsupport::TempDir dir(L"wav-reader");
  const std::wstring path = Write(dir, L"r.wav", WaveBytes(WAVE_FORMAT_PCM, 2, 22050, 16, Samples16(22050, 2)));
  std::unique_ptr<FileReader> reader;
  EXPECT_EQ(E_INVALIDARG, FileReader::Open(path, 1, StreamKind::Audio, &reader));
  ASSERT_EQ(S_OK, FileReader::Open(path, 0, StreamKind::Audio, &reader));
  // The render engine's sample-exact test pins the rate, values, times and seeking; here, the end.
  size_t frames = 0;
  AudioBlock block;
  HRESULT hr;
  while ((hr = reader->ReadAudio(&block, 1000)) == S_OK) frames += block.Frames();
  EXPECT_EQ(S_FALSE, hr);
  EXPECT_EQ(22050u, frames);
}

}  // namespace
