#pragma once
#include <windows.h>

#include <string>

// Edge anchoring: how a container moves or stretches a child when the container is resized.
enum AnchorFlags : DWORD {
  kAnchorStretchWidth = 1,
  kAnchorStretchHeight = 2,
  kAnchorRight = 4,   // alone: follow the right edge; with kAnchorStretchWidth: grow instead
  kAnchorBottom = 8,  // alone: follow the bottom edge; with kAnchorStretchHeight: grow instead
};

// Root of every window and control object. The object of a window handle is found through
// the window registry, and SharedWndProc routes each message to the object's WndProc.
class CWinCtl {
 public:
  CWinCtl() = default;
  CWinCtl(const CWinCtl&) = delete;
  CWinCtl& operator=(const CWinCtl&) = delete;

  // Resets styles, position and size to the class's creation defaults.
  virtual void SetDefaults() {}
  virtual LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Detaches the object from its window; does not destroy the window.
  virtual ~CWinCtl();
  // Destroys the window when asked to and it exists, then deletes the object.
  virtual void Destroy(bool destroyWindow);
  // Creates the window; returns 0 or the platform's error code.
  virtual DWORD Create(HWND parent, HINSTANCE instance);

  DWORD CreateHandle(const wchar_t* className, HINSTANCE instance, HWND parent, bool subclass);
  void Detach();

  // Reads the window text; empty (and an empty buffer) without a window.
  std::wstring GetText() const;
  const wchar_t* GetText(wchar_t* buffer, size_t capacity) const;
  void SetText(const wchar_t* text);

  void Move(int newX, int newY);
  void Resize(int newWidth, int newHeight);
  void ModifyStyle(DWORD remove, DWORD add);

  HWND Hwnd() const { return window_; }
  HWND Parent() const { return parent_; }
  HINSTANCE Instance() const { return instance_; }

  static LRESULT CALLBACK SharedWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Creation parameters; afterwards kept equal to the real window (WM_WINDOWPOSCHANGED).
  DWORD anchor = 0;
  DWORD exStyle = 0;
  DWORD style = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

 protected:
  // Styles, position (0, 0) and size as a class creates its windows.
  void SetCreationDefaults(DWORD ex, DWORD st, int w, int h);
  LRESULT CallPrevious(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void StoreWindowPos(const WINDOWPOS* pos);

  WNDPROC prevProc_ = nullptr;
  HINSTANCE instance_ = nullptr;
  HWND window_ = nullptr;
  HWND parent_ = nullptr;
};
