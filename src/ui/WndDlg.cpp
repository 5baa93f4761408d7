#include "ui/WndDlg.h"

#include "ui/Button.h"
#include "ui/UiState.h"

CButton* CWndDlg::MakeButton(HICON image, DWORD imageStyle, const wchar_t* caption, int left, int top) {
  auto* button = new CButton(window_, instance_, WS_CHILD | WS_VISIBLE | WS_TABSTOP);
  button->Resize(kButtonWidth, kButtonHeight);
  button->Move(left, top);
  button->anchor = kAnchorRight | kAnchorBottom;
  if (image) {
    button->ModifyStyle(0, imageStyle);
    SendMessageW(button->Hwnd(), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(image));
  } else {
    button->SetText(caption);
  }
  AddChild(button);
  return button;
}

int CWndDlg::AddOkCancel(const CWinCtl* above) {
  RECT client = {};
  GetClientRect(window_, &client);
  int top = client.bottom - kButtonHeight - kMargin;
  int cancelLeft = client.right - kButtonWidth - kMargin;
  cancel_ = MakeButton(UiState::CancelButtonImage(), BS_ICON, L"Cancel", cancelLeft, top);
  ok_ =
      MakeButton(UiState::OkButtonImage(), BS_ICON | BS_DEFPUSHBUTTON, L"OK", cancelLeft - kMargin - kButtonWidth, top);

  RECT outer = {};
  GetWindowRect(window_, &outer);
  int nonClient = (outer.bottom - outer.top) - (client.bottom - client.top);
  int aboveBottom = above ? above->y + above->height : 100;
  Resize(width, aboveBottom + 12 + kButtonHeight + nonClient);
  return 0;
}

LRESULT CWndDlg::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      RECT frame;
      GetClientRect(window, &frame);
      if (ok_) frame.bottom = ok_->y - kMargin;
      DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
      EndPaint(window, &ps);
      break;
    }
    case WM_COMMAND:
      if (lParam == 0 && (wParam == IDOK || wParam == IDCANCEL)) {
        // The keyboard interface of dialog navigation (Enter, Escape). Enter does no more
        // than the OK button: while that is disabled, there is nothing to confirm.
        if (wParam == IDOK && ok_ && !IsWindowEnabled(ok_->Hwnd())) return 0;
        modalResult_ = static_cast<int>(wParam);
        return SendMessageW(window, WM_CLOSE, 0, 0);
      }
      if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
        HWND from = reinterpret_cast<HWND>(lParam);
        if (ok_ && from == ok_->Hwnd()) {
          modalResult_ = 1;
          return SendMessageW(window, WM_CLOSE, 0, 0);
        }
        if (cancel_ && from == cancel_->Hwnd()) {
          modalResult_ = 2;
          return SendMessageW(window, WM_CLOSE, 0, 0);
        }
      }
      break;
  }
  return CWindow::WndProc(window, message, wParam, lParam);
}
