// I420 pictures from the decoders: the conversion, the choice of its matrix, and the readers that take them.
#include "EngineTestSupport.h"
#include "MediaTestFiles.h"

#include "engine/media/FileReader.h"
#include "engine/media/YuvConvert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace engine::media;

namespace {

struct I420 {
  LONG width, height;
  std::vector<BYTE> bytes;
  BYTE& Y(LONG x, LONG y) { return bytes[static_cast<size_t>(y) * width + x]; }
  BYTE& U(LONG x, LONG y) {
    return bytes[static_cast<size_t>(width) * height + static_cast<size_t>(y / 2) * (width / 2) + x / 2];
  }
  BYTE& V(LONG x, LONG y) {
    return bytes[static_cast<size_t>(width) * height * 5 / 4 + static_cast<size_t>(y / 2) * (width / 2) + x / 2];
  }
};

// Every value somewhere: luma along x, chroma along the rows.
I420 Pattern(LONG width, LONG height) {
  I420 p{width, height, std::vector<BYTE>(I420Size(width, height))};
  for (LONG y = 0; y < height; ++y)
    for (LONG x = 0; x < width; ++x) {
      p.Y(x, y) = static_cast<BYTE>((x * 7 + y * 3) % 256);
      p.U(x, y) = static_cast<BYTE>((y * 37 + x * 5) % 256);
      p.V(x, y) = static_cast<BYTE>((y * 53 + 128 + x * 3) % 256);
    }
  return p;
}

// The textbook conversion in floating point.
uint32_t Exact(int y, int u, int v, bool full, bool bt709) {
  const double kr = bt709 ? 0.2126 : 0.299, kb = bt709 ? 0.0722 : 0.114, kg = 1 - kr - kb;
  const double l = full ? y : (y - 16) * 255.0 / 219, cb = (u - 128) * (full ? 1.0 : 255.0 / 224),
               cr = (v - 128) * (full ? 1.0 : 255.0 / 224);
  const double r = l + 2 * (1 - kr) * cr, b = l + 2 * (1 - kb) * cb, g = (l - kr * r - kb * b) / kg;
  auto c = [](double x) { return static_cast<uint32_t>(std::lround(std::clamp(x, 0.0, 255.0))); };
  return 0xFF000000u | c(r) << 16 | c(g) << 8 | c(b);
}

TEST(YuvConvert, EachMatrixMatchesTheTextbookAndFindingItPicksTheOneThatMadeThePicture) {
  EXPECT_EQ(0u, I420Size(5, 4));  // odd sides have no I420 form
  // Wide enough for blocks of eight and a tail, the same pixels whichever path converts them.
  I420 picture = Pattern(38, 6);
  for (int k = 0; k < 4; ++k) {
    const bool full = (k & 1) == 0, bt709 = k >= 2;
    VideoFrame made;
    made.width = picture.width;
    made.height = picture.height;
    made.pixels.resize(static_cast<size_t>(made.width) * made.height);
    I420ToPixels(picture.bytes.data(), picture.width, picture.height, MakeYuvMatrix(full, bt709), made.pixels.data());
    for (LONG y = 0; y < picture.height; ++y)
      for (LONG x = 0; x < picture.width; ++x)
        ASSERT_TRUE(
            made.Row(y)[x] >> 24 == 0xFF &&
            enginetest::Near(Exact(picture.Y(x, y), picture.U(x, y), picture.V(x, y), full, bt709), made.Row(y)[x], 1))
            << k << " at " << x << "," << y << ": " << std::hex << made.Row(y)[x];
    // Given the picture as made with this matrix, the search finds this matrix again.
    YuvMatrix found{};
    ASSERT_TRUE(FindYuvMatrix(picture.bytes.data(), made, &found)) << k;
    const YuvMatrix want = MakeYuvMatrix(full, bt709);
    EXPECT_EQ(std::pair(want.yOffset, want.crToR), std::pair(found.yOffset, found.crToR)) << k;
  }
  // No matrix is chosen for a black picture, alike through all, nor for an unrelated reference.
  I420 black{16, 8, std::vector<BYTE>(I420Size(16, 8), 0)};
  std::fill(black.bytes.begin() + 16 * 8, black.bytes.end(), BYTE{128});
  VideoFrame dark{16, 8, std::vector<uint32_t>(16 * 8, 0xFF000000u), 0, 0};
  YuvMatrix found{};
  EXPECT_FALSE(FindYuvMatrix(black.bytes.data(), dark, &found));
  VideoFrame other{38, 6, std::vector<uint32_t>(38 * 6, 0xFF20A040u), 0, 0};
  EXPECT_FALSE(FindYuvMatrix(picture.bytes.data(), other, &found));
}

TEST(YuvConvert, ReadersTakeTheDecodersYuvWhenItsMatrixIsFoundAndRgbOtherwise) {
  // JPEG (full range) and H.264 (video range) gradients both come as YUV, in the gradient's colours.
  for (const wchar_t* name : {L"gradient-mjpeg.avi", L"gradient.mp4"}) {
    std::unique_ptr<FileReader> reader;
    ASSERT_EQ(S_OK, FileReader::Open(enginetest::FixturePath(name), 0, StreamKind::Video, &reader)) << name;
    EXPECT_TRUE(reader->DecodesYuv()) << name;
    VideoFrame f;
    int count = 0;
    while (reader->ReadVideo(&f, 10000) == S_OK) {
      EXPECT_EQ(count * 1000000LL, f.start) << name;
      for (LONG y = 4; y < 48; y += 12)
        for (LONG x = 4; x < 64; x += 12)
          EXPECT_TRUE(enginetest::Near(0x80u | static_cast<uint32_t>(4 * x) << 16 | static_cast<uint32_t>(4 * y) << 8,
                                       f.Row(y)[x], 12))
              << name << " picture " << count << " at " << x << "," << y << ": " << std::hex << f.Row(y)[x];
      ++count;
    }
    EXPECT_EQ(10, count) << name;
  }
  // A black first picture cannot tell the conversions apart: the reader stays with the
  // platform's RGB, and reads every picture from the start.
  std::unique_ptr<FileReader> dark;
  ASSERT_EQ(S_OK, FileReader::Open(enginetest::FixturePath(L"black-first-mjpeg.avi"), 0, StreamKind::Video, &dark));
  EXPECT_FALSE(dark->DecodesYuv());
  VideoFrame f;
  int count = 0;
  HRESULT hr;
  while ((hr = dark->ReadVideo(&f, 10000)) == S_OK) EXPECT_EQ(count++ * 1000000LL, f.start);
  EXPECT_EQ(S_FALSE, hr);
  EXPECT_EQ(10, count);
  EXPECT_TRUE(enginetest::Near(0x80u | 40u << 16 | 40u << 8, f.Row(10)[10], 12));  // the last is the gradient
  AudioBlock wrongKind;
  EXPECT_TRUE(FAILED(dark->ReadAudio(&wrongKind, 10000)));
}

}  // namespace
