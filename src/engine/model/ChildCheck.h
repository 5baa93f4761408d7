// The checks every list of a container makes before it takes an object in.
#pragma once

#include "engine/model/TimelineNode.h"

namespace engine {

// Accepts `obj` as a new child of `owner` when it is one of our objects, of a kind in
// `kindMask`, not already in a tree, and not `owner` itself or one of its ancestors (no
// cycles). Otherwise logs why, naming `method`, and fails.
HRESULT AcceptChild(TimelineNode& owner, IAMTimelineObj* obj, unsigned kindMask, const wchar_t* method,
                    Microsoft::WRL::ComPtr<TimelineNode>* node);

}  // namespace engine
