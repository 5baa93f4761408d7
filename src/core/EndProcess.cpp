#include "core/EndProcess.h"

#include <windows.h>

// Ends the process at once. Measured under the emulation we run on: with a thread still inside
// the media framework's host libraries, even TerminateProcess faults while those libraries
// shut down, and the exit code is lost to the fault. The host's own exit_group ends every
// thread at once and runs no library's shutdown.
[[noreturn]] void EndProcessNow(int code) {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (ntdll && GetProcAddress(ntdll, "wine_get_version")) {
    // exit_group(2) of the x86-64 Linux host.
    long number = 231, status = code;
    __asm__ volatile("syscall" : : "a"(number), "D"(status) : "rcx", "r11", "memory");
  }
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
  for (;;) Sleep(INFINITE);
}
