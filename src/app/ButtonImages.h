#pragma once
#include <windows.h>

// Composes a button image: the 16-pixel icon at the left, the caption 2 pixels right of it, in
// the default GUI font, on a transparent background (the button-face colour).
HICON ComposeButtonImage(HICON icon, const wchar_t* caption);

// Loads the OK/Cancel strip (bitmap 103) and hands the composed images to the dialog button
// row; either stays missing when the strip cannot be loaded.
void MakeButtonImages(HINSTANCE instance);
void FreeButtonImages();
