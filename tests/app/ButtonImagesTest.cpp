#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "app/ButtonImages.h"
#include "ui/UiState.h"

namespace {

struct IconBits {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> color;
  std::vector<bool> transparent;
};

IconBits Read(HICON icon) {
  IconBits bits;
  ICONINFO info;
  if (!GetIconInfo(icon, &info)) return bits;
  BITMAP bm;
  GetObjectW(info.hbmColor, sizeof bm, &bm);
  bits.width = bm.bmWidth;
  bits.height = bm.bmHeight;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, info.hbmColor);
  for (int y = 0; y < bits.height; ++y)
    for (int x = 0; x < bits.width; ++x) bits.color.push_back(GetPixel(dc, x, y));
  SelectObject(dc, info.hbmMask);
  for (int y = 0; y < bits.height; ++y)
    for (int x = 0; x < bits.width; ++x) bits.transparent.push_back(GetPixel(dc, x, y) != 0);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return bits;
}

}  // namespace

TEST(ButtonImages, AreMadeFromTheStripWithCaptionsAndATransparentFaceOrNotAtAll) {
  MakeButtonImages(GetModuleHandleW(nullptr));
  HICON ok = UiState::OkButtonImage();
  ASSERT_NE(ok, nullptr);

  // The 16-pixel picture, a gap and the caption: the longer caption makes the wider image.
  IconBits okBits = Read(ok);
  EXPECT_GT(okBits.width, 16 + 2);
  EXPECT_GE(okBits.height, 16);
  EXPECT_GT(Read(UiState::CancelButtonImage()).width, okBits.width);

  // The strip's top-left colour and the face are see-through and black in the colour image;
  // the tick and the caption are opaque.
  size_t opaque = 0;
  for (size_t i = 0; i < okBits.color.size(); ++i) {
    if (okBits.transparent[i])
      EXPECT_EQ(okBits.color[i], RGB(0, 0, 0)) << i;
    else
      ++opaque;
  }
  EXPECT_TRUE(okBits.transparent[0]);
  EXPECT_GT(opaque, 20u);
  EXPECT_LT(opaque, okBits.color.size() / 2);

  FreeButtonImages();
  EXPECT_EQ(UiState::OkButtonImage(), nullptr);

  // Without a strip the images stay missing.
  HMODULE none = LoadLibraryExW(L"kernel32.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
  MakeButtonImages(none);
  EXPECT_EQ(UiState::OkButtonImage(), nullptr);
  EXPECT_EQ(UiState::CancelButtonImage(), nullptr);
  FreeLibrary(none);
  EXPECT_EQ(ComposeButtonImage(nullptr, L"OK"), nullptr);
}
