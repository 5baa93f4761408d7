#pragma once
// How the timeline view tells its owner (the main window) about clicks and cursor moves.
#include <windows.h>

#include <cstdint>

struct TLNode;

class CTLModelCallback {
 public:
  static constexpr uint32_t kNotifyClicks = 1;
  static constexpr uint32_t kNotifyCursor = 2;

  // Which notifications are wanted; the main window wants them all.
  uint32_t notifyMask = 0;

  // A button went down below the ruler: WM_LBUTTONDOWN or WM_RBUTTONDOWN, and the node
  // under the pointer or null. The node is valid until the view's next Refresh.
  virtual int OnNodeClick(UINT message, TLNode* node) = 0;
  // The time cursor moved (microseconds).
  virtual int OnCursorTime(int64_t time) = 0;

 protected:
  ~CTLModelCallback() = default;
};
