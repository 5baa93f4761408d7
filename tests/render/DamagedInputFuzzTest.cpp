// Damaged inputs fed to mrqrender from a fixed seed: no crash, hang, changed input or damage passed as success.
#include <algorithm>
#include <random>

#include "MediaTestFiles.h"
#include "TestSupport.h"
#include "ToolRun.h"

namespace {

using Bytes = std::vector<unsigned char>;
using testsupport::ReadBytes;
using toolrun::Narrow;
using toolrun::Quoted;

// Exit codes a damaged input may end with: refused project, missing media, refused destination,
// written with problems, render failed; 0 only with the file the undamaged input gives.
bool IsOrderlyFailure(DWORD code) { return code == 1 || code == 3 || code == 4 || code == 5 || code == 6; }

std::wstring Args(const std::wstring& project) {
  return Quoted(project) + L" " + Quoted(project + L".avi") + L" --quiet --source-timeout 2";
}

// One damaged case, written to files of its own so that cases can run side by side.
struct Case {
  std::string what;
  std::wstring project;
  std::vector<std::pair<std::wstring, Bytes>> inputs;  // its damaged files, as written
  const Bytes* reference = nullptr;                    // what the undamaged input renders to
};

// Cuts that make a project text malformed whatever else it says: it must be refused.
std::string MalformProject(std::string s, std::mt19937& random) {
  switch (random() % 4) {
    case 0:  // cut off before its last '>'
      return s.substr(0, random() % s.rfind('>'));
    case 1:  // one of the characters that carry the structure is lost
    case 2: {
      std::vector<size_t> at;
      for (size_t i = 0; i < s.size(); ++i)
        if (s[i] == '<' || s[i] == '>' || s[i] == '"' || s[i] == '=') at.push_back(i);
      return s.erase(at[random() % at.size()], 1);
    }
    default: {  // a '<' or '&' where no markup may start
      const size_t at = 1 + random() % (s.size() - 1);
      return s.insert(at, random() % 2 ? "<" : "& ");
    }
  }
}

// What a project of tests/data/kdp renders to, undamaged: the same bytes every time, as the oracle needs.
Bytes ReferenceRender(const std::wstring& project, const wchar_t* data, const std::wstring& media = L"") {
  EXPECT_TRUE(toolrun::CopyProject(data, project, media));
  Bytes first;
  for (int run = 0; run < 2; ++run) {
    const toolrun::Outcome good = toolrun::Render(Args(project), 30000);
    EXPECT_EQ(0u, good.code) << Narrow(project) << ": " << good.err;
    if (run == 0) first = ReadBytes(project + L".avi");
  }
  EXPECT_FALSE(first.empty()) << Narrow(project);
  EXPECT_EQ(first, ReadBytes(project + L".avi")) << Narrow(project) << " renders differently each time";
  return first;
}

TEST(DamagedInputs, NeitherCrashNorHangNorHarmAnInputNorPassForSuccess) {
  // all-media.kdp plays two seconds of an MJPEG AVI, a BMP and a JPEG over it, and a WAVE beneath.
  const std::wstring dir = testsupport::InCurrentDir(L"fuzz");
  CreateDirectoryW(dir.c_str(), nullptr);
  const std::wstring names[] = {dir + L"\\clip.avi", dir + L"\\picture.bmp", dir + L"\\picture.jpg",
                                dir + L"\\bed.wav"};
  const wchar_t* fixtures[] = {L"clip-mjpeg.avi", L"picture.bmp", L"picture.jpg"};
  for (size_t k = 0; k < 3; ++k)
    ASSERT_TRUE(CopyFileW(enginetest::FixturePath(fixtures[k]).c_str(), names[k].c_str(), FALSE));
  std::vector<int16_t> bed(22050 * 2 * 2);
  for (size_t i = 0; i < bed.size(); ++i) bed[i] = static_cast<int16_t>((i * 37 % 2000) * 10 - 10000);
  ASSERT_TRUE(enginetest::WriteWav(names[3], 22050, 2, 16, bed));
  Bytes originals[4];
  for (size_t k = 0; k < 4; ++k) originals[k] = ReadBytes(names[k]);

  const Bytes whole = ReferenceRender(dir + L"\\good.kdp", L"all-media.kdp");
  const std::string text = testsupport::ReadText(dir + L"\\good.kdp");
  // Each medium alone for two seconds, in a group of its kind.
  auto aloneData = [](size_t k) { return k == 3 ? L"sound-alone.kdp" : L"video-alone.kdp"; };
  Bytes alone[4];
  for (size_t k = 0; k < 4; ++k)
    alone[k] = ReferenceRender(dir + L"\\alone" + std::to_wstring(k) + L".kdp", aloneData(k), names[k]);
  ASSERT_FALSE(HasFailure());

  std::vector<Case> cases;
  auto add = [&](std::string what, const std::wstring& project, const std::string& projectText,
                 std::vector<std::pair<std::wstring, Bytes>> damaged, const Bytes& reference) {
    ASSERT_TRUE(testsupport::WriteText(project, projectText));
    for (const auto& [file, bytes] : damaged) ASSERT_TRUE(testsupport::WriteBytes(file, bytes.data(), bytes.size()));
    damaged.push_back({project, Bytes(projectText.begin(), projectText.end())});
    cases.push_back({std::move(what), project, std::move(damaged), &reference});
  };
  std::mt19937 random(20261206);
  for (int i = 0; i < 70; ++i) {
    const std::string bad = MalformProject(text, random);
    add("project case " + std::to_string(i) + " [" + bad.substr(0, 60) + "...]",
        dir + L"\\project" + std::to_wstring(i) + L".kdp", bad, {}, whole);
  }

  // Each medium in turn, alone in its project: cut short, its head wiped, or replaced by what a
  // careless rename leaves: text, or a medium of the other kind (sound for a picture and back).
  for (int i = 0; i < 140; ++i) {
    const size_t which = static_cast<size_t>(i) % 4;
    Bytes bytes = originals[which];
    const unsigned how = random() % 5;
    if (how < 2)
      bytes.resize(random() % (bytes.size() * 6 / 10));
    else if (how == 2)
      std::fill_n(bytes.begin(), std::min<size_t>(16, bytes.size()), 0);
    else if (how == 3)
      bytes.assign({'n', 'o', 't', ' ', 'm', 'e', 'd', 'i', 'a', '\n'});
    else
      bytes = originals[which == 3 ? 1 : 3];
    const std::string hows[] = {"cut to " + std::to_string(bytes.size()), "head wiped", "text", "the other kind"};
    const std::wstring& name = names[which];
    const std::wstring damaged = dir + L"\\damaged" + std::to_wstring(i) + name.substr(name.rfind(L'.'));
    const std::wstring project = dir + L"\\media" + std::to_wstring(i) + L".kdp";
    ASSERT_TRUE(toolrun::CopyProject(aloneData(which), project, damaged));
    add("media case " + std::to_string(i) + " (" + Narrow(name) + ", " + hows[how < 2 ? 0 : how - 1] + ")", project,
        testsupport::ReadText(project), {{damaged, bytes}}, alone[which]);
  }
  ASSERT_FALSE(HasFailure());

  // Every case ends in time and in order, its inputs as they were.
  std::vector<std::wstring> args;
  for (const Case& c : cases) args.push_back(Args(c.project));
  const std::vector<toolrun::Outcome> runs = toolrun::RenderAll(args, 30000, 3);
  std::string failures;
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    if (runs[i].code == STILL_ACTIVE)
      failures += c.what + ": hung\n";
    else if (runs[i].code == 0 && ReadBytes(c.project + L".avi") != *c.reference)
      failures += c.what + ": damaged input rendered as a success\n";
    else if (runs[i].code != 0 && !IsOrderlyFailure(runs[i].code))
      failures += c.what + ": crashed with " + std::to_string(runs[i].code) + "\n" + runs[i].err + "\n";
    for (const auto& input : c.inputs)
      if (ReadBytes(input.first) != input.second) failures += c.what + ": changed its input\n";
  }
  for (size_t k = 0; k < 4; ++k)
    if (ReadBytes(names[k]) != originals[k]) failures += "changed " + Narrow(names[k]) + "\n";
  EXPECT_TRUE(failures.empty()) << failures;
}

}  // namespace
