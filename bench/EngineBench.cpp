// Writing and reading a large timeline as XTL: 10,000 sources on 10 tracks. Each direction
// should take well under a second.
#include "engine/EngineRegistration.h"
#include "timeline/EditingServices.h"

#include <wrl/client.h>

#include <chrono>
#include <cstdio>
#include <string>

using Microsoft::WRL::ComPtr;

namespace {

constexpr int kTracks = 10;
constexpr int kSourcesPerTrack = 1000;
constexpr REFERENCE_TIME kLength = 20000000;  // 2 s per source

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

HRESULT Build(IAMTimeline *timeline) {
  ComPtr<IAMTimelineObj> group;
  HRESULT hr = timeline->CreateEmptyNode(&group, TIMELINE_MAJOR_TYPE_GROUP);
  if (FAILED(hr) || FAILED(hr = timeline->AddGroup(group.Get()))) return hr;
  ComPtr<IAMTimelineComp> comp;
  group.As(&comp);
  for (int t = 0; t < kTracks; ++t) {
    ComPtr<IAMTimelineObj> track;
    timeline->CreateEmptyNode(&track, TIMELINE_MAJOR_TYPE_TRACK);
    if (FAILED(hr = comp->VTrackInsBefore(track.Get(), -1))) return hr;
    ComPtr<IAMTimelineTrack> tr;
    track.As(&tr);
    for (int s = 0; s < kSourcesPerTrack; ++s) {
      ComPtr<IAMTimelineObj> obj;
      timeline->CreateEmptyNode(&obj, TIMELINE_MAJOR_TYPE_SOURCE);
      obj->SetStartStop(s * kLength, (s + 1) * kLength - 1);
      ComPtr<IAMTimelineSrc> src;
      obj.As(&src);
      BSTR name = SysAllocString((L"C:\\media\\clip " + std::to_wstring(t * kSourcesPerTrack + s) + L".avi").c_str());
      src->SetMediaName(name);
      SysFreeString(name);
      src->SetMediaTimes(12345, 12345 + kLength - 1);
      if (FAILED(hr = tr->SrcAdd(obj.Get()))) return hr;
    }
  }
  return S_OK;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  MrqEngineRegisterClasses();
  int status = 1;
  {
    ComPtr<IAMTimeline> timeline, copy;
    ComPtr<IXml2Dex> xml;
    CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline, &timeline);
    CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline, &copy);
    CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex, &xml);
    wchar_t dir[MAX_PATH], path[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, L"MRQ", 0, path);
    BSTR file = SysAllocString(path);
    if (!timeline || !copy || !xml || FAILED(Build(timeline.Get()))) {
      std::printf("bench_engine: could not build the timeline\n");
    } else {
      auto start = std::chrono::steady_clock::now();
      HRESULT written = xml->WriteXMLFile(timeline.Get(), file);
      double writeTime = Seconds(start);
      start = std::chrono::steady_clock::now();
      HRESULT read = xml->ReadXMLFile(copy.Get(), file);
      double readTime = Seconds(start);
      LONG count = 0, withComps = 0;
      copy->GetCountOfType(0, &count, &withComps, TIMELINE_MAJOR_TYPE_SOURCE);
      bool ok = SUCCEEDED(written) && SUCCEEDED(read) && count == kTracks * kSourcesPerTrack;
      bool fast = writeTime < 1.0 && readTime < 1.0;
      std::printf("bench_engine: XTL of %d sources on %d tracks: write %.3f s, read %.3f s (%ld sources "
                  "read back) - %s\n",
                  kTracks * kSourcesPerTrack, kTracks, writeTime, readTime, static_cast<long>(count),
                  !ok ? "FAILED" : fast ? "ok, each under 1 s" : "SLOW: over 1 s");
      status = ok && fast ? 0 : 1;
    }
    DeleteFileW(path);
    SysFreeString(file);
  }
  MrqEngineRevokeClasses();
  CoUninitialize();
  return status;
}
