// The command-line renderer's compressor options: the catalogue it lists, the names it takes and
// refuses, and a file compressed by the engine's own compressors (check_codec_files.sh decodes
// it with ffmpeg).
#include "TestSupport.h"

#include "MediaTestFiles.h"
#include "ToolRun.h"

#include <gtest/gtest.h>
#include <mmreg.h>

#include <cmath>
#include <string>

namespace {

using namespace toolrun;
using testsupport::InCurrentDir;

void ExpectRun(const std::wstring& args, DWORD code, const std::vector<std::string>& says) {
  const Outcome out = Render(args);
  EXPECT_EQ(code, out.code) << Narrow(args) << ": " << out.err;
  for (const std::string& text : says)
    EXPECT_NE(std::string::npos, out.err.find(text)) << Narrow(args) << ": " << out.err;
}

// colour-and-tone.kdp: two seconds of a 64 x 48 picture of one colour at 10 fps, over a 441 Hz
// tone at 44.1 kHz whose right channel is the left one inverted at half its level.
bool WriteMedia() {
  std::vector<int16_t> tone;
  for (int i = 0; i < 2 * 44100; ++i) {
    const double s = std::sin(2 * 3.14159265358979 * 441.0 * i / 44100.0);
    tone.insert(tone.end(), {static_cast<int16_t>(8000 * s), static_cast<int16_t>(-4000 * s)});
  }
  return enginetest::WriteColourBmp(InCurrentDir(L"colour.bmp"), 64, 48, 0x3080C0) &&
         enginetest::WriteWav(InCurrentDir(L"tone.wav"), 44100, 2, 16, tone);
}

TEST(MrqRenderCompressors, TakesCatalogueNamesInAnyCaseListsTheEnginesOwnAndRefusesOthers) {
  ASSERT_TRUE(WriteMedia());
  const std::wstring path = InCurrentDir(L"codecs.kdp"), project = Quoted(path);
  ASSERT_TRUE(CopyProject(L"colour-and-tone.kdp", path));
  const std::wstring compressed = InCurrentDir(L"codecs.avi"), plain = InCurrentDir(L"plain-video.avi");
  const std::wstring refused = InCurrentDir(L"refused.avi");

  ExpectRun(L"--list-compressors", 0,
            {"video compressor: Uncompressed video", "video compressor: Motion JPEG", "audio compressor: IMA ADPCM"});
  ExpectRun(
      project + L" " + Quoted(compressed) + L" --video-compressor \"motion jpeg\" --audio-compressor \"IMA ADPCM\"", 0,
      {"100%"});
  // A group's own choice goes over the one for its kind.
  ExpectRun(project + L" " + Quoted(plain) +
                L" --quiet --video-compressor \"Motion JPEG\" --audio-compressor \"ima adpcm\" --compressor "
                L"0=\"Uncompressed video\"",
            0, {});
  for (const auto& [option, says] :
       {std::pair{L"--video-compressor Nonesuch", "unknown video compressor \"Nonesuch\" (see --list-compressors)"},
        {L"--audio-compressor \"Motion JPEG\"", "unknown audio compressor \"Motion JPEG\""},
        {L"--video-compressor", "--video-compressor needs a value"}})
    ExpectRun(project + L" " + Quoted(refused) + L" " + option, 2, {says});
  EXPECT_FALSE(testsupport::FileExists(refused));

  enginetest::AviReadBack file(compressed), other(plain);
  EXPECT_EQ(static_cast<DWORD>(MAKEFOURCC('M', 'J', 'P', 'G')), file.VideoFormat().biCompression);
  EXPECT_EQ(static_cast<DWORD>(BI_RGB), other.VideoFormat().biCompression);
  for (const enginetest::AviReadBack* f : {&file, &other}) {
    WAVEFORMATEX wf{};
    LONG size = sizeof wf;
    ASSERT_TRUE(f->Audio());
    AVIStreamReadFormat(f->Audio(), 0, &wf, &size);
    EXPECT_EQ(WAVE_FORMAT_IMA_ADPCM, wf.wFormatTag);
  }
}

}  // namespace
