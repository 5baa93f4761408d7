// mrqrender: renders a KDP project to a media file from the command line, with the same render
// manager, engine, compressors and multiplexers as the editor's render window.
#include "core/FilterCatalog.h"
#include "core/ResultText.h"
#include "core/SameFile.h"
#include "engine/EffectRegistration.h"
#include "engine/EngineRegistration.h"
#include "render/TLRenderMgr.h"
#include "services/ComUtil.h"
#include "timeline/MediaTypeText.h"
#include "timeline/ProjectStorage.h"
#include "timeline/TimelineSources.h"

#include <control.h>
#include <evcode.h>
#include <uuids.h>
#include <wrl/client.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

enum Exit {
  kDone = 0,
  kRunFailed = 1,
  kUsage = 2,  // bad arguments, unknown file type or compressor
  kBadProject = 3,
  kMissingMedia = 4,
  kUnwritable = 5,
  kWithProblems = 6,  // the file was written, but not everything in it rendered as written
};

const wchar_t kHelp[] =
    L"usage: mrqrender PROJECT.kdp OUTPUT [options]\n"
    L"Renders a Reelwick project into one media file.\n"
    L"\n"
    L"options:\n"
    L"  --type T            output file type: avi (default), asf, or the class id of a\n"
    L"                      multiplexer filter, e.g. {E2510970-F137-11CE-8B67-00AA00A3F1A6}\n"
    L"  --video-compressor NAME\n"
    L"                      compressor for every video group, by its catalogue name (see\n"
    L"                      --list-compressors), e.g. \"Motion JPEG\"; letter case does not\n"
    L"                      matter; \"Uncompressed video\" is the default\n"
    L"  --audio-compressor NAME\n"
    L"                      the same for every audio group, e.g. \"IMA ADPCM\"; \"Uncompressed\n"
    L"                      audio\" is the default\n"
    L"  --compressor G=NAME compressor for group G (its index from 0, or its name), by its\n"
    L"                      catalogue name, over the two above; may be given once per group\n"
    L"  --allow-gaps        render what can be rendered: missing or unreadable media become\n"
    L"                      gaps and effects that cannot be applied are left out, reported\n"
    L"                      but with exit code 0\n"
    L"  --source-timeout S  seconds a media file may take to open or to deliver its next\n"
    L"                      picture or sound before it counts as unreadable (default 10)\n"
    L"  --list              list the groups and the installed compressors, render nothing\n"
    L"  --list-compressors  list the installed video and audio compressors, render nothing\n"
    L"                      (no project needed)\n"
    L"  --quiet             no progress line\n"
    L"  --help              this text\n"
    L"\n"
    L"exit codes: 0 the file is complete; 1 the render failed; 2 bad arguments, unknown file\n"
    L"type or compressor; 3 the project cannot be read or has nothing to render; 4 media of\n"
    L"the project is missing; 5 the destination cannot be written or is one of the project's\n"
    L"own files; 6 the file was written, but with the problems reported (gaps, effects left\n"
    L"out).\n";

int Fail(int code, const std::wstring& text) {
  fwprintf(stderr, L"mrqrender: %ls\n", text.c_str());
  return code;
}

std::wstring Hr(HRESULT hr) { return ResultSentence(hr); }

std::wstring Lower(std::wstring s) {
  for (auto& c : s)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return s;
}

std::wstring Clock(REFERENCE_TIME t) {
  if (t < 0) t = 0;
  const long long ms = t / 10000;
  wchar_t text[32];
  swprintf(text, 32, L"%02lld:%02lld:%02lld.%02lld", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms / 10 % 100);
  return text;
}

