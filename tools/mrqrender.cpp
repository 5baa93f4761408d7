// mrqrender: renders a KDP project to a media file from the command line, with the same render
// manager, engine, compressors and multiplexers as the editor's render window.
#include "core/FilterCatalog.h"
#include "core/ResultText.h"
#include "engine/EffectRegistration.h"
#include "engine/EngineRegistration.h"
#include "render/TLRenderMgr.h"
#include "timeline/ProjectStorage.h"

#include <control.h>
#include <evcode.h>
#include <uuids.h>
#include <wrl/client.h>

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
  kUsage = 2,        // bad arguments, unknown file type or compressor
  kBadProject = 3,
  kMissingMedia = 4,
  kUnwritable = 5,
};

const wchar_t kHelp[] =
    L"usage: mrqrender PROJECT.kdp OUTPUT [options]\n"
    L"Renders a Reelwick project into one media file.\n"
    L"\n"
    L"options:\n"
    L"  --type T            output file type: avi (default), asf, or the class id of a\n"
    L"                      multiplexer filter, e.g. {E2510970-F137-11CE-8B67-00AA00A3F1A6}\n"
    L"  --compressor G=NAME compressor for group G (its index from 0, or its name), by its\n"
    L"                      catalogue name; \"Uncompressed video\" / \"Uncompressed audio\" is the\n"
    L"                      default; may be given once per group\n"
    L"  --list              list the groups and the installed compressors, render nothing\n"
    L"  --quiet             no progress line\n"
    L"  --help              this text\n"
    L"\n"
    L"exit codes: 0 the file is complete; 1 the render failed; 2 bad arguments, unknown file\n"
    L"type or compressor; 3 the project cannot be read; 4 media of the project is missing;\n"
    L"5 the destination cannot be written.\n";

int Fail(int code, const std::wstring& text) {
  fwprintf(stderr, L"mrqrender: %ls\n", text.c_str());
  return code;
}

// The system's text for a result, on one line, with its code; the code alone when the system
// has no text for it (most of the media framework's own results), so that no message ends in
// an empty reason.
std::wstring Hr(HRESULT hr) {
  std::wstring text = ResultText(hr);
  while (!text.empty() && iswspace(text.back())) text.pop_back();
  for (wchar_t& c : text)
    if (c == L'\r' || c == L'\n') c = L' ';
  wchar_t code[16];
  swprintf(code, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  return text.empty() ? std::wstring(L"error ") + code : text + L" (" + code + L")";
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t full[MAX_PATH * 2];
  DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 2, full, nullptr);
  return n && n < MAX_PATH * 2 ? std::wstring(full) : path;
}

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

HRESULT ReadProject(IAMTimeline* timeline, const std::wstring& path) {
  ComPtr<IXml2Dex> reader;
  HRESULT hr = CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex,
                                reinterpret_cast<void**>(reader.GetAddressOf()));
  if (FAILED(hr)) return hr;
  wchar_t folder[MAX_PATH], temp[MAX_PATH];
  if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"MRQ", 0, temp))
    return HRESULT_FROM_WIN32(GetLastError());
  ProjectStorage storage(L"KDP", L"version", L"timeline");
  hr = storage.ExtractTimeline(path.c_str(), temp);
  // A wrapper without a timeline is no project either.
  if (hr == S_FALSE) hr = VFW_E_INVALID_FILE_FORMAT;
  if (SUCCEEDED(hr)) {
    BSTR name = SysAllocString(temp);
    hr = reader->ReadXMLFile(timeline, name);
    SysFreeString(name);
  }
  DeleteFileW(temp);
  return hr;
}

bool IsRelative(const std::wstring& path) {
  if (path.size() >= 2 && path[1] == L':') return false;
  return path.empty() || (path[0] != L'\\' && path[0] != L'/');
}

