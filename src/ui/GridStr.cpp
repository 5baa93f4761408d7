#include "ui/GridStr.h"

#include <windowsx.h>

#include <algorithm>

#include "core/Text.h"
#include "ui/BackBuffer.h"
#include "ui/GridCellEdit.h"
#include "ui/GridStrCallback.h"
#include "ui/WindowClass.h"

namespace {

// Wheel deltas come in notches of this many units.
constexpr int kWheelNotch = WHEEL_DELTA;

// A bar measured in cells: its position is the current cell's index.
void ShowBar(HWND window, int bar, int max, unsigned page, int position) {
  SCROLLINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMax = max;
  info.nPage = page;
  info.nPos = position;
  SetScrollInfo(window, bar, &info, TRUE);
  ShowScrollBar(window, bar, TRUE);
}

}  // namespace

CGridStr::CGridStr(HWND parent, HINSTANCE instance) {
  CGridStr::SetDefaults();
  CGridStr::Create(parent, instance);
}

CGridStr::~CGridStr() {
  DiscardEditor();
  ++updateLock_;  // for good: nothing is laid out or painted any more
  DeleteAllRows();
}

void CGridStr::SetDefaults() { SetCreationDefaults(WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0); }

DWORD CGridStr::Create(HWND parent, HINSTANCE instance) {
  DWORD result = RegisterWindowClass(kClassName, instance, 0, nullptr, GetSysColorBrush(COLOR_WINDOW));
  if (result == 0) result = CreateHandle(kClassName, instance, parent, false);
  // The size messages of creation came before this object was attached.
  if (result == 0) LayoutFromClient();
  return result;
}

// ---- Columns, rows and cells -------------------------------------------------------------

int CGridStr::SetColumnCount(unsigned n) {
  if (n == data_.ColumnCount()) return static_cast<int>(n);
  data_.SetColumnCount(n);
  if (!updateLock_) RefreshLayout(true, kHorizontalBar, true);
  return static_cast<int>(n);
}

int CGridStr::SetColumnTitle(int column, const wchar_t* text) {
  if (!data_.SetColumnTitle(column, text)) return -1;
  if (!updateLock_) Repaint();
  return 0;
}

int CGridStr::SetColumnWidth(int column, unsigned width) {
  if (!data_.SetColumnWidth(column, width)) return -1;
  if (!updateLock_) RefreshLayout(true, kHorizontalBar, true);
  return 0;
}

void CGridStr::SetColumnFlags(int column, BYTE flags) {
  if (data_.SetColumnFlags(column, flags) && !updateLock_) Repaint();
}

void CGridStr::SetGridStyle(DWORD gridStyle) {
  gridStyle_ = gridStyle;
  if (!updateLock_) RefreshLayout(false, kBothBars, true);
}

void CGridStr::SetReadOnly(bool on) { editFlags_ = on ? editFlags_ | kReadOnly : editFlags_ & ~kReadOnly; }

int CGridStr::SetProportional(bool apply) {
  data_.EnterProportional();
  if (apply && data_.IsProportional()) {
    data_.ApplyProportions(clientWidth_);
    // Both bars: a horizontal bar shown before proportional mode has no purpose any more.
    if (!updateLock_) RefreshLayout(true, kBothBars, true);
  }
  return 0;
}

int CGridStr::InsertRows(int position, int count) {
  if (count == 0) return 0;
  if (count < 0) return -1;
  // Unsigned, so that -1 is beyond every row and appends.
  if (!data_.InsertRows(static_cast<unsigned>(position), static_cast<unsigned>(count))) return -1;
  if (currentColumn_ < 0 && currentRow_ < 0 && data_.ColumnCount() > 0) {
    currentColumn_ = std::max(data_.NearestSelectable(0, false), 0);
    currentRow_ = std::max(data_.NearestSelectable(0, true), 0);
  }
  if (!updateLock_) RefreshLayout(true, kVerticalBar, true);
  return count;
}

void CGridStr::DeleteAllRows() {
  ++updateLock_;
  DeleteRows();
  currentColumn_ = -1;
  currentRow_ = -1;
  --updateLock_;
  if (!updateLock_) RefreshLayout(true, kVerticalBar, true);
}

