#pragma once
#include "timeline/TimeEdit.h"

// A time-code editor that an owner lays over a grid cell; created hidden, the grid shows it.
class CGridTimeEdit : public CTimeEdit {
 public:
  CGridTimeEdit(HWND parent, HINSTANCE instance) : CTimeEdit(parent, instance, WS_VISIBLE) {}
  void SetDefaults() override;
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
};
