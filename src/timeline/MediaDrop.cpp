#include "timeline/MediaDrop.h"

#include <uuids.h>
#include <wrl/client.h>

#include <algorithm>
#include <vector>

#include "services/ComUtil.h"
#include "timeline/GroupHelpers.h"
#include "timeline/MediaStreams.h"
#include "timeline/TLModel.h"
#include "timeline/TimeCode.h"
#include "timeline/WndTLModel.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr int64_t kStillLength = 5 * kMicrosPerSecond;

ComPtr<IAMTimelineComp> GroupComp(IAMTimeline* timeline, long group) {
  ComPtr<IAMTimelineObj> object;
  if (group < 0 || FAILED(timeline->GetGroup(&object, group)) || !object) return nullptr;
  return As<IAMTimelineComp>(object.Get());
}

// The group a stream of `kind` goes to: the target's when it is of that kind, else the first
// of that kind, else a new one.
long GroupFor(IAMTimeline* timeline, const GUID& kind, int preferred) {
  if (preferred >= 0 && GetGroupMajorType(timeline, preferred) == kind) return preferred;
  long count = 0;
  timeline->GetGroupCount(&count);
  for (long g = 0; g < count; ++g)
    if (GetGroupMajorType(timeline, g) == kind) return g;
  const TLGroupDesc desc = kind == MEDIATYPE_Video ? TLGroupDesc::DefaultVideo(1) : TLGroupDesc::DefaultAudio(1);
  ComPtr<IAMTimelineObj> group;
  if (FAILED(CreateGroup(timeline, group.GetAddressOf(), desc))) return -1;
  return count;
}

HRESULT AddToTrack(IAMTimelineComp* comp, long track, IAMTimelineObj* source) {
  ComPtr<IAMTimelineObj> object;
  if (FAILED(comp->GetVTrack(&object, track)) || !object) return E_INVALIDARG;
  auto t = As<IAMTimelineTrack>(object.Get());
  return t ? t->SrcAdd(source) : E_NOINTERFACE;
}

HRESULT PlaceStream(IAMTimeline* timeline, const DropTarget& target, const wchar_t* path, const StreamInfo& stream) {
  const long g = GroupFor(timeline, stream.major, target.group);
  ComPtr<IAMTimelineComp> comp = GroupComp(timeline, g);
  if (!comp) return E_FAIL;
  const int64_t length = stream.duration > 0 ? stream.duration : kStillLength;
  ComPtr<IAMTimelineObj> source;
  HRESULT hr = timeline->CreateEmptyNode(&source, TIMELINE_MAJOR_TYPE_SOURCE);
  if (FAILED(hr)) return hr;
  hr = source->SetStartStop(MicrosToRefTime(target.time), MicrosToRefTime(target.time + length));
  if (FAILED(hr)) return hr;
  SetSourceMedia(As<IAMTimelineSrc>(source.Get()).Get(), path, 0, stream.duration, 0, length, RESIZEF_STRETCH);
  long tracks = 0;
  comp->VTrackGetCount(&tracks);
  const long preferred = g == target.group && target.track >= 0 && target.track < tracks ? target.track : 0;
  if (tracks > 0 && SUCCEEDED(AddToTrack(comp.Get(), preferred, source.Get()))) return S_OK;
  // No room there: the clip gets a track of its own rather than pushing the user's aside.
  ComPtr<IAMTimelineObj> track;
  if (FAILED(hr = timeline->CreateEmptyNode(&track, TIMELINE_MAJOR_TYPE_TRACK))) return hr;
  track->SetUserName(Bstr(L"Track_" + std::to_wstring(tracks)));
  if (FAILED(hr = comp->VTrackInsBefore(track.Get(), -1))) return hr;
  return AddToTrack(comp.Get(), tracks, source.Get());
}

}  // namespace

DropTarget DropTargetAt(CWndTLModel& view, int x, int y) {
  DropTarget target;
  target.time = std::max<int64_t>(0, view.XToTime(std::max(x, static_cast<int>(CWndTLModel::kTimeArea))));
  if (TLNode* node = view.HitTest(x, y)) {
    FindNodePosition(view.Model(), node, &target.group, &target.track);
    if (node->type == kTLGroup) target.track = -1;
  }
  return target;
}

HRESULT DropMedia(IAMTimeline* timeline, const DropTarget& target, const wchar_t* path, std::wstring* why) {
  if (!timeline || !path) return E_POINTER;
  std::vector<StreamInfo> streams;
  HRESULT hr = AnalyseMediaStreams(path, &streams);
  if (FAILED(hr) || streams.empty()) {
    if (SUCCEEDED(hr)) hr = VFW_E_INVALID_FILE_FORMAT;
    if (why) *why = UnreadableMediaText(path, hr);
    return hr;
  }
  bool added = false;
  HRESULT failure = S_OK;
  for (const GUID* kind : {&MEDIATYPE_Video, &MEDIATYPE_Audio}) {
    auto stream = std::find_if(streams.begin(), streams.end(), [&](const StreamInfo& s) { return s.major == *kind; });
    if (stream == streams.end()) continue;
    const HRESULT placed = PlaceStream(timeline, target, path, *stream);
    if (SUCCEEDED(placed))
      added = true;
    else
      failure = placed;
  }
  if (added) return S_OK;
  if (SUCCEEDED(failure)) failure = VFW_E_INVALID_FILE_FORMAT;  // neither picture nor sound
  if (why) *why = std::wstring(path) + L"\nThe file has no picture or sound that the timeline can hold.";
  return failure;
}
