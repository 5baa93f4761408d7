#pragma once
// The content of a source's rectangle in the timeline view: a strip of its pictures for video,
// the peak envelope of its sound for audio. Only what is ready is drawn; the rest is asked for.
#include <windows.h>

#include <cstdint>

class CMediaPictures;
struct TLNode;

struct SourceRowArea {
  int left, right;  // the item's whole extent, unclipped
  int top, bottom;  // the row, bottom inclusive
  int clipLeft, clipRight;
  int64_t scale;  // microseconds per pixel
};

void PaintSourceContent(HDC dc, CMediaPictures& pictures, const TLNode& source, const SourceRowArea& area);
