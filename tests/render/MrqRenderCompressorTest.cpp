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

TEST(MrqRenderCompressors, TakesCatalogueNamesInAnyCaseListsTheEnginesOwnAndRefusesOthers) {
  // colour-and-tone.kdp: two seconds of a 64 x 48 picture of one colour at 10 fps, over a 441 Hz
  // tone at 44.1 kHz whose right channel is the left one inverted at half its level.
  std::vector<int16_t> tone;
  for (int i = 0; i < 2 * 44100; ++i) {
    const double s = std::sin(2 * 3.14159265358979 * 441.0 * i / 44100.0);
    tone.insert(tone.end(), {static_cast<int16_t>(8000 * s), static_cast<int16_t>(-4000 * s)});
  }
  ASSERT_TRUE(enginetest::WriteColourBmp(InCurrentDir(L"colour.bmp"), 64, 48, 0x3080C0));
  ASSERT_TRUE(enginetest::WriteWav(InCurrentDir(L"tone.wav"), 44100, 2, 16, tone));
  const std::wstring path = InCurrentDir(L"codecs.kdp"), project = Quoted(path);
  ASSERT_TRUE(CopyProject(L"colour-and-tone.kdp", path));
  const std::wstring plain = InCurrentDir(L"plain-video.avi"), to = project + L" " + Quoted(InCurrentDir(L"x.avi"));
  const std::wstring both = L" --video-compressor \"motion JPEG\" --audio-compressor \"ima adpcm\"";
  ExpectRuns({
      {L"--list-compressors", 0, {"video compressor: Motion JPEG", "audio compressor: IMA ADPCM"}},
      {project + L" " + Quoted(InCurrentDir(L"codecs.avi")) + both, 0, {"100%"}},
      // A group's own choice goes over the one for its kind.
      {project + L" " + Quoted(plain) + both + L" --compressor 0=\"uncompressed VIDEO\"", 0, {}},
      {to + L" --video-compressor Nonesuch", 2, {"unknown video compressor \"Nonesuch\" (see --list-compressors)"}},
      {to + L" --audio-compressor \"Motion JPEG\"", 2, {"unknown audio compressor \"Motion JPEG\""}},
      {to + L" --video-compressor", 2, {"--video-compressor needs a value"}},
  });
  EXPECT_FALSE(testsupport::FileExists(InCurrentDir(L"x.avi")));

  enginetest::AviReadBack file(plain);
  EXPECT_EQ(static_cast<DWORD>(BI_RGB), file.VideoFormat().biCompression);
  WAVEFORMATEX wf{};
  LONG size = sizeof wf;
  ASSERT_TRUE(file.Audio());
  AVIStreamReadFormat(file.Audio(), 0, &wf, &size);
  EXPECT_EQ(WAVE_FORMAT_IMA_ADPCM, wf.wFormatTag);
}

}  // namespace
