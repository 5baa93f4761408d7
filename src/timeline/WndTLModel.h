#pragma once
// The timeline view: a time ruler on top and, below it, one band per group with three rows
// per track (effects, sources, transitions). Items are rectangles spanning their times.
#include <wrl/client.h>

#include <cstdint>
#include <memory>

#include "services/EditingServices.h"
#include "timeline/MediaPictures.h"
#include "timeline/TLModel.h"
#include "timeline/TLModelCallback.h"
#include "ui/Window.h"

class CWndTLModel : public CWindow {
 public:
  // Columns left of the time area.
  static constexpr int kGroupColumn = 0;
  static constexpr int kTrackColumn = 20;
  static constexpr int kTimeArea = 40;
  static constexpr int kBandGap = 3;
  static constexpr uint32_t kScrollVertical = 1;
  static constexpr uint32_t kScrollHorizontal = 2;
  static constexpr uint32_t kScrollBoth = kScrollVertical | kScrollHorizontal;

  // Posted by the picture maker when more of the sources' pictures and sound are ready.
  static constexpr UINT kPicturesReady = WM_APP + 2;

  CWndTLModel();
  ~CWndTLModel() override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  DWORD Create(HWND parent, HINSTANCE instance) override;

  void SetTimeline(IAMTimeline* timeline) { timeline_ = timeline; }
  void SetCallback(CTLModelCallback* callback) { callback_ = callback; }

  // Rebuilds the tree from the timeline and recomputes the content height; returns the
  // group count. Callers then update the scroll bars and invalidate.
  int Refresh();
  void UpdateScrollBars(uint32_t mask);
  // Moves the horizontal offset by dt microseconds (kept within 0 and the largest stop) and
  // the vertical offset by dy pixels (within 0 and the content height). True if either
  // moved; the view is then invalidated and the bars follow.
  bool ScrollBy(int64_t dt, int64_t dy);
  // The node at a point of the client area, or null.
  TLNode* HitTest(int px, int py);
  void Paint(HDC dc);

  CTLModel& Model() { return model_; }
  int64_t CursorTime() const { return cursorTime_; }
  void SetCursorTime(int64_t time) { cursorTime_ = time; }
  int64_t Scale() const { return scale_; }
  void SetScale(int64_t microsPerPixel) { scale_ = microsPerPixel > 0 ? microsPerPixel : 1; }
  int64_t Offset() const { return offset_; }
  int VerticalOffset() const { return vOffset_; }
  int ContentHeight() const { return contentHeight_; }
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  int RulerHeight() const { return rulerHeight_; }
  // Height of one track: its three rows and the gaps between them and the next track.
  int TrackPitch() const { return effectHeight_ + sourceHeight_ + transitionHeight_ + 4; }

  // Scales the view so that the whole timeline fills its width, from the start.
  void ZoomToFit();
  // Thumbnails and sound of the sources; null before the window exists.
  CMediaPictures* Pictures() const { return pictures_.get(); }

  // x of a time in the time area, clamped into the range of int.
  int TimeToX(int64_t time) const;
  int64_t XToTime(int px) const { return static_cast<int64_t>(px - kTimeArea) * scale_ + offset_; }

 private:
  struct Row {
    int top;
    int bottom;  // inclusive
    const std::vector<TLNode>* items;
  };
  // The three rows of a track starting at y, top to bottom.
  void TrackRows(const TLNode& track, int trackTop, Row rows[3]) const;
  int BandHeight(const TLNode& group) const { return TrackPitch() * static_cast<int>(group.tracks.size()); }

  void PaintItems(HDC dc, const Row& row, HBRUSH fill, HBRUSH frame) const;
  std::unique_ptr<CMediaPictures> pictures_;
  void PaintRuler(HDC dc) const;
  void OnButtonDown(UINT message, int px, int py);
  void OnWheel(int delta);
  void OnHScroll(int code);
  void OnVScroll(int code);
  // Sets both scroll bars' positions from the offsets.
  void SyncScrollPositions();

  Microsoft::WRL::ComPtr<IAMTimeline> timeline_;
  CTLModel model_;
  int64_t scale_ = 500000;  // microseconds per pixel
  int64_t offset_ = 0;      // time at the left edge of the time area
  int64_t cursorTime_ = 0;
  int rulerHeight_ = 20;
  int effectHeight_ = 15;
  int sourceHeight_ = 50;
  int transitionHeight_ = 15;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  int contentHeight_ = 0;
  int vOffset_ = 0;
  CTLModelCallback* callback_ = nullptr;
};
