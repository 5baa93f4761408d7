#include "engine/codecs/CompressorTable.h"

#include "engine/codecs/AdpcmCompressor.h"
#include "engine/codecs/MjpegCompressor.h"

#include <uuids.h>

namespace engine::codecs {

namespace {

const CompressorClass kCompressors[] = {
    {L"Motion JPEG", &CLSID_VideoCompressorCategory, &kMjpegCompressorClsid, &MjpegCompressor::Create},
    {L"IMA ADPCM", &CLSID_AudioCompressorCategory, &kAdpcmCompressorClsid, &AdpcmCompressor::Create},
};

}  // namespace

const CompressorClass* Compressors(size_t* count) {
  *count = sizeof kCompressors / sizeof kCompressors[0];
  return kCompressors;
}

}  // namespace engine::codecs
