#pragma once
#include <windows.h>

// What every in-place cell editor of CGridStr leaves to its grid.

// Tab, Enter and Escape end or leave an edit: the grid handles them, not the editor.
bool IsGridEditKey(WPARAM key);

// Hands a message of an editor to its grid where the grid handles it: the editor's focus loss
// (which settles the edit), the dialog code (an editor wants every key, so that dialog
// navigation does not take them) and the keys above. True, with the result, when handled;
// the editor may be gone by then, so the caller touches nothing of it afterwards.
bool ForwardGridEditorMessage(HWND grid, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
