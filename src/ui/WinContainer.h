#pragma once
#include <vector>

#include "ui/WinCtl.h"

// A window that owns child objects and moves or stretches them by their anchor flags when it
// is resized.
class CWinContainer : public CWinCtl {
 public:
  CWinContainer() = default;
  ~CWinContainer() override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Takes ownership; false (and nothing added) when the child is already in the list.
  bool AddChild(CWinCtl* child);
  // Destroys the child and its window.
  void RemoveChild(CWinCtl* child);

 private:
  struct ChildNode {
    int width;  // as when added, grown when the child is stretched
    int height;
    CWinCtl* child;
  };
  void ApplyAnchors(int dx, int dy);

  std::vector<ChildNode> children_;
};
