#include "timeline/WndTLModel.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>

#include "timeline/SourceRowPaint.h"
#include "timeline/TimeCode.h"
#include "ui/SysColorPen.h"

namespace {

int ClampToInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN / 2, INT_MAX / 2)); }

}  // namespace

CWndTLModel::CWndTLModel() {
  className_ = L"TimeLineModel";
  style = WS_CHILD | WS_VISIBLE;
  exStyle = WS_EX_STATICEDGE;
}

DWORD CWndTLModel::Create(HWND parent, HINSTANCE instance) {
  style |= WS_CHILD | WS_VISIBLE;
  exStyle |= WS_EX_STATICEDGE;
  DWORD result = CWindow::Create(parent, instance);
  if (result == 0) {
    // The first size message came while the window was being made, before this object
    // received its messages: take the client size now so the first paint has it.
    RECT r;
    GetClientRect(window_, &r);
    clientWidth_ = r.right;
    clientHeight_ = r.bottom;
    pictures_ = std::make_unique<CMediaPictures>(window_, kPicturesReady);
  }
  return result;
}

// The picture maker's thread goes before the window it reports to.
CWndTLModel::~CWndTLModel() { pictures_.reset(); }

void CWndTLModel::ZoomToFit() {
  const int64_t length = model_.LargestStop();
  const int width = clientWidth_ - kTimeArea - 1;
  if (length <= 0 || width <= 0) return;
  scale_ = std::max<int64_t>(1, (length + width - 1) / width);
  offset_ = 0;
}

int CWndTLModel::Refresh() {
  contentHeight_ = 0;
  int groups = model_.Rebuild(timeline_.Get());
  for (int g = 0; g < groups; ++g) contentHeight_ += BandHeight(model_.Group(g)) + kBandGap;
  // Deletions can shrink the content below a view that was scrolled down.
  vOffset_ = std::min(vOffset_, contentHeight_);
  return groups;
}

int CWndTLModel::TimeToX(int64_t time) const { return ClampToInt(time / scale_ - offset_ / scale_ + kTimeArea); }

void CWndTLModel::TrackRows(const TLNode& track, int trackTop, Row rows[3]) const {
  int top = trackTop;
  rows[0] = {top, top + effectHeight_, &track.effects};
  top += effectHeight_ + 1;
  rows[1] = {top, top + sourceHeight_, &track.sources};
  top += sourceHeight_ + 1;
  rows[2] = {top, top + transitionHeight_, &track.transitions};
}

// ---- Painting ---------------------------------------------------------------------------

void CWndTLModel::Paint(HDC dc) {
  RECT all = {0, 0, clientWidth_, clientHeight_};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  int oldMode = SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  SysColorPen highlight(COLOR_BTNHIGHLIGHT);
  SysColorPen shadow(COLOR_BTNSHADOW);
  HBRUSH itemFill = GetSysColorBrush(COLOR_BTNHIGHLIGHT);
  HBRUSH selectedFrame = GetSysColorBrush(COLOR_HIGHLIGHT);

  int bandTop = rulerHeight_ - vOffset_;
  for (int g = 0; g < model_.GroupCount(); ++g) {
    const TLNode& group = model_.Group(g);
    int bandEnd = bandTop + BandHeight(group);
    // Bands wholly above or below the client area cannot show anything.
    if (bandEnd >= 0 && bandTop <= clientHeight_) {
      int trackTop = bandTop;
      for (size_t t = group.tracks.size(); t-- > 0; trackTop += TrackPitch()) {
        if (trackTop > clientHeight_ || trackTop + TrackPitch() < 0) continue;
        Row rows[3];
        TrackRows(group.tracks[t], trackTop, rows);
        for (const Row& row : rows) {
          PaintItems(dc, row, itemFill, selectedFrame);
          highlight.Line(dc, kTrackColumn, row.top, clientWidth_, row.top);
          shadow.Line(dc, kTrackColumn, row.bottom, clientWidth_, row.bottom);
        }
      }
      RECT groupBox = {kGroupColumn, bandTop, kTrackColumn, bandEnd};
      DrawEdge(dc, &groupBox, EDGE_ETCHED, BF_RECT);
      RECT trackBox = {kTrackColumn, bandTop, kTimeArea, bandEnd};
      DrawEdge(dc, &trackBox, EDGE_ETCHED, BF_RECT);
      RECT timeBox = {kTimeArea, bandTop, clientWidth_, bandEnd};
      DrawEdge(dc, &timeBox, EDGE_ETCHED, BF_LEFT | BF_TOP | BF_BOTTOM);
    }
    bandTop = bandEnd + kBandGap;
  }

  PaintRuler(dc);

  int cursorX = ClampToInt((cursorTime_ - offset_) / scale_ + kTimeArea - 1);
  RECT cursor = {cursorX, 0, cursorX + 2, rulerHeight_};
  FillRect(dc, &cursor, GetSysColorBrush(COLOR_HIGHLIGHTTEXT));

  SetBkMode(dc, oldMode);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldFont);
}

