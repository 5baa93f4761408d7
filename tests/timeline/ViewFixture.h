// A timeline view in a real window, a callback recording its reports, and its pixels.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "TimelineFixture.h"
#include "../ui/UiTestSupport.h"
#include "timeline/WndTLModel.h"

namespace tltest {

struct RecordingCallback final : CTLModelCallback {
  int OnNodeClick(UINT message, TLNode* node) override {
    clicks.emplace_back(message, node);
    return 0;
  }
  int OnCursorTime(int64_t time) override {
    times.push_back(time);
    return 0;
  }
  std::vector<std::pair<UINT, TLNode*>> clicks;
  std::vector<int64_t> times;
};

// The view's client area as printed into a 32-bit top-down bitmap.
struct ViewPixels {
  explicit ViewPixels(CWndTLModel* view)
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
  COLORREF At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    uint32_t p = bits[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // Pixels of a colour in a rectangle (right and bottom excluded).
  int Count(COLORREF colour, int left, int top, int right, int bottom) const {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += At(x, y) == colour;
    return n;
  }

  int width, height;
  std::vector<uint32_t> bits;
};

class ViewTest : public TimelineTest {
 protected:
  void SetUp() override {
    TimelineTest::SetUp();
    parent = uitest::MakeTopLevel(0, 0, 700, 420);
    ASSERT_TRUE(parent);
    view = new CWndTLModel();
    view->width = 640;
    view->height = 320;
    ASSERT_EQ(0u, view->Create(parent->Hwnd(), uitest::Instance()));
    parent->AddChild(view);
    view->SetTimeline(timeline.Get());
    callback.notifyMask = 0xFFFFFFFF;
    view->SetCallback(&callback);
  }
  void TearDown() override {
    if (parent) parent->Destroy(true);
    TimelineTest::TearDown();
  }
  // Refreshes as the main window does after a change.
  int Refresh() {
    int groups = view->Refresh();
    view->UpdateScrollBars(CWndTLModel::kScrollBoth);
    InvalidateRect(view->Hwnd(), nullptr, FALSE);
    return groups;
  }
  void Send(UINT message, int x, int y, WPARAM wParam = 0) {
    SendMessageW(view->Hwnd(), message, wParam, MAKELPARAM(x, y));
  }
  // Group "V" with two tracks and group "A" with one, shown at 10 ms per pixel, so that
  // one second is 100 pixels:
  //   V track 1: effect "fx" 0.5-2 s, source "clipA" 1-3 s, transition "fade" 2.5-3 s
  //   V track 0: source without a name (media "C:\media\first.avi") 0-1 s
  //   A track 0: source "sound" 4-5 s
  void BuildTwoGroups() {
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

  CWindow* parent = nullptr;  // owns the view
  CWndTLModel* view = nullptr;
  RecordingCallback callback;
};

}  // namespace tltest
