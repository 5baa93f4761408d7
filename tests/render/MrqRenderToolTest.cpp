// The command-line renderer as a user runs it: exit codes and messages for each bad input, and a
// complete file for a good project (check_render_files.sh reads it with ffprobe).
#include "TestSupport.h"

#include "MediaTestFiles.h"
#include "ToolRun.h"
#include "timeline/ProjectStorage.h"

#include <gtest/gtest.h>
#include <amvideo.h>
#include <mmreg.h>
#include <uuids.h>
#include <wrl/client.h>

#include <string>

namespace {

using toolrun::Outcome;
using toolrun::Render;

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

bool WriteGreyBmp(const std::wstring& path) { return enginetest::WriteColourBmp(path, 32, 24, 0x606060); }

std::string Utf8(const std::wstring& w) {
  std::string out(static_cast<size_t>(w.size()) * 3 + 1, '\0');
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), out.data(),
                                    static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

// A project file written as text: the timeline's XML inside the project wrapper.
bool WriteProject(const std::wstring& path, const std::wstring& timelineXml) {
  return testsupport::WriteText(path, "<KDP version=\"1\">\n" + Utf8(timelineXml) + "</KDP>");
}

// A project of a 32 x 24, 10 fps video group holding `still` for two seconds, and a silent
// 22.05 kHz stereo audio group.
bool SaveProject(const std::wstring& path, const std::wstring& still) {
  return WriteProject(path,
                      L"<timeline><group type=\"video\" bitdepth=\"24\" width=\"32\" height=\"24\" "
                      L"framerate=\"10\"><track><clip src=\"" +
                          still +
                          L"\" start=\"0\" stop=\"2\" mstart=\"0\" mstop=\"2\"/></track></group>"
                          L"<group type=\"audio\" samplingrate=\"22050\"/></timeline>");
}

TEST(MrqRenderTool, AGoodProjectRendersToACompleteFileAndEachBadInputHasItsOwnExitAndMessage) {
  const std::wstring still = testsupport::InCurrentDir(L"still.bmp"), project = testsupport::InCurrentDir(L"tool.kdp");
  ASSERT_TRUE(WriteGreyBmp(still));
  ASSERT_TRUE(SaveProject(project, still));
  const std::wstring out = testsupport::InCurrentDir(L"tool.avi");
  DeleteFileW(out.c_str());

  auto ok = Render(L"\"" + project + L"\" \"" + out + L"\"");
  EXPECT_EQ(0u, ok.code) << ok.err;
  EXPECT_NE(std::string::npos, ok.err.find("00:00:02.00 / 00:00:02.00  100%")) << ok.err;
  EXPECT_TRUE(testsupport::FileExists(out));

  auto help = Render(L"--help");
  EXPECT_EQ(0u, help.code);
  EXPECT_NE(std::string::npos, help.err.find("exit codes")) << help.err;

  auto usage = Render(L"\"" + project + L"\"");
  EXPECT_EQ(2u, usage.code) << usage.err;
  auto option = Render(L"--fast \"" + project + L"\" x.avi");
  EXPECT_EQ(2u, option.code);
  EXPECT_NE(std::string::npos, option.err.find("unknown option --fast")) << option.err;

  auto type = Render(L"\"" + project + L"\" x.mov --type mov");
  EXPECT_EQ(2u, type.code);
  EXPECT_NE(std::string::npos, type.err.find("unknown file type \"mov\"")) << type.err;
  auto compressor = Render(L"\"" + project + L"\" x.avi --compressor 0=Nonesuch");
  EXPECT_EQ(2u, compressor.code);
  EXPECT_NE(std::string::npos, compressor.err.find("unknown video compressor \"Nonesuch\"")) << compressor.err;
  auto group = Render(L"\"" + project + L"\" x.avi --compressor 7=Nonesuch");
  EXPECT_EQ(2u, group.code);
  EXPECT_NE(std::string::npos, group.err.find("no group \"7\"")) << group.err;

  auto absent = Render(L"nowhere.kdp x.avi");
  EXPECT_EQ(3u, absent.code);
  EXPECT_NE(std::string::npos, absent.err.find("cannot read project")) << absent.err;
  const std::wstring junk = testsupport::InCurrentDir(L"junk.kdp");
  testsupport::WriteText(junk, "<KDP version=\"2\">\n<timeline/></KDP>");
  auto bad = Render(L"\"" + junk + L"\" x.avi");
  EXPECT_EQ(3u, bad.code) << bad.err;
  EXPECT_NE(std::string::npos, bad.err.find("version \"2\"")) << bad.err;
  testsupport::WriteText(junk, "not a project at all");
  bad = Render(L"\"" + junk + L"\" x.avi");
  EXPECT_EQ(3u, bad.code) << bad.err;

  const std::wstring moved = testsupport::InCurrentDir(L"moved.kdp");
  const std::wstring gone = testsupport::InCurrentDir(L"gone.bmp");
  ASSERT_TRUE(SaveProject(moved, gone));
  auto missing = Render(L"\"" + moved + L"\" x.avi");
  EXPECT_EQ(4u, missing.code);
  EXPECT_NE(std::string::npos, missing.err.find(Narrow(gone))) << missing.err;

  // A relative media name is found beside the project, wherever the renderer is started.
  const std::wstring sub = testsupport::InCurrentDir(L"sub");
  CreateDirectoryW(sub.c_str(), nullptr);
  ASSERT_TRUE(WriteGreyBmp(sub + L"\\beside.bmp"));
  ASSERT_TRUE(SaveProject(sub + L"\\relative.kdp", L"beside.bmp"));
  auto relative = Render(L"\"" + sub + L"\\relative.kdp\" \"" + sub + L"\\relative.avi\"");
  EXPECT_EQ(0u, relative.code) << relative.err;

  auto unwritable = Render(L"\"" + project + L"\" \"" + testsupport::InCurrentDir(L"no-such-folder\\x.avi") + L"\"");
  EXPECT_EQ(5u, unwritable.code);
  EXPECT_NE(std::string::npos, unwritable.err.find("cannot write")) << unwritable.err;

  // The platform has no ASF writer: a clear failure, and no file claimed complete.
  auto asf = Render(L"\"" + project + L"\" \"" + testsupport::InCurrentDir(L"x.asf") + L"\" --type asf");
  EXPECT_EQ(1u, asf.code);
  EXPECT_NE(std::string::npos, asf.err.find("ASF writer is not installed")) << asf.err;
  EXPECT_FALSE(testsupport::FileExists(testsupport::InCurrentDir(L"x.asf")));
}

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

TEST(MrqRenderTool, NeverWritesOntoTheProjectOrItsMediaWhateverTheSpelling) {
  const std::wstring dir = testsupport::InCurrentDir(L"inputs");
  CreateDirectoryW(dir.c_str(), nullptr);
  CreateDirectoryW((dir + L"\\sub").c_str(), nullptr);
  const std::wstring still = dir + L"\\Still.bmp", project = dir + L"\\Keep.kdp";
  ASSERT_TRUE(WriteGreyBmp(still));
  ASSERT_TRUE(SaveProject(project, still));
  const auto stillBytes = testsupport::ReadBytes(still), projectBytes = testsupport::ReadBytes(project);

  // The child starts in this test's folder: a relative name is taken from there.
  const std::wstring spellings[] = {
      still,   dir + L"\\STILL.BMP",        dir + L"\\sub\\..\\Still.bmp", L"inputs\\still.bmp",
      project, dir + L"\\sub\\..\\KEEP.KDP"};
  for (const std::wstring& destination : spellings) {
    auto refused = Render(Quoted(project) + L" " + Quoted(destination) + L" --quiet");
    EXPECT_EQ(5u, refused.code) << Narrow(destination) << ": " << refused.err;
    EXPECT_NE(std::string::npos, refused.err.find("will not render onto")) << refused.err;
    EXPECT_EQ(stillBytes, testsupport::ReadBytes(still)) << Narrow(destination);
    EXPECT_EQ(projectBytes, testsupport::ReadBytes(project)) << Narrow(destination);
  }
  // Beside them, a new name renders.
  auto beside = Render(Quoted(project) + L" " + Quoted(dir + L"\\sub\\out.avi") + L" --quiet");
  EXPECT_EQ(0u, beside.code) << beside.err;
}

// Damaged media: each ends the render within the source time limit, named in a problem, and the
// exit code says the file is not what the project describes.
TEST(MrqRenderTool, DamagedMediaEndInTimeAndAreReportedNotPassedAsSuccess) {
  const std::wstring dir = testsupport::InCurrentDir(L"damaged");
  CreateDirectoryW(dir.c_str(), nullptr);
  // A JPEG with a broken signature and Huffman table: measured, the platform's parser never
  // returns from opening it, so the render must not hand it there or must give up in time.
  const std::vector<unsigned char> jpeg = enginetest::StuckJpegBytes();
  ASSERT_FALSE(jpeg.empty());
  std::vector<unsigned char> avi = testsupport::ReadBytes(enginetest::FixturePath(L"clip-mjpeg.avi"));
  ASSERT_GT(avi.size(), 4096u);
  avi.resize(avi.size() / 5);
  std::vector<int16_t> tone(22050 * 2 * 2);
  for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>((i % 100) * 300 - 15000);
  ASSERT_TRUE(enginetest::WriteWav(dir + L"\\tone.wav", 22050, 2, 16, tone));
  std::vector<unsigned char> wav = testsupport::ReadBytes(dir + L"\\tone.wav");
  wav.resize(wav.size() / 6);
  ASSERT_TRUE(testsupport::WriteBytes(dir + L"\\stuck.jpg", jpeg.data(), jpeg.size()));
  ASSERT_TRUE(testsupport::WriteBytes(dir + L"\\cut.avi", avi.data(), avi.size()));
  ASSERT_TRUE(testsupport::WriteBytes(dir + L"\\cut.wav", wav.data(), wav.size()));

  const std::wstring video = L"<group type=\"video\" width=\"64\" height=\"48\" framerate=\"10\"><track>";
  const std::wstring audio = L"<group type=\"audio\" samplingrate=\"22050\"><track>";
  struct Case {
    const wchar_t* file;
    const std::wstring& group;
  } cases[] = {{L"stuck.jpg", video}, {L"cut.avi", video}, {L"cut.wav", audio}};
  for (const Case& c : cases) {
    const std::wstring media = dir + L"\\" + c.file, project = media + L".kdp";
    ASSERT_TRUE(WriteProject(project, L"<timeline>" + c.group + L"<clip src=\"" + media +
                                          L"\" start=\"0\" stop=\"2\"/></track></group></timeline>"));
    const auto before = testsupport::ReadBytes(media);
    const ULONGLONG start = GetTickCount64();
    auto run = Render(Quoted(project) + L" " + Quoted(media + L".avi") + L" --quiet --source-timeout 2");
    EXPECT_LT(GetTickCount64() - start, 30000u) << Narrow(media);
    EXPECT_EQ(6u, run.code) << Narrow(media) << ": " << run.err;
    EXPECT_NE(std::string::npos, run.err.find("problem: ")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find(Narrow(media))) << run.err;
    EXPECT_EQ(before, testsupport::ReadBytes(media)) << Narrow(media);
    // Users who accept gaps get their file and a success.
    auto allowed =
        Render(Quoted(project) + L" " + Quoted(media + L".avi") + L" --quiet --source-timeout 2 --allow-gaps");
    EXPECT_EQ(0u, allowed.code) << Narrow(media) << ": " << allowed.err;
  }
}

TEST(MrqRenderTool, WhatTheEngineCannotRenderIsAProblemAndNothingToRenderIsAnError) {
  const std::wstring dir = testsupport::InCurrentDir(L"problems");
  CreateDirectoryW(dir.c_str(), nullptr);
  const std::wstring still = dir + L"\\grey.bmp";
  ASSERT_TRUE(WriteGreyBmp(still));
  const std::wstring clip = L"<clip src=\"" + still + L"\" start=\"0\" stop=\"1\"/>";
  const std::wstring group = L"<group type=\"video\" width=\"32\" height=\"24\" framerate=\"10\">";

  const std::wstring unknownFx = dir + L"\\effect.kdp";
  ASSERT_TRUE(WriteProject(unknownFx, L"<timeline>" + group + L"<track>" + clip +
                                          L"<effect clsid=\"{12345678-1234-1234-1234-123456789ABC}\" start=\"0\" "
                                          L"stop=\"1\"/></track></group></timeline>"));
  auto fx = Render(Quoted(unknownFx) + L" " + Quoted(dir + L"\\effect.avi") + L" --quiet");
  EXPECT_EQ(6u, fx.code) << fx.err;
  EXPECT_NE(std::string::npos, fx.err.find("{12345678-1234-1234-1234-123456789ABC}")) << fx.err;
  EXPECT_NE(std::string::npos, fx.err.find("0.000 s to 1.000 s")) << fx.err;
  EXPECT_EQ(0u, Render(Quoted(unknownFx) + L" " + Quoted(dir + L"\\effect.avi") + L" --quiet --allow-gaps").code);
  // A transition the engine does not know still blends, and says it does so instead.
  const std::wstring unknownTrans = dir + L"\\transition.kdp";
  ASSERT_TRUE(
      WriteProject(unknownTrans, L"<timeline>" + group + L"<track>" + clip + L"</track><track>" + clip +
                                     L"<transition clsid=\"{87654321-1234-1234-1234-123456789ABC}\" start=\"0\" "
                                     L"stop=\"1\"/></track></group></timeline>"));
  auto trans = Render(Quoted(unknownTrans) + L" " + Quoted(dir + L"\\transition.avi") + L" --quiet");
  EXPECT_EQ(6u, trans.code) << trans.err;
  EXPECT_NE(std::string::npos, trans.err.find("{87654321-1234-1234-1234-123456789ABC}")) << trans.err;
  EXPECT_NE(std::string::npos, trans.err.find("renders as a dissolve")) << trans.err;

  const std::wstring emptyName = dir + L"\\nameless.kdp";
  ASSERT_TRUE(WriteProject(emptyName, L"<timeline>" + group +
                                          L"<track><clip src=\"\" start=\"0\" stop=\"1\"/>"
                                          L"</track></group></timeline>"));
  auto nameless = Render(Quoted(emptyName) + L" " + Quoted(dir + L"\\nameless.avi") + L" --quiet");
  EXPECT_EQ(4u, nameless.code) << nameless.err;
  EXPECT_NE(std::string::npos, nameless.err.find("without a file name")) << nameless.err;

  const std::wstring folderAsMedia = dir + L"\\folder.kdp";
  ASSERT_TRUE(WriteProject(folderAsMedia, L"<timeline>" + group + L"<track><clip src=\"" + dir +
                                              L"\" start=\"0\" stop=\"1\"/></track></group></timeline>"));
  auto folder = Render(Quoted(folderAsMedia) + L" " + Quoted(dir + L"\\folder.avi") + L" --quiet --allow-gaps");
  EXPECT_EQ(0u, folder.code) << folder.err;
  EXPECT_NE(std::string::npos, folder.err.find("problem: ")) << folder.err;
  EXPECT_TRUE(testsupport::FileExists(dir + L"\\folder.avi"));

  // A timeline the reader refuses is told once, in the closing message.
  const std::wstring refused = dir + L"\\refused.kdp";
  ASSERT_TRUE(WriteProject(refused, L"<timeline><group type=\"smell\"/></timeline>"));
  auto smell = Render(Quoted(refused) + L" " + Quoted(dir + L"\\refused.avi") + L" --quiet");
  EXPECT_EQ(3u, smell.code) << smell.err;
  const size_t said = smell.err.find("neither video nor audio");
  ASSERT_NE(std::string::npos, said) << smell.err;
  EXPECT_EQ(std::string::npos, smell.err.find("neither video nor audio", said + 1)) << smell.err;

  const std::wstring nothing = dir + L"\\nothing.kdp";
  ASSERT_TRUE(WriteProject(nothing, L"<timeline>" + group + L"<track/></group></timeline>"));
  auto none = Render(Quoted(nothing) + L" " + Quoted(dir + L"\\nothing.avi") + L" --quiet");
  EXPECT_EQ(3u, none.code) << none.err;
  EXPECT_NE(std::string::npos, none.err.find("nothing to render")) << none.err;
  EXPECT_FALSE(testsupport::FileExists(dir + L"\\nothing.avi"));

  const std::wstring huge = dir + L"\\huge.kdp";
  ASSERT_TRUE(WriteProject(huge,
                           L"<timeline><group type=\"video\" width=\"65535\" height=\"65535\" bitdepth=\"24\">"
                           L"<track>" +
                               clip + L"</track></group></timeline>"));
  auto big = Render(Quoted(huge) + L" " + Quoted(dir + L"\\huge.avi") + L" --quiet");
  EXPECT_NE(0u, big.code) << big.err;
  EXPECT_EQ(std::string::npos, big.err.find("0x8000FFFF")) << big.err;
  EXPECT_NE(std::string::npos, big.err.find("65535x65535")) << big.err;
}

}  // namespace
