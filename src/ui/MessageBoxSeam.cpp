#include "ui/MessageBoxSeam.h"

#include "core/AppName.h"

namespace {
MessageBoxHook g_hook = nullptr;
}

int ShowMessage(HWND owner, const wchar_t* text, UINT type) {
  if (g_hook) return g_hook(owner, text, type);
  return MessageBoxW(owner, text, kAppName, type);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  MessageBoxHook previous = g_hook;
  g_hook = hook;
  return previous;
}