void CWndTLModel::PaintItems(HDC dc, const Row& row, HBRUSH fill, HBRUSH frame) const {
  for (const TLNode& item : *row.items) {
    int x1 = TimeToX(item.start);
    int x2 = TimeToX(item.stop);
    if (x1 >= clientWidth_ || x2 < kTimeArea + 1) continue;
    x1 = std::max(x1, kTimeArea);
    x2 = std::min(x2, clientWidth_);
    RECT r = {x1, row.top, x2, row.bottom};
    FillRect(dc, &r, fill);
    if (item.type == kTLSource && pictures_)
      PaintSourceContent(dc, *pictures_, item,
                         {TimeToX(item.start), TimeToX(item.stop), row.top, row.bottom, x1, x2, scale_});
    if (item.selected) {
      RECT f = {x1, row.top + 1, x2, row.bottom};
      FrameRect(dc, &f, frame);
    }
    // Clipped to the item, so that a long name does not run over its neighbours.
    if (!item.name.empty())
      ExtTextOutW(dc, x1, row.top, ETO_CLIPPED, &r, item.name.c_str(), static_cast<UINT>(item.name.size()), nullptr);
  }
}

void CWndTLModel::PaintRuler(HDC dc) const {
  RECT corner = {0, 0, kTimeArea, rulerHeight_};
  FillRect(dc, &corner, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &corner, EDGE_ETCHED, BF_RECT);
  RECT strip = {kTimeArea, 0, clientWidth_, rulerHeight_};
  FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));

  const wchar_t* format = scale_ >= 100000 ? kTimeCodeCoarse : kTimeCodeDisplay;
  wchar_t label[kTimeCodeBufferChars];
  auto print = [&](int px, int64_t time) {
    FormatTimeCode(time, format, label, kTimeCodeBufferChars);
    TextOutW(dc, px, 0, label, static_cast<int>(wcslen(label)));
  };
  print(kTimeArea + 1, offset_);

  SysColorPen ticks(COLOR_BTNTEXT);
  int tickTop = (rulerHeight_ / 3) * 2;
  int counter = 0;
  for (int px = kTimeArea; px < clientWidth_; px += 5) {
    ticks.Line(dc, px, tickTop, px, rulerHeight_);
    if (counter >= 100) {
      ticks.Line(dc, px, 0, px, rulerHeight_);
      print(px + 1, XToTime(px));
      counter = 1;
    } else {
      counter += 5;
    }
  }
}

// ---- Hit testing and the mouse ----------------------------------------------------------

