#include "ui/BackBuffer.h"

BackBuffer::BackBuffer(HDC target, int width, int height) : target_(target), width_(width), height_(height) {
  if (!target || width <= 0 || height <= 0) return;
  bitmap_ = CreateCompatibleBitmap(target, width, height);
  if (bitmap_) dc_ = CreateCompatibleDC(target);
  if (!dc_) return;
  saved_ = SaveDC(dc_);
  SelectObject(dc_, bitmap_);
}

BackBuffer::~BackBuffer() {
  if (dc_) {
    // Restoring deselects the bitmap and whatever pens, brushes and fonts the painter chose.
    if (saved_) RestoreDC(dc_, saved_);
    DeleteDC(dc_);
  }
  if (bitmap_) DeleteObject(bitmap_);
}

void BackBuffer::Present() const {
  if (dc_) BitBlt(target_, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
}