int CGridStr::DeleteRows() {
  unsigned count = data_.RowCount();
  if (callback_ && (callback_->flags & CGridStrCallback::kNotifyDeleteRow))
    for (unsigned row = 0; row < count; ++row) callback_->OnDeleteRow(this, row);
  data_.ClearRows();
  if (!updateLock_) RefreshLayout(true, kVerticalBar, true);
  return static_cast<int>(count);
}

int CGridStr::SetCellText(int column, int row, const wchar_t* text) {
  return SetCellText(column, row, ConcatText({text}));
}

int CGridStr::SetCellText(int column, int row, std::unique_ptr<wchar_t[]> text) {
  if (!data_.SetCellText(column, row, std::move(text))) return -1;
  if (!updateLock_) Repaint();
  return 0;
}

// ---- Layout and scroll bars --------------------------------------------------------------

void CGridStr::Layout(unsigned clientWidth, unsigned clientHeight) {
  clientWidth_ = clientWidth;
  clientHeight_ = clientHeight;
  if (clientWidth >= data_.TotalWidth()) firstColumn_ = 0;
  // A partly visible last row counts; a client lower than the title line gives a huge count,
  // which the row count then bounds.
  visibleRows_ = (clientHeight - static_cast<unsigned>(headerHeight_)) / static_cast<unsigned>(rowHeight_) + 1;
  unsigned rows = data_.RowCount();
  if (visibleRows_ > rows) {
    visibleRows_ = rows;
    firstRow_ = 0;
  } else if (firstRow_ + visibleRows_ > rows) {
    firstRow_ = rows - visibleRows_;
  }
}

void CGridStr::LayoutFromClient() {
  RECT r = {};
  if (window_) GetClientRect(window_, &r);
  Layout(static_cast<unsigned>(r.right), static_cast<unsigned>(r.bottom));
}

void CGridStr::UpdateScrollBars(int bars) {
  if (!window_) return;
  // Showing or hiding a bar resizes the client area and lays the grid out again (WM_SIZE),
  // so the client rectangle is read afresh for each bar.
  RECT r;
  if (bars & kVerticalBar) {
    GetClientRect(window_, &r);
    unsigned rows = data_.RowCount();
    if (r.bottom >= ContentHeight() || rows <= 1) {
      ShowScrollBar(window_, SB_VERT, FALSE);
    } else {
      ShowBar(window_, SB_VERT, static_cast<int>(rows - 2 + visibleRows_), visibleRows_, currentRow_);
    }
  }
  if (bars & kHorizontalBar) {
    GetClientRect(window_, &r);
    unsigned columns = data_.ColumnCount();
    if (static_cast<unsigned>(r.right) < data_.TotalWidth() && columns >= 2 && !data_.IsProportional()) {
      ShowBar(window_, SB_HORZ, static_cast<int>(columns - 1), 1, currentColumn_);
    } else {
      ShowScrollBar(window_, SB_HORZ, FALSE);
    }
  }
}

void CGridStr::RefreshLayout(bool recompute, int bars, bool repaint) {
  if (recompute) LayoutFromClient();
  if (bars) UpdateScrollBars(bars);
  if (repaint) Repaint();
}

void CGridStr::Repaint() {
  // The whole grid, without erasing: painting covers every pixel itself.
  if (window_) InvalidateRect(window_, nullptr, FALSE);
}

int CGridStr::ColumnLeft(int column) const {
  if (!data_.HasColumn(column) || static_cast<unsigned>(column) < firstColumn_) return -1;
  return static_cast<int>(data_.WidthOf(firstColumn_, static_cast<unsigned>(column)));
}

int CGridStr::RowTop(int row) const {
  if (!data_.HasRow(row) || static_cast<unsigned>(row) < firstRow_) return -1;
  return (row - static_cast<int>(firstRow_)) * rowHeight_ + headerHeight_;
}

// ---- The current cell --------------------------------------------------------------------