// Prints every problem the engine reports, as it reports it, and counts the errors among them.
// The engine calls it from its streaming threads.
class ProblemLog final : public IAMErrorLog {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IAMErrorLog) {
      *out = static_cast<IAMErrorLog*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (!left) delete this;
    return left;
  }
  STDMETHODIMP LogError(LONG severity, BSTR text, LONG, LONG result, VARIANT* extra) override {
    std::wstring line = text ? std::wstring(text, SysStringLen(text)) : std::wstring(L"a problem without text");
    if (extra && extra->vt == VT_BSTR && extra->bstrVal && *extra->bstrVal)
      line += std::wstring(L" (") + extra->bstrVal + L")";
    if (FAILED(result)) line += L": " + Hr(result);
    AcquireSRWLockExclusive(&lock_);
    if (severity < kErrorSeverity || !quietErrors_) {
      fwprintf(stderr, L"mrqrender: %ls: %ls\n", severity >= kErrorSeverity ? L"problem" : L"warning", line.c_str());
      fflush(stderr);
    }
    ReleaseSRWLockExclusive(&lock_);
    if (severity >= kErrorSeverity) ++errors_;
    return S_OK;
  }
  long Errors() const { return errors_; }
  // While reading the project its errors are not printed: a refused project is told once, by
  // the message that ends the run.
  void QuietErrors(bool quiet) { quietErrors_ = quiet; }

 private:
  static constexpr LONG kErrorSeverity = 2;
  std::atomic<ULONG> refs_{1};
  std::atomic<long> errors_{0};
  std::atomic<bool> quietErrors_{false};
  SRWLOCK lock_ = SRWLOCK_INIT;
};

// Lets go of the engine and COM and returns `code`; a media file stuck in the platform ends the
// process at once instead, all output written.
int Finish(int code) {
  fflush(stdout);
  fflush(stderr);
  MrqEngineEndIfStuck(code);
  MrqEngineRevokeClasses();
  CoUninitialize();
  return code;
}

struct CompressorChoice {
  std::wstring group;  // index or name
  std::wstring name;
};

struct Options {
  std::vector<std::wstring> positional;
  std::vector<CompressorChoice> choices;          // per group
  std::wstring videoCompressor, audioCompressor;  // for every group of the kind; empty: none given
  std::wstring type = L"avi";
  bool list = false, listCompressors = false, quiet = false, allowGaps = false;
};

// The catalogue entry of that name, compared without regard to case; -1 when there is none.
LONG FindCompressor(const std::vector<FilterEntry>& catalog, const std::wstring& name) {
  for (size_t e = 0; e < catalog.size(); ++e)
    if (Lower(catalog[e].name) == Lower(name)) return static_cast<LONG>(e);
  return -1;
}

int UnknownCompressor(bool video, const std::wstring& name) {
  return Fail(kUsage, L"unknown " + std::wstring(video ? L"video" : L"audio") + L" compressor \"" + name +
                          L"\" (see --list-compressors)");
}

void PrintCompressors() {
  for (auto& e : FilterCatalog::VideoCompressors()) wprintf(L"video compressor: %ls\n", e.name.c_str());
  for (auto& e : FilterCatalog::AudioCompressors()) wprintf(L"audio compressor: %ls\n", e.name.c_str());
}

