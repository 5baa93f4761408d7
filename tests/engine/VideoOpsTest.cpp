// The built-in video effects and transitions on tiny pictures, and composed pictures in each output format.
#include "EngineTestSupport.h"

#include "engine/effects/VideoOps.h"
#include "engine/render/Composer.h"
#include "engine/render/Palette.h"
#include "engine/render/RenderPlan.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
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
  for (const auto& w : wiped) {
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
  EXPECT_EQ((std::vector<uint32_t>{0xFF000003u, 0xFF000004u, kBlack, kBlack}), a.pixels);

  // Iris: opens from the centre.
  Canvas iris(8, 8, kBlack), full(8, 8, kWhite);
  Iris(iris.pic, full.pic, 0.3, 0);
  EXPECT_EQ(kWhite, iris.At(4, 4));
  EXPECT_EQ(kBlack, iris.At(0, 0));
  Iris(iris.pic, full.pic, 1.0, 2);
  EXPECT_EQ(kWhite, iris.At(0, 0));
}

TEST(VideoOps, ColourEffectsGiveTheirColours) {
  const std::tuple<void (*)(Picture&), uint32_t, uint32_t> colours[] = {
      {[](Picture& p) { Grayscale(p, 1.0); }, 0xFFFF0000u, 0xFF4C4C4Cu},  // 0.299 of 255
      {[](Picture& p) { Sepia(p, 1.0); }, kWhite, 0xFFFFFFEFu},
      {[](Picture& p) { Invert(p, 0.5); }, kBlack, 0xFF808080u},
      {[](Picture& p) { FadeToColour(p, 0x0000FF, 0.5); }, kBlack, 0xFF000080u}};
  for (const auto& [effect, before, after] : colours) {
    Canvas one(1, 1, before);
    effect(one.pic);
    EXPECT_EQ(after, one.At(0, 0));
  }
  // Brightness and contrast against the curve worked out here: every channel value, brightness alone
  // (the saturating path) either way and with contrast, on a picture with a tail beyond whole blocks.
  for (const auto& [brightness, contrast] : {std::pair{0.1, 1.0}, std::pair{-0.25, 1.0}, std::pair{-0.25, 1.7},
                                             std::pair{0.0, 0.3}, std::pair{0.5, 2.0 / 3.0}, std::pair{-1.0, 1.0}}) {
    Canvas ramp(256 + 3, 1, kBlack);
    for (int v = 0; v < 256 + 3; ++v) ramp.pixels[static_cast<size_t>(v)] = 0x00010203u * static_cast<uint32_t>(v % 85);
    ramp.pixels[255] = 0x00FFFFFFu;
    const std::vector<uint32_t> before = ramp.pixels;
    BrightnessContrast(ramp.pic, brightness, contrast);
    for (size_t i = 0; i < before.size(); ++i)
      for (int shift = 0; shift < 24; shift += 8) {
        const double v = (before[i] >> shift) & 0xFF;
        const double want = std::floor(std::clamp((v - 127.5) * contrast + 127.5 + brightness * 255, 0.0, 255.0) + 0.5);
        ASSERT_EQ(want, static_cast<double>((ramp.pixels[i] >> shift) & 0xFF))
            << brightness << " " << contrast << " " << i;
      }
    EXPECT_EQ(0xFF000000u, ramp.pixels[0] & 0xFF000000u);  // opaque, whatever the fourth byte was
  }
  Canvas dot(3, 3, kBlack);
  dot.pixels[4] = kWhite;
  Blur(dot.pic, 1);
  EXPECT_EQ(0xFF1C1C1Cu, dot.At(1, 1));  // 255 / 9
  EXPECT_NE(kBlack, dot.At(0, 0));       // light spreads to the corners, evenly
  EXPECT_EQ(dot.At(0, 0), dot.At(2, 2));
}

}  // namespace

