#pragma once
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include "ui/Window.h"

// The caption-less window shown while the program starts: the splash picture, the program's
// name and one status line, which can be redrawn before any message loop runs.
class CWndSplash : public CWindow {
 public:
  CWndSplash();
  LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  ~CWndSplash() override = default;
  DWORD Create(HWND parent, HINSTANCE instance) override;

  // Draws into dc (the window's own context when null) over rect (the client area when
  // null); an empty rect takes the picture's natural size.
  void PaintSplash(HDC dc, RECT* rect);
  // Sets the status line and shows it at once.
  void SetStatus(const wchar_t* text);
  const wchar_t* Status() const { return text_; }
  bool HasPicture() const { return picture_ != nullptr; }

 private:
  void LoadPicture(HINSTANCE instance);

  Microsoft::WRL::ComPtr<IPicture> picture_;
  const wchar_t* text_ = L"";
};
