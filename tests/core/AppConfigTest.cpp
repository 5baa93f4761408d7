#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/AppConfig.h"

using testsupport::TempDir;

TEST(AppConfig, ReadsKeysIntegersAndWholeSectionsOrTheirDefaults) {
  TempDir dir(L"config");
  std::wstring path = dir.File(L"MRQ.ini");
  ASSERT_TRUE(testsupport::WriteText(path,
                                     "[RenderFile]\r\nFileName=out.avi\r\nConnectCompressorOnConfig=0\r\n"
                                     "[Bad]\r\nNumber=abc\r\n"
                                     "[RenderSkipFilters]\r\nDV Muxer\r\nKey=Value\r\n"));
  AppConfig config(path);
  EXPECT_EQ(config.ReadString(L"RenderFile", L"FileName", L"_KDC_out.avi"), L"out.avi");
  EXPECT_EQ(config.ReadInt(L"RenderFile", L"ConnectCompressorOnConfig", 1), 0);
  EXPECT_EQ(config.ReadInt(L"RenderFile", L"Absent", 1), 1);
  EXPECT_EQ(config.ReadInt(L"Bad", L"Number", 1), 0);
  EXPECT_EQ(config.ReadSection(L"RenderSkipFilters"), (std::vector<std::wstring>{L"DV Muxer", L"Key=Value"}));
  EXPECT_TRUE(config.ReadSection(L"Multiplexers").empty());

  // Without a file everything takes its default.
  AppConfig none;
  EXPECT_FALSE(none.Exists());
  EXPECT_EQ(none.ReadString(L"Log", L"FileName"), L"");
  EXPECT_EQ(none.ReadInt(L"RenderFile", L"ConnectCompressorOnConfig", 1), 1);
  EXPECT_TRUE(none.ReadSection(L"Multiplexers").empty());
}
