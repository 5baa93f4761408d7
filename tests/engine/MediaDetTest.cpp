// The media detector on media of each kind it must read, and on files it cannot.
#include "EngineTestSupport.h"
#include "MediaTestFiles.h"
#include "TestSupport.h"
#include "engine/EngineRegistration.h"

using namespace enginetest;

namespace {

constexpr uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00;

class MediaDetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    det = Create<IMediaDet>(CLSID_MediaDet);
    ASSERT_TRUE(det);
  }
  HRESULT Open(const std::wstring& path) { return det->put_Filename(Bstr(path)); }
  LONG Streams() { return Get(det, &IMediaDet::get_OutputStreams); }
  double Length() { return Get(det, &IMediaDet::get_StreamLength); }
  GUID Major() { return Get(det, &IMediaDet::get_StreamType); }
  // The current stream's type, copied.
  TestType Type() {
    TestType t;
    EXPECT_EQ(S_OK, det->get_StreamMediaType(&t.mt));
    t.format.assign(t.mt.pbFormat, t.mt.pbFormat + t.mt.cbFormat);
    CoTaskMemFree(t.mt.pbFormat);
    return t;
  }
  // The thumbnail of the current stream at `t`, or empty when GetBitmapBits failed.
  std::vector<char> Thumbnail(double t, LONG w, LONG h) {
    LONG size = 0;
    EXPECT_EQ(S_OK, det->GetBitmapBits(t, &size, nullptr, w, h));
    std::vector<char> bits(static_cast<size_t>(size));
    HRESULT hr = det->GetBitmapBits(t, &size, bits.data(), w, h);
    EXPECT_EQ(S_OK, hr) << "at " << t;
    if (hr != S_OK) bits.clear();
    return bits;
  }
  // Makes the first stream of `major` current.
  void Select(const GUID& major) {
    for (LONG i = 0; det->put_CurrentStream(i) == S_OK; ++i)
      if (Major() == major) return;
    ADD_FAILURE() << "no stream of that type";
  }

  ComPtr<IMediaDet> det;
};

TEST_F(MediaDetTest, WaveFileIsOneAudioStreamWithItsPcmFormatAndLength) {
  testsupport::TempDir dir(L"wav");
  const std::wstring path = dir.File(L"tone.wav");
  ASSERT_TRUE(WriteWav(path, 22050, 2, 16, std::vector<int16_t>(2 * 33075, 1000)));  // 1.5 s

  ASSERT_EQ(S_OK, Open(path));
  EXPECT_EQ(1, Streams());
  ASSERT_EQ(S_OK, det->put_CurrentStream(0));
  EXPECT_EQ(MEDIATYPE_Audio, Major());
  Bstr major;
  ASSERT_EQ(S_OK, det->get_StreamTypeB(major.Out()));
  EXPECT_EQ(L"{73647561-0000-0010-8000-00AA00389B71}", major.Text());
  EXPECT_NEAR(1.5, Length(), 0.01);

  TestType type = Type();
  EXPECT_EQ(MEDIASUBTYPE_PCM, type.mt.subtype);
  ASSERT_EQ(FORMAT_WaveFormatEx, type.mt.formattype);
  ASSERT_GE(type.format.size(), sizeof(WAVEFORMATEX) - 2);
  EXPECT_EQ(22050u, type.Wfx().nSamplesPerSec);
  EXPECT_EQ(2, type.Wfx().nChannels);

  // Audio has neither a frame rate nor pictures; asking fails rather than inventing one.
  double rate = -1;
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, det->get_FrameRate(&rate));
  LONG size = 0;
  EXPECT_TRUE(FAILED(det->GetBitmapBits(0.0, &size, nullptr, 16, 16)));
}

