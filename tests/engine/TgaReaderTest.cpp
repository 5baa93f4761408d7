// The TGA reader on hand-made files: the layouts the header can describe, and damage.
#include "engine/media/TgaReader.h"

#include <vfwmsgs.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

using engine::media::DecodeTga;
using engine::media::VideoFrame;

namespace {

std::vector<uint8_t> Header(uint8_t type, uint16_t w, uint16_t h, uint8_t bits, uint8_t descriptor, uint8_t mapType = 0,
                            uint16_t mapLength = 0, uint8_t mapBits = 0) {
  std::vector<uint8_t> header(18, 0);
  header[1] = mapType;
  header[2] = type;
  header[5] = uint8_t(mapLength), header[6] = uint8_t(mapLength >> 8), header[7] = mapBits;
  header[12] = uint8_t(w), header[13] = uint8_t(w >> 8), header[14] = uint8_t(h), header[15] = uint8_t(h >> 8);
  header[16] = bits;
  header[17] = descriptor;
  return header;
}

// A header followed by the bytes of the file's body.
std::vector<uint8_t> File(const std::vector<uint8_t>& header, std::initializer_list<uint8_t> body) {
  std::vector<uint8_t> file(header.size() + body.size());
  std::copy(body.begin(), body.end(), std::copy(header.begin(), header.end(), file.begin()));
  return file;
}

TEST(TgaReader, ReadsEachLayoutTheHeaderDescribesIntoTopDownPixels) {
  // 2 x 2, 16-bit palette (red 0x7C00, blue 0x001F), stored top-down and right to left.
  const auto mapped = File(Header(1, 2, 2, 8, 0x30, 1, 2, 16), {0x00, 0x7C, 0x1F, 0x00, 0, 1, 1, 1});
  // 3 x 2 grey, bottom row first: a run of four 0x10 across the row break, then two literal pixels.
  const auto runs = File(Header(11, 3, 2, 8, 0), {0x83, 0x10, 0x01, 0x20, 0x30});
  // 32 bits with alpha bits declared, and without: then the fourth byte is padding.
  const auto alpha = File(Header(2, 1, 1, 32, 0x28), {1, 2, 3, 0x40}),
             padded = File(Header(2, 1, 1, 32, 0x20), {1, 2, 3, 0x40});
  const struct {
    const std::vector<uint8_t>& file;
    LONG width;
    std::vector<uint32_t> pixels;
  } cases[] = {
      {mapped, 2, {0xFF0000FFu, 0xFFFF0000u, 0xFF0000FFu, 0xFF0000FFu}},
      {runs, 3, {0xFF101010u, 0xFF202020u, 0xFF303030u, 0xFF101010u, 0xFF101010u, 0xFF101010u}},
      {alpha, 1, {0x40030201u}},
      {padded, 1, {0xFF030201u}},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    VideoFrame v;
    ASSERT_EQ(S_OK, DecodeTga(cases[i].file.data(), cases[i].file.size(), &v)) << "file " << i;
    EXPECT_EQ(cases[i].width, v.width) << "file " << i;
    EXPECT_EQ(cases[i].pixels, v.pixels) << "file " << i;
  }
}

TEST(TgaReader, RefusesDamagedFiles) {
  VideoFrame v;
  std::vector<uint8_t> shortPixels = Header(2, 4, 4, 24, 0);
  shortPixels.resize(shortPixels.size() + 4 * 4 * 3 - 1);
  const auto runPastEnd = File(Header(10, 2, 1, 24, 0), {0x82, 1, 2, 3});  // three pixels for a picture of two
  const auto truncatedRun = File(Header(10, 2, 1, 24, 0), {0x01, 1, 2, 3});
  const auto badIndex = File(Header(1, 1, 1, 8, 0, 1, 1, 24), {0, 0, 0, 5});
  const auto huge = Header(2, 65535, 65535, 32, 0);
  const auto badType = File(Header(5, 1, 1, 8, 0), {0});
  const std::vector<uint8_t>* files[] = {&shortPixels, &runPastEnd, &truncatedRun, &badIndex, &huge, &badType};
  for (size_t i = 0; i < std::size(files); ++i)
    EXPECT_TRUE(FAILED(DecodeTga(files[i]->data(), files[i]->size(), &v))) << "file " << i;
  EXPECT_TRUE(FAILED(DecodeTga(shortPixels.data(), 10, &v)));
}

}  // namespace
