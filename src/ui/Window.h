#pragma once
#include "ui/WinContainer.h"

// A window of the system's own class, with the close protocol and a modal loop.
class CWindow : public CWinContainer {
 public:
  static constexpr UINT kChildClosedMessage = WM_APP + 1;

  CWindow();
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  DWORD Create(HWND parent, HINSTANCE instance) override;

  // What a close request does: < 0 refuses it, 1 hides the window, other values destroy it;
  // bit 1 (value 2) keeps the owner from being activated.
  virtual int OnClose();
  // The child-closed message's first parameter.
  virtual LRESULT OnChildClosed(HWND child);

  // Centres this window on another (the desktop when none or unreadable).
  void CenterOn(HWND other);
  // Shows the window with its owner disabled until it closes; returns the modal result.
  int RunModal();

  void SetClassName(const wchar_t* name) { className_ = name; }
  const wchar_t* ClassName() const { return className_; }
  bool IsModal() const { return modal_; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }

 protected:
  const wchar_t* className_ = L"KepWndClass";
  HWND owner_ = nullptr;
  bool modal_ = false;
  UINT classStyle_ = CS_HREDRAW | CS_VREDRAW;
  int modalResult_ = 0;
};
