// The command-line renderer as a user runs it: exit codes and messages for each bad input, and a
// complete file for a good project (check_render_files.sh reads it with ffprobe).
#include "TestSupport.h"

#include "MediaTestFiles.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace toolrun;
using testsupport::InCurrentDir;

bool WriteGreyBmp(const std::wstring& path) { return enginetest::WriteColourBmp(path, 32, 24, 0x606060); }

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

// A run of the renderer and what it must answer: its exit code and texts its output holds.
struct Expected {
  std::wstring args;
  DWORD code;
  std::vector<std::string> says;
};
void ExpectRuns(const std::vector<Expected>& runs) {
  for (const Expected& r : runs) {
    const toolrun::Outcome out = Render(r.args);
    EXPECT_EQ(r.code, out.code) << Narrow(r.args) << ": " << out.err;
    for (const std::string& text : r.says)
      EXPECT_NE(std::string::npos, out.err.find(text)) << Narrow(r.args) << ": " << out.err;
  }
}

TEST(MrqRenderTool, AGoodProjectRendersToACompleteFileAndEachBadInputHasItsOwnExitAndMessage) {
  const std::wstring still = InCurrentDir(L"still.bmp"), project = Quoted(InCurrentDir(L"tool.kdp"));
  ASSERT_TRUE(WriteGreyBmp(still));
  ASSERT_TRUE(SaveProject(InCurrentDir(L"tool.kdp"), still));
  const std::wstring out = InCurrentDir(L"tool.avi");
  DeleteFileW(out.c_str());
  const std::wstring junk = InCurrentDir(L"junk.kdp"), moved = InCurrentDir(L"moved.kdp");
  const std::wstring gone = InCurrentDir(L"gone.bmp"), sub = InCurrentDir(L"sub");
  testsupport::WriteText(junk, "<KDP version=\"2\">\n<timeline/></KDP>");
  ASSERT_TRUE(SaveProject(moved, gone));
  // A relative media name is found beside the project, wherever the renderer is started.
  CreateDirectoryW(sub.c_str(), nullptr);
  ASSERT_TRUE(WriteGreyBmp(sub + L"\\beside.bmp"));
  ASSERT_TRUE(SaveProject(sub + L"\\relative.kdp", L"beside.bmp"));

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
      {Quoted(moved) + L" x.avi", 4, {Narrow(gone)}},
      {Quoted(sub + L"\\relative.kdp") + L" " + Quoted(sub + L"\\relative.avi"), 0, {}},
      {project + L" " + Quoted(InCurrentDir(L"no-such-folder\\x.avi")), 5, {"cannot write"}},
      // The platform has no ASF writer: a clear failure, and no file claimed complete.
      {project + L" " + Quoted(InCurrentDir(L"x.asf")) + L" --type asf", 1, {"ASF writer is not installed"}},
  });
  EXPECT_TRUE(testsupport::FileExists(out));
  EXPECT_FALSE(testsupport::FileExists(InCurrentDir(L"x.asf")));
  testsupport::WriteText(junk, "not a project at all");
  ExpectRuns({{Quoted(junk) + L" x.avi", 3, {}}});
}

TEST(MrqRenderTool, NeverWritesOntoTheProjectOrItsMediaWhateverTheSpelling) {
  const std::wstring dir = InCurrentDir(L"inputs");
  CreateDirectoryW(dir.c_str(), nullptr);
  CreateDirectoryW((dir + L"\\sub").c_str(), nullptr);
  const std::wstring still = dir + L"\\Still.bmp", project = dir + L"\\Keep.kdp";
  ASSERT_TRUE(WriteGreyBmp(still));
  ASSERT_TRUE(SaveProject(project, still));
  const auto stillBytes = testsupport::ReadBytes(still), projectBytes = testsupport::ReadBytes(project);

  // The child starts in this test's folder: a relative name is taken from there.
  for (const std::wstring& destination : {still, dir + L"\\STILL.BMP", dir + L"\\sub\\..\\Still.bmp",
                                          std::wstring(L"inputs\\still.bmp"), project, dir + L"\\sub\\..\\KEEP.KDP"}) {
    ExpectRuns({{Quoted(project) + L" " + Quoted(destination) + L" --quiet", 5, {"will not render onto"}}});
    EXPECT_EQ(stillBytes, testsupport::ReadBytes(still)) << Narrow(destination);
    EXPECT_EQ(projectBytes, testsupport::ReadBytes(project)) << Narrow(destination);
  }
  // Beside them, a new name renders.
  ExpectRuns({{Quoted(project) + L" " + Quoted(dir + L"\\sub\\out.avi") + L" --quiet", 0, {}}});
}

