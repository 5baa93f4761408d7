#pragma once
#include <windows.h>

// The process from entry to exit: locale, configuration, log, button images, the main window
// and the message loop. Returns the exit code.
int RunApplication(HINSTANCE instance, const wchar_t* commandLine, int showCommand);
