#include "ViewFixture.h"

namespace tltest {

ViewPixels::ViewPixels(CWndTLModel* view)
    : width(view->ClientWidth()), height(view->ClientHeight()), bits(static_cast<size_t>(width) * height) {
  BITMAPINFO info = {{sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
  void* printed = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &printed, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageW(view->Hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  GdiFlush();
  if (printed) memcpy(bits.data(), printed, bits.size() * sizeof(uint32_t));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

COLORREF ViewPixels::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
  uint32_t p = bits[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
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
