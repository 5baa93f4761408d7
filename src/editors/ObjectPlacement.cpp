#include "editors/ObjectPlacement.h"

#include <wrl/client.h>

#include "core/ResultText.h"
#include "services/ComUtil.h"

using Microsoft::WRL::ComPtr;

namespace {

ComPtr<IAMTimelineObj> TrackAt(IAMTimeline* timeline, int group, int track) {
  ComPtr<IAMTimelineObj> groupObject, trackObject;
  if (!timeline || group < 0 || track < 0 || FAILED(timeline->GetGroup(&groupObject, group)) || !groupObject)
    return nullptr;
  auto comp = As<IAMTimelineComp>(groupObject.Get());
  if (!comp || FAILED(comp->GetVTrack(&trackObject, track)) || !As<IAMTimelineTrack>(trackObject.Get())) return nullptr;
  return trackObject;
}

HRESULT AddToTrack(IAMTimelineObj* track, IAMTimelineObj* object) {
  TIMELINE_MAJOR_TYPE kind = TIMELINE_MAJOR_TYPE_SOURCE;
  HRESULT hr = object->GetTimelineType(&kind);
  if (FAILED(hr)) return hr;
  switch (kind) {
    case TIMELINE_MAJOR_TYPE_SOURCE:
      if (auto t = As<IAMTimelineTrack>(track)) return t->SrcAdd(object);
      break;
    case TIMELINE_MAJOR_TYPE_TRANSITION:
      if (auto t = As<IAMTimelineTransable>(track)) return t->TransAdd(object);
      break;
    case TIMELINE_MAJOR_TYPE_EFFECT:
      // Appended after the track's other effects.
      if (auto t = As<IAMTimelineEffectable>(track)) return t->EffectInsBefore(object, -1);
      break;
    default: break;
  }
  return E_NOINTERFACE;
}

}  // namespace

HRESULT PlaceOnTrack(IAMTimeline* timeline, IAMTimelineObj* object, int fromGroup, int fromTrack, int toGroup,
                     int toTrack, REFERENCE_TIME start, REFERENCE_TIME stop, std::wstring* why) {
  if (!object) return E_POINTER;
  // The timeline keeps no object that ends before it starts; saying so beats a refusal the user
  // never sees.
  if (stop < start) {
    if (why) *why = L"The stop time lies before the start time.";
    return E_INVALIDARG;
  }
  const bool move = toGroup != fromGroup || toTrack != fromTrack;
  ComPtr<IAMTimelineObj> target, previous;
  if (move) {
    target = TrackAt(timeline, toGroup, toTrack);
    if (!target) {
      if (why) *why = L"The chosen track does not exist.";
      return E_INVALIDARG;
    }
    if (fromTrack >= 0) previous = TrackAt(timeline, fromGroup, fromTrack);
  }
  REFERENCE_TIME oldStart = 0, oldStop = 0;
  object->GetStartStop(&oldStart, &oldStop);
  if (move && fromTrack >= 0) object->Remove();
  HRESULT hr = object->SetStartStop(start, stop);
  if (SUCCEEDED(hr) && move) hr = AddToTrack(target.Get(), object);
  if (FAILED(hr)) {
    // Nothing is lost: the object goes back where it was, with the times it had.
    if (move) {
      object->Remove();
      object->SetStartStop(oldStart, oldStop);
      if (previous) AddToTrack(previous.Get(), object);
    }
    if (why) *why = L"It could not be placed on the chosen track at these times.\n" + ResultSentence(hr);
  }
  return hr;
}
