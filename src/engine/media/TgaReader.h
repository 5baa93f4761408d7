// Truevision TGA pictures, which the platform's imaging codecs do not read on every system.
#pragma once

#include "engine/media/MediaFrame.h"

#include <cstddef>
#include <cstdint>

namespace engine::media {

// Decodes a whole TGA file held in memory: colour-mapped, true-colour and grey images, plain or
// run-length encoded, 8/15/16/24/32 bits. Fails with E_FAIL-class codes on anything damaged or
// implausibly large; never reads outside `data`.
HRESULT DecodeTga(const uint8_t* data, size_t size, VideoFrame* out);

}  // namespace engine::media