namespace {

using enginetest::VideoType;

TEST(VideoSamples, RowsAreWrittenInTheTypesOrderAndDepthWithPaddedStrides) {
  // Three pixels wide, two high: top row red, bottom row blue.
  const std::vector<uint32_t> canvas{0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFF0000FFu, 0xFF0000FFu, 0xFF0000FFu};
  auto rgb555type = VideoType(MEDIASUBTYPE_RGB555, 16, 3, -2);  // top-down
  const AM_MEDIA_TYPE& rgb555 = *rgb555type.Get();
  ASSERT_EQ(16, engine::render::VideoSampleSize(rgb555));
  std::vector<BYTE> small(16, 0xAA);
  engine::render::WriteVideoSample(canvas.data(), rgb555, small.data());
  EXPECT_EQ(0x7C00, small[0] | small[1] << 8);  // red first
  EXPECT_EQ(0x001F, small[8] | small[9] << 8);  // then blue
  EXPECT_EQ(0, small[6] | small[7] << 8);
}

TEST(VideoSamples, TwentyFourBitRowsPackBottomUpInBlocksWithAnyTailAndEightBitOnesUseTheFixedPalette) {
  // Widths around the packers' blocks (16 and 4 pixels) and tails; distinct pixels show a stray byte.
  for (LONG width : {1, 3, 5, 16, 21, 37}) {
    std::vector<uint32_t> canvas;
    std::vector<BYTE> rows[2];
    for (LONG y = 0; y < 2; ++y)
      for (LONG x = 0; x < width; ++x) {
        const BYTE r = static_cast<BYTE>(3 * x + 128 * y), g = static_cast<BYTE>(r + 1), b = static_cast<BYTE>(r + 2);
        canvas.push_back(0xFF000000u | r << 16 | g << 8 | b);
        rows[y].insert(rows[y].end(), {b, g, r});
      }
    for (auto& row : rows) row.resize((row.size() + 3) / 4 * 4, 0);  // padded to whole words
    std::vector<BYTE> expected = rows[1];                            // bottom-up: the top row comes last
    expected.insert(expected.end(), rows[0].begin(), rows[0].end());
    auto type = VideoType(MEDIASUBTYPE_RGB24, 24, width, 2);
    const AM_MEDIA_TYPE& rgb24 = *type.Get();
    ASSERT_EQ(static_cast<long>(expected.size()), engine::render::VideoSampleSize(rgb24));
    std::vector<BYTE> out(expected.size(), 0xAA);
    engine::render::WriteVideoSample(canvas.data(), rgb24, out.data());
    EXPECT_EQ(expected, out) << width;
  }

  // Colours of the palette come back as themselves; greys find the grey ramp.
  const RGBQUAD* palette = engine::render::RenderPalette();
  for (int i = 0; i < engine::render::kPaletteColours; ++i) {
    const uint32_t c = 0xFF000000u | palette[i].rgbRed << 16 | palette[i].rgbGreen << 8 | palette[i].rgbBlue;
    const RGBQUAD& back = palette[engine::render::PaletteIndex(c)];
    EXPECT_EQ(c & 0xFFFFFF, static_cast<uint32_t>(back.rgbRed << 16 | back.rgbGreen << 8 | back.rgbBlue)) << i;
  }
  for (int grey = 0; grey < 256; grey += 5) {
    const RGBQUAD& q = palette[engine::render::PaletteIndex(0xFF000000u | grey * 0x010101u)];
    EXPECT_NEAR(grey, q.rgbRed, 4);
    EXPECT_TRUE(q.rgbRed == q.rgbGreen && q.rgbGreen == q.rgbBlue) << grey;
  }

  // An 8-bit type is produced only with this palette: another one would change every colour.
  auto type8 = VideoType(MEDIASUBTYPE_RGB8, 8, 5, 1, BI_RGB, 256);
  const AM_MEDIA_TYPE& rgb8 = *type8.Get();
  EXPECT_FALSE(engine::render::CanProduce(rgb8));  // an all-black colour table
  std::memcpy(type8.format.data() + sizeof(VIDEOINFOHEADER), palette, 256 * sizeof(RGBQUAD));
  ASSERT_TRUE(engine::render::CanProduce(rgb8));
  const std::vector<uint32_t> canvas{0xFF010203u, 0xFF040506u, 0xFF070809u, 0xFF0A0B0Cu, 0xFF0D0E0Fu};
  std::vector<BYTE> indexes(8, 0xAA);
  engine::render::WriteVideoSample(canvas.data(), rgb8, indexes.data());
  for (int x = 0; x < 5; ++x)
    EXPECT_EQ(engine::render::PaletteIndex(canvas[static_cast<size_t>(x)]), indexes[static_cast<size_t>(x)]);
  EXPECT_EQ(0, indexes[5]);  // padding
}

}  // namespace
