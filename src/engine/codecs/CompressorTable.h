// The engine's compressors: the class ids they are created by, the names the device catalogue
// lists them under and the category each is listed in.
#pragma once

#include "engine/base/ClassFactory.h"

#include <windows.h>

namespace engine::codecs {

// {541BB830-F6E9-41D8-BF15-214BE7D2DC80}
inline constexpr CLSID kMjpegCompressorClsid = {
    0x541bb830, 0xf6e9, 0x41d8, {0xbf, 0x15, 0x21, 0x4b, 0xe7, 0xd2, 0xdc, 0x80}};
// {AFAFD51C-C639-4BF0-A3C2-5B6C46D0027A}
inline constexpr CLSID kAdpcmCompressorClsid = {
    0xafafd51c, 0xc639, 0x4bf0, {0xa3, 0xc2, 0x5b, 0x6c, 0x46, 0xd0, 0x02, 0x7a}};

struct CompressorClass {
  const wchar_t* name;
  const CLSID* category;  // CLSID_VideoCompressorCategory or CLSID_AudioCompressorCategory
  const CLSID* clsid;
  CreateFn create;
};

const CompressorClass* Compressors(size_t* count);

}  // namespace engine::codecs