TLNode* CWndTLModel::HitTest(int px, int py) {
  int bandTop = rulerHeight_ - vOffset_;
  int64_t time = XToTime(px);
  for (int g = 0; g < model_.GroupCount(); ++g) {
    TLNode& group = model_.Group(g);
    int bandEnd = bandTop + BandHeight(group);
    if (px < kTimeArea) {
      if (py >= bandTop && py <= bandEnd) return &group;
    } else if (py >= bandTop && py <= bandEnd) {
      int trackTop = bandTop;
      for (size_t t = group.tracks.size(); t-- > 0; trackTop += TrackPitch()) {
        TLNode& track = group.tracks[t];
        Row rows[3];
        TrackRows(track, trackTop, rows);
        for (const Row& row : rows) {
          if (py < row.top || py > row.bottom) continue;
          for (const TLNode& item : *row.items)
            if (item.start < time && time < item.stop) return const_cast<TLNode*>(&item);
          return &track;
        }
      }
    }
    bandTop = bandEnd + kBandGap;
  }
  return nullptr;
}

void CWndTLModel::OnButtonDown(UINT message, int px, int py) {
  SetFocus(window_);
  if (py <= rulerHeight_) {
    if (px < kTimeArea) return;
    cursorTime_ = XToTime(px);
    if (callback_ && (callback_->notifyMask & CTLModelCallback::kNotifyCursor)) callback_->OnCursorTime(cursorTime_);
    InvalidateRect(window_, nullptr, FALSE);
    return;
  }
  TLNode* node = HitTest(px, py);
  int changed = ForEachNode(model_, kTLItems, ClearSelection);
  if (node && node->IsItem()) {
    node->selected = true;
    ++changed;
  }
  if (changed) InvalidateRect(window_, nullptr, FALSE);
  // The owner may rebuild the tree from here on: the node is not used afterwards.
  if (callback_ && (callback_->notifyMask & CTLModelCallback::kNotifyClicks)) callback_->OnNodeClick(message, node);
}

void CWndTLModel::OnWheel(int delta) {
  bool changed = false;
  if (delta > 0) {
    if (scale_ < model_.LargestStop() / 360) {
      scale_ *= 2;
      changed = true;
    }
  } else if (scale_ >= 2) {
    scale_ /= 2;
    changed = true;
  }
  if (!changed) return;
  InvalidateRect(window_, nullptr, FALSE);
  UpdateScrollBars(kScrollHorizontal);
}

// ---- Scrolling --------------------------------------------------------------------------

void CWndTLModel::UpdateScrollBars(uint32_t mask) {
  if (!window_) return;
  if (mask & kScrollHorizontal) {
    int64_t range = model_.LargestStop() / scale_;
    int page = clientWidth_ - kTimeArea;
    if (page >= range) {
      offset_ = 0;
      ShowScrollBar(window_, SB_HORZ, FALSE);
    } else {
      SCROLLINFO info = {};
      info.cbSize = sizeof info;
      info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
      info.nMin = 0;
      info.nMax = static_cast<int>(std::min<int64_t>(range, INT_MAX));
      info.nPage = static_cast<UINT>(std::max(page, 0));
      info.nPos = static_cast<int>(std::min<int64_t>(offset_ / scale_, INT_MAX));
      SetScrollInfo(window_, SB_HORZ, &info, TRUE);
      ShowScrollBar(window_, SB_HORZ, TRUE);
    }
  }
  if (mask & kScrollVertical) {
    int visible = clientHeight_ - rulerHeight_;
    if (visible >= contentHeight_) {
      vOffset_ = 0;
      ShowScrollBar(window_, SB_VERT, FALSE);
    } else {
      SCROLLINFO info = {};
      info.cbSize = sizeof info;
      info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
      info.nMin = 0;
      info.nMax = contentHeight_;
      info.nPage = static_cast<UINT>(std::max(visible, 0));
      // The thumb shows where the view is, which need not be the top.
      info.nPos = vOffset_;
      SetScrollInfo(window_, SB_VERT, &info, TRUE);
      ShowScrollBar(window_, SB_VERT, TRUE);
    }
  }
}

