#pragma once
// Resource numbers of MRQ.exe.
#define IDI_APP 101
#define IDR_SPLASH 102
#define IDB_BUTTONS 103
#define IDI_PREVIEW_OPTIONS 104
#define IDI_PREVIEW_PLAY 105
#define IDI_PREVIEW_PAUSE 106

#define MRQ_VERSION_NUMBERS 0, 2, 0, 10434
#define MRQ_VERSION_TEXT "0.2.0.10434"
