// Damaged projects and media fed to mrqrender as an unlucky user would, from a fixed seed: no
// crash, no hang, no input changed, and no damaged input passed off as a clean render.
#include "MediaTestFiles.h"
#include "TestSupport.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using toolrun::Narrow;
using toolrun::Quoted;

// Exit codes a damaged input may end with: refused project, missing media, refused
// destination, written with problems, render failed. Never a fault, never 0 unless the file is
// what the undamaged input gives.
bool IsOrderlyFailure(DWORD code) { return code == 1 || code == 3 || code == 4 || code == 5 || code == 6; }

// The media the cases start from: an MJPEG AVI, a BMP and a JPEG picture, and a WAVE file, which
// all-media.kdp plays for two seconds (the AVI, the pictures over it, the sound beneath) and
// names relative to itself.
struct Inputs {
  std::wstring dir;
  std::wstring avi, bmp, jpg, wav;
};

class DamagedInputs : public ::testing::Test {
 public:
  void SetUp() override {
    in.dir = testsupport::InCurrentDir(L"fuzz");
    CreateDirectoryW(in.dir.c_str(), nullptr);
    in.avi = in.dir + L"\\clip.avi";
    in.bmp = in.dir + L"\\picture.bmp";
    in.jpg = in.dir + L"\\picture.jpg";
    in.wav = in.dir + L"\\bed.wav";
    const std::pair<const wchar_t*, std::wstring> copies[] = {
        {L"clip-mjpeg.avi", in.avi}, {L"picture.bmp", in.bmp}, {L"picture.jpg", in.jpg}};
    for (const auto& c : copies)
      ASSERT_TRUE(CopyFileW(enginetest::FixturePath(c.first).c_str(), c.second.c_str(), FALSE));
    std::vector<int16_t> bed(22050 * 2 * 2);
    for (size_t i = 0; i < bed.size(); ++i) bed[i] = static_cast<int16_t>((i * 37 % 2000) * 10 - 10000);
    ASSERT_TRUE(enginetest::WriteWav(in.wav, 22050, 2, 16, bed));
    originals = {testsupport::ReadBytes(in.avi), testsupport::ReadBytes(in.bmp), testsupport::ReadBytes(in.jpg),
                 testsupport::ReadBytes(in.wav)};
  }

  toolrun::Outcome Run(const std::wstring& project, const std::wstring& out) {
    return toolrun::Render(Quoted(project) + L" " + Quoted(out) + L" --quiet --source-timeout 2", 30000);
  }

  // One damaged case, written to files of its own so that cases can run side by side.
  struct Case {
    std::string what;
    std::wstring project, output;
    std::vector<std::pair<std::wstring, Bytes>> inputs;  // its damaged files, as written
    const Bytes* reference = nullptr;                    // what the undamaged input renders to
  };

  void Add(std::string what, const std::wstring& project, const std::string& projectText, const std::wstring& damaged,
           const Bytes& damagedBytes, const Bytes& reference) {
    Case c;
    c.what = std::move(what);
    c.project = project;
    c.output = project + L".avi";
    ASSERT_TRUE(testsupport::WriteText(project, projectText));
    c.inputs.push_back({project, Bytes(projectText.begin(), projectText.end())});
    if (!damaged.empty()) {
      ASSERT_TRUE(testsupport::WriteBytes(damaged, damagedBytes.data(), damagedBytes.size()));
      c.inputs.push_back({damaged, damagedBytes});
    }
    c.reference = &reference;
    cases.push_back(std::move(c));
  }

  // Every case must end in time, in an orderly way, leave its inputs and the originals as they
  // were, and succeed only with the very file the undamaged input gives.
  std::vector<std::string> RunAll() {
    std::vector<std::wstring> args;
    for (const Case& c : cases)
      args.push_back(Quoted(c.project) + L" " + Quoted(c.output) + L" --quiet --source-timeout 2");
    const std::vector<toolrun::Outcome> runs = toolrun::RenderAll(args, 30000, 3);
    std::vector<std::string> failures;
    for (size_t i = 0; i < cases.size(); ++i) {
      const Case& c = cases[i];
      const toolrun::Outcome& run = runs[i];
      if (run.code == STILL_ACTIVE) {
        failures.push_back(c.what + ": hung");
      } else if (run.code == 0) {
        if (testsupport::ReadBytes(c.output) != *c.reference)
          failures.push_back(c.what + ": damaged input rendered as a success");
      } else if (!IsOrderlyFailure(run.code)) {
        failures.push_back(c.what + ": crashed with " + std::to_string(run.code) + "\n" + run.err);
      }
      for (const auto& input : c.inputs)
        if (testsupport::ReadBytes(input.first) != input.second) failures.push_back(c.what + ": changed its input");
    }
    const std::wstring files[] = {in.avi, in.bmp, in.jpg, in.wav};
    for (size_t i = 0; i < 4; ++i)
      if (testsupport::ReadBytes(files[i]) != originals[i]) failures.push_back("changed " + Narrow(files[i]));
    return failures;
  }

