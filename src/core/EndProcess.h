#pragma once

// Ends the process at once with `code`, all output already written: for a process with a
// thread stuck for good inside the media framework.
[[noreturn]] void EndProcessNow(int code);
