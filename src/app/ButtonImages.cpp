#include "app/ButtonImages.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

#include "res/resource.h"
#include "ui/UiState.h"

namespace {

constexpr int kStripImageWidth = 16;

// A memory device context whose selections are undone when it ends.
class MemoryDc {
 public:
  MemoryDc() : dc_(CreateCompatibleDC(nullptr)), saved_(dc_ ? SaveDC(dc_) : 0) {}
  ~MemoryDc() {
    if (saved_) RestoreDC(dc_, saved_);
    if (dc_) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  int saved_;
};

SIZE CaptionSize(const wchar_t* caption) {
  MemoryDc dc;
  SelectObject(dc.get(), GetStockObject(DEFAULT_GUI_FONT));
  RECT r = {0, 0, 0, 0};
  DrawTextW(dc.get(), caption, -1, &r, DT_SINGLELINE | DT_CALCRECT);
  return {r.right - r.left, r.bottom - r.top};
}

SIZE IconSize(HICON icon) {
  SIZE size = {kStripImageWidth, kStripImageWidth};
  ICONINFO info;
  if (!GetIconInfo(icon, &info)) return size;
  BITMAP bm;
  HBITMAP shape = info.hbmColor ? info.hbmColor : info.hbmMask;
  if (GetObjectW(shape, sizeof bm, &bm)) {
    size.cx = bm.bmWidth;
    size.cy = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return size;
}

}  // namespace

HICON ComposeButtonImage(HICON icon, const wchar_t* caption) {
  if (!icon || !caption) return nullptr;
  SIZE text = CaptionSize(caption);
  SIZE iconSize = IconSize(icon);
  int w = text.cx + iconSize.cx + 2;
  int h = std::max<int>(text.cy, iconSize.cy);

  HDC screen = GetDC(nullptr);
  HBITMAP color = CreateCompatibleBitmap(screen, w, h);
  ReleaseDC(nullptr, screen);
  HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
  if (color && mask) {
    MemoryDc dc;
    SelectObject(dc.get(), color);
    RECT all = {0, 0, w, h};
    FillRect(dc.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
    // The face colour as this bitmap holds it (the screen's depth may round it).
    COLORREF face = GetPixel(dc.get(), 0, 0);
    DrawIconEx(dc.get(), 0, 0, icon, iconSize.cx, iconSize.cy, 0, nullptr, DI_NORMAL);
    SelectObject(dc.get(), GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc.get(), TRANSPARENT);
    RECT captionRect = {iconSize.cx + 2, 0, w, h};
    DrawTextW(dc.get(), caption, -1, &captionRect, DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);

    // Face-coloured pixels become transparent, and black in the colour image.
    MemoryDc maskDc;
    SelectObject(maskDc.get(), mask);
    for (int py = 0; py < h; ++py) {
      for (int px = 0; px < w; ++px) {
        bool transparent = GetPixel(dc.get(), px, py) == face;
        SetPixel(maskDc.get(), px, py, transparent ? RGB(255, 255, 255) : RGB(0, 0, 0));
        if (transparent) SetPixel(dc.get(), px, py, RGB(0, 0, 0));
      }
    }
  }
  HICON result = nullptr;
  if (color && mask) {
    ICONINFO info = {TRUE, 0, 0, mask, color};
    result = CreateIconIndirect(&info);
  }
  if (color) DeleteObject(color);
  if (mask) DeleteObject(mask);
  return result;
}

void MakeButtonImages(HINSTANCE instance) {
  HIMAGELIST strip =
      ImageList_LoadImageW(instance, MAKEINTRESOURCEW(IDB_BUTTONS), kStripImageWidth, 0, CLR_DEFAULT, IMAGE_BITMAP, 0);
  if (!strip) return;
  HICON ok = ImageList_GetIcon(strip, 0, ILD_NORMAL);
  HICON cancel = ImageList_GetIcon(strip, 1, ILD_NORMAL);
  UiState::SetButtonImages(ComposeButtonImage(ok, L"OK"), ComposeButtonImage(cancel, L"Cancel"));
  if (ok) DestroyIcon(ok);
  if (cancel) DestroyIcon(cancel);
  ImageList_Destroy(strip);
}

void FreeButtonImages() {
  if (HICON ok = UiState::OkButtonImage()) DestroyIcon(ok);
  if (HICON cancel = UiState::CancelButtonImage()) DestroyIcon(cancel);
  UiState::SetButtonImages(nullptr, nullptr);
}