// Two seconds of numbered pictures with a tone (make_media_fixtures.sh), decoded to RGB32 and PCM.
class CompressedFileTest : public MediaDetTest, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(CompressedFileTest, ListsVideoAndAudioAndDecodesPicturesAtTimes) {
  ASSERT_EQ(S_OK, Open(FixturePath(GetParam())));
  ASSERT_EQ(2, Streams());
  Select(MEDIATYPE_Audio);
  EXPECT_EQ(MEDIASUBTYPE_PCM, Type().mt.subtype);
  EXPECT_NEAR(2.0, Length(), 0.1);
  Select(MEDIATYPE_Video);
  TestType type = Type();
  EXPECT_EQ(MEDIASUBTYPE_RGB32, type.mt.subtype);
  ASSERT_GE(type.format.size(), sizeof(VIDEOINFOHEADER));
  EXPECT_EQ(160, type.Bih().biWidth);
  EXPECT_EQ(120, std::abs(type.Bih().biHeight));
  EXPECT_NEAR(25.0, Get(det, &IMediaDet::get_FrameRate), 0.01);
  EXPECT_NEAR(2.0, Length(), 0.1);

  // Forwards, backwards and near the end: each time shows the picture that holds it.
  for (double t : {0.5, 1.5, 0.3, 1.9, 0.0}) {
    const int n = static_cast<int>(t * 25);
    const uint32_t want = (uint32_t(n % 25 * 10) << 16) | 0x4000 | (n < 25 ? 0 : 200);
    std::vector<char> bits = Thumbnail(t, 40, 30);
    ASSERT_FALSE(bits.empty());
    EXPECT_TRUE(Near(want, BitmapPixel(bits, 20, 15), 4))
        << "at " << t << ": " << std::hex << BitmapPixel(bits, 20, 15) << " for " << want;
  }
  EXPECT_EQ(Thumbnail(Length() - 0.04, 40, 30), Thumbnail(7.0, 40, 30));  // past the end, the last picture
}

INSTANTIATE_TEST_SUITE_P(Containers, CompressedFileTest,
                         ::testing::Values(L"clip.mp4", L"clip.mpg", L"clip-mjpeg.avi"));

class StillImageTest : public MediaDetTest, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(StillImageTest, IsOneVideoStreamOfFiveSecondsShowingThePicture) {
  ASSERT_EQ(S_OK, Open(FixturePath(GetParam())));
  ASSERT_EQ(1, Streams());
  ASSERT_EQ(S_OK, det->put_CurrentStream(0));
  EXPECT_EQ(MEDIATYPE_Video, Major());
  EXPECT_DOUBLE_EQ(5.0, Length());
  TestType type = Type();
  ASSERT_EQ(FORMAT_VideoInfo, type.mt.formattype);
  EXPECT_EQ(40, type.Bih().biWidth);
  EXPECT_EQ(30, type.Bih().biHeight);