// Every source's media name under a node, depth first. A relative name is taken from the
// project's folder, so a project and its media can move together.
void CollectMedia(IAMTimelineObj* obj, const std::wstring& folder, std::vector<std::wstring>& names) {
  TIMELINE_MAJOR_TYPE type;
  if (FAILED(obj->GetTimelineType(&type))) return;
  if (type == TIMELINE_MAJOR_TYPE_SOURCE) {
    ComPtr<IAMTimelineSrc> src;
    BSTR name = nullptr;
    if (SUCCEEDED(obj->QueryInterface(IID_IAMTimelineSrc, reinterpret_cast<void**>(src.GetAddressOf()))) &&
        SUCCEEDED(src->GetMediaName(&name)) && name) {
      std::wstring media = name;
      if (!media.empty() && IsRelative(media)) {
        media = folder + L"\\" + media;
        BSTR full = SysAllocString(media.c_str());
        src->SetMediaName(full);
        SysFreeString(full);
      }
      if (!media.empty()) names.push_back(media);
      SysFreeString(name);
    }
    return;
  }
  // Tracks keep their sources; compositions (groups included) keep tracks and compositions.
  ComPtr<IAMTimelineTrack> track;
  if (SUCCEEDED(obj->QueryInterface(IID_IAMTimelineTrack, reinterpret_cast<void**>(track.GetAddressOf())))) {
    long count = 0;
    track->GetSourcesCount(&count);
    ComPtr<IAMTimelineObj> last;
    for (long i = 0; i < count; ++i) {
      ComPtr<IAMTimelineObj> next;
      if (FAILED(track->GetNextSrcEx(last.Get(), &next)) || !next) break;
      CollectMedia(next.Get(), folder, names);
      last = next;
    }
    return;
  }
  ComPtr<IAMTimelineComp> comp;
  if (FAILED(obj->QueryInterface(IID_IAMTimelineComp, reinterpret_cast<void**>(comp.GetAddressOf())))) return;
  long count = 0;
  comp->VTrackGetCount(&count);
  for (long i = 0; i < count; ++i) {
    ComPtr<IAMTimelineObj> kid;
    if (SUCCEEDED(comp->GetVTrack(&kid, i)) && kid) CollectMedia(kid.Get(), folder, names);
  }
}

