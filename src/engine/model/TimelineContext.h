// State a timeline shares with every object it created: objects may outlive the timeline, so
// they hold this block rather than the timeline itself.
#pragma once

#include "engine/base/ErrorSink.h"

#include <memory>

namespace engine {

struct TimelineContext {
  IAMTimeline* timeline = nullptr;  // not counted; cleared when the timeline goes
  ErrorSink errors;
  double defaultFps = 15.0;
  LONG nextGenId = 1;
};

using ContextPtr = std::shared_ptr<TimelineContext>;

}  // namespace engine
