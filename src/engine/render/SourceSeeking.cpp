#include "engine/render/SourceSeeking.h"

#include <uuids.h>

#include <algorithm>

namespace engine::render {

namespace {

constexpr DWORD kCaps = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards |
                        AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;

bool IsMediaTime(const GUID* format) { return !format || *format == TIME_FORMAT_MEDIA_TIME || *format == GUID_NULL; }

// The new value of a position by the positioning flags; false for flags we do not know.
bool Apply(LONGLONG* value, DWORD flags, REFERENCE_TIME now, REFERENCE_TIME* out) {
  switch (flags & AM_SEEKING_PositioningBitsMask) {
    case AM_SEEKING_NoPositioning: *out = now; return true;
    case AM_SEEKING_AbsolutePositioning:
      if (!value) return false;
      *out = *value;
      return true;
    case AM_SEEKING_RelativePositioning:
    case AM_SEEKING_IncrementalPositioning:
      if (!value) return false;
      *out = now + *value;
      return true;
    default: return false;
  }
}

}  // namespace

STDMETHODIMP SourceSeeking::GetCapabilities(DWORD* caps) {
  if (!caps) return E_POINTER;
  *caps = kCaps;
  return S_OK;
}

STDMETHODIMP SourceSeeking::CheckCapabilities(DWORD* caps) {
  if (!caps) return E_POINTER;
  const DWORD asked = *caps;
  *caps &= kCaps;
  return *caps == asked ? S_OK : (*caps ? S_FALSE : E_FAIL);
}

STDMETHODIMP SourceSeeking::IsFormatSupported(const GUID* format) {
  if (!format) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

STDMETHODIMP SourceSeeking::QueryPreferredFormat(GUID* format) {
  if (!format) return E_POINTER;
  *format = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

STDMETHODIMP SourceSeeking::GetTimeFormat(GUID* format) { return QueryPreferredFormat(format); }

STDMETHODIMP SourceSeeking::IsUsingTimeFormat(const GUID* format) {
  if (!format) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

STDMETHODIMP SourceSeeking::SetTimeFormat(const GUID* format) {
  if (!format) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

STDMETHODIMP SourceSeeking::GetDuration(LONGLONG* duration) {
  if (!duration) return E_POINTER;
  *duration = SeekDuration();
  return S_OK;
}

STDMETHODIMP SourceSeeking::GetStopPosition(LONGLONG* stop) {
  if (!stop) return E_POINTER;
  *stop = SeekStop();
  return S_OK;
}

STDMETHODIMP SourceSeeking::GetCurrentPosition(LONGLONG* current) {
  if (!current) return E_POINTER;
  *current = SeekCurrent();
  return S_OK;
}

STDMETHODIMP SourceSeeking::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                              const GUID* sourceFormat) {
  if (!target) return E_POINTER;
  if (!IsMediaTime(targetFormat) || !IsMediaTime(sourceFormat)) return E_INVALIDARG;
  *target = source;
  return S_OK;
}

STDMETHODIMP SourceSeeking::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) {
  const REFERENCE_TIME duration = SeekDuration();
  REFERENCE_TIME start = 0, end = 0;
  if (!Apply(current, currentFlags, SeekCurrent(), &start) || !Apply(stop, stopFlags, SeekStop(), &end))
    return E_INVALIDARG;
  start = std::clamp<REFERENCE_TIME>(start, 0, duration);
  end = std::clamp<REFERENCE_TIME>(end, start, duration);
  const bool moveCurrent = (currentFlags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_NoPositioning;
  const bool moveStop = (stopFlags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_NoPositioning;
  HRESULT hr = moveCurrent || moveStop ? SeekTo(moveCurrent, start, end) : S_OK;
  if (FAILED(hr)) return hr;
  if (current && (currentFlags & AM_SEEKING_ReturnTime)) *current = start;
  if (stop && (stopFlags & AM_SEEKING_ReturnTime)) *stop = end;
  return S_OK;
}

STDMETHODIMP SourceSeeking::GetPositions(LONGLONG* current, LONGLONG* stop) {
  if (current) *current = SeekCurrent();
  if (stop) *stop = SeekStop();
  return S_OK;
}

STDMETHODIMP SourceSeeking::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  if (earliest) *earliest = 0;
  if (latest) *latest = SeekDuration();
  return S_OK;
}

STDMETHODIMP SourceSeeking::SetRate(double rate) { return rate == 1.0 ? S_OK : E_NOTIMPL; }

STDMETHODIMP SourceSeeking::GetRate(double* rate) {
  if (!rate) return E_POINTER;
  *rate = 1.0;
  return S_OK;
}

STDMETHODIMP SourceSeeking::GetPreroll(LONGLONG* preroll) {
  if (!preroll) return E_POINTER;
  *preroll = 0;
  return S_OK;
}

}  // namespace engine::render