// Damaged media: each ends the render within the source time limit, named in a problem, and the
// exit code says the file is not what the project describes.
TEST(MrqRenderTool, DamagedMediaEndInTimeAndAreReportedNotPassedAsSuccess) {
  const std::wstring dir = InCurrentDir(L"damaged");
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
  for (const auto& [file, group] : {std::pair{L"stuck.jpg", video}, {L"cut.avi", video}, {L"cut.wav", audio}}) {
    const std::wstring media = dir + L"\\" + file, project = media + L".kdp";
    ASSERT_TRUE(WriteProject(project, L"<timeline>" + group + L"<clip src=\"" + media +
                                          L"\" start=\"0\" stop=\"2\"/></track></group></timeline>"));
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
  const std::wstring still = dir + L"\\grey.bmp";
  ASSERT_TRUE(WriteGreyBmp(still));
  const std::wstring clip = L"<clip src=\"" + still + L"\" start=\"0\" stop=\"1\"/>";
  const std::wstring group = L"<group type=\"video\" width=\"32\" height=\"24\" framerate=\"10\">";
  // A project of `body` in the folder, and the arguments that render it.
  auto project = [&](const wchar_t* name, const std::wstring& body, const wchar_t* options = L" --quiet") {
    const std::wstring path = dir + L"\\" + name;
    EXPECT_TRUE(WriteProject(path + L".kdp", L"<timeline>" + body + L"</timeline>"));
    return Quoted(path + L".kdp") + L" " + Quoted(path + L".avi") + options;
  };
  const std::wstring effect = project(L"effect", group + L"<track>" + clip +
                                                     L"<effect clsid=\"{12345678-1234-1234-1234-123456789ABC}\" "
                                                     L"start=\"0\" stop=\"1\"/></track></group>");
  ExpectRuns({
      {effect, 6, {"{12345678-1234-1234-1234-123456789ABC}", "0.000 s to 1.000 s"}},
      {effect + L" --allow-gaps", 0, {}},
      // A transition the engine does not know still blends, and says it does so instead.
      {project(L"transition", group + L"<track>" + clip + L"</track><track>" + clip +
                                  L"<transition clsid=\"{87654321-1234-1234-1234-123456789ABC}\" start=\"0\" "
                                  L"stop=\"1\"/></track></group>"),
       6,
       {"{87654321-1234-1234-1234-123456789ABC}", "renders as a dissolve"}},
      {project(L"nameless", group + L"<track><clip src=\"\" start=\"0\" stop=\"1\"/></track></group>"),
       4,
       {"without a file name"}},
      {project(L"folder", group + L"<track><clip src=\"" + dir + L"\" start=\"0\" stop=\"1\"/></track></group>",
               L" --quiet --allow-gaps"),
       0,
       {"problem: "}},
      {project(L"nothing", group + L"<track/></group>"), 3, {"nothing to render"}},
  });
  EXPECT_TRUE(testsupport::FileExists(dir + L"\\folder.avi"));
  EXPECT_FALSE(testsupport::FileExists(dir + L"\\nothing.avi"));
  const toolrun::Outcome big =
      Render(project(L"huge", L"<group type=\"video\" width=\"65535\" height=\"65535\" bitdepth=\"24\"><track>" + clip +
                                  L"</track></group>"));
  EXPECT_NE(0u, big.code) << big.err;
  EXPECT_EQ(std::string::npos, big.err.find("0x8000FFFF")) << big.err;
  EXPECT_NE(std::string::npos, big.err.find("65535x65535")) << big.err;

  // A timeline the reader refuses is told once, in the closing message.
  const toolrun::Outcome smell = Render(project(L"refused", L"<group type=\"smell\"/>"));
  EXPECT_EQ(3u, smell.code) << smell.err;
  const size_t said = smell.err.find("neither video nor audio");
  ASSERT_NE(std::string::npos, said) << smell.err;
  EXPECT_EQ(std::string::npos, smell.err.find("neither video nor audio", said + 1)) << smell.err;
}

}  // namespace
