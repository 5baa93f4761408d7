#include <gtest/gtest.h>

#include "ViewFixture.h"

namespace {

using tltest::ViewPixels;

// Band and row positions at vertical offset 0 (ruler 20 pixels, tracks 84 pixels apart):
//   group V: band 20-188; track 1 rows 20-35, 36-86, 87-102; track 0 rows 104-119,
//            120-170, 171-186
//   group A: band 191-275; track 0 rows 191-206, 207-257, 258-273
class WndTLModelTest : public tltest::ViewTest {
 protected:
  TLNode& V() { return view->Model().Group(0); }
  TLNode& A() { return view->Model().Group(1); }
  TLNode& ClipA() { return V().tracks[1].sources[0]; }
  TLNode& Fx() { return V().tracks[1].effects[0]; }
  int Selected() {
    return ForEachNode(view->Model(), kTLAllKinds, [](TLNode& n) { return n.selected ? 1 : 0; });
  }
};

TEST_F(WndTLModelTest, BandsStackTracksTopDownWithTheirRowsAndGaps) {
  // The view knows its client size from its creation on.
  RECT client;
  GetClientRect(view->Hwnd(), &client);
  EXPECT_EQ(client.right, view->ClientWidth());
  EXPECT_EQ(client.bottom, view->ClientHeight());
  BuildTwoGroups();
  ASSERT_EQ(2, Refresh());  // the group count
  EXPECT_EQ(171 + 87, view->ContentHeight());

  // Left of the time area a band gives its group, edges included; rows hold effects, then
  // sources, then transitions, the highest track first; gaps hold nothing.
  TLNode *v = &V(), *a = &A(), *fx = &Fx(), *clip = &ClipA(), *fade = &V().tracks[1].transitions[0];
  TLNode *v0 = &V().tracks[0], *first = &v0->sources[0], *a0 = &A().tracks[0], *sound = &a0->sources[0];
  struct Probe {
    int x, y;
    TLNode* expected;
  } probes[] = {
      {5, 20, v},     {30, 188, v},      {30, 189, nullptr}, {5, 191, a},     {39, 275, a},     {5, 276, nullptr},
      {200, 35, fx},  {200, 36, clip},   {300, 86, clip},    {300, 87, fade}, {300, 102, fade}, {300, 103, nullptr},
      {300, 104, v0}, {100, 120, first}, {500, 207, sound},  {500, 206, a0},  {500, 258, a0},   {500, 300, nullptr},
  };

  for (const Probe& p : probes) EXPECT_EQ(p.expected, view->HitTest(p.x, p.y)) << p.x << "," << p.y;

  // Scrolled down, everything moves up by the vertical offset.
  ASSERT_TRUE(view->ScrollBy(0, 50));
  EXPECT_EQ(&A(), view->HitTest(5, 141));
  EXPECT_EQ(&ClipA(), view->HitTest(200, 36 - 50 + 30));
  EXPECT_EQ(nullptr, view->HitTest(5, 139));
}

TEST_F(WndTLModelTest, ClicksSelectOnlyItemsStrictlyInsideAndReportTheNode) {
  BuildTwoGroups();
  // The node a click reports.
  auto click = [&](UINT message, int x, int y) {
    Send(message, x, y);
    return callback.clicks.empty() ? nullptr : callback.clicks.back().second;
  };
  // x = 140 is exactly the start of clipA (1 s): the track is hit, not the item.
  EXPECT_EQ(&V().tracks[1], click(WM_LBUTTONDOWN, 140, 60));
  EXPECT_EQ(0, Selected());
  EXPECT_EQ(&ClipA(), click(WM_LBUTTONDOWN, 141, 60));
  EXPECT_TRUE(ClipA().selected);
  EXPECT_EQ(1, Selected());
  EXPECT_EQ(view->Hwnd(), GetFocus());

  // Another item takes the selection over.
  EXPECT_EQ(&Fx(), click(WM_RBUTTONDOWN, 150, 25));
  EXPECT_EQ(static_cast<UINT>(WM_RBUTTONDOWN), callback.clicks.back().first);
  EXPECT_TRUE(Fx().selected);
  EXPECT_EQ(1, Selected());

  // The group and track columns report the group and clear the selection; so does empty
  // space, which reports no node.
  EXPECT_EQ(&V(), click(WM_LBUTTONDOWN, 30, 150));
  EXPECT_EQ(0, Selected());
  click(WM_LBUTTONDOWN, 141, 60);
  EXPECT_EQ(&A(), click(WM_LBUTTONDOWN, 5, 200));
  EXPECT_EQ(0, Selected());
  EXPECT_EQ(nullptr, click(WM_RBUTTONDOWN, 300, 300));
  EXPECT_EQ(7u, callback.clicks.size());
  EXPECT_TRUE(callback.times.empty());

  // Without the click bit the selection still changes but nothing is reported.
  callback.notifyMask = CTLModelCallback::kNotifyCursor;
  Send(WM_LBUTTONDOWN, 141, 60);
  EXPECT_TRUE(ClipA().selected);
  EXPECT_EQ(7u, callback.clicks.size());
}

TEST_F(WndTLModelTest, RulerClicksMoveTheCursorOnlyInTheTimeArea) {
  BuildTwoGroups();
  ASSERT_TRUE(view->ScrollBy(30000, 0));
  Send(WM_LBUTTONDOWN, 39, 5);
  Send(WM_RBUTTONDOWN, 0, 20);
  EXPECT_EQ(0, view->CursorTime());

  Send(WM_LBUTTONDOWN, 40, 0);
  EXPECT_EQ(30000, view->CursorTime());
  // The ruler reaches down to its height inclusive.
  Send(WM_RBUTTONDOWN, 140, 20);
  EXPECT_EQ(1030000, view->CursorTime());
  EXPECT_EQ((std::vector<int64_t>{30000, 1030000}), callback.times);
  EXPECT_TRUE(callback.clicks.empty());

  callback.notifyMask = CTLModelCallback::kNotifyClicks;
  Send(WM_LBUTTONDOWN, 240, 10);
  EXPECT_EQ(2030000, view->CursorTime());
  EXPECT_EQ(2u, callback.times.size());
}

TEST_F(WndTLModelTest, WheelZoomStaysBetweenOnePixelAndTheLargestStopOver360) {
  // The scale after a wheel turn.
  auto wheel = [&](int delta) {
    Send(WM_MOUSEWHEEL, 10, 10, MAKEWPARAM(0, static_cast<WORD>(delta)));
    return view->Scale();
  };
  // Nothing in the timeline yet: the largest stop is 0 and zooming out never grows.
  Refresh();
  EXPECT_EQ(500000, view->Scale());
  EXPECT_EQ(500000, wheel(120));
  view->SetScale(1);
  EXPECT_EQ(1, wheel(120));

  BuildTwoGroups();  // largest stop 5 s: growth stops once the scale reaches 13888
  EXPECT_EQ(20000, wheel(120));
  EXPECT_EQ(20000, wheel(120));
  // A zero delta zooms in, like a negative one; halving stops at 1.
  EXPECT_EQ(10000, wheel(0));
  for (int i = 0; i < 20; ++i) wheel(-120);
  EXPECT_EQ(1, view->Scale());
  EXPECT_EQ(2, wheel(120));
}

TEST_F(WndTLModelTest, ScrollBarsAppearWhenNeededAndResetWhenAllFits) {
  BuildTwoGroups();
  HWND w = view->Hwnd();
  // 5 s at 10 ms per pixel is 500 pixels: it fits, and so do the 258 pixels of bands.
  EXPECT_FALSE(uitest::HasStyle(w, WS_HSCROLL));
  EXPECT_FALSE(uitest::HasStyle(w, WS_VSCROLL));

  view->SetScale(1000);
  view->UpdateScrollBars(CWndTLModel::kScrollHorizontal);
  ASSERT_TRUE(uitest::HasStyle(w, WS_HSCROLL));
  SCROLLINFO h = uitest::ScrollBar(w, SB_HORZ);
  EXPECT_EQ(0, h.nMin);
  EXPECT_EQ(5000, h.nMax);
  EXPECT_EQ(static_cast<UINT>(view->ClientWidth() - 40), h.nPage);

  // Line, page, thumb and end steps, kept between 0 and the largest stop.
  const std::pair<WPARAM, int64_t> across[] = {
      {SB_LINERIGHT, 1000},
      {SB_PAGERIGHT, 1000 + (view->ClientWidth() - 40) * 1000},
      {MAKEWPARAM(SB_THUMBPOSITION, 2500), 2500000},
      {SB_RIGHT, 5000000},
      {SB_LINELEFT, 4999000},
      {SB_LEFT, 0},
  };
  for (auto [code, offset] : across) {
    SendMessageW(w, WM_HSCROLL, code, 0);
    EXPECT_EQ(offset, view->Offset()) << code;
    if (LOWORD(code) == SB_THUMBPOSITION) {
      EXPECT_EQ(2500, uitest::ScrollBar(w, SB_HORZ).nPos);
    }
  }
  EXPECT_FALSE(view->ScrollBy(-5, 0));
  ASSERT_TRUE(view->ScrollBy(INT64_MAX, 0));
  EXPECT_EQ(5000000, view->Offset());
  EXPECT_FALSE(view->ScrollBy(1, 0));
  // Zoomed out until everything fits again: the bar goes and the view returns to 0.
  view->SetScale(10000);
  view->UpdateScrollBars(CWndTLModel::kScrollHorizontal);
  EXPECT_FALSE(uitest::HasStyle(w, WS_HSCROLL));
  EXPECT_EQ(0, view->Offset());

  // Too short for the bands: the vertical bar shows the content height.
  view->Resize(640, 150);
  ASSERT_TRUE(uitest::HasStyle(w, WS_VSCROLL));
  SCROLLINFO v = uitest::ScrollBar(w, SB_VERT);
  EXPECT_EQ(258, v.nMax);
  EXPECT_EQ(static_cast<UINT>(view->ClientHeight() - 20), v.nPage);
  const std::pair<WPARAM, int> down[] = {
      {SB_LINEDOWN, 1},
      {SB_LINEUP, 0},
      {SB_LINEUP, 0},
      {SB_BOTTOM, 258},
      {SB_LINEDOWN, 258},
      {SB_TOP, 0},
      {SB_PAGEDOWN, view->ClientHeight()},
      {MAKEWPARAM(SB_THUMBPOSITION, 40), 40},
  };
  for (auto [code, offset] : down) {
    SendMessageW(w, WM_VSCROLL, code, 0);
    EXPECT_EQ(offset, view->VerticalOffset()) << code;
  }
  // A later update keeps the thumb where the view is.
  view->UpdateScrollBars(CWndTLModel::kScrollBoth);
  EXPECT_EQ(40, uitest::ScrollBar(w, SB_VERT).nPos);
  EXPECT_EQ(40, view->VerticalOffset());

  // Deleting what lay below the view keeps the offset within the smaller content.
  SendMessageW(w, WM_VSCROLL, SB_BOTTOM, 0);
  ASSERT_EQ(S_OK, V().tracks[1].object->RemoveAll());
  Refresh();
  EXPECT_EQ(174, view->ContentHeight());
  EXPECT_EQ(174, view->VerticalOffset());

  // Tall enough again: the bar goes and the view scrolls back to the top.
  view->Resize(640, 320);
  EXPECT_FALSE(uitest::HasStyle(w, WS_VSCROLL));
  EXPECT_EQ(0, view->VerticalOffset());
}

TEST_F(WndTLModelTest, PaintsItemsRowsRulerAndCursorOnRealPixels) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF item = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF frame = GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF cursor = GetSysColor(COLOR_HIGHLIGHTTEXT);
  const COLORREF tick = GetSysColor(COLOR_BTNTEXT);
  ASSERT_NE(face, item);
  ASSERT_NE(face, shadow);
  ASSERT_NE(item, frame);
  ASSERT_NE(face, cursor);
  BuildTwoGroups();
  // Pixels that must (or must not) show a colour.
  struct Spot {
    int x, y;
    COLORREF colour;
  };
  auto expect = [](const ViewPixels& px, bool is, const std::vector<Spot>& spots) {
    for (const Spot& s : spots) EXPECT_EQ(is, px.At(s.x, s.y) == s.colour) << s.x << "," << s.y;
  };
  {
    ViewPixels px(view);
    // Items (clipA x 140-339, fx 90-239, "sound"), row bottoms and column edges, ruler ticks
    // every 5 pixels with a full line every 105 from x = 140, and the 2-pixel cursor at 0 s.
    const std::vector<Spot> shown = {
        {300, 80, item},  {140, 80, item},  {139, 80, face},   {345, 80, face},    {239, 30, item},  {241, 30, face},
        {530, 240, item}, {530, 280, face}, {600, 86, shadow}, {600, 170, shadow}, {0, 100, shadow}, {20, 100, shadow},
        {45, 15, tick},   {47, 15, face},   {140, 2, tick},    {245, 2, tick},     {39, 10, cursor}, {40, 10, cursor},
    };
    expect(px, true, shown);
    expect(px, false, {{41, 15, cursor}});
    EXPECT_GT(px.Count(tick, 41, 0, 135, 12), 20);  // the first label's text
    // The item names are drawn inside their rectangles.
    EXPECT_GT(px.Count(tick, 141, 37, 200, 50), 10);
    EXPECT_EQ(0, px.Count(frame, 140, 36, 340, 87));
  }

  Send(WM_LBUTTONDOWN, 141, 60);
  view->SetCursorTime(2000000);
  ASSERT_TRUE(view->ScrollBy(500000, 0));
  // Offset 0.5 s: clipA now starts at x = 90 and is framed as selected. The unnamed first
  // source (0-1 s) is cut at the time area, not drawn into the columns.
  ViewPixels px(view);
  expect(px, true,
         {{90, 60, frame}, {200, 37, frame}, {200, 60, item}, {60, 160, item}, {189, 10, cursor}, {190, 10, cursor}});
  expect(px, false, {{30, 160, item}, {10, 160, item}, {40, 10, cursor}});
}

}  // namespace
