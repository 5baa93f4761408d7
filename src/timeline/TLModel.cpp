#include "timeline/TLModel.h"

#include <oleauto.h>
#include <uuids.h>

#include "timeline/TimeCode.h"
#include "services/ComUtil.h"
#include "services/MediaTypes.h"

using Microsoft::WRL::ComPtr;

namespace {

// A BSTR result that frees itself.

TLNode MakeNode(uint32_t type, ComPtr<IAMTimelineObj> object) {
  TLNode node;
  node.type = type;
  node.object = std::move(object);
  return node;
}

}  // namespace

int CTLModel::Rebuild(IAMTimeline* timeline) {
  groups_.clear();
  timeline_ = timeline;
  if (!timeline) return 0;

  long groupCount = 0;
  if (FAILED(timeline->GetGroupCount(&groupCount)) || groupCount < 1) return 0;
  groups_.reserve(static_cast<size_t>(groupCount));
  for (long g = 0; g < groupCount; ++g) {
    ComPtr<IAMTimelineObj> groupObject;
    timeline->GetGroup(&groupObject, g);
    // A group that cannot be read still takes its place, so array index = group index.
    TLNode& group = groups_.emplace_back(MakeNode(kTLGroup, groupObject));
    ComPtr<IAMTimelineComp> comp;
    if (!groupObject || FAILED(groupObject.As(&comp))) continue;
    long trackCount = 0;
    if (FAILED(comp->VTrackGetCount(&trackCount)) || trackCount < 1) continue;
    AM_MEDIA_TYPE type = {};
    bool video = false;
    if (auto kind = As<IAMTimelineGroup>(groupObject.Get()); kind && SUCCEEDED(kind->GetMediaType(&type))) {
      video = type.majortype == MEDIATYPE_Video;
      FreeMediaTypeContents(type);
    }
    group.tracks.resize(static_cast<size_t>(trackCount));
    for (long t = trackCount - 1; t >= 0; --t) {
      ComPtr<IAMTimelineObj> trackObject;
      comp->GetVTrack(&trackObject, t);
      TLNode& track = group.tracks[static_cast<size_t>(t)];
      track = MakeNode(kTLTrack, trackObject);
      if (trackObject) ReadTrack(track);
      for (TLNode& source : track.sources) source.video = video;
    }
  }
  return GroupCount();
}

void CTLModel::ReadTrack(TLNode& track) {
  ComPtr<IAMTimelineTrack> sources;
  long count = 0;
  if (SUCCEEDED(track.object.As(&sources)) && SUCCEEDED(sources->GetSourcesCount(&count))) {
    track.sources.reserve(static_cast<size_t>(count > 0 ? count : 0));
    ComPtr<IAMTimelineObj> last;
    for (long i = 0; i < count; ++i) {
      ComPtr<IAMTimelineObj> next;
      if (FAILED(sources->GetNextSrcEx(last.Get(), &next)) || !next) break;
      track.sources.push_back(MakeNode(kTLSource, next));
      last = next;
    }
  }

  ComPtr<IAMTimelineEffectable> effects;
  count = 0;
  if (SUCCEEDED(track.object.As(&effects)) && SUCCEEDED(effects->EffectGetCount(&count))) {
    for (long k = 0; k < count; ++k) {
      ComPtr<IAMTimelineObj> effect;
      if (FAILED(effects->GetEffect(&effect, k)) || !effect) break;
      track.effects.push_back(MakeNode(kTLEffect, effect));
    }
  }

  ComPtr<IAMTimelineTransable> transitions;
  count = 0;
  if (SUCCEEDED(track.object.As(&transitions)) && SUCCEEDED(transitions->TransGetCount(&count))) {
    REFERENCE_TIME at = 0;
    for (long k = 0; k < count; ++k) {
      ComPtr<IAMTimelineObj> transition;
      if (transitions->GetNextTrans(&transition, &at) != S_OK || !transition) break;
      track.transitions.push_back(MakeNode(kTLTransition, transition));
    }
  }

  for (auto* items : {&track.sources, &track.effects, &track.transitions})
    for (TLNode& item : *items) ReadItem(item);
}

void CTLModel::ReadItem(TLNode& item) {
  REFERENCE_TIME start = 0, stop = 0;
  item.object->GetStartStop(&start, &stop);
  item.start = RefTimeToMicros(start);
  item.stop = RefTimeToMicros(stop);
  if (item.stop > largestStop_) largestStop_ = item.stop;

  Bstr name;
  item.object->GetUserName(name.Out());
  ComPtr<IAMTimelineSrc> source;
  if (item.type == kTLSource && SUCCEEDED(item.object.As(&source))) {
    Bstr media;
    source->GetMediaName(media.Out());
    item.media = media.Text();
    REFERENCE_TIME mediaStart = 0, mediaStop = 0;
    source->GetMediaTimes(&mediaStart, &mediaStop);
    item.mediaStart = RefTimeToMicros(mediaStart);
    item.mediaStop = RefTimeToMicros(mediaStop);
  }
  item.name = name.Get() && name.Get()[0] ? name.Text() : item.media;
}

int ForEachNode(CTLModel& model, uint32_t mask, const TLNodeVisitor& visitor) {
  int sum = 0;
  for (int g = 0; g < model.GroupCount(); ++g) {
    TLNode& group = model.Group(g);
    for (TLNode& track : group.tracks) {
      if (mask & kTLSource)
        for (TLNode& n : track.sources) sum += visitor(n);
      if (mask & kTLEffect)
        for (TLNode& n : track.effects) sum += visitor(n);
      if (mask & kTLTransition)
        for (TLNode& n : track.transitions) sum += visitor(n);
      if (mask & kTLTrack) sum += visitor(track);
    }
    if (mask & kTLGroup) sum += visitor(group);
  }
  return sum;
}

int ClearSelection(TLNode& node) {
  if (!node.selected) return 0;
  node.selected = false;
  return 1;
}

namespace {

bool InArray(const std::vector<TLNode>& items, const TLNode* node) {
  return !items.empty() && node >= items.data() && node < items.data() + items.size();
}

bool TrackHolds(const TLNode& track, const TLNode* node) {
  switch (node->type) {
    case kTLTrack: return node == &track;
    case kTLSource: return InArray(track.sources, node);
    case kTLEffect: return InArray(track.effects, node);
    case kTLTransition: return InArray(track.transitions, node);
    default: return false;
  }
}

}  // namespace

int FindNodePosition(const CTLModel& model, const TLNode* node, int* group, int* track) {
  if (!node) return -1;
  int foundGroup = -1, foundTrack = -1;
  for (int g = 0; g < model.GroupCount() && foundGroup < 0; ++g) {
    const TLNode& groupNode = model.Group(g);
    if (node->type == kTLGroup) {
      if (node == &groupNode) foundGroup = g;
      continue;
    }
    for (int t = static_cast<int>(groupNode.tracks.size()) - 1; t >= 0; --t) {
      if (TrackHolds(groupNode.tracks[static_cast<size_t>(t)], node)) {
        foundGroup = g;
        foundTrack = t;
        break;
      }
    }
  }
  if (group) *group = foundGroup;
  if (track) *track = foundTrack;
  return foundGroup < 0 ? -1 : 0;
}
