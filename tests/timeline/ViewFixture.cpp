#include "ViewFixture.h"

namespace tltest {

ViewPixels::ViewPixels(CWndTLModel* view) : width_(view->ClientWidth()), height_(view->ClientHeight()) {
  BITMAPINFO info = {{sizeof info.bmiHeader, width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
  void* bits = nullptr;
  dc_ = CreateCompatibleDC(nullptr);
  bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bits_ = static_cast<const uint32_t*>(bits);
  old_ = SelectObject(dc_, bitmap_);
  SendMessageW(view->Hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT);
  GdiFlush();
}

ViewPixels::~ViewPixels() {
  SelectObject(dc_, old_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

COLORREF ViewPixels::At(int x, int y) const {
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  uint32_t p = bits_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int ViewPixels::Count(COLORREF colour, int left, int top, int right, int bottom) const {
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) n += At(x, y) == colour;
  return n;
}

void ViewTest::SetUp() {
  TimelineTest::SetUp();
  parent.p = uitest::MakeTopLevel(0, 0, 700, 420);
  ASSERT_TRUE(parent.get());
  view = new CWndTLModel();
  view->width = 640;
  view->height = 320;
  ASSERT_EQ(0u, view->Create(parent->Hwnd(), uitest::Instance()));
  parent->AddChild(view);
  view->SetTimeline(timeline.Get());
  callback.notifyMask = 0xFFFFFFFF;
  view->SetCallback(&callback);
}

void ViewTest::TearDown() {
  if (parent.p) parent.p->Destroy(true);
  parent.p = nullptr;
  TimelineTest::TearDown();
}

int ViewTest::Refresh() {
  int groups = view->Refresh();
  view->UpdateScrollBars(CWndTLModel::kScrollBoth);
  InvalidateRect(view->Hwnd(), nullptr, FALSE);
  return groups;
}

void ViewTest::Send(UINT message, int x, int y, WPARAM wParam) {
  SendMessageW(view->Hwnd(), message, wParam, MAKELPARAM(x, y));
}

void ViewTest::BuildTwoGroups() {
  auto v = AddGroup(L"V", 2);
  auto a = AddGroup(L"A", 1);
  auto v1 = Track(v.Get(), 1);
  AddEffect(v1.Get(), 500000, 2000000, L"fx");
  AddSource(v1.Get(), 1000000, 3000000, L"clipA");
  AddTransition(v1.Get(), 2500000, 3000000, L"fade");
  AddSource(Track(v.Get(), 0).Get(), 0, 1000000, nullptr, L"C:\\media\\first.avi");
  AddSource(Track(a.Get(), 0).Get(), 4000000, 5000000, L"sound");
  view->SetScale(10000);
  Refresh();
}

}  // namespace tltest