int CGridStr::SetCurrentCell(int column, int row) {
  if (!data_.HasColumn(column) || !data_.HasRow(row)) return -1;
  bool changed = false;
  int c = data_.NearestSelectable(column, false);
  if (c >= 0 && c != currentColumn_) {
    currentColumn_ = c;
    changed = true;
  }
  int r = data_.NearestSelectable(row, true);
  if (r >= 0 && r != currentRow_) {
    currentRow_ = r;
    changed = true;
  }
  if (changed) ShowCurrent();
  return 0;
}

void CGridStr::SetCurrentInternal(int column, int row) {
  if (column == -1 && row == -1) return;
  currentColumn_ = column;
  currentRow_ = row;
  ShowCurrent();
}

void CGridStr::ShowCurrent() {
  if (updateLock_) return;
  LONG windowStyle = window_ ? GetWindowLongW(window_, GWL_STYLE) : 0;
  if (windowStyle & WS_VSCROLL) FollowVertically();
  if (windowStyle & WS_HSCROLL) FollowHorizontally();
  Repaint();
  if (callback_ && (callback_->flags & CGridStrCallback::kNotifyCurrentCell)) callback_->OnCurrentCellChanged(this);
}

void CGridStr::FollowVertically() {
  if (currentRow_ < 0) return;
  int64_t r = currentRow_;
  int64_t f = firstRow_;
  int64_t v = visibleRows_;
  // Scrolling down keeps the current row second to last, so the row after it shows too.
  if (r >= 1 && r >= f + v - 1) f = r + 2 - v;
  if (r < f) f = r;
  firstRow_ = static_cast<unsigned>(std::max<int64_t>(f, 0));
  SetScrollPos(window_, SB_VERT, currentRow_, TRUE);
}

void CGridStr::FollowHorizontally() {
  if (currentColumn_ < 0) return;
  unsigned j = static_cast<unsigned>(currentColumn_);
  unsigned f = std::min(firstColumn_, j);
  unsigned s = data_.WidthOf(f, j + 1);
  if (s > clientWidth_) {
    while (f < j && s > clientWidth_) s -= data_.ColumnWidth(static_cast<int>(f++));
  } else if (f > 0) {
    // Room to spare: bring columns in from the left as long as the current one stays in view.
    for (unsigned c = j + 1; c < data_.ColumnCount() && s < clientWidth_; ++c)
      s += data_.ColumnWidth(static_cast<int>(c));
    while (f > 0) {
      s += data_.ColumnWidth(static_cast<int>(f - 1));
      if (s >= clientWidth_) break;
      --f;
    }
  }
  firstColumn_ = f;
  SetScrollPos(window_, SB_HORZ, currentColumn_, TRUE);
}

int CGridStr::MoveCurrent(int64_t delta, bool vertical) {
  int target = data_.StepTarget(vertical ? currentRow_ : currentColumn_, delta, vertical);
  if (target < 0) return -1;
  if (editor_) SetFocusToGrid();
  if (vertical)
    SetCurrentInternal(currentColumn_, target);
  else
    SetCurrentInternal(target, currentRow_);
  return 0;
}

// ---- Editing -----------------------------------------------------------------------------

void CGridStr::UnlockUpdate() {
  if (--updateLock_ == 0) RefreshLayout(true, kBothBars, true);
}

int CGridStr::BeginEdit() {
  if (currentColumn_ < 0) return -1;
  if (editFlags_ & kReadOnly) return 0;
  ++updateLock_;
  if (editor_) EndEdit(false);
  commit_ = true;
  if (callback_ && (callback_->flags & CGridStrCallback::kBeginEditBefore) &&
      callback_->OnBeginEdit(this, &editor_) < 0) {
    commit_ = false;
    // A vetoed edit shows nothing, not even an editor the owner stored before refusing.
    DiscardEditor();
  }
  if (commit_) {
    if (!editor_) {
      auto* edit = new CGridCellEdit();
      edit->x = ColumnLeft(currentColumn_);
      edit->y = RowTop(currentRow_);
      edit->width = static_cast<int>(data_.ColumnWidth(currentColumn_));
      edit->height = rowHeight_;
      if (edit->Create(window_, instance_) == 0) {
        edit->SetText(data_.CellText(currentColumn_, currentRow_));
        editor_ = edit;
      } else {
        edit->Destroy(false);
      }
    }
    if (callback_ && (callback_->flags & CGridStrCallback::kBeginEditAfter)) callback_->OnBeginEdit(this, &editor_);
  }
  --updateLock_;
  if (editor_ && editor_->Hwnd()) {
    ShowWindow(editor_->Hwnd(), SW_SHOW);
    SetFocus(editor_->Hwnd());
  }
  return 0;
}

