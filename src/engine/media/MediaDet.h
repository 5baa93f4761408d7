// The media detector (CLSID_MediaDet): what streams a file has, what they decode to, how long
// they are, and single pictures for thumbnails. Still pictures count as one video stream of
// kStillLength, so that a still placed on a timeline is visible without further editing.
#pragma once

#include "engine/base/ComObject.h"
#include "engine/media/FileReader.h"

#include <memory>
#include <string>
#include <vector>

namespace engine::media {

class MediaDet final : public ComObject<MediaDet, IMediaDet> {
 public:
  static HRESULT Create(REFIID iid, void** out);

  static constexpr REFERENCE_TIME kStillLength = 5 * 10000000LL;  // five seconds
  // Longest wait for the decoders to produce a picture.
  static constexpr DWORD kFrameTimeoutMs = 10000;
  // Longest a thumbnail may take to decode forward to its time.
  static constexpr DWORD kScanTimeoutMs = 30000;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;

  STDMETHODIMP get_Filter(IUnknown**) override { return E_NOTIMPL; }
  STDMETHODIMP put_Filter(IUnknown*) override { return E_NOTIMPL; }
  STDMETHODIMP get_OutputStreams(LONG* count) override;
  STDMETHODIMP get_CurrentStream(LONG* stream) override;
  STDMETHODIMP put_CurrentStream(LONG stream) override;
  STDMETHODIMP get_StreamType(GUID* major) override;
  STDMETHODIMP get_StreamTypeB(BSTR* major) override;
  STDMETHODIMP get_StreamLength(double* seconds) override;
  STDMETHODIMP get_Filename(BSTR* name) override;
  STDMETHODIMP put_Filename(BSTR name) override;
  STDMETHODIMP GetBitmapBits(double streamTime, LONG* bufferSize, char* buffer, LONG width, LONG height) override;
  STDMETHODIMP WriteBitmapBits(double streamTime, LONG width, LONG height, BSTR fileName) override;
  STDMETHODIMP get_StreamMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP GetSampleGrabber(ISampleGrabber**) override { return E_NOTIMPL; }
  STDMETHODIMP get_FrameRate(double* rate) override;
  STDMETHODIMP EnterBitmapGrabMode(double) override { return E_NOTIMPL; }

 private:
  MediaDet() = default;
  ~MediaDet() = default;
  void Clear();
  const StreamDescription* Current() const;
  // The picture of the current video stream at `t` seconds.
  HRESULT PictureAt(double t, const VideoFrame** picture);

  std::wstring filename_;
  std::vector<StreamDescription> streams_;
  LONG current_ = 0;
  bool still_ = false;
  VideoFrame picture_;  // the still, or the last picture decoded
  std::unique_ptr<FileReader> reader_;
  LONG readerStream_ = -1;
};

// The size GetBitmapBits needs for a width x height picture: a BITMAPINFOHEADER and bottom-up
// 24-bit rows padded to four bytes; 0 when the size is unusable.
size_t BitmapBitsSize(LONG width, LONG height);
// Scales `picture` (bilinear) into `out`, laid out as BitmapBitsSize describes.
void ScaleToBitmapBits(const VideoFrame& picture, LONG width, LONG height, char* out);

}  // namespace engine::media
