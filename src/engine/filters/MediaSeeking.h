// IMediaSeeking in media time for the engine's filters and pins. What differs between them
// goes through the hooks below: one that keeps its own position reports it (and moves it when
// its capabilities say it can seek); one that only passes seeking on names the upstream
// seeking that answers instead.
#pragma once

#include <windows.h>
#include <strmif.h>
#include <wrl/client.h>

namespace engine::filters {

class MediaSeeking : public IMediaSeeking {
 public:
  static constexpr DWORD kSeekCaps = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                                     AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetCurrentPos |
                                     AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;

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
  virtual ~MediaSeeking() = default;

  // True when every call goes to *upstream instead; a null upstream (nothing connected, or a
  // peer that cannot seek) answers E_NOTIMPL.
  virtual bool PassUpstream(Microsoft::WRL::ComPtr<IMediaSeeking>*) { return false; }
  // What this object can do with its own position. Without CanGetStopPos it has no stop
  // position to report; without any of the seek bits, SetPositions is not implemented.
  virtual DWORD SeekCaps() { return kSeekCaps; }
  virtual REFERENCE_TIME SeekDuration() { return 0; }
  virtual REFERENCE_TIME SeekCurrent() { return 0; }
  virtual REFERENCE_TIME SeekStop() { return SeekDuration(); }
  // Moves the stream to start at `current` (when `moveCurrent`; the stream is then flushed)
  // and to end at `stop`; both lie within the duration.
  virtual HRESULT SeekTo(bool, REFERENCE_TIME, REFERENCE_TIME) { return E_NOTIMPL; }
};

}  // namespace engine::filters
