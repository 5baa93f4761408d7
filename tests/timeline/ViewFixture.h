// A timeline view in a real top-level window over the engine's timeline, with a callback
// that records what the view reports and a way to read the view's pixels.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
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
  explicit ViewPixels(CWndTLModel* view);
  COLORREF At(int x, int y) const;
  // Pixels of a colour in a rectangle (right and bottom excluded).
  int Count(COLORREF colour, int left, int top, int right, int bottom) const;

  int width, height;
  std::vector<uint32_t> bits;
};

class ViewTest : public TimelineTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Refreshes as the main window does after a change.
  int Refresh();
  void Send(UINT message, int x, int y, WPARAM wParam = 0);
  // Group "V" with two tracks and group "A" with one, shown at 10 ms per pixel, so that
  // one second is 100 pixels:
  //   V track 1: effect "fx" 0.5-2 s, source "clipA" 1-3 s, transition "fade" 2.5-3 s
  //   V track 0: source without a name (media "C:\media\first.avi") 0-1 s
  //   A track 0: source "sound" 4-5 s
  void BuildTwoGroups();

  uitest::Owned<CWindow> parent{nullptr};
  CWndTLModel* view = nullptr;
  RecordingCallback callback;
};

}  // namespace tltest