// The render itself, once COM and the engine are up; returns the exit code.
int Render(const Options& o) {
  const std::vector<std::wstring>& positional = o.positional;
  const std::vector<CompressorChoice>& choices = o.choices;
  const std::wstring &videoName = o.videoCompressor, &audioName = o.audioCompressor, &type = o.type;
  const bool list = o.list, quiet = o.quiet, allowGaps = o.allowGaps;
  auto& video = FilterCatalog::VideoCompressors();
  video.push_back({true, L"Uncompressed video", GUID_NULL, L""});
  auto& audio = FilterCatalog::AudioCompressors();
  audio.push_back({true, L"Uncompressed audio", GUID_NULL, L""});
  // Listing the compressors loads every codec driver on the system (the sound ones open the
  // sound devices): only done when one is asked for. The engine's own are listed too: its
  // registration wrote their entries.
  if (list || o.listCompressors || !choices.empty() || !videoName.empty() || !audioName.empty()) {
    EnumerateCategory(video, CLSID_VideoCompressorCategory, 1);
    EnumerateCategory(audio, CLSID_AudioCompressorCategory, 1);
  }
  if (o.listCompressors) {
    PrintCompressors();
    return kDone;
  }
  const LONG videoIndex = videoName.empty() ? 0 : FindCompressor(video, videoName);
  if (videoIndex < 0) return UnknownCompressor(true, videoName);
  const LONG audioIndex = audioName.empty() ? 0 : FindCompressor(audio, audioName);
  if (audioIndex < 0) return UnknownCompressor(false, audioName);
  BuildFileTypeCatalog({});

  const std::wstring project = FullPathOf(positional[0]);
  ComPtr<IAMTimeline> timeline;
  HRESULT hr = CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                                reinterpret_cast<void**>(timeline.GetAddressOf()));
  if (FAILED(hr)) return Fail(kRunFailed, L"the editing services are not available: " + Hr(hr));
  // Everything the engine meets from here on is printed, and decides the exit code.
  ComPtr<ProblemLog> problems;
  Adopt(problems, new ProblemLog());
  ComPtr<IAMSetErrorLog> setLog;
  if (SUCCEEDED(timeline.As(&setLog))) setLog->put_ErrorLog(problems.Get());
  if (GetFileAttributesW(project.c_str()) == INVALID_FILE_ATTRIBUTES)
    return Fail(kBadProject, L"cannot read project " + project + L": no such file");
  std::wstring why;
  ProjectStorage storage(L"KDP", L"version", L"timeline");
  problems->QuietErrors(true);
  hr = storage.Open(timeline.Get(), project.c_str(), &why);
  problems->QuietErrors(false);
  if (FAILED(hr)) return Fail(kBadProject, L"cannot read project " + project + L": " + (why.empty() ? Hr(hr) : why));

  // Project storage made relative media names whole from the project's folder on reading.
  if (MediaNames(timeline.Get()).empty() && !list)
    return Fail(kBadProject, L"project " + project + L" has nothing to render: none of its groups holds a source");
  const std::vector<std::wstring> missing = MissingMedia(timeline.Get());
  if (!missing.empty() && !allowGaps) {
    std::wstring lines;
    for (const auto& m : missing) lines += L"\n  " + (m.empty() ? std::wstring(L"(a source without a file name)") : m);
    return Fail(kMissingMedia, L"media of the project is missing:" + lines);
  }

  TLRenderMgr mgr;
  mgr.projectFile = project;
  hr = mgr.SetTimeline(timeline.Get());
  if (FAILED(hr)) return Fail(kBadProject, L"cannot read the project's groups: " + Hr(hr));

  if (list) {
    for (size_t g = 0; g < mgr.groups.size(); ++g)
      wprintf(L"group %zu: %ls (%ls)\n", g, mgr.groups[g].name ? mgr.groups[g].name : L"",
              mgr.groups[g].mediaType.majortype == MEDIATYPE_Video ? L"video" : L"audio");
    PrintCompressors();
    for (auto& t : FilterCatalog::FileTypes()) wprintf(L"file type: %ls (%ls)\n", t.name.c_str(), t.extensions.c_str());
    return kDone;
  }

  GUID outputType = MEDIASUBTYPE_Avi;
  const std::wstring lowerType = Lower(type);
  if (lowerType == L"asf" || lowerType == L"wmv") {
    outputType = FilterCatalog::FileTypes()[1].outputType;
  } else if (lowerType != L"avi") {
    if (type.empty() || type[0] != L'{' || FAILED(CLSIDFromString(type.c_str(), &outputType)))
      return Fail(kUsage, L"unknown file type \"" + type + L"\": use avi, asf or a multiplexer class id");
  }

  for (auto& g : mgr.groups) {
    if (g.mediaType.majortype == MEDIATYPE_Video) g.compressorIndex = videoIndex;
    if (g.mediaType.majortype == MEDIATYPE_Audio) g.compressorIndex = audioIndex;
  }
  for (const auto& c : choices) {
    size_t index = mgr.groups.size();
    wchar_t* end = nullptr;
    unsigned long n = wcstoul(c.group.c_str(), &end, 10);
    if (end && !*end)
      index = n;
    else
      for (size_t g = 0; g < mgr.groups.size(); ++g)
        if (mgr.groups[g].name && Lower(mgr.groups[g].name) == Lower(c.group)) index = g;
    if (index >= mgr.groups.size()) return Fail(kUsage, L"no group \"" + c.group + L"\" in the project");
    const bool isVideo = mgr.groups[index].mediaType.majortype == MEDIATYPE_Video;
    const LONG found = FindCompressor(isVideo ? video : audio, c.name);
    if (found < 0) return UnknownCompressor(isVideo, c.name);
    mgr.groups[index].compressorIndex = found;
  }

  // Nothing is written onto the project or its media, whatever the name it is given by.
  const std::wstring output = FullPathOf(positional[1]);
  if (mgr.CheckDestination(output.c_str()) == TLRenderMgr::kDestinationIsInput) {
    const bool isProject = IsSameFile(mgr.destinationClash, project);
    return Fail(kUnwritable, L"will not render onto " + output + L": it is " +
                                 (isProject ? std::wstring(L"the project file itself")
                                            : L"one of the project's media files (" + mgr.destinationClash + L")") +
                                 L", which would be lost");
  }
  // The writer reports an unwritable file only once the graph runs; ask the file system first.
  const bool existed = GetFileAttributesW(output.c_str()) != INVALID_FILE_ATTRIBUTES;
  HANDLE probe = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (probe == INVALID_HANDLE_VALUE)
    return Fail(kUnwritable, L"cannot write " + output + L": " + Hr(HRESULT_FROM_WIN32(GetLastError())));
  CloseHandle(probe);
  if (!existed) DeleteFileW(output.c_str());

  hr = mgr.CreateGraph();
  if (FAILED(hr)) return Fail(kRunFailed, L"cannot build the render graph: " + Hr(hr));
  // A group the engine cannot make pictures or sound for has no output; say which and why
  // rather than what the file output makes of it.
  for (size_t g = 0; g < mgr.groups.size(); ++g) {
    ComPtr<IPin> pin;
    if (mgr.engine->GetGroupOutputPin(static_cast<LONG>(g), &pin) == S_OK && pin) continue;
    wchar_t kind[128] = L"";
    DescribeMediaType(&mgr.groups[g].mediaType, kind, 128);
    return Fail(kRunFailed, L"group " + std::to_wstring(g) + L" (" + (mgr.groups[g].name ? mgr.groups[g].name : L"") +
                                L") cannot be rendered: the engine cannot produce its media type (" + kind + L")");
  }
  for (size_t g = 0; g < mgr.groups.size(); ++g) {
    if (mgr.groups[g].compressorIndex == 0) continue;
    hr = mgr.ConnectCompressor(g);
    if (FAILED(hr))
      return Fail(kRunFailed, L"the compressor of group " + std::to_wstring(g) + L" cannot take its stream: " + Hr(hr));
  }
  ComPtr<IMediaSeeking> seeking;
  hr = mgr.RenderToFile(outputType, output.c_str(), &seeking);
  if (FAILED(hr)) {
    if (outputType == FilterCatalog::FileTypes()[1].outputType)
      return Fail(kRunFailed, L"the ASF writer is not installed on this system: " + Hr(hr));
    return Fail(kRunFailed, L"cannot attach the output file: " + Hr(hr));
  }

  REFERENCE_TIME duration = 0;
  timeline->GetDuration(&duration);
  double fps = 0;
  for (auto& g : mgr.groups)
    if (g.mediaType.majortype == MEDIATYPE_Video && fps == 0) g.group->GetOutputFPS(&fps);

  ComPtr<IMediaControl> control;
  ComPtr<IMediaEvent> events;
  mgr.graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(control.GetAddressOf()));
  mgr.graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(events.GetAddressOf()));
  if (!control || !events) return Fail(kRunFailed, L"the graph cannot be run");
  const ULONGLONG started = GetTickCount64();
  hr = control->Run();
  if (FAILED(hr)) return Fail(kRunFailed, L"the render does not start: " + Hr(hr));
  long ended = 0;
  HRESULT failure = S_OK;
  ULONGLONG shown = 0;
  while (!ended) {
    long ev = 0;
    LONG_PTR p1 = 0, p2 = 0;
    if (events->GetEvent(&ev, &p1, &p2, 100) == S_OK) {
      if (ev == EC_COMPLETE || ev == EC_USERABORT || ev == EC_ERRORABORT) {
        ended = ev;
        if (ev == EC_ERRORABORT) failure = static_cast<HRESULT>(p1);
      }
      events->FreeEventParams(ev, p1, p2);
    }
    const ULONGLONG now = GetTickCount64();
    if (!quiet && (ended || now - shown >= 500)) {
      shown = now;
      LONGLONG pos = 0;
      if (ended == EC_COMPLETE)
        pos = duration;
      else if (seeking)
        seeking->GetCurrentPosition(&pos);
      const double secs = (now - started) / 1000.0;
      const double rate = secs > 0 ? pos / 1e7 * fps / secs : 0;
      fwprintf(stderr, L"\r%ls / %ls  %3d%%  %6.1f fps", Clock(pos).c_str(), Clock(duration).c_str(),
               duration > 0 ? static_cast<int>(pos * 100 / duration) : 100, rate);
      fflush(stderr);
    }
  }
  if (!quiet) fwprintf(stderr, L"\n");
  control->Stop();
  seeking.Reset();
  control.Reset();
  events.Reset();
  mgr.ReleaseGraph(true);
  if (ended != EC_COMPLETE)
    return Fail(kRunFailed, ended == EC_ERRORABORT ? L"the render failed: " + Hr(failure) : L"the render was stopped");
  wprintf(L"%ls\n", output.c_str());
  const long errors = problems->Errors() + static_cast<long>(missing.size());
  if (errors && !allowGaps)
    return Fail(kWithProblems, L"the file was written, but " + std::to_wstring(errors) +
                                   (errors == 1 ? L" problem" : L" problems") +
                                   L" above kept it from rendering as the project says (--allow-gaps accepts this)");
  return kDone;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options o;
  DWORD sourceTimeoutMs = 0;
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--help" || a == L"-h" || a == L"/?") {
      fputws(kHelp, stdout);
      return kDone;
    } else if (a == L"--type" || a == L"--compressor" || a == L"--source-timeout" || a == L"--video-compressor" ||
               a == L"--audio-compressor") {
      if (i + 1 >= argc) return Fail(kUsage, a + L" needs a value (see --help)");
      std::wstring v = argv[++i];
      if (a == L"--type") {
        o.type = v;
      } else if (a == L"--video-compressor") {
        o.videoCompressor = v;
      } else if (a == L"--audio-compressor") {
        o.audioCompressor = v;
      } else if (a == L"--source-timeout") {
        wchar_t* end = nullptr;
        const double seconds = wcstod(v.c_str(), &end);
        if (!end || *end || !(seconds > 0 && seconds <= 3600))
          return Fail(kUsage, L"--source-timeout wants seconds from 0 to 3600, got \"" + v + L"\"");
        sourceTimeoutMs = static_cast<DWORD>(seconds * 1000 + 0.5);
        if (!sourceTimeoutMs) sourceTimeoutMs = 1;
      } else {
        size_t eq = v.find(L'=');
        if (eq == std::wstring::npos || eq == 0)
          return Fail(kUsage, L"--compressor wants GROUP=NAME, got \"" + v + L"\"");
        o.choices.push_back({v.substr(0, eq), v.substr(eq + 1)});
      }
    } else if (a == L"--list") {
      o.list = true;
    } else if (a == L"--list-compressors") {
      o.listCompressors = true;
    } else if (a == L"--quiet") {
      o.quiet = true;
    } else if (a == L"--allow-gaps") {
      o.allowGaps = true;
    } else if (a.size() > 1 && a[0] == L'-' && a[1] == L'-') {
      return Fail(kUsage, L"unknown option " + a + L" (see --help)");
    } else {
      o.positional.push_back(a);
    }
  }
  const size_t given = o.positional.size();
  if (!o.listCompressors && given != (o.list ? 1u : 2u) && !(o.list && given == 2))
    return Fail(kUsage, L"expected PROJECT.kdp and OUTPUT (see --help)");

  // No window of ours needs an apartment; a single-threaded one would make the platform bring
  // up the desktop session (about 0.2 s here) before anything else could happen.
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return Fail(kRunFailed, L"COM cannot start");
  HRESULT hr = MrqEngineRegisterClasses();
  if (FAILED(hr)) return Fail(kRunFailed, L"the editing services cannot be registered: " + Hr(hr));
  MrqEngineRegisterEffects();  // a user without rights to list them can still render
  if (sourceTimeoutMs) MrqEngineSetSourceTimeLimit(sourceTimeoutMs);
  const int code = Render(o);
  return Finish(code);
}
