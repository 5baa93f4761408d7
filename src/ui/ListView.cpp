#include "ui/ListView.h"

#include <commctrl.h>

#include "ui/CommonControls.h"

void CListView::SetDefaults() {
  SetCreationDefaults(WS_EX_CLIENTEDGE,
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 100, 100);
}

DWORD CListView::Create(HWND parent, HINSTANCE instance) {
  EnsureCommonControls(ICC_LISTVIEW_CLASSES);
  return CreateHandle(WC_LISTVIEWW, instance, parent, true);
}
