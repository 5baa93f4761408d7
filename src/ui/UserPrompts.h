#pragma once
#include <windows.h>
#include <commdlg.h>

// Every message box, file dialog and pop-up menu choice of the program goes through here, so
// that tests can answer in place of a user. The program itself always shows the real ones.

struct MessageRequest {
  HWND owner = nullptr;
  const wchar_t* text = L"";
  const wchar_t* caption = nullptr;  // null: the program's name
  UINT type = MB_OK;
  HINSTANCE iconInstance = nullptr;  // with MB_USERICON: the icon resource to show
  const wchar_t* icon = nullptr;
};

// Modal message box captioned with the program's name; returns the pressed button.
int ShowMessage(HWND owner, const wchar_t* text, UINT type);
int ShowMessage(const MessageRequest& request);

// The common open or save dialog; false when cancelled (or failed).
bool ShowFileDialog(OPENFILENAMEW* request, bool save);

// Shows a pop-up menu and returns the chosen command, 0 when dismissed.
UINT ChooseFromMenu(HMENU menu, int x, int y, HWND owner);

struct UserPromptHooks {
  int (*message)(const MessageRequest& request) = nullptr;
  bool (*fileDialog)(OPENFILENAMEW* request, bool save) = nullptr;
  UINT (*menu)(HMENU menu, int x, int y, HWND owner) = nullptr;
};
// Replaces the prompts (null members keep the real ones); returns the previous hooks.
UserPromptHooks SetUserPromptHooks(const UserPromptHooks& hooks);
