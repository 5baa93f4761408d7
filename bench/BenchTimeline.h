// The timeline both benchmarks measure: one group of `tracks` tracks with `sourcesPerTrack`
// two-second sources each, every source named after a media file.
#pragma once

#include "services/EditingServices.h"

inline constexpr int kBenchTracks = 10;
inline constexpr int kBenchSourcesPerTrack = 1000;
inline constexpr REFERENCE_TIME kBenchSourceLength = 20000000;  // 2 s per source

HRESULT BuildBenchTimeline(IAMTimeline* timeline, int tracks = kBenchTracks,
                           int sourcesPerTrack = kBenchSourcesPerTrack);
