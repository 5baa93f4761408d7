#pragma once
#include <windows.h>

// One record of a menu table. A popup record is followed by its items and closed by an end
// marker: an empty record that opens a popup.
struct MenuItem {
  bool separator;
  UINT state;
  UINT id;
  const wchar_t* label;
  bool popup;
};

// Builds a menu bar (or a pop-up menu when `popup`) from a table ending with an end marker.
HMENU BuildMenu(const MenuItem* items, bool popup);