void CWndTLModel::SyncScrollPositions() {
  SetScrollPos(window_, SB_HORZ, static_cast<int>(std::min<int64_t>(offset_ / scale_, INT_MAX)), TRUE);
  SetScrollPos(window_, SB_VERT, vOffset_, TRUE);
}

bool CWndTLModel::ScrollBy(int64_t dt, int64_t dy) {
  int64_t largest = model_.LargestStop();
  int64_t offset = offset_;
  if (dt > 0)
    offset = dt >= largest - offset ? largest : offset + dt;
  else if (dt < 0)
    offset = dt <= -offset ? 0 : offset + dt;
  int64_t v = vOffset_;
  if (dy > 0)
    v = dy >= contentHeight_ - v ? contentHeight_ : v + dy;
  else if (dy < 0)
    v = dy <= -v ? 0 : v + dy;
  if (offset == offset_ && v == vOffset_) return false;
  offset_ = offset;
  vOffset_ = static_cast<int>(v);
  if (window_) {
    InvalidateRect(window_, nullptr, TRUE);
    SyncScrollPositions();
  }
  return true;
}

namespace {

// The thumb position of a scroll message; the message carries only 16 bits of it.
int ThumbPosition(HWND window, int bar, WPARAM wParam) {
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_TRACKPOS;
  if (GetScrollInfo(window, bar, &info) && info.nMax > 0xFFFF) return info.nTrackPos;
  return HIWORD(wParam);
}

}  // namespace

void CWndTLModel::OnHScroll(int code) {
  int64_t page = static_cast<int64_t>(clientWidth_ - kTimeArea) * scale_;
  switch (code) {
    case SB_LINELEFT: ScrollBy(-scale_, 0); break;
    case SB_LINERIGHT: ScrollBy(scale_, 0); break;
    case SB_PAGELEFT: ScrollBy(-page, 0); break;
    case SB_PAGERIGHT: ScrollBy(page, 0); break;
    case SB_LEFT: ScrollBy(-offset_, 0); break;
    case SB_RIGHT: ScrollBy(model_.LargestStop() - offset_, 0); break;
    default: break;
  }
}

void CWndTLModel::OnVScroll(int code) {
  switch (code) {
    case SB_LINEUP:
    case SB_LINEDOWN: {
      int v = std::clamp(vOffset_ + (code == SB_LINEUP ? -1 : 1), 0, contentHeight_);
      if (v != vOffset_) {
        vOffset_ = v;
        InvalidateRect(window_, nullptr, TRUE);
        SyncScrollPositions();
      }
      break;
    }
    case SB_PAGEUP: ScrollBy(0, -clientHeight_); break;
    case SB_PAGEDOWN: ScrollBy(0, clientHeight_); break;
    case SB_TOP: ScrollBy(0, -vOffset_); break;
    case SB_BOTTOM: ScrollBy(0, contentHeight_ - vOffset_); break;
    default: break;
  }
}

LRESULT CWndTLModel::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kPicturesReady: InvalidateRect(window, nullptr, FALSE); return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      if (dc) Paint(dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_SIZE:
      clientWidth_ = LOWORD(lParam);
      clientHeight_ = HIWORD(lParam);
      UpdateScrollBars(kScrollBoth);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: OnButtonDown(message, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_MOUSEWHEEL: OnWheel(GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_HSCROLL:
      if (LOWORD(wParam) == SB_THUMBPOSITION)
        ScrollBy(static_cast<int64_t>(ThumbPosition(window, SB_HORZ, wParam)) * scale_ - offset_, 0);
      else
        OnHScroll(LOWORD(wParam));
      return 0;
    case WM_VSCROLL:
      if (LOWORD(wParam) == SB_THUMBPOSITION)
        ScrollBy(0, ThumbPosition(window, SB_VERT, wParam) - vOffset_);
      else
        OnVScroll(LOWORD(wParam));
      return 0;
    default: return CWindow::WndProc(window, message, wParam, lParam);
  }
}
