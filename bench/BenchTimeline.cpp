#include "BenchTimeline.h"

#include <wrl/client.h>

#include <string>

using Microsoft::WRL::ComPtr;

HRESULT BuildBenchTimeline(IAMTimeline* timeline, int tracks, int sourcesPerTrack) {
  ComPtr<IAMTimelineObj> group;
  HRESULT hr = timeline->CreateEmptyNode(&group, TIMELINE_MAJOR_TYPE_GROUP);
  if (FAILED(hr) || FAILED(hr = timeline->AddGroup(group.Get()))) return hr;
  ComPtr<IAMTimelineComp> comp;
  group.As(&comp);
  for (int t = 0; t < tracks; ++t) {
    ComPtr<IAMTimelineObj> track;
    timeline->CreateEmptyNode(&track, TIMELINE_MAJOR_TYPE_TRACK);
    if (FAILED(hr = comp->VTrackInsBefore(track.Get(), -1))) return hr;
    ComPtr<IAMTimelineTrack> sources;
    track.As(&sources);
    for (int s = 0; s < sourcesPerTrack; ++s) {
      ComPtr<IAMTimelineObj> object;
      timeline->CreateEmptyNode(&object, TIMELINE_MAJOR_TYPE_SOURCE);
      object->SetStartStop(s * kBenchSourceLength, (s + 1) * kBenchSourceLength - 1);
      ComPtr<IAMTimelineSrc> source;
      object.As(&source);
      std::wstring name = L"C:\\media\\clip " + std::to_wstring(t * sourcesPerTrack + s) + L".avi";
      BSTR text = SysAllocString(name.c_str());
      source->SetMediaName(text);
      SysFreeString(text);
      source->SetMediaTimes(12345, 12345 + kBenchSourceLength - 1);
      if (FAILED(hr = sources->SrcAdd(object.Get()))) return hr;
    }
  }
  return S_OK;
}
