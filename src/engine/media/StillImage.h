// Still pictures (BMP, GIF, JPEG, PNG, TIFF through the platform's imaging codecs; TGA through
// our own reader) decoded into one frame.
#pragma once

#include "engine/media/MediaFrame.h"

#include <string>

namespace engine::media {

// S_OK with the picture; S_FALSE when the file is not a picture format we know (the caller
// then tries the audio/video decoders); a failure code when it is one but cannot be read.
// Only the first frame of a multi-frame picture (an animated GIF) is read.
HRESULT LoadStillImage(const std::wstring& path, VideoFrame* out);

}  // namespace engine::media
