// Writing and reading a large timeline as XTL: 10,000 sources on 10 tracks. Each direction
// should take well under a second.
#include "BenchTimeline.h"
#include "engine/EngineRegistration.h"
#include "services/EditingServices.h"

#include <wrl/client.h>

#include <chrono>
#include <cstdio>
#include <string>

using Microsoft::WRL::ComPtr;

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
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
    if (!timeline || !copy || !xml || FAILED(BuildBenchTimeline(timeline.Get()))) {
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
      bool ok = SUCCEEDED(written) && SUCCEEDED(read) && count == kBenchTracks * kBenchSourcesPerTrack;
      bool fast = writeTime < 1.0 && readTime < 1.0;
      std::printf(
          "bench_engine: XTL of %d sources on %d tracks: write %.3f s, read %.3f s (%ld sources "
          "read back) - %s\n",
          kBenchTracks * kBenchSourcesPerTrack, kBenchTracks, writeTime, readTime, static_cast<long>(count),
          !ok    ? "FAILED"
          : fast ? "ok, each under 1 s"
                 : "SLOW: over 1 s");
      status = ok && fast ? 0 : 1;
    }
    DeleteFileW(path);
    SysFreeString(file);
  }
  MrqEngineRevokeClasses();
  CoUninitialize();
  return status;
}
