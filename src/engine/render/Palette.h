// The fixed palette of the front end's 8-bit pictures, which compressors that take only
// palettised input (run-length codecs) are fed with: a 6 x 6 x 6 colour cube and a ramp of
// 40 greys, so that both colour and the many greys of real pictures come out close.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <cstdint>

namespace engine::render {

constexpr int kPaletteColours = 256;

// The palette's entries, in BITMAPINFO order.
const RGBQUAD* RenderPalette();
// The entry nearest a BGRA pixel (0xAARRGGBB).
uint8_t PaletteIndex(uint32_t pixel);
// Whether an 8-bit video type's colour table is this palette.
bool UsesRenderPalette(const AM_MEDIA_TYPE& mt);

}  // namespace engine::render
