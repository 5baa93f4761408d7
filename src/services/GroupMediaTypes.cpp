#include "services/GroupMediaTypes.h"

#include <uuids.h>

const GroupMediaType GroupMediaTypes[kGroupMediaTypeCount] = {
    {&MEDIATYPE_Video,
     L"Video",
     3,
     {{&MEDIASUBTYPE_RGB555, 16, L"RGB 555, 16 bits per pixel"},
      {&MEDIASUBTYPE_RGB24, 24, L"RGB, 24 bits per pixel"},
      {&MEDIASUBTYPE_ARGB32, 32, L"ARGB, 32 bits per pixel (with valid alpha bits)"}}},
    {&MEDIATYPE_Audio,
     L"Audio",
     1,
     {{&MEDIASUBTYPE_PCM, 0, L"PCM, 16-bit, stereo"}, {nullptr, 0, nullptr}, {nullptr, 0, nullptr}}},
};
