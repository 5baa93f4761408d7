// mrqrender as a user runs it: exit codes and messages, and files that the check_*_files.sh scripts read.
#include "MediaTestFiles.h"
#include "TestSupport.h"
#include "ToolRun.h"

#include <mmreg.h>

#include <cmath>

namespace {

using namespace toolrun;
using testsupport::InCurrentDir;

// The still.bmp that the projects of tests/data/kdp show.
bool WriteGreyBmp(const std::wstring& path) { return enginetest::WriteColourBmp(path, 32, 24, 0x606060); }

TEST(MrqRenderTool, AGoodProjectRendersToACompleteFileAndEachBadInputHasItsOwnExitAndMessage) {
  // grey-still.kdp: two seconds of still.bmp at 32 x 24, 10 fps, over silent 22.05 kHz stereo.
  const std::wstring still = InCurrentDir(L"still.bmp"), path = InCurrentDir(L"tool.kdp"), project = Quoted(path);
  ASSERT_TRUE(WriteGreyBmp(still));
  ASSERT_TRUE(CopyProject(L"grey-still.kdp", path));
  const std::wstring out = InCurrentDir(L"tool.avi");
  DeleteFileW(out.c_str());
  const std::wstring junk = InCurrentDir(L"junk.kdp"), moved = InCurrentDir(L"moved"), sub = InCurrentDir(L"sub");
  testsupport::WriteText(junk, "<KDP version=\"2\">\n<timeline/></KDP>");
  // Media named relative to the project are found beside it, wherever the renderer is started.
  for (const std::wstring& folder : {moved, sub}) {
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyProject(L"grey-still.kdp", folder + L"\\p.kdp"));
  }
  ASSERT_TRUE(WriteGreyBmp(sub + L"\\still.bmp"));
  const auto stillBytes = testsupport::ReadBytes(still), projectBytes = testsupport::ReadBytes(path);

  ExpectRuns({
      {project + L" " + Quoted(out), 0, {"00:00:02.00 / 00:00:02.00  100%"}},
      {L"--help", 0, {"exit codes"}},
      {project, 2, {}},
      {L"--fast " + project + L" x.avi", 2, {"unknown option --fast"}},
      {project + L" x.mov --type mov", 2, {"unknown file type \"mov\""}},
      {project + L" x.avi --compressor 0=Nonesuch", 2, {"unknown video compressor \"Nonesuch\""}},
      {project + L" x.avi --compressor 7=Nonesuch", 2, {"no group \"7\""}},
      {L"nowhere.kdp x.avi", 3, {"cannot read project"}},
      {Quoted(junk) + L" x.avi", 3, {"version \"2\""}},
      {Quoted(moved + L"\\p.kdp") + L" x.avi", 4, {Narrow(moved + L"\\still.bmp")}},
      {Quoted(sub + L"\\p.kdp") + L" " + Quoted(sub + L"\\p.avi"), 0, {}},
      {project + L" " + Quoted(InCurrentDir(L"no-such-folder\\x.avi")), 5, {"cannot write"}},
      // The project and its media are no destination, under any spelling or relative name.
      {project + L" STILL.BMP --quiet", 5, {"will not render onto"}},
      {project + L" sub\\..\\TOOL.kdp --quiet", 5, {"will not render onto"}},
      // The platform has no ASF writer: a clear failure, and no file claimed complete.
      {project + L" " + Quoted(InCurrentDir(L"x.asf")) + L" --type asf", 1, {"ASF writer is not installed"}},
  });
  EXPECT_FALSE(testsupport::FileExists(InCurrentDir(L"x.asf")));
  EXPECT_EQ(stillBytes, testsupport::ReadBytes(still));
  EXPECT_EQ(projectBytes, testsupport::ReadBytes(path));
  testsupport::WriteText(junk, "not a project at all");
  ExpectRuns({{Quoted(junk) + L" x.avi", 3, {}}});
}

