// Deep copies of AM_MEDIA_TYPE: the format block is the caller's to free (CoTaskMemFree).
#pragma once

#include <windows.h>
#include <strmif.h>

namespace engine {

HRESULT CopyMediaType(AM_MEDIA_TYPE *dst, const AM_MEDIA_TYPE &src);
void FreeMediaTypeContents(AM_MEDIA_TYPE &mt);

}  // namespace engine

namespace engine {

// The uncompressed types a group renders to, built the one way the application and the XML
// reader both use: RGB (16 bits = RGB555, 24 = RGB24, 32 = ARGB32) or 16-bit stereo PCM.
HRESULT BuildVideoGroupType(AM_MEDIA_TYPE *mt, int bitDepth, LONG width, LONG height);
HRESULT BuildAudioGroupType(AM_MEDIA_TYPE *mt, DWORD samplesPerSecond);
// Whether a group may hold this type: a video or audio type with a usable format block.
bool IsUsableGroupType(const AM_MEDIA_TYPE &mt);

}  // namespace engine
