// Pictures the decoders hand out as I420 (8-bit Y plane, then U and V at half width and half
// height, all top-down) turned into the readers' 32-bit pixels. Measured here: asked for RGB32,
// the platform's decoders convert and then flip every picture on their own thread, half of
// what decoding a frame costs, and that thread is what a render waits for.
// The platform does not say which range and matrix its YUV is in (it keeps the file's own),
// so the matrix is found by comparing one picture with the platform's own RGB32 of it.
#pragma once

#include "engine/media/MediaFrame.h"

#include <cstdint>

namespace engine::media {

// Integer coefficients (13 fractional bits) of one YUV-to-RGB matrix.
struct YuvMatrix {
  int16_t yOffset = 0;  // 0 for full range, 16 for video range
  int16_t y = 0;        // luma gain
  int16_t crToR = 0, cbToG = 0, crToG = 0, cbToB = 0;
};

YuvMatrix MakeYuvMatrix(bool fullRange, bool bt709);

// Bytes of an I420 picture of this size; 0 when the size has no I420 form (odd sides).
size_t I420Size(LONG width, LONG height);

// Converts an I420 picture into `out`, width * height pixels, top-down, opaque.
void I420ToPixels(const BYTE* i420, LONG width, LONG height, const YuvMatrix& m, uint32_t* out);

// Of the usual matrices (full or video range, BT.601 or BT.709), the one that turns `i420`
// into `reference` (the same picture as the platform decoded it to 32-bit pixels), when one
// does clearly; false when none does, or the picture cannot tell them apart (a plain black
// first picture, say).
bool FindYuvMatrix(const BYTE* i420, const VideoFrame& reference, YuvMatrix* found);

}  // namespace engine::media
