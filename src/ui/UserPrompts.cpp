#include "ui/UserPrompts.h"

#include "core/AppName.h"

namespace {
UserPromptHooks g_hooks;
}

int ShowMessage(HWND owner, const wchar_t* text, UINT type) {
  MessageRequest request;
  request.owner = owner;
  request.text = text;
  request.type = type;
  return ShowMessage(request);
}

int ShowMessage(const MessageRequest& request) {
  MessageRequest r = request;
  if (!r.caption) r.caption = kAppName;
  if (g_hooks.message) return g_hooks.message(r);
  MSGBOXPARAMSW params = {};
  params.cbSize = sizeof params;
  params.hwndOwner = r.owner;
  params.hInstance = r.iconInstance;
  params.lpszText = r.text;
  params.lpszCaption = r.caption;
  params.dwStyle = r.type;
  params.lpszIcon = r.icon;
  return MessageBoxIndirectW(&params);
}

bool ShowFileDialog(OPENFILENAMEW* request, bool save) {
  if (g_hooks.fileDialog) return g_hooks.fileDialog(request, save);
  return save ? GetSaveFileNameW(request) != FALSE : GetOpenFileNameW(request) != FALSE;
}

UINT ChooseFromMenu(HMENU menu, int x, int y, HWND owner) {
  if (g_hooks.menu) return g_hooks.menu(menu, x, y, owner);
  return static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, x, y, 0, owner, nullptr));
}

UserPromptHooks SetUserPromptHooks(const UserPromptHooks& hooks) {
  UserPromptHooks previous = g_hooks;
  g_hooks = hooks;
  return previous;
}
