#include "timeline/SourceRowPaint.h"

#include <algorithm>

#include "timeline/MediaPictures.h"
#include "timeline/TLNode.h"
#include "ui/SysColorPen.h"

namespace {

// The media time shown at pixel x of the item (microseconds).
int64_t MediaTimeAt(const TLNode& source, const SourceRowArea& area, int x) {
  const int64_t itemSpan = source.stop - source.start, mediaSpan = source.mediaStop - source.mediaStart;
  const int64_t timelineOffset = static_cast<int64_t>(x - area.left) * area.scale;
  if (itemSpan <= 0) return source.mediaStart;
  return source.mediaStart + static_cast<int64_t>(static_cast<double>(timelineOffset) * mediaSpan / itemSpan);
}

void PaintPictures(HDC dc, CMediaPictures& pictures, const TLNode& source, const SourceRowArea& area) {
  const int height = area.bottom - area.top - 1;
  if (height < 4) return;
  const int width = pictures.PictureWidth(source.media, height);
  if (width <= 0) {
    pictures.Picture(source.media, source.mediaStart, height);  // opens the file: its size follows
    return;
  }
  const int right = std::min(area.right, area.clipRight);
  // Pictures stand at whole picture widths from the item's left edge, so they stay put while
  // the view scrolls.
  int x = area.left;
  if (x + width <= area.clipLeft) x += (area.clipLeft - x) / width * width;
  for (; x < right; x += width) {
    auto picture = pictures.Picture(source.media, MediaTimeAt(source, area, x), height);
    if (!picture) continue;
    const int from = std::max(x, area.clipLeft), to = std::min(x + picture->width, right);
    if (to <= from) continue;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture->width;
    info.bmiHeader.biHeight = -picture->height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, from, area.top + 1, static_cast<DWORD>(to - from), static_cast<DWORD>(picture->height),
                      from - x, 0, 0, static_cast<UINT>(picture->height), picture->pixels.data(), &info,
                      DIB_RGB_COLORS);
  }
}

void PaintSound(HDC dc, CMediaPictures& pictures, const TLNode& source, const SourceRowArea& area) {
  const int from = std::max(area.left, area.clipLeft), to = std::min(area.right, area.clipRight);
  if (to <= from) return;
  const int middle = (area.top + area.bottom) / 2, half = (area.bottom - area.top) / 2 - 1;
  SysColorPen pen(COLOR_BTNSHADOW);
  for (int x = from; x < to; ++x) {
    const int peak = pictures.Peak(source.media, MediaTimeAt(source, area, x), MediaTimeAt(source, area, x + 1));
    if (peak < 0) return;  // not read yet
    const int reach = peak * half / 32767;
    pen.Line(dc, x, middle - reach, x, middle + reach + 1);
  }
}

}  // namespace

void PaintSourceContent(HDC dc, CMediaPictures& pictures, const TLNode& source, const SourceRowArea& area) {
  if (source.media.empty() || pictures.Unreadable(source.media)) return;
  if (source.video)
    PaintPictures(dc, pictures, source, area);
  else
    PaintSound(dc, pictures, source, area);
}
