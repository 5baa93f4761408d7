#include "ui/WinContainer.h"

#include <algorithm>

#include "ui/UiState.h"

CWinContainer::~CWinContainer() {
  std::vector<ChildNode> children;
  children.swap(children_);
  for (ChildNode& node : children) node.child->Destroy(true);
  Detach();
}

bool CWinContainer::AddChild(CWinCtl* child) {
  if (!child) return false;
  for (const ChildNode& node : children_)
    if (node.child == child) return false;
  children_.push_back({child->width, child->height, child});
  return true;
}

void CWinContainer::RemoveChild(CWinCtl* child) {
  auto it = std::find_if(children_.begin(), children_.end(), [child](const ChildNode& n) { return n.child == child; });
  if (it == children_.end()) return;
  children_.erase(it);
  child->Destroy(true);
}

void CWinContainer::ApplyAnchors(int dx, int dy) {
  for (ChildNode& node : children_) {
    CWinCtl* child = node.child;
    if (child->anchor & kAnchorRight) {
      if (child->anchor & kAnchorStretchWidth) {
        node.width += dx;
        child->Resize(node.width, node.height);
      } else {
        child->Move(child->x + dx, child->y);
      }
    }
    if (child->anchor & kAnchorBottom) {
      if (child->anchor & kAnchorStretchHeight) {
        node.height += dy;
        child->Resize(node.width, node.height);
      } else {
        child->Move(child->x, child->y + dy);
      }
    }
  }
}

LRESULT CWinContainer::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) {
    UiState::SetActiveDialogWindow(window);
  } else if (message == WM_NCDESTROY && UiState::ActiveDialogWindow() == window) {
    UiState::SetActiveDialogWindow(nullptr);
  } else if (message == WM_WINDOWPOSCHANGED) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
    if (!(pos->flags & SWP_NOSIZE)) {
      int dx = pos->cx - width;
      int dy = pos->cy - height;
      if (dx != 0 || dy != 0) {
        // Stored before the children move, so that a resize re-entering from a child's
        // move does not apply the same change twice.
        StoreWindowPos(pos);
        ApplyAnchors(dx, dy);
      }
    }
  }
  return CWinCtl::WndProc(window, message, wParam, lParam);
}
