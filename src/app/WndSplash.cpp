#include "app/WndSplash.h"

#include <cwchar>

#include "core/AppName.h"
#include "res/resource.h"

CWndSplash::CWndSplash() {
  className_ = L"KEP_MRQ_Splash";
  style = WS_POPUP;
  exStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
}

DWORD CWndSplash::Create(HWND parent, HINSTANCE instance) {
  width = 800;
  height = 400;
  DWORD result = CWindow::Create(parent, instance);
  CenterOn(nullptr);
  SetText(kAppName);
  LoadPicture(instance);
  return result;
}

void CWndSplash::LoadPicture(HINSTANCE instance) {
  HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDR_SPLASH), L"IMAGE");
  if (!found) return;
  DWORD size = SizeofResource(instance, found);
  HGLOBAL loaded = LoadResource(instance, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return;
  if (void* p = GlobalLock(block)) {
    memcpy(p, bytes, size);
    GlobalUnlock(block);
    Microsoft::WRL::ComPtr<IStream> stream;
    // The stream does not own the block: it is freed below, after decoding.
    if (SUCCEEDED(CreateStreamOnHGlobal(block, FALSE, &stream)))
      OleLoadPicture(stream.Get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                     reinterpret_cast<void**>(picture_.ReleaseAndGetAddressOf()));
  }
  GlobalFree(block);
}

void CWndSplash::SetStatus(const wchar_t* text) {
  text_ = text ? text : L"";
  if (window_) PaintSplash(nullptr, nullptr);
}

void CWndSplash::PaintSplash(HDC dc, RECT* rect) {
  HDC own = nullptr;
  RECT area = {};
  if (!dc) {
    own = GetDC(window_);
    if (!own) return;
    dc = own;
  }
  if (rect) {
    area = *rect;
  } else {
    GetClientRect(window_, &area);
  }
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  if (picture_) {
    OLE_XSIZE_HIMETRIC w = 0;
    OLE_YSIZE_HIMETRIC h = 0;
    picture_->get_Width(&w);
    picture_->get_Height(&h);
    if (area.right == area.left && area.bottom == area.top) {
      area.right = area.left + MulDiv(w, GetDeviceCaps(dc, LOGPIXELSX), 2540);
      area.bottom = area.top + MulDiv(h, GetDeviceCaps(dc, LOGPIXELSY), 2540);
    }
    // Picture coordinates run upwards: start at the top edge with a negative height.
    picture_->Render(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, 0, h, w, -h, nullptr);
  }
  SetBkMode(dc, TRANSPARENT);
  RECT line = area;
  DrawTextW(dc, kAppName, -1, &line, DT_SINGLELINE | DT_CENTER | DT_BOTTOM);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  line = area;
  DrawTextW(dc, text_, -1, &line, DT_SINGLELINE | DT_CENTER | DT_TOP);
  SelectObject(dc, old);
  if (own) ReleaseDC(window_, own);
}

LRESULT CWndSplash::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    // The whole picture is laid out over the client area; the platform clips to what needs
    // repainting, so a partial repaint does not squeeze the picture into the damaged part.
    RECT client;
    GetClientRect(window, &client);
    PaintSplash(dc, &client);
    EndPaint(window, &ps);
    return 0;
  }
  return CWindow::WndProc(window, message, wParam, lParam);
}
