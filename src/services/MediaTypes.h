// Media types: deep copies, an owner, and the types a timeline group may hold.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <vector>

// A deep copy: the format block is the caller's to free (FreeMediaTypeContents), and pUnk
// gains a reference.
HRESULT CopyMediaType(AM_MEDIA_TYPE* dst, const AM_MEDIA_TYPE& src);
// Frees the format block and lets go of pUnk; the type is left empty of both.
void FreeMediaTypeContents(AM_MEDIA_TYPE& mt);

// An AM_MEDIA_TYPE that owns its format block.
class OwnedMediaType {
 public:
  OwnedMediaType();
  OwnedMediaType(const OwnedMediaType& other);
  OwnedMediaType& operator=(const OwnedMediaType& other);
  ~OwnedMediaType();
  // Takes over a type whose format block was allocated with CoTaskMemAlloc.
  void Adopt(AM_MEDIA_TYPE& mt);
  HRESULT CopyFrom(const AM_MEDIA_TYPE& mt);
  const AM_MEDIA_TYPE& Get() const { return mt_; }

 private:
  AM_MEDIA_TYPE mt_;
};

// A group's media type by the fields that describe it, the ones the XTL form carries: every
// type a group accepts is rebuilt the same from them (format fields that follow from the
// others, such as the image size, are computed).
struct GroupTypeFields {
  bool video = true;
  GUID subtype{};
  LONG bitDepth = 0;  // bits per pixel, or per audio sample
  LONG width = 0;
  LONG height = 0;               // negative: rows run top-down
  std::vector<RGBQUAD> palette;  // 8-bit video only
  DWORD samplesPerSecond = 0;
  WORD channels = 0;
};

// The fields of a type a group may hold; VFW_E_INVALIDMEDIATYPE (and *why, when given, says
// what is wrong) for anything else:
// - video in a VIDEOINFOHEADER, width 1 to 65535 and height 1 to 65535 either way up: RGB555
//   (16 bits), RGB24, RGB32 and ARGB32 (32 bits) uncompressed, RGB8 with its palette, or a
//   four-character-code subtype whose code is the header's compression (YUY2 and the like,
//   which the render engine then refuses to produce);
// - PCM audio of 8, 16, 24 or 32 bits, one or more channels, 1 to 1,000,000 samples per
//   second, with the block alignment and byte rate that follow from them.
// Anything else (RGB565 and other bit fields, compressed RGB, a subtype that disagrees with
// its header, other audio encodings) would not survive a save.
HRESULT DescribeGroupType(const AM_MEDIA_TYPE& mt, GroupTypeFields* fields, const wchar_t** why = nullptr);
// The type of the fields; VFW_E_INVALIDMEDIATYPE when they describe no type a group may hold.
HRESULT BuildGroupType(const GroupTypeFields& fields, AM_MEDIA_TYPE* mt, const wchar_t** why = nullptr);
// The subtype 16-, 24- and 32-bit video and 8-bit video take when none is named: RGB555,
// RGB24, ARGB32, RGB8. GUID_NULL for other depths.
GUID DefaultVideoSubtype(LONG bitDepth);

// The uncompressed types a group renders to, built the one way the application and the XML
// reader both use: RGB (16 bits = RGB555, 24 = RGB24, 32 = ARGB32) or 16-bit stereo PCM.
HRESULT BuildVideoGroupType(AM_MEDIA_TYPE* mt, int bitDepth, LONG width, LONG height);
HRESULT BuildAudioGroupType(AM_MEDIA_TYPE* mt, DWORD samplesPerSecond);
// Whether a group may hold this type (DescribeGroupType succeeds).
bool IsUsableGroupType(const AM_MEDIA_TYPE& mt);
