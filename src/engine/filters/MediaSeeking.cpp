#include "engine/filters/MediaSeeking.h"

#include <uuids.h>

#include <algorithm>

using Microsoft::WRL::ComPtr;

namespace engine::filters {

namespace {

constexpr DWORD kMoveCaps = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards;

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

// Each call first offers itself to the upstream seeking, for the objects that pass it on.
#define MRQ_PASS_UPSTREAM(call)                                         \
  if (ComPtr<IMediaSeeking> upstream; PassUpstream(&upstream)) {        \
    return upstream ? upstream->call : static_cast<HRESULT>(E_NOTIMPL); \
  }

STDMETHODIMP MediaSeeking::GetCapabilities(DWORD* caps) {
  MRQ_PASS_UPSTREAM(GetCapabilities(caps));
  if (!caps) return E_POINTER;
  *caps = SeekCaps();
  return S_OK;
}

STDMETHODIMP MediaSeeking::CheckCapabilities(DWORD* caps) {
  MRQ_PASS_UPSTREAM(CheckCapabilities(caps));
  if (!caps) return E_POINTER;
  const DWORD asked = *caps;
  *caps &= SeekCaps();
  return *caps == asked ? S_OK : (*caps ? S_FALSE : E_FAIL);
}

STDMETHODIMP MediaSeeking::IsFormatSupported(const GUID* format) {
  MRQ_PASS_UPSTREAM(IsFormatSupported(format));
  if (!format) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

STDMETHODIMP MediaSeeking::QueryPreferredFormat(GUID* format) {
  MRQ_PASS_UPSTREAM(QueryPreferredFormat(format));
  if (!format) return E_POINTER;
  *format = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

STDMETHODIMP MediaSeeking::GetTimeFormat(GUID* format) {
  MRQ_PASS_UPSTREAM(GetTimeFormat(format));
  if (!format) return E_POINTER;
  *format = TIME_FORMAT_MEDIA_TIME;
  return S_OK;
}

STDMETHODIMP MediaSeeking::IsUsingTimeFormat(const GUID* format) {
  MRQ_PASS_UPSTREAM(IsUsingTimeFormat(format));
  if (!format) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

STDMETHODIMP MediaSeeking::SetTimeFormat(const GUID* format) {
  MRQ_PASS_UPSTREAM(SetTimeFormat(format));
  if (!format) return E_POINTER;
  return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

STDMETHODIMP MediaSeeking::GetDuration(LONGLONG* duration) {
  MRQ_PASS_UPSTREAM(GetDuration(duration));
  if (!duration) return E_POINTER;
  *duration = SeekDuration();
  return S_OK;
}

STDMETHODIMP MediaSeeking::GetStopPosition(LONGLONG* stop) {
  MRQ_PASS_UPSTREAM(GetStopPosition(stop));
  if (!(SeekCaps() & AM_SEEKING_CanGetStopPos)) return E_NOTIMPL;
  if (!stop) return E_POINTER;
  *stop = SeekStop();
  return S_OK;
}

STDMETHODIMP MediaSeeking::GetCurrentPosition(LONGLONG* current) {
  MRQ_PASS_UPSTREAM(GetCurrentPosition(current));
  if (!current) return E_POINTER;
  *current = SeekCurrent();
  return S_OK;
}

STDMETHODIMP MediaSeeking::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                             const GUID* sourceFormat) {
  MRQ_PASS_UPSTREAM(ConvertTimeFormat(target, targetFormat, source, sourceFormat));
  if (!target) return E_POINTER;
  if (!IsMediaTime(targetFormat) || !IsMediaTime(sourceFormat)) return E_INVALIDARG;
  *target = source;
  return S_OK;
}

STDMETHODIMP MediaSeeking::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) {
  MRQ_PASS_UPSTREAM(SetPositions(current, currentFlags, stop, stopFlags));
  if (!(SeekCaps() & kMoveCaps)) return E_NOTIMPL;
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

STDMETHODIMP MediaSeeking::GetPositions(LONGLONG* current, LONGLONG* stop) {
  MRQ_PASS_UPSTREAM(GetPositions(current, stop));
  if (current) *current = SeekCurrent();
  if (stop) *stop = SeekStop();
  return S_OK;
}

STDMETHODIMP MediaSeeking::GetAvailable(LONGLONG* earliest, LONGLONG* latest) {
  MRQ_PASS_UPSTREAM(GetAvailable(earliest, latest));
  if (earliest) *earliest = 0;
  if (latest) *latest = SeekDuration();
  return S_OK;
}

STDMETHODIMP MediaSeeking::SetRate(double rate) {
  MRQ_PASS_UPSTREAM(SetRate(rate));
  return rate == 1.0 ? S_OK : E_NOTIMPL;
}

STDMETHODIMP MediaSeeking::GetRate(double* rate) {
  MRQ_PASS_UPSTREAM(GetRate(rate));
  if (!rate) return E_POINTER;
  *rate = 1.0;
  return S_OK;
}

STDMETHODIMP MediaSeeking::GetPreroll(LONGLONG* preroll) {
  MRQ_PASS_UPSTREAM(GetPreroll(preroll));
  if (!preroll) return E_POINTER;
  *preroll = 0;
  return S_OK;
}

#undef MRQ_PASS_UPSTREAM

}  // namespace engine::filters
