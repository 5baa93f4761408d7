#include "app/MenuTable.h"

namespace {

bool IsEnd(const MenuItem& item) { return item.popup && !item.label && !item.separator; }

// Appends items to `menu` until the end marker; returns the record after it.
const MenuItem* AppendItems(HMENU menu, const MenuItem* item) {
  for (; !IsEnd(*item); ++item) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID;
    info.fState = item->state;
    info.wID = item->id;
    if (item->separator) {
      info.fType = MFT_SEPARATOR;
    } else {
      info.fMask |= MIIM_STRING;
      info.fType = MFT_STRING;
      info.dwTypeData = const_cast<wchar_t*>(item->label);
    }
    const MenuItem* next = item;
    if (item->popup) {
      info.fMask |= MIIM_SUBMENU;
      info.hSubMenu = CreatePopupMenu();
      next = AppendItems(info.hSubMenu, item + 1);
    }
    InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &info);
    item = next;
  }
  return item;
}

}  // namespace

HMENU BuildMenu(const MenuItem* items, bool popup) {
  HMENU menu = popup ? CreatePopupMenu() : CreateMenu();
  if (menu) AppendItems(menu, items);
  return menu;
}
