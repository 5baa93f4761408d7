#pragma once
// Base name of the configuration file, main window title, message box caption and the
// prefix of temporary files.
inline constexpr wchar_t kAppName[] = L"MRQ";
