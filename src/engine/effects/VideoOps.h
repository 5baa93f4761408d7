// The built-in video effects and transitions as pure operations on top-down BGRA pictures
// (0xAARRGGBB values). Parameters are plain numbers, already evaluated for the moment shown.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace engine::effects {

struct Picture {
  LONG width = 0, height = 0;
  uint32_t* pixels = nullptr;  // width * height, rows top-down
};

// amount 0..1 of the effect mixed over the original.
void Grayscale(Picture p, double amount);
void Sepia(Picture p, double amount);
void Invert(Picture p, double amount);
// brightness -1..1 added (1 = white), contrast a factor about mid-grey (1 = unchanged).
void BrightnessContrast(Picture p, double brightness, double contrast);
// A box blur of `radius` pixels.
void Blur(Picture p, double radius);
// Mixes `colour` (0xRRGGBB) over the picture by progress 0..1.
void FadeToColour(Picture p, uint32_t colour, double progress);

// Transitions: `a` is what lies below, `b` the track's own picture; the result goes to `a`.
// progress 0 shows `a` only, 1 `b` only.
void Dissolve(Picture a, const Picture& b, double progress);
// direction: 0 left to right, 1 right to left, 2 top to bottom, 3 bottom to top.
void Wipe(Picture a, const Picture& b, double progress, int direction, double softness);
void Slide(Picture a, const Picture& b, double progress, int direction);
// shape: 0 circle, 1 rectangle, 2 diamond, opening from the centre.
void Iris(Picture a, const Picture& b, double progress, int shape);

}  // namespace engine::effects
