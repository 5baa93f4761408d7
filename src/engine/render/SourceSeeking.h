// IMediaSeeking for the timeline source, in media time only; the filter and each of its
// output pins answer it through the few hooks below.
#pragma once

#include <windows.h>
#include <strmif.h>

namespace engine::render {

class SourceSeeking : public IMediaSeeking {
 public:
  STDMETHODIMP GetCapabilities(DWORD* caps) override;
  STDMETHODIMP CheckCapabilities(DWORD* caps) override;
  STDMETHODIMP IsFormatSupported(const GUID* format) override;
  STDMETHODIMP QueryPreferredFormat(GUID* format) override;
  STDMETHODIMP GetTimeFormat(GUID* format) override;
  STDMETHODIMP IsUsingTimeFormat(const GUID* format) override;
  STDMETHODIMP SetTimeFormat(const GUID* format) override;
  STDMETHODIMP GetDuration(LONGLONG* duration) override;
  STDMETHODIMP GetStopPosition(LONGLONG* stop) override;
  STDMETHODIMP GetCurrentPosition(LONGLONG* current) override;
  STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                 const GUID* sourceFormat) override;
  STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override;
  STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override;
  STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  STDMETHODIMP SetRate(double rate) override;
  STDMETHODIMP GetRate(double* rate) override;
  STDMETHODIMP GetPreroll(LONGLONG* preroll) override;

 protected:
  virtual ~SourceSeeking() = default;
  virtual REFERENCE_TIME SeekDuration() = 0;
  virtual REFERENCE_TIME SeekCurrent() = 0;
  virtual REFERENCE_TIME SeekStop() = 0;
  // Moves the stream to start at `current` (when `moveCurrent`; the stream is then flushed)
  // and to end at `stop`; both lie within the duration.
  virtual HRESULT SeekTo(bool moveCurrent, REFERENCE_TIME current, REFERENCE_TIME stop) = 0;
};

}  // namespace engine::render
