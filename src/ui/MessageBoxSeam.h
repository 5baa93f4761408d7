#pragma once
#include <windows.h>

// Every message box of the system goes through here: modal, captioned "MRQ", owned by the
// given window. Returns the pressed button (IDOK, IDYES, ...). Tests may answer in place of a
// user through the hook; nothing else substitutes the platform.
int ShowMessage(HWND owner, const wchar_t* text, UINT type);

using MessageBoxHook = int (*)(HWND owner, const wchar_t* text, UINT type);
// Returns the previous hook; null restores the platform's message box.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
