#pragma once
#include <windows.h>

// An off-screen picture of a window's client area: painted whole, then copied to the window in
// one step, so that the window never shows a half-painted state. When memory for it cannot be
// had, drawing goes straight to the target instead.
class BackBuffer {
 public:
  BackBuffer(HDC target, int width, int height);
  ~BackBuffer();
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;

  // Where to draw; objects selected into it are put back when the buffer ends.
  HDC Dc() const { return dc_ ? dc_ : target_; }
  // Copies the picture to the target (nothing to do when drawing went there directly).
  void Present() const;

 private:
  HDC target_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  int saved_ = 0;
  int width_;
  int height_;
};
