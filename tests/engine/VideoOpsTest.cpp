// The built-in video effects and transitions on tiny pictures: where each input shows, and
// what the colour operations give; and composed pictures written in each output format.
#include "engine/effects/VideoOps.h"
#include "engine/render/Composer.h"

#include <amvideo.h>
#include <uuids.h>

#include <gtest/gtest.h>

#include <vector>

using namespace engine::effects;

namespace {

constexpr uint32_t kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu;

struct Canvas {
  Canvas(LONG w, LONG h, uint32_t fill) : pixels(static_cast<size_t>(w * h), fill), pic{w, h, pixels.data()} {}
  uint32_t At(LONG x, LONG y) const { return pixels[static_cast<size_t>(y * pic.width + x)]; }
  std::vector<uint32_t> pixels;
  Picture pic;
};

TEST(VideoOps, WipeSlideAndIrisShowTheTrackWhereTheyHaveReached) {
  // Wipe half-way, each direction: which corner shows the track (white).
  const struct {
    int direction;
    LONG x, y;
  } wiped[] = {{0, 0, 2}, {1, 3, 2}, {2, 2, 0}, {3, 2, 3}};
  for (const auto &w : wiped) {
    Canvas a(4, 4, kBlack), b(4, 4, kWhite);
    Wipe(a.pic, b.pic, 0.5, w.direction, 0);
    EXPECT_EQ(kWhite, a.At(w.x, w.y)) << "direction " << w.direction;
    EXPECT_EQ(kBlack, a.At(3 - w.x, 3 - w.y)) << "direction " << w.direction;
  }
  // Soft edges still start with A alone and end with B alone.
  Canvas soft(4, 1, kBlack), white(4, 1, kWhite);
  Wipe(soft.pic, white.pic, 0.0, 0, 0.5);
  EXPECT_EQ(kBlack, soft.At(0, 0));
  Wipe(soft.pic, white.pic, 1.0, 0, 0.5);
  EXPECT_EQ(kWhite, soft.At(3, 0));

  // Slide from the left, half-way: B's right half shows on the left.
  Canvas a(4, 1, kBlack), b(4, 1, kBlack);
  for (LONG x = 0; x < 4; ++x) b.pixels[static_cast<size_t>(x)] = 0xFF000000u | static_cast<uint32_t>(x + 1);
  Slide(a.pic, b.pic, 0.5, 0);
  EXPECT_EQ(0xFF000003u, a.At(0, 0));
  EXPECT_EQ(0xFF000004u, a.At(1, 0));
  EXPECT_EQ(kBlack, a.At(2, 0));

  // Iris: opens from the centre.
  Canvas iris(8, 8, kBlack), full(8, 8, kWhite);
  Iris(iris.pic, full.pic, 0.3, 0);
  EXPECT_EQ(kWhite, iris.At(4, 4));
  EXPECT_EQ(kBlack, iris.At(0, 0));
  Iris(iris.pic, full.pic, 1.0, 2);
  EXPECT_EQ(kWhite, iris.At(0, 0));
}

TEST(VideoOps, ColourEffectsGiveTheirColours) {
  Canvas red(1, 1, 0xFFFF0000u);
  Grayscale(red.pic, 1.0);
  EXPECT_EQ(0xFF4C4C4Cu, red.At(0, 0));  // 0.299 of 255
  Canvas white(1, 1, kWhite);
  Sepia(white.pic, 1.0);
  EXPECT_EQ(0xFFFFFFEFu, white.At(0, 0));
  Canvas black(1, 1, kBlack);
  Invert(black.pic, 0.5);
  EXPECT_EQ(0xFF808080u, black.At(0, 0));
  Canvas faded(1, 1, kBlack);
  FadeToColour(faded.pic, 0x0000FF, 0.5);
  EXPECT_EQ(0xFF000080u, faded.At(0, 0));
  Canvas dot(3, 3, kBlack);
  dot.pixels[4] = kWhite;
  Blur(dot.pic, 1);
  EXPECT_EQ(0xFF1C1C1Cu, dot.At(1, 1));  // 255 / 9
  EXPECT_NE(kBlack, dot.At(0, 0));  // light spreads to the corners, evenly
  EXPECT_EQ(dot.At(0, 0), dot.At(2, 2));
}

}  // namespace

namespace {

AM_MEDIA_TYPE RgbType(const GUID &subtype, WORD bits, LONG width, LONG height, VIDEOINFOHEADER *vih) {
  *vih = VIDEOINFOHEADER{};
  vih->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  vih->bmiHeader.biWidth = width;
  vih->bmiHeader.biHeight = height;
  vih->bmiHeader.biBitCount = bits;
  AM_MEDIA_TYPE mt{};
  mt.majortype = MEDIATYPE_Video;
  mt.subtype = subtype;
  mt.formattype = FORMAT_VideoInfo;
  mt.cbFormat = sizeof(VIDEOINFOHEADER);
  mt.pbFormat = reinterpret_cast<BYTE *>(vih);
  return mt;
}

TEST(VideoSamples, RowsAreWrittenInTheTypesOrderAndDepthWithPaddedStrides) {
  // Three pixels wide, two high: top row red, bottom row blue.
  const std::vector<uint32_t> canvas{0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFF0000FFu, 0xFF0000FFu, 0xFF0000FFu};
  VIDEOINFOHEADER vih;
  AM_MEDIA_TYPE rgb24 = RgbType(MEDIASUBTYPE_RGB24, 24, 3, 2, &vih);  // bottom-up, rows of 12 bytes
  ASSERT_EQ(24, engine::render::VideoSampleSize(rgb24));
  std::vector<BYTE> out(24, 0xAA);
  engine::render::WriteVideoSample(canvas.data(), rgb24, out.data());
  EXPECT_EQ((std::vector<BYTE>{0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0, 0, 0}), std::vector<BYTE>(out.begin(), out.begin() + 12));
  EXPECT_EQ(0xFF, out[14]);  // the top row comes last: red
  EXPECT_EQ(0, out[23]);     // padding cleared

  AM_MEDIA_TYPE rgb555 = RgbType(MEDIASUBTYPE_RGB555, 16, 3, -2, &vih);  // top-down
  ASSERT_EQ(16, engine::render::VideoSampleSize(rgb555));
  std::vector<BYTE> small(16, 0xAA);
  engine::render::WriteVideoSample(canvas.data(), rgb555, small.data());
  EXPECT_EQ(0x7C00, small[0] | small[1] << 8);   // red first
  EXPECT_EQ(0x001F, small[8] | small[9] << 8);   // then blue
  EXPECT_EQ(0, small[6] | small[7] << 8);
}

}  // namespace
