// The command-line renderer as a user runs it: exit codes and messages for each bad input, and a
// complete file for a good project (check_render_files.sh reads it with ffprobe).
#include "TestSupport.h"

#include "timeline/ProjectStorage.h"

#include <gtest/gtest.h>
#include <amvideo.h>
#include <mmreg.h>
#include <uuids.h>
#include <wrl/client.h>

#include <string>

using Microsoft::WRL::ComPtr;

namespace {

constexpr REFERENCE_TIME kSecond = 10000000;


struct Outcome {
  DWORD code = 0xFFFFFFFF;
  std::string err;
};

// Runs mrqrender with the arguments; its standard error is collected through a file.
Outcome Render(const std::wstring &args) {
  // A new file per run: the platform may still be letting go of the previous child's handle.
  static int runs = 0;
  const std::wstring errPath = testsupport::InCurrentDir((L"tool-output-" + std::to_wstring(++runs) + L".txt").c_str());
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE err = CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdError = err;
  si.hStdOutput = err;
  si.hStdInput = nullptr;
  PROCESS_INFORMATION pi{};
  std::wstring line = L"\"" + testsupport::ExeDir() + L"\\mrqrender.exe\" " + args;
  Outcome out;
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi)) {
    WaitForSingleObject(pi.hProcess, 60000);
    GetExitCodeProcess(pi.hProcess, &out.code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  CloseHandle(err);
  auto bytes = testsupport::ReadBytes(errPath);
  out.err.assign(bytes.begin(), bytes.end());
  return out;
}

std::string Narrow(const std::wstring &w) { return std::string(w.begin(), w.end()); }

bool WriteGreyBmp(const std::wstring &path) {
  const LONG w = 32, h = 24, stride = (w * 3 + 3) & ~3;
  std::vector<BYTE> file(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + static_cast<size_t>(stride * h), 0x60);
  auto *bfh = reinterpret_cast<BITMAPFILEHEADER *>(file.data());
  *bfh = {};
  bfh->bfType = 0x4D42;
  bfh->bfSize = static_cast<DWORD>(file.size());
  bfh->bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  auto *bih = reinterpret_cast<BITMAPINFOHEADER *>(file.data() + sizeof(BITMAPFILEHEADER));
  *bih = {};
  bih->biSize = sizeof(BITMAPINFOHEADER);
  bih->biWidth = w;
  bih->biHeight = h;
  bih->biPlanes = 1;
  bih->biBitCount = 24;
  return testsupport::WriteBytes(path, file.data(), file.size());
}

// A project of a 32 x 24, 10 fps video group holding `still` for two seconds, and a silent
// 22.05 kHz stereo audio group.
bool SaveProject(const std::wstring &path, const std::wstring &still) {
  ComPtr<IAMTimeline> timeline;
  if (FAILED(CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                              reinterpret_cast<void **>(timeline.GetAddressOf()))))
    return false;
  ComPtr<IAMTimelineObj> vgroup, agroup, track, clip;
  timeline->CreateEmptyNode(&vgroup, TIMELINE_MAJOR_TYPE_GROUP);
  timeline->AddGroup(vgroup.Get());
  VIDEOINFOHEADER vih{};
  vih.bmiHeader = {sizeof(BITMAPINFOHEADER), 32, 24, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  AM_MEDIA_TYPE mt{};
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = MEDIASUBTYPE_RGB24;
  mt.formattype = FORMAT_VideoInfo;
  mt.cbFormat = sizeof vih;
  mt.pbFormat = reinterpret_cast<BYTE *>(&vih);
  ComPtr<IAMTimelineGroup> g;
  vgroup.As(&g);
  g->SetMediaType(&mt);
  g->SetOutputFPS(10);
  timeline->CreateEmptyNode(&track, TIMELINE_MAJOR_TYPE_TRACK);
  ComPtr<IAMTimelineComp> comp;
  vgroup.As(&comp);
  comp->VTrackInsBefore(track.Get(), -1);
  timeline->CreateEmptyNode(&clip, TIMELINE_MAJOR_TYPE_SOURCE);
  clip->SetStartStop(0, 2 * kSecond);
  ComPtr<IAMTimelineSrc> src;
  clip.As(&src);
  BSTR name = SysAllocString(still.c_str());
  src->SetMediaName(name);
  SysFreeString(name);
  src->SetMediaTimes(0, 2 * kSecond);
  ComPtr<IAMTimelineTrack> t;
  track.As(&t);
  if (FAILED(t->SrcAdd(clip.Get()))) return false;

  timeline->CreateEmptyNode(&agroup, TIMELINE_MAJOR_TYPE_GROUP);
  timeline->AddGroup(agroup.Get());
  WAVEFORMATEX wfx{WAVE_FORMAT_PCM, 2, 22050, 22050 * 4, 4, 16, 0};
  AM_MEDIA_TYPE amt{};
  amt.majortype = MEDIATYPE_Audio;
  amt.subtype = MEDIASUBTYPE_PCM;
  amt.formattype = FORMAT_WaveFormatEx;
  amt.cbFormat = sizeof wfx;
  amt.pbFormat = reinterpret_cast<BYTE *>(&wfx);
  agroup.As(&g);
  g->SetMediaType(&amt);
  ProjectStorage storage(L"KDP", L"version", L"timeline");
  return SUCCEEDED(storage.Save(timeline.Get(), path.c_str()));
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
  // A result the system has no text for still gives a reason: its code.
  EXPECT_NE(std::string::npos, bad.err.find(": error 0x8004")) << bad.err;
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

}  // namespace
