// Encodes RGB pictures to JPEG with the platform's imaging codecs (WIC), one picture at a
// time straight into the caller's buffer.
#pragma once

#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <vector>

namespace engine::codecs {

class JpegEncoder {
 public:
  // Readies the codec; call on a thread with COM. Encode may then be called from any thread:
  // measured, the objects made here serve threads that never initialised COM.
  HRESULT Open();
  void Close();

  // Encodes one uncompressed 24- or 32-bit RGB picture (either way up, as `format` says) at
  // `quality` (0 to 1) into `out`; `*written` is the size of the JPEG. A picture that does not
  // fit in `capacity` bytes is a failure, never a cut-off file.
  HRESULT Encode(const BYTE* pixels, const BITMAPINFOHEADER& format, double quality, BYTE* out, DWORD capacity,
                 DWORD* written);
  // The same for a picture as the codec takes it (see ToTopDownBgr).
  HRESULT EncodeBgr(const BYTE* rows, UINT width, UINT height, double quality, BYTE* out, DWORD capacity,
                    DWORD* written);

  // The bytes of a picture of this format as it arrives, rows padded to 4 bytes.
  static DWORD PictureBytes(const BITMAPINFOHEADER& format);
  // A picture of that format as the codec takes it: top-down rows of blue, green, red.
  static void ToTopDownBgr(const BYTE* pixels, const BITMAPINFOHEADER& format, std::vector<BYTE>* rows);

  // Whether the platform's codec makes smaller pictures at a lower quality. Measured: the
  // emulated platform's takes the quality option and ignores it (as it ignores its quantisation
  // and subsampling options), always encoding at one fixed quality. Found out once per process,
  // on a thread with COM; assumed when it cannot be found out.
  static bool HonoursQuality();

 private:
  Microsoft::WRL::ComPtr<IWICImagingFactory> factory_;
  Microsoft::WRL::ComPtr<IClassFactory> encoders_;
};

}  // namespace engine::codecs
