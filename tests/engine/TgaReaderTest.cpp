// The TGA reader on hand-made files: the layouts the header can describe, and damage.
#include "engine/media/TgaReader.h"

#include <vfwmsgs.h>

#include <gtest/gtest.h>

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

TEST(TgaReader, ReadsColourMappedTopDownMirroredPictures) {
  // 2 x 2, 16-bit palette (red, blue), stored top-down and right to left.
  std::vector<uint8_t> f = Header(1, 2, 2, 8, 0x30, 1, 2, 16);
  f.insert(f.end(), {0x00, 0x7C, 0x1F, 0x00});  // palette: red 0x7C00, blue 0x001F
  f.insert(f.end(), {0, 1, 1, 1});
  VideoFrame v;
  ASSERT_EQ(S_OK, DecodeTga(f.data(), f.size(), &v));
  ASSERT_EQ(2, v.width);
  ASSERT_EQ(2, v.height);
  EXPECT_EQ(0xFF0000FFu, v.Row(0)[0]);  // stored second in the first row
  EXPECT_EQ(0xFFFF0000u, v.Row(0)[1]);
  EXPECT_EQ(0xFF0000FFu, v.Row(1)[0]);
}

TEST(TgaReader, ReadsRunLengthPacketsAcrossRowsBottomUp) {
  // 3 x 2 grey: a run of four 0x10 across the row break, then two literal pixels.
  std::vector<uint8_t> f = Header(11, 3, 2, 8, 0);
  f.insert(f.end(), {0x83, 0x10, 0x01, 0x20, 0x30});
  VideoFrame v;
  ASSERT_EQ(S_OK, DecodeTga(f.data(), f.size(), &v));
  EXPECT_EQ(0xFF101010u, v.Row(1)[2]);  // bottom row is stored first
  EXPECT_EQ(0xFF101010u, v.Row(0)[0]);
  EXPECT_EQ(0xFF202020u, v.Row(0)[1]);
  EXPECT_EQ(0xFF303030u, v.Row(0)[2]);
}

TEST(TgaReader, KeepsAlphaOnlyWhereTheFileDeclaresIt) {
  std::vector<uint8_t> f = Header(2, 1, 1, 32, 0x28);
  f.insert(f.end(), {1, 2, 3, 0x40});
  VideoFrame v;
  ASSERT_EQ(S_OK, DecodeTga(f.data(), f.size(), &v));
  EXPECT_EQ(0x40030201u, v.Row(0)[0]);
  f[17] = 0x20;  // no alpha bits: the fourth byte is padding
  ASSERT_EQ(S_OK, DecodeTga(f.data(), f.size(), &v));
  EXPECT_EQ(0xFF030201u, v.Row(0)[0]);
}

TEST(TgaReader, RefusesDamagedFiles) {
  VideoFrame v;
  std::vector<uint8_t> shortPixels = Header(2, 4, 4, 24, 0);
  shortPixels.resize(shortPixels.size() + 4 * 4 * 3 - 1);
  std::vector<uint8_t> runPastEnd = Header(10, 2, 1, 24, 0);
  runPastEnd.insert(runPastEnd.end(), {0x82, 1, 2, 3});  // three pixels for a picture of two
  std::vector<uint8_t> truncatedRun = Header(10, 2, 1, 24, 0);
  truncatedRun.insert(truncatedRun.end(), {0x01, 1, 2, 3});
  std::vector<uint8_t> badIndex = Header(1, 1, 1, 8, 0, 1, 1, 24);
  badIndex.insert(badIndex.end(), {0, 0, 0, 5});
  std::vector<uint8_t> huge = Header(2, 65535, 65535, 32, 0);
  std::vector<uint8_t> badType = Header(5, 1, 1, 8, 0);
  badType.push_back(0);
  const std::vector<uint8_t>* files[] = {&shortPixels, &runPastEnd, &truncatedRun, &badIndex, &huge, &badType};
  for (size_t i = 0; i < std::size(files); ++i)
    EXPECT_TRUE(FAILED(DecodeTga(files[i]->data(), files[i]->size(), &v))) << "file " << i;
  EXPECT_TRUE(FAILED(DecodeTga(shortPixels.data(), 10, &v)));
}

}  // namespace
