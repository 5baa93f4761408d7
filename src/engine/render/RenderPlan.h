// What one group renders, read from the timeline once per ConnectFrontEnd: the streaming threads
// then work from this copy and never walk the editing model while it may be edited.
#pragma once

#include "engine/effects/EffectTable.h"
#include "engine/media/DecodeGraph.h"
#include "engine/props/Keyframes.h"
#include "services/EditingServices.h"

#include <wrl/client.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace engine::render {

// An effect, or the common part of a transition: its span in timeline times and its
// keyframed parameters (keyframe times relative to its start).
struct EffectPlan {
  REFERENCE_TIME start = 0, stop = 0;
  CLSID clsid = GUID_NULL;
  const BuiltInEffect* effect = nullptr;  // bound once per plan; null when the engine has none
  std::vector<Parameter> params;

  bool Covers(REFERENCE_TIME t) const { return t >= start && t < stop; }
  // The named parameter's number at timeline time t; `fallback` when it has none. Text
  // "0x…" reads as hexadecimal (colours).
  double Number(const wchar_t* name, REFERENCE_TIME t, double fallback) const;
  // How far t lies into the span, 0 → 1.
  double Elapsed(REFERENCE_TIME t) const;
};

struct ClipPlan {
  REFERENCE_TIME start = 0, stop = 0;  // timeline times
  REFERENCE_TIME mediaStart = 0, mediaStop = 0;
  std::wstring path;
  LONG stream = 0;  // among the file's streams of the group's kind
  int stretchMode = RESIZEF_STRETCH;
  std::vector<EffectPlan> effects;  // in priority order, applied first to last
  // Shared by every copy of the plan's clip: a bad file is reported once per front end, not
  // again at every seek.
  std::shared_ptr<std::atomic<bool>> reported = std::make_shared<std::atomic<bool>>(false);

  // The media time shown at timeline time t: a clip whose media span differs from its
  // timeline span plays faster or slower.
  REFERENCE_TIME MediaTimeAt(REFERENCE_TIME t) const;
};

struct TransitionPlan : EffectPlan {
  bool swapInputs = false;
  bool cutsOnly = false;        // switches from A to B at the cut point instead of blending
  REFERENCE_TIME cutPoint = 0;  // relative to the start
};

// One track, in priority order within its group (nested compositions are flattened into
// their tracks, which keeps their order).
struct LayerPlan {
  std::vector<ClipPlan> clips;  // in time order, never overlapping
  std::vector<TransitionPlan> transitions;
  std::vector<EffectPlan> effects;
};

// A nested composition's transitions: they blend the picture of its tracks
// [firstLayer, endLayer) over what lies below them.
struct CompTransitions {
  size_t firstLayer = 0, endLayer = 0;
  std::vector<TransitionPlan> transitions;
};

struct GroupPlan {
  media::StreamKind kind = media::StreamKind::Other;
  OwnedMediaType type;  // the group's output type
  double fps = 0;
  bool preview = false;         // late frames may be dropped to keep time
  REFERENCE_TIME offset = 0;    // timeline time of output time 0 (the render range's start)
  REFERENCE_TIME duration = 0;  // of the output: the timeline's (within the render range)
  std::vector<LayerPlan> layers;
  std::vector<EffectPlan> effects;               // the group's own, on the finished picture or mix
  std::vector<CompTransitions> compTransitions;  // inner compositions first
  Microsoft::WRL::ComPtr<IUnknown> identity;     // the group object, to tell groups apart
  Microsoft::WRL::ComPtr<IAMErrorLog> log;       // the timeline's, may be null
};

// Reads group `index` of the timeline.
HRESULT ReadGroupPlan(IAMTimeline* timeline, LONG index, GroupPlan* plan);

// Whether the engine can produce this group type (RGB555/RGB24/RGB32/ARGB32 video with a
// VIDEOINFOHEADER, 16-bit PCM audio).
bool CanProduce(const AM_MEDIA_TYPE& mt);

// Sends one entry to the log (nothing without one).
void LogTo(IAMErrorLog* log, LONG code, HRESULT hr, const std::wstring& text);

}  // namespace engine::render
