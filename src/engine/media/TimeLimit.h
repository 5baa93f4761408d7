// Work on the platform's parsers with a bound on how long anyone waits for it. Measured: some
// damaged files (a JPEG whose signature is gone, a cut-off MP4) make the platform's parser
// never return from opening them, at no CPU; a render or a dialog waiting on that would hang.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

namespace engine::media {

// How long a source may take to open or to deliver its next picture or block before it counts
// as failed. Process-wide; 10 s unless changed.
DWORD SourceTimeLimitMs();
void SetSourceTimeLimitMs(DWORD ms);

// Whether work given up on is still running: the platform's libraries must then not be
// unloaded under it (measured: ending the process normally then faults in that thread).
bool WorkStillStuck();

// What RunWithTimeLimit returns when the work did not end in time.
constexpr HRESULT kTimedOut = HRESULT_FROM_WIN32(ERROR_TIMEOUT);

// Runs `work` on a thread of its own (in the multithreaded apartment) and waits at most
// `timeoutMs` for its result. Past that the thread is left to end by itself, if ever, and
// everything `work` holds stays with it: results must reach the caller through state the
// work shares, never through references into the caller's frame.
HRESULT RunWithTimeLimit(DWORD timeoutMs, std::function<HRESULT()> work);

// Destroys `object` on a thread of its own, for one whose source may be stuck in the platform:
// its destructor would then never return, and no render should wait on that.
template <class T>
void LetGoInBackground(std::unique_ptr<T> object) {
  if (!object) return;
  std::shared_ptr<T> held(std::move(object));
  std::function<HRESULT()> release = [held]() mutable {
    held.reset();
    return S_OK;
  };
  held.reset();  // the work's copy is now the only one
  // Without a thread to be had, the object goes here and now: there is no other way.
  RunWithTimeLimit(0, std::move(release));
}

}  // namespace engine::media