int CGridStr::EndEdit(bool commit) {
  if (!editor_) return 0;
  if (callback_ && (callback_->flags & CGridStrCallback::kNotifyEndEdit)) callback_->OnEndEdit(this, editor_, commit);
  DiscardEditor();
  return 0;
}

void CGridStr::DiscardEditor() {
  if (!editor_) return;
  // The slot is cleared first: destroying a focused editor sends its focus loss back here.
  CWinCtl* editor = editor_;
  editor_ = nullptr;
  editor->Destroy(true);
}

void CGridStr::SettleEdit(HWND gainingFocus) {
  if (!editor_ || gainingFocus == editor_->Hwnd()) return;
  if (commit_) {
    std::unique_ptr<wchar_t[]> text = editor_->Hwnd() ? ConcatText({editor_->GetText().c_str()}) : nullptr;
    SetCellText(currentColumn_, currentRow_, std::move(text));
  }
  EndEdit(commit_);
}

void CGridStr::SetFocusToGrid() {
  if (window_) SetFocus(window_);
}

void CGridStr::PlaceEditor() {
  if (!editor_ || !editor_->Hwnd()) return;
  SetWindowPos(editor_->Hwnd(), nullptr, ColumnLeft(currentColumn_), RowTop(currentRow_),
               static_cast<int>(data_.ColumnWidth(currentColumn_)), rowHeight_, SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- Input -------------------------------------------------------------------------------

LRESULT CGridStr::OnKeyDown(WPARAM key, LPARAM lParam) {
  int64_t k = LOWORD(lParam);  // repeat count
  int64_t page = k * visibleRows_;
  switch (key) {
    case VK_UP: MoveCurrent(-k, true); return 0;
    case VK_DOWN: MoveCurrent(k, true); return 0;
    case VK_LEFT: MoveCurrent(-k, false); return 0;
    case VK_RIGHT: MoveCurrent(k, false); return 0;
    case VK_PRIOR: MoveCurrent(-page, true); return 0;
    case VK_NEXT: MoveCurrent(page, true); return 0;
    case VK_HOME: MoveCurrent(-page, false); return 0;
    case VK_END: MoveCurrent(page, false); return 0;
    case VK_RETURN:
      if (editor_) {
        SetFocusToGrid();  // the editor's focus loss stores its text
        return 0;
      }
      if (editFlags_ & kReadOnly) break;
      BeginEdit();
      return 0;
    case VK_ESCAPE:
      if (!editor_) break;
      commit_ = false;
      SetFocusToGrid();
      return 0;
  }
  return CWinCtl::WndProc(window_, WM_KEYDOWN, key, lParam);
}

bool CGridStr::WantsPendingKey(const MSG* pending) const {
  if (!pending || pending->message != WM_KEYDOWN) return false;
  WPARAM key = pending->wParam;
  if (key == VK_RETURN) return editor_ || !(editFlags_ & kReadOnly);
  if (key == VK_ESCAPE) return editor_ != nullptr;
  return key >= VK_PRIOR && key <= VK_DOWN;
}

int CGridStr::HitColumn(unsigned x) const {
  unsigned left = 0;
  for (unsigned c = firstColumn_; c < data_.ColumnCount(); ++c) {
    unsigned width = data_.ColumnWidth(static_cast<int>(c));
    if (left < x && x < left + width) return static_cast<int>(c);
    left += width;
  }
  return -1;
}

int CGridStr::HitRow(unsigned y) const {
  if (y < static_cast<unsigned>(headerHeight_)) return -1;
  unsigned slot = (y - static_cast<unsigned>(headerHeight_)) / static_cast<unsigned>(rowHeight_);
  return slot < visibleRows_ ? static_cast<int>(slot + firstRow_) : -1;
}

void CGridStr::OnLButtonDown(LPARAM lParam) {
  if (!focused_) SetFocusToGrid();
  int column = HitColumn(LOWORD(lParam));
  int row = HitRow(HIWORD(lParam));
  if (column < 0 || row < 0) return;
  if (column == currentColumn_ && row == currentRow_ && !(editFlags_ & kReadOnly)) {
    BeginEdit();
    return;
  }
  SetFocusToGrid();
  SetCurrentCell(column, row);
}

bool CGridStr::OnScroll(bool vertical, WPARAM wParam) {
  if (!focused_) SetFocusToGrid();
  int64_t count = vertical ? data_.RowCount() : data_.ColumnCount();
  int64_t page = vertical ? int64_t{visibleRows_} : 1;
  int64_t current = vertical ? currentRow_ : currentColumn_;
  switch (LOWORD(wParam)) {
    case SB_LINEUP: MoveCurrent(-1, vertical); return true;
    case SB_LINEDOWN: MoveCurrent(1, vertical); return true;
    case SB_PAGEUP: MoveCurrent(-page, vertical); return true;
    case SB_PAGEDOWN: MoveCurrent(page, vertical); return true;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: MoveCurrent(HIWORD(wParam) - current, vertical); return true;
    case SB_TOP: MoveCurrent(-count, vertical); return true;
    case SB_BOTTOM: MoveCurrent(count, vertical); return true;
  }
  return false;
}

void CGridStr::OnSize(unsigned clientWidth, unsigned clientHeight) {
  if (data_.IsProportional()) data_.ApplyProportions(clientWidth);
  Layout(clientWidth, clientHeight);
  UpdateScrollBars(kBothBars);
  SetCurrentInternal(currentColumn_, currentRow_);
  PlaceEditor();
}

// ---- Painting and messages ---------------------------------------------------------------

void CGridStr::Paint(HDC dc) {
  RECT client = {};
  GetClientRect(window_, &client);
  GridView view;
  view.clientWidth = client.right;
  view.clientHeight = client.bottom;
  view.headerHeight = headerHeight_;
  view.rowHeight = rowHeight_;
  view.firstColumn = firstColumn_;
  view.firstRow = firstRow_;
  view.visibleRows = visibleRows_;
  view.currentColumn = currentColumn_;
  view.currentRow = currentRow_;
  view.focused = focused_;
  view.style = gridStyle_;
  BackBuffer buffer(dc, client.right, client.bottom);
  PaintGrid(buffer.Dc(), data_, view);
  buffer.Present();
}

LRESULT CGridStr::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      if (dc && !updateLock_) Paint(dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      if (!updateLock_) Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND: return 1;  // painting covers every pixel
    case WM_SIZE: OnSize(LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_KEYDOWN: return OnKeyDown(wParam, lParam);
    case WM_GETDLGCODE:
      // The navigation keys, and Enter and Escape where they act, stay away from dialog navigation.
      if (WantsPendingKey(reinterpret_cast<const MSG*>(lParam))) return DLGC_WANTALLKEYS;
      break;
    case WM_LBUTTONDOWN: OnLButtonDown(lParam); return 0;
    case WM_MOUSEWHEEL:
      // Truncated toward zero: half a notch moves nothing; a forward notch moves up a row.
      if (data_.RowCount() > 0) MoveCurrent(-(GET_WHEEL_DELTA_WPARAM(wParam) / kWheelNotch), true);
      return 0;
    case WM_VSCROLL:
    case WM_HSCROLL:
      if (OnScroll(message == WM_VSCROLL, wParam)) return 0;
      break;
    case WM_DESTROY:
      // Before the child windows go: the editor ends with them, unstored, rather than settling
      // an edit on a grid that is going away.
      DiscardEditor();
      break;
    case WM_SETFOCUS:
      focused_ = true;
      Repaint();
      return 0;
    case WM_KILLFOCUS: {
      HWND gaining = reinterpret_cast<HWND>(wParam);
      SettleEdit(gaining);
      if (gaining != window_) focused_ = false;
      Repaint();
      return 0;
    }
  }
  return CWinCtl::WndProc(window, message, wParam, lParam);
}
