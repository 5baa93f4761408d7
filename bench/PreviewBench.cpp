// Plays a project through the preview window's graph for a while, as the user's Play button
// does, and reports the frames the timeline source delivered and those it dropped for being late,
// and how far the position moved against the wall clock. The target is no dropped
// frame and a speed within 2 % of real time.
// usage: preview_bench PROJECT.kdp [SECONDS] [FROM_SECOND]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/EffectRegistration.h"
#include "engine/EngineRegistration.h"
#include "render/TLPreviewWnd.h"
#include "services/ComUtil.h"
#include "timeline/ProjectStorage.h"

using Microsoft::WRL::ComPtr;

namespace {

void PumpFor(std::chrono::milliseconds span) {
  const auto until = std::chrono::steady_clock::now() + span;
  while (std::chrono::steady_clock::now() < until) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

int Fail(const wchar_t* what, HRESULT hr) {
  fwprintf(stderr, L"preview_bench: %ls (0x%08lx)\n", what, static_cast<unsigned long>(hr));
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fwprintf(stderr, L"usage: preview_bench PROJECT.kdp [SECONDS] [FROM_SECOND]\n");
    return 2;
  }
  const int seconds = argc > 2 ? _wtoi(argv[2]) : 10;
  const int from = argc > 3 ? _wtoi(argv[3]) : 0;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  HRESULT hr = MrqEngineRegisterClasses();
  if (FAILED(hr)) return Fail(L"the editing services cannot be registered", hr);
  MrqEngineRegisterEffects();
  ComPtr<IAMTimeline> timeline;
  hr = CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&timeline));
  if (FAILED(hr)) return Fail(L"no timeline", hr);
  ProjectStorage storage(L"KDP", L"version", L"timeline");
  std::wstring why;
  hr = storage.Open(timeline.Get(), argv[1], &why);
  if (FAILED(hr)) return Fail(why.empty() ? L"the project cannot be opened" : why.c_str(), hr);

  auto* preview = new TLPreviewWnd();
  if (preview->Create(nullptr, GetModuleHandleW(nullptr)) != 0) return Fail(L"no preview window", E_FAIL);
  preview->ScaleToVideoSize();
  hr = preview->SetTimeline(timeline.Get());
  if (FAILED(hr) || !preview->Control()) return Fail(L"the preview graph cannot be built", hr);
  preview->Seek(static_cast<int64_t>(from) * 1000000);
  PumpFor(std::chrono::milliseconds(500));

  LONGLONG before = 0, after = 0;
  preview->Seeking()->GetCurrentPosition(&before);
  const auto start = std::chrono::steady_clock::now();
  preview->OnPlayButton();
  PumpFor(std::chrono::seconds(seconds));
  preview->Seeking()->GetCurrentPosition(&after);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double played = (after - before) / 1e7;

  // The timeline source counts the frames it delivered and those it skipped for being late.
  long delivered = -1, skipped = -1;
  ComPtr<IPin> pin;
  if (SUCCEEDED(preview->Engine()->GetGroupOutputPin(0, &pin)) && pin) {
    if (auto counts = As<IAMDroppedFrames>(pin.Get())) {
      counts->GetNumNotDropped(&delivered);
      counts->GetNumDropped(&skipped);
    }
  }
  preview->OnPlayButton();
  double fps = 0;
  ComPtr<IAMTimelineObj> first;
  if (SUCCEEDED(timeline->GetGroup(&first, 0)))
    if (auto group = As<IAMTimelineGroup>(first.Get())) group->GetOutputFPS(&fps);
  wprintf(L"preview %ls, %d s from %d s played through the preview graph\n", argv[1], seconds, from);
  wprintf(L"  frames due %.0f   shown %ld   dropped %ld\n", played * fps, delivered, skipped);
  const double speed = wall > 0 ? played / wall : 0;
  wprintf(L"  speed %.3f of real time (%.2f s of timeline in %.2f s) %ls\n", speed, played, wall,
          skipped == 0 && speed > 0.98 && speed < 1.02 ? L"(target met)" : L"(target: 0 dropped, within 2 %)");
  preview->Destroy(true);
  timeline.Reset();
  MrqEngineRevokeClasses();
  CoUninitialize();
  return 0;
}
