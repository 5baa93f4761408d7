#pragma once
// What the timeline view paints inside source rows: thumbnails of a video file's pictures and
// the peak envelope of an audio file's sound. Both are made on a thread of their own by the
// platform's media services, kept in memory within a budget, and handed to painting only once
// ready: painting never waits; the owner window is told when more is ready.
#include <windows.h>
#include <unknwn.h>
#include <wrl/client.h>

#include "services/EditingServices.h"

#include <condition_variable>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

// A top-down 32-bit picture.
struct Thumbnail {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

class CMediaPictures {
 public:
  static constexpr int64_t kPeakStep = 10000;  // microseconds of sound per stored peak
  static constexpr size_t kDefaultBudget = 64u << 20;

  // `notify` gets `message` (posted) whenever new pictures or peaks are ready.
  CMediaPictures(HWND notify, UINT message, size_t budget = kDefaultBudget);
  ~CMediaPictures();
  CMediaPictures(const CMediaPictures&) = delete;
  CMediaPictures& operator=(const CMediaPictures&) = delete;

  // The picture of a video file at a media time (microseconds), `height` pixels high with its
  // aspect kept; null while not ready (it is then asked for) or when the file has none.
  std::shared_ptr<const Thumbnail> Picture(const std::wstring& path, int64_t time, int height);
  // The width a file's pictures have at `height`; 0 while not known.
  int PictureWidth(const std::wstring& path, int height);
  // The loudest sample (0 to 32767) of an audio file between two media times; -1 while not
  // ready (then asked for) or when the file cannot be read.
  int Peak(const std::wstring& path, int64_t from, int64_t to);
  // Whether the file's pictures or sound could not be read at all.
  bool Unreadable(const std::wstring& path);

  // For benchmarks and tests: what a file shows, as if made.
  void Put(const std::wstring& path, int64_t time, int height, Thumbnail picture);
  void PutPeaks(const std::wstring& path, std::vector<int16_t> peaks);
  // Blocks until nothing is asked for and not yet made, or the time is up; true when idle.
  bool WaitIdle(DWORD milliseconds);

 private:
  struct Request {
    bool video;
    std::wstring path;
    int64_t time;
    int height;
  };
  using PictureKey = std::tuple<std::wstring, int64_t, int>;

  void Run();
  void Make(const Request& request);
  void Store(const PictureKey& key, std::shared_ptr<const Thumbnail> picture);
  void Ask(Request request);
  bool HasDetectors();

  // The media detector's factory, taken where the editing services' classes are registered (the
  // window's thread):
  // the worker's own apartment would find the platform's detector instead, which makes no
  // pictures. The editing services' objects are free-threaded.
  Microsoft::WRL::ComPtr<IClassFactory> detectors_;
  HWND notify_;
  UINT message_;
  size_t budget_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::list<Request> queue_;
  std::map<std::tuple<bool, std::wstring, int64_t, int>, bool> asked_;
  bool busy_ = false;
  bool stop_ = false;
  // Pictures, most recently used first, within the budget.
  std::list<std::pair<PictureKey, std::shared_ptr<const Thumbnail>>> pictures_;
  std::map<PictureKey, decltype(pictures_)::iterator> pictureIndex_;
  size_t pictureBytes_ = 0;
  std::map<std::wstring, std::pair<int, int>> videoSizes_;  // a file's picture size
  std::map<std::wstring, std::shared_ptr<const std::vector<int16_t>>> peaks_;
  std::map<std::wstring, bool> unreadable_;
  // The worker's open file.
  std::wstring openPath_;
  Microsoft::WRL::ComPtr<IMediaDet> detector_;
  int videoWidth_ = 0, videoHeight_ = 0;
  std::thread worker_;
};