struct CompressorChoice {
  std::wstring group;  // index or name
  std::wstring name;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::wstring> positional;
  std::vector<CompressorChoice> choices;
  std::wstring type = L"avi";
  bool list = false, quiet = false;
  for (int i = 1; i < argc; ++i) {
    std::wstring a = argv[i];
    if (a == L"--help" || a == L"-h" || a == L"/?") {
      fputws(kHelp, stdout);
      return kDone;
    } else if (a == L"--type" || a == L"--compressor") {
      if (i + 1 >= argc) return Fail(kUsage, a + L" needs a value (see --help)");
      std::wstring v = argv[++i];
      if (a == L"--type") {
        type = v;
      } else {
        size_t eq = v.find(L'=');
        if (eq == std::wstring::npos || eq == 0) return Fail(kUsage, L"--compressor wants GROUP=NAME, got \"" + v + L"\"");
        choices.push_back({v.substr(0, eq), v.substr(eq + 1)});
      }
    } else if (a == L"--list") {
      list = true;
    } else if (a == L"--quiet") {
      quiet = true;
    } else if (a.size() > 1 && a[0] == L'-' && a[1] == L'-') {
      return Fail(kUsage, L"unknown option " + a + L" (see --help)");
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != (list ? 1u : 2u) && !(list && positional.size() == 2))
    return Fail(kUsage, L"expected PROJECT.kdp and OUTPUT (see --help)");

  // No window of ours needs an apartment; a single-threaded one would make the platform bring
  // up the desktop session (about 0.2 s here) before anything else could happen.
  if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return Fail(kRunFailed, L"COM cannot start");
  HRESULT hr = MrqEngineRegisterClasses();
  if (FAILED(hr)) return Fail(kRunFailed, L"the editing services cannot be registered: " + Hr(hr));
  MrqEngineRegisterEffects();  // a user without rights to list them can still render
  auto& video = FilterCatalog::VideoCompressors();
  video.push_back({true, L"Uncompressed video", GUID_NULL, L""});
  auto& audio = FilterCatalog::AudioCompressors();
  audio.push_back({true, L"Uncompressed audio", GUID_NULL, L""});
  // Listing the compressors loads every codec driver on the system (the sound ones open the
  // sound devices): only done when one is asked for.
  if (list || !choices.empty()) {
    EnumerateCategory(video, CLSID_VideoCompressorCategory, 1);
    EnumerateCategory(audio, CLSID_AudioCompressorCategory, 1);
  }
  BuildFileTypeCatalog({});

  int code = kDone;
  {
    const std::wstring project = FullPath(positional[0]);
    ComPtr<IAMTimeline> timeline;
    hr = CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                          reinterpret_cast<void**>(timeline.GetAddressOf()));
    if (FAILED(hr)) return Fail(kRunFailed, L"the editing services are not available: " + Hr(hr));
    if (GetFileAttributesW(project.c_str()) == INVALID_FILE_ATTRIBUTES)
      return Fail(kBadProject, L"cannot read project " + project + L": no such file");
    hr = ReadProject(timeline.Get(), project);
    if (FAILED(hr)) return Fail(kBadProject, L"cannot read project " + project + L": " + Hr(hr));

    std::vector<std::wstring> media;
    const std::wstring folder = project.substr(0, project.find_last_of(L"\\/"));
    LONG groupCount = 0;
    timeline->GetGroupCount(&groupCount);
    for (LONG g = 0; g < groupCount; ++g) {
      ComPtr<IAMTimelineObj> group;
      if (SUCCEEDED(timeline->GetGroup(&group, g))) CollectMedia(group.Get(), folder, media);
    }
    std::wstring missing;
    for (const auto& m : media)
      if (GetFileAttributesW(m.c_str()) == INVALID_FILE_ATTRIBUTES && missing.find(L"\n  " + m + L"\n") == std::wstring::npos)
        missing += L"\n  " + m + L"\n";
    if (!missing.empty()) {
      std::wstring lines;
      for (size_t at = 0; (at = missing.find(L"\n  ", at)) != std::wstring::npos; ++at) {
        size_t end = missing.find(L'\n', at + 1);
        lines += missing.substr(at, end - at);
      }
      return Fail(kMissingMedia, L"media of the project is missing:" + lines);
    }

    TLRenderMgr mgr;
    hr = mgr.SetTimeline(timeline.Get());
    if (FAILED(hr)) return Fail(kBadProject, L"cannot read the project's groups: " + Hr(hr));

    if (list) {
      for (size_t g = 0; g < mgr.groups.size(); ++g)
        wprintf(L"group %zu: %ls (%ls)\n", g, mgr.groups[g].name ? mgr.groups[g].name : L"",
                mgr.groups[g].mediaType.majortype == MEDIATYPE_Video ? L"video" : L"audio");
      for (auto& e : video) wprintf(L"video compressor: %ls\n", e.name.c_str());
      for (auto& e : audio) wprintf(L"audio compressor: %ls\n", e.name.c_str());
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

    for (const auto& c : choices) {
      size_t index = mgr.groups.size();
      wchar_t* end = nullptr;
      unsigned long n = wcstoul(c.group.c_str(), &end, 10);
      if (end && !*end) index = n;
      else
        for (size_t g = 0; g < mgr.groups.size(); ++g)
          if (mgr.groups[g].name && Lower(mgr.groups[g].name) == Lower(c.group)) index = g;
      if (index >= mgr.groups.size()) return Fail(kUsage, L"no group \"" + c.group + L"\" in the project");
      const bool isVideo = mgr.groups[index].mediaType.majortype == MEDIATYPE_Video;
      auto& catalog = isVideo ? video : audio;
      LONG found = -1;
      for (size_t e = 0; e < catalog.size(); ++e)
        if (Lower(catalog[e].name) == Lower(c.name)) found = static_cast<LONG>(e);
      if (found < 0)
        return Fail(kUsage, L"unknown " + std::wstring(isVideo ? L"video" : L"audio") + L" compressor \"" + c.name +
                                L"\" (see --list)");
      mgr.groups[index].compressorIndex = found;
    }

    // The writer reports an unwritable file only once the graph runs; ask the file system first.
    const std::wstring output = FullPath(positional[1]);
    const bool existed = GetFileAttributesW(output.c_str()) != INVALID_FILE_ATTRIBUTES;
    HANDLE probe = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE)
      return Fail(kUnwritable, L"cannot write " + output + L": " + Hr(HRESULT_FROM_WIN32(GetLastError())));
    CloseHandle(probe);
    if (!existed) DeleteFileW(output.c_str());

    hr = mgr.CreateGraph();
    if (FAILED(hr)) return Fail(kRunFailed, L"cannot build the render graph: " + Hr(hr));
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
      if (g.mediaType.majortype == MEDIATYPE_Video && fps == 0) {
        ComPtr<IAMTimelineGroup> grp(g.group);
        grp->GetOutputFPS(&fps);
      }

    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    mgr.graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(control.GetAddressOf()));
    mgr.graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(events.GetAddressOf()));
    if (!control || !events) return Fail(kRunFailed, L"the graph cannot be run");
    const ULONGLONG started = GetTickCount64();
    hr = control->Run();
    if (FAILED(hr)) return Fail(kRunFailed, L"the graph does not run: " + Hr(hr));
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
        if (ended == EC_COMPLETE) pos = duration;
        else if (seeking) seeking->GetCurrentPosition(&pos);
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
    if (ended != EC_COMPLETE) {
      code = Fail(kRunFailed, ended == EC_ERRORABORT ? L"the render failed: " + Hr(failure) : L"the render was stopped");
    } else {
      wprintf(L"%ls\n", output.c_str());
    }
  }
  MrqEngineRevokeClasses();
  CoUninitialize();
  return code;
}
