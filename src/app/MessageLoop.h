#pragma once

// Runs the application's message loop until the quit request; returns its exit code. Each
// message goes first to the current accelerator table, then to the dialog navigation of the
// active window, and is otherwise translated and dispatched.
int RunMessageLoop();
