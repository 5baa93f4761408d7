#include "timeline/MediaTypeText.h"

#include <amvideo.h>
#include <mmreg.h>
#include <uuids.h>

#include <cstdarg>
#include <cstdlib>
#include <cwchar>
#include <stdio.h>

namespace {

void Append(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
  size_t used = wcsnlen(buffer, capacity);
  if (used + 1 >= capacity) return;
  va_list args;
  va_start(args, format);
  int written = _vsnwprintf(buffer + used, capacity - used, format, args);
  va_end(args);
  if (written < 0 || static_cast<size_t>(written) >= capacity - used) buffer[capacity - 1] = L'\0';
}

}  // namespace

wchar_t* DescribeMediaType(const AM_MEDIA_TYPE* type, wchar_t* buffer, size_t capacity) {
  if (!buffer || capacity == 0) return buffer;
  buffer[0] = L'\0';
  if (!type) return buffer;

  if (type->majortype == MEDIATYPE_Video) {
    DWORD code = type->subtype.Data1;
    wchar_t fourcc[5] = L"____";
    if (code > 1) {
      for (int i = 0; i < 4; ++i) {
        // A zero byte would end the text early and hide the rest of the description.
        wchar_t c = static_cast<wchar_t>((code >> (8 * i)) & 0xFF);
        fourcc[i] = c ? c : L'_';
      }
    }
    Append(buffer, capacity, L"%s", fourcc);
    if (type->formattype == FORMAT_VideoInfo && type->pbFormat && type->cbFormat >= sizeof(VIDEOINFOHEADER)) {
      const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
      // A type without a frame duration has no rate to show.
      double fps = info->AvgTimePerFrame > 0 ? 10000000.0 / static_cast<double>(info->AvgTimePerFrame) : 0.0;
      Append(buffer, capacity, L", %ux%u, %.1f fps", static_cast<unsigned>(info->bmiHeader.biWidth),
             static_cast<unsigned>(std::labs(info->bmiHeader.biHeight)), fps);
    }
  } else if (type->majortype == MEDIATYPE_Audio) {
    Append(buffer, capacity, L"0x%.4X", static_cast<unsigned>(type->subtype.Data1));
    // The fields shown lie in the part common to every wave format header.
    if (type->formattype == FORMAT_WaveFormatEx && type->pbFormat &&
        type->cbFormat >= sizeof(WAVEFORMAT) + sizeof(WORD)) {
      const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
      Append(buffer, capacity, L", %u ch., %u Hz", static_cast<unsigned>(wave->nChannels),
             static_cast<unsigned>(wave->nSamplesPerSec));
    }
  }
  return buffer;
}