  // The same picture at any time, scaled to the size asked for, the right way up.
  for (double t : {0.0, 4.0}) {
    std::vector<char> bits = Thumbnail(t, 80, 60);
    ASSERT_FALSE(bits.empty());
    for (auto [x, y, colour] : {std::tuple{10, 8, kRed}, {70, 8, kBlue}, {40, 50, kGreen}})
      EXPECT_TRUE(Near(colour, BitmapPixel(bits, x, y), 40)) << std::hex << BitmapPixel(bits, x, y) << " at " << x;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, StillImageTest,
                         ::testing::Values(L"picture.bmp", L"picture.gif", L"picture.jpg", L"picture.png",
                                           L"picture.tga", L"picture-rle.tga"));

TEST_F(MediaDetTest, CurrentStreamIsAcceptedExactlyForExistingStreamsAndItsTypeIsACopy) {
  LONG n = 0;
  EXPECT_TRUE(FAILED(det->get_OutputStreams(&n)));
  EXPECT_TRUE(FAILED(det->put_CurrentStream(0)));

  ASSERT_EQ(S_OK, Open(FixturePath(L"clip.mp4")));
  EXPECT_EQ(S_OK, det->put_CurrentStream(1));
  EXPECT_TRUE(FAILED(det->put_CurrentStream(2)));
  EXPECT_TRUE(FAILED(det->put_CurrentStream(-1)));
  EXPECT_EQ(1, Get(det, &IMediaDet::get_CurrentStream));

  ASSERT_EQ(S_OK, Open(FixturePath(L"picture.png")));
  AM_MEDIA_TYPE a{};
  ASSERT_EQ(S_OK, det->get_StreamMediaType(&a));
  ASSERT_NE(nullptr, a.pbFormat);
  reinterpret_cast<VIDEOINFOHEADER*>(a.pbFormat)->bmiHeader.biWidth = 999;
  CoTaskMemFree(a.pbFormat);
  EXPECT_EQ(40, Type().Bih().biWidth);
}

TEST_F(MediaDetTest, BitmapBitsRefusesBadSizesAndBuffersTooSmall) {
  ASSERT_EQ(S_OK, Open(FixturePath(L"picture.bmp")));
  LONG size = 0;
  ASSERT_EQ(S_OK, det->GetBitmapBits(0, &size, nullptr, 5, 3));
  EXPECT_EQ(LONG(sizeof(BITMAPINFOHEADER) + 16 * 3), size);  // rows padded to four bytes
  EXPECT_EQ(E_POINTER, det->GetBitmapBits(0, nullptr, nullptr, 5, 3));
  EXPECT_EQ(E_INVALIDARG, det->GetBitmapBits(0, &size, nullptr, 0, 3));
  EXPECT_EQ(E_INVALIDARG, det->GetBitmapBits(0, &size, nullptr, 5, -3));
  EXPECT_EQ(E_INVALIDARG, det->GetBitmapBits(0, &size, nullptr, 100000, 100000));

  std::vector<char> bits(100, 'x');
  LONG tooSmall = 80;
  EXPECT_TRUE(FAILED(det->GetBitmapBits(0, &tooSmall, bits.data(), 5, 3)));
  EXPECT_EQ('x', bits[0]);

  testsupport::TempDir dir(L"bmp");
  ASSERT_EQ(S_OK, det->WriteBitmapBits(0, 5, 3, Bstr(dir.File(L"thumb.bmp"))));
  std::vector<unsigned char> file = testsupport::ReadBytes(dir.File(L"thumb.bmp"));
  ASSERT_EQ(sizeof(BITMAPFILEHEADER) + size, file.size());
  EXPECT_EQ("BM", std::string(file.begin(), file.begin() + 2));
}

TEST_F(MediaDetTest, UnreadableFilesFailAndLeaveNoStreams) {
  testsupport::TempDir dir(L"bad");
  std::vector<unsigned char> garbage(4096);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<unsigned char>(i * 7919 >> 3);
  std::vector<unsigned char> mp4 = testsupport::ReadBytes(FixturePath(L"clip.mp4"));
  ASSERT_FALSE(mp4.empty());
  mp4.resize(mp4.size() / 3);
  // A TGA header promising 60000 x 60000 pixels with none behind it, and a JPEG the platform's
  // parser never returns from: refused as damaged, or given up on after the source time limit.
  const std::pair<const wchar_t*, std::vector<unsigned char>> files[] = {
      {L"empty.avi", {}},
      {L"noise.avi", garbage},
      {L"noise.png", garbage},
      {L"cut.mp4", mp4},
      {L"huge.tga", {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x60, 0xEA, 0x60, 0xEA, 24, 0}},
      {L"stuck.jpg", StuckJpegBytes()}};
  for (const auto& [name, bytes] : files)
    ASSERT_TRUE(testsupport::WriteBytes(dir.File(name), bytes.data(), bytes.size()));
  ASSERT_FALSE(files[5].second.empty());
  MrqEngineSetSourceTimeLimit(1500);

  // A good file first, so that a failure must also forget it.
  for (const wchar_t* name :
       {L"missing.wav", L"empty.avi", L"noise.avi", L"noise.png", L"cut.mp4", L"huge.tga", L"stuck.jpg", L""}) {
    ASSERT_EQ(S_OK, Open(FixturePath(L"picture.png")));
    const std::wstring path = *name ? dir.File(name) : dir.Path();
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(FAILED(Open(path))) << "for " << testing::PrintToString(path);
    EXPECT_LT(GetTickCount64() - start, 10000u) << "for " << testing::PrintToString(path);
    LONG n = 0;
    EXPECT_TRUE(FAILED(det->get_OutputStreams(&n)));
    EXPECT_TRUE(FAILED(det->put_CurrentStream(0)));
  }
  EXPECT_EQ(E_INVALIDARG, det->put_Filename(nullptr));
  MrqEngineSetSourceTimeLimit(10000);
}

}  // namespace