// Damaged media end the render in time, named in a problem, with an exit code that says so.
TEST(MrqRenderTool, DamagedMediaEndInTimeAndAreReportedNotPassedAsSuccess) {
  const std::wstring dir = InCurrentDir(L"damaged");
  CreateDirectoryW(dir.c_str(), nullptr);
  std::vector<int16_t> tone(22050 * 2 * 2);
  for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>((i % 100) * 300 - 15000);
  ASSERT_TRUE(enginetest::WriteWav(dir + L"\\tone.wav", 22050, 2, 16, tone));
  // A JPEG the platform's parser never returns from, an MJPEG AVI cut to a fifth, a WAVE cut to a sixth.
  const struct {
    const wchar_t* file;
    std::vector<unsigned char> bytes;
    size_t part;
    const wchar_t* alone;
  } cases[] = {{L"stuck.jpg", enginetest::StuckJpegBytes(), 1, L"video-alone.kdp"},
               {L"cut.avi", testsupport::ReadBytes(enginetest::FixturePath(L"clip-mjpeg.avi")), 5, L"video-alone.kdp"},
               {L"cut.wav", testsupport::ReadBytes(dir + L"\\tone.wav"), 6, L"sound-alone.kdp"}};
  for (const auto& c : cases) {
    ASSERT_GT(c.bytes.size(), 64u) << Narrow(c.file);
    const std::wstring media = dir + L"\\" + c.file, project = media + L".kdp";
    ASSERT_TRUE(testsupport::WriteBytes(media, c.bytes.data(), c.bytes.size() / c.part));
    ASSERT_TRUE(CopyProject(c.alone, project, media));
    const auto before = testsupport::ReadBytes(media);
    const std::wstring args = Quoted(project) + L" " + Quoted(media + L".avi") + L" --quiet --source-timeout 2";
    const ULONGLONG start = GetTickCount64();
    ExpectRuns({{args, 6, {"problem: ", Narrow(media)}}});
    EXPECT_LT(GetTickCount64() - start, 30000u) << Narrow(media);
    EXPECT_EQ(before, testsupport::ReadBytes(media)) << Narrow(media);
    // Users who accept gaps get their file and a success.
    ExpectRuns({{args + L" --allow-gaps", 0, {}}});
  }
}

TEST(MrqRenderTool, WhatTheEngineCannotRenderIsAProblemAndNothingToRenderIsAnError) {
  const std::wstring dir = InCurrentDir(L"problems");
  CreateDirectoryW(dir.c_str(), nullptr);
  CreateDirectoryW((dir + L"\\a-folder").c_str(), nullptr);
  ASSERT_TRUE(WriteGreyBmp(dir + L"\\still.bmp"));
  // The arguments that render a project of tests/data/kdp, copied into the folder.
  auto project = [&](const wchar_t* name, const wchar_t* options = L" --quiet") {
    const std::wstring path = dir + L"\\" + name;
    EXPECT_TRUE(CopyProject(name, path));
    return Quoted(path) + L" " + Quoted(path + L".avi") + options;
  };
  const std::wstring effect = project(L"unknown-effect.kdp");
  ExpectRuns({
      {effect, 6, {"{12345678-1234-1234-1234-123456789ABC}", "0.000 s to 1.000 s"}},
      {effect + L" --allow-gaps", 0, {}},
      // A transition the engine does not know still blends, and says it does so instead.
      {project(L"unknown-transition.kdp"), 6, {"{87654321-1234-1234-1234-123456789ABC}", "renders as a dissolve"}},
      {project(L"nameless-clip.kdp"), 4, {"without a file name"}},
      {project(L"folder-clip.kdp", L" --quiet --allow-gaps"), 0, {"problem: "}},
      {project(L"empty-track.kdp"), 3, {"nothing to render"}},
  });
  EXPECT_TRUE(testsupport::FileExists(dir + L"\\folder-clip.kdp.avi"));
  EXPECT_FALSE(testsupport::FileExists(dir + L"\\empty-track.kdp.avi"));
  const Outcome big = Render(project(L"huge-frame.kdp"));
  EXPECT_NE(0u, big.code) << big.err;
  EXPECT_EQ(std::string::npos, big.err.find("0x8000FFFF")) << big.err;
  EXPECT_NE(std::string::npos, big.err.find("65535x65535")) << big.err;

  // A timeline the reader refuses is told once, in the closing message.
  const Outcome smell = Render(project(L"unknown-group-type.kdp"));
  EXPECT_EQ(3u, smell.code) << smell.err;
  const size_t said = smell.err.find("neither video nor audio");
  ASSERT_NE(std::string::npos, said) << smell.err;
  EXPECT_EQ(std::string::npos, smell.err.find("neither video nor audio", said + 1)) << smell.err;
}

TEST(MrqRenderCompressors, TakesCatalogueNamesInAnyCaseListsTheEnginesOwnAndRefusesOthers) {
  // colour-and-tone.kdp: two seconds of one colour at 64 x 48, 10 fps, over this 441 Hz stereo tone.
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