  Inputs in;
  std::vector<Bytes> originals;
  std::vector<Case> cases;
};

// Cuts that make a project text malformed whatever else it says: it must be refused.
std::string MalformProject(const std::string& text, std::mt19937& random) {
  std::string s = text;
  const size_t closing = s.rfind('>');
  switch (random() % 4) {
    case 0:  // cut off before its last '>'
      return s.substr(0, random() % closing);
    case 1:  // one of the characters that carry the structure is lost
    case 2: {
      std::vector<size_t> at;
      for (size_t i = 0; i < s.size(); ++i)
        if (s[i] == '<' || s[i] == '>' || s[i] == '"' || s[i] == '=') at.push_back(i);
      s.erase(at[random() % at.size()], 1);
      return s;
    }
    default: {  // a '<' or '&' where no markup may start
      const size_t at = 1 + random() % (s.size() - 1);
      s.insert(at, random() % 2 ? "<" : "& ");
      return s;
    }
  }
}

// What a project of tests/data/kdp renders to, undamaged; the same bytes every time, which the
// oracle needs.
Bytes ReferenceRender(DamagedInputs& t, const std::wstring& project, const wchar_t* data,
                      const std::wstring& media = L"") {
  EXPECT_TRUE(toolrun::CopyProject(data, project, media));
  const std::wstring out = project + L".avi";
  const toolrun::Outcome good = t.Run(project, out);
  EXPECT_EQ(0u, good.code) << Narrow(project) << ": " << good.err;
  Bytes bytes = testsupport::ReadBytes(out);
  EXPECT_FALSE(bytes.empty()) << Narrow(project);
  const toolrun::Outcome again = t.Run(project, out);
  EXPECT_EQ(0u, again.code) << again.err;
  EXPECT_EQ(bytes, testsupport::ReadBytes(out)) << Narrow(project) << " renders differently each time";
  return bytes;
}

TEST_F(DamagedInputs, NeitherCrashNorHangNorHarmAnInputNorPassForSuccess) {
  const Bytes whole = ReferenceRender(*this, in.dir + L"\\good.kdp", L"all-media.kdp");
  const std::string text = testsupport::ReadText(in.dir + L"\\good.kdp");
  // Each medium alone for two seconds, in a group of its kind.
  const std::wstring names[] = {in.avi, in.bmp, in.jpg, in.wav};
  auto aloneData = [](size_t k) { return k == 3 ? L"sound-alone.kdp" : L"video-alone.kdp"; };
  Bytes alone[4];
  for (size_t k = 0; k < 4; ++k)
    alone[k] = ReferenceRender(*this, in.dir + L"\\alone" + std::to_wstring(k) + L".kdp", aloneData(k), names[k]);
  ASSERT_FALSE(HasFailure());

  std::mt19937 random(20261206);
  for (int i = 0; i < 70; ++i) {
    const std::string bad = MalformProject(text, random);
    Add("project case " + std::to_string(i) + " [" + bad.substr(0, 60) + "...]",
        in.dir + L"\\project" + std::to_wstring(i) + L".kdp", bad, L"", {}, whole);
  }

  // Each medium in turn, alone in its project: cut short, its head wiped, or replaced by what a
  // careless rename leaves: text, or a medium of the other kind (sound for a picture and back).
  for (int i = 0; i < 140; ++i) {
    const size_t which = static_cast<size_t>(i) % 4;
    Bytes bytes = originals[which];
    std::string how;
    switch (random() % 5) {
      case 0:
      case 1:
        bytes.resize(random() % (bytes.size() * 6 / 10));
        how = "cut to " + std::to_string(bytes.size());
        break;
      case 2:
        for (size_t k = 0; k < 16 && k < bytes.size(); ++k) bytes[k] = 0;
        how = "head wiped";
        break;
      case 3:
        bytes.assign({'n', 'o', 't', ' ', 'm', 'e', 'd', 'i', 'a', '\n'});
        how = "text";
        break;
      default:
        bytes = originals[which == 3 ? 1 : 3];
        how = "the other kind";
        break;
    }
    const std::wstring name = names[which];
    const std::wstring damaged = in.dir + L"\\damaged" + std::to_wstring(i) + name.substr(name.rfind(L'.'));
    const std::wstring project = in.dir + L"\\media" + std::to_wstring(i) + L".kdp";
    ASSERT_TRUE(toolrun::CopyProject(aloneData(which), project, damaged));
    Add("media case " + std::to_string(i) + " (" + Narrow(name) + ", " + how + ")", project,
        testsupport::ReadText(project), damaged, bytes, alone[which]);
  }
  ASSERT_FALSE(HasFailure());

  const std::vector<std::string> failures = RunAll();
  std::string all;
  for (const auto& f : failures) all += f + "\n";
  EXPECT_TRUE(failures.empty()) << failures.size() << " of " << cases.size() << " cases failed:\n" << all;
}

}  // namespace
