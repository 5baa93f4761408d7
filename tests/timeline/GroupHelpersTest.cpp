#include <gtest/gtest.h>
#include <windows.h>
#include <strmif.h>
#include <amvideo.h>
#include <uuids.h>

#include <string>

#include "EngineTestSupport.h"
#include "TimelineFixture.h"
#include "../ui/UiTestSupport.h"
#include "timeline/ComboFill.h"
#include "timeline/GroupHelpers.h"
#include "services/GroupMediaTypes.h"
#include "timeline/MediaTypeText.h"

namespace {

using enginetest::Get;
using enginetest::TestType;
using tltest::ComPtr;

using GroupHelpersTest = tltest::TimelineTest;

TLGroupDesc Desc(const wchar_t* name, int tracks, int major, int subtype, uint32_t format) {
  return {false, false, tracks, name, major, subtype, format};
}

// A combo's items as "text=data".
std::vector<std::wstring> Items(CComboBox* combo) {
  std::vector<std::wstring> items;
  for (int i = 0; i < combo->Count(); ++i) {
    wchar_t text[64] = {};
    SendMessageW(combo->Hwnd(), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    items.push_back(std::wstring(text) + L"=" + std::to_wstring(combo->GetItemData(i)));
  }
  return items;
}

// The bytes of a type and its format block, for comparing whole types.
std::vector<BYTE> Bytes(const AM_MEDIA_TYPE& t) {
  const size_t head = offsetof(AM_MEDIA_TYPE, formattype) + sizeof(GUID);
  std::vector<BYTE> b(head + t.cbFormat);
  memcpy(b.data(), &t, head);
  if (t.cbFormat) memcpy(b.data() + head, t.pbFormat, t.cbFormat);
  return b;
}

TEST_F(GroupHelpersTest, BuildsTypesWithWholeWordRowsAndCreateGroupMakesNamedTracksWithTypeNameLockAndMute) {
  TLGroupDesc odd = Desc(L"", 0, kGroupVideo, 0, TLGroupDesc::VideoFormat(641, 480));  // RGB555
  // 641 pixels of 2 bytes are 1282 bytes, padded to 1284.
  TestType video = enginetest::VideoType(MEDIASUBTYPE_RGB555, 16, 641, 480);
  video.mt.bFixedSizeSamples = TRUE;
  video.mt.lSampleSize = video.Bih().biSizeImage = 1284 * 480;
  AM_MEDIA_TYPE built;
  ASSERT_EQ(0, BuildGroupMediaType(odd, &built));
  EXPECT_EQ(Bytes(*video.Get()), Bytes(built));
  FreeMediaTypeContent(&built);

  ASSERT_EQ(0, BuildGroupMediaType(Desc(L"", 0, kGroupAudio, 0, 44100), &built));
  EXPECT_EQ(Bytes(*enginetest::PcmType(2, 44100).Get()), Bytes(built));
  FreeMediaTypeContent(&built);

  // Positions outside the table are refused, never read.
  for (auto [major, subtype] : {std::pair{-1, 0}, {0, -1}, {2, 0}, {1, 1}, {0, 3}}) {
    odd.majorIndex = major;
    odd.subtypeIndex = subtype;
    built.cbFormat = 99;
    EXPECT_EQ(-1, BuildGroupMediaType(odd, &built)) << major << "," << subtype;
    EXPECT_EQ(nullptr, built.pbFormat);
    EXPECT_EQ(0u, built.cbFormat);
  }

  // Name, lock, type and track names of a new group: the group and track editor tests.
  ComPtr<IAMTimelineObj> group;
  ASSERT_EQ(S_OK, CreateGroup(timeline.Get(), &group, TLGroupDesc::DefaultVideo(2)));
  ASSERT_TRUE(group);
  EXPECT_FALSE(Get(group, &IAMTimelineObj::GetMuted));
  EXPECT_TRUE(Get(group, &IAMTimelineGroup::GetPreviewMode));
  ASSERT_EQ(2, Get(group, &IAMTimelineComp::VTrackGetCount));

  // Editing an existing group changes it in place: no new group, no new tracks, and an
  // empty name clears the user name.
  TLGroupDesc audio = Desc(L"", 5, kGroupAudio, 0, 48000);
  audio.muted = true;
  IAMTimelineObj* same = group.Get();
  ASSERT_EQ(S_OK, CreateGroup(timeline.Get(), &same, audio));
  EXPECT_EQ(group.Get(), same);
  EXPECT_EQ(1, Get(timeline, &IAMTimeline::GetGroupCount));
  EXPECT_EQ(2, Get(group, &IAMTimelineComp::VTrackGetCount));
  EXPECT_EQ(L"", NameOf(group.Get()));
  EXPECT_TRUE(Get(group, &IAMTimelineObj::GetMuted));
  EXPECT_EQ(MEDIATYPE_Audio, GetGroupMajorType(timeline.Get(), 0));
  EXPECT_EQ(GUID_NULL, GetGroupMajorType(timeline.Get(), 1));
  EXPECT_EQ(GUID_NULL, GetGroupMajorType(timeline.Get(), -1));

  // A desc outside the table creates nothing at all.
  ComPtr<IAMTimelineObj> none;
  EXPECT_EQ(E_INVALIDARG, CreateGroup(timeline.Get(), &none, Desc(L"x", 1, 0, 7, 0)));
  EXPECT_FALSE(none);
  EXPECT_EQ(1, Get(timeline, &IAMTimeline::GetGroupCount));
}

TEST_F(GroupHelpersTest, CombosListGroupsByTypeAndEveryTrackAtItsIndex) {
  uitest::Owned<CWindow> window(uitest::MakeTopLevel(0, 0, 300, 200));
  ASSERT_TRUE(window.get());
  CComboBox* combo =
      new CComboBox(window->Hwnd(), uitest::Instance(), WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_HASSTRINGS);
  window->AddChild(combo);

  ComPtr<IAMTimelineObj> video, unnamed, audio;
  ASSERT_EQ(S_OK, CreateGroup(timeline.Get(), &video,
                              Desc(L"Video group", 3, kGroupVideo, 1, TLGroupDesc::VideoFormat(640, 480))));
  ASSERT_EQ(S_OK,
            CreateGroup(timeline.Get(), &unnamed, Desc(L"", 1, kGroupVideo, 0, TLGroupDesc::VideoFormat(320, 240))));
  ASSERT_EQ(S_OK, CreateGroup(timeline.Get(), &audio, Desc(L"Audio group", 1, kGroupAudio, 0, 44100)));
  SetName(unnamed.Get(), nullptr);

  // A group without a name is left out; the values are group indexes, not positions. Groups
  // of one kind: the effect and source editors' group lists.
  EXPECT_EQ(2, FillGroupCombo(timeline.Get(), combo, GUID_NULL));
  EXPECT_EQ(Items(combo), (std::vector<std::wstring>{L"Video group=0", L"Audio group=2"}));

  // A track without a name still takes its position, so positions stay track indexes.
  SetName(Track(video.Get(), 1).Get(), nullptr);
  EXPECT_EQ(3, FillTrackCombo(timeline.Get(), 0, combo));
  EXPECT_EQ(Items(combo), (std::vector<std::wstring>{L"Track_0=0", L"(track 1)=1", L"Track_2=2"}));
  // No such group: the combo is left empty.
  EXPECT_EQ(-1, FillTrackCombo(timeline.Get(), 3, combo));
  EXPECT_EQ(0, combo->Count());
  EXPECT_EQ(-1, FillTrackCombo(timeline.Get(), -1, combo));
}

TEST(DescribeMediaType, NamesSubtypeSizeRateAndChannels) {
  wchar_t text[128];
  TestType video = enginetest::VideoType(MEDIASUBTYPE_RGB24, 24, 640, 480);
  AM_MEDIA_TYPE& type = *video.Get();
  VIDEOINFOHEADER& info = *reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat);
  info.AvgTimePerFrame = 400000;
  // RGB24's first field is 0xE436EB7D, shown low byte first.
  EXPECT_STREQ(L"\x7d\xeb\x36\xe4, 640x480, 25.0 fps", DescribeMediaType(&type, text, 128));

  info.AvgTimePerFrame = 333667;
  type.subtype.Data1 = 0x32595559;  // YUY2
  EXPECT_STREQ(L"YUY2, 640x480, 30.0 fps", DescribeMediaType(&type, text, 128));
  // No frame duration: no rate rather than an infinite one.
  info.AvgTimePerFrame = 0;
  type.subtype.Data1 = 1;
  EXPECT_STREQ(L"____, 640x480, 0.0 fps", DescribeMediaType(&type, text, 128));
  // A format block too small for its type is not read.
  type.cbFormat = 8;
  type.subtype.Data1 = 0;
  EXPECT_STREQ(L"____", DescribeMediaType(&type, text, 128));
  type.subtype.Data1 = 0x00413142;  // a zero byte does not cut the text
  EXPECT_STREQ(L"B1A_", DescribeMediaType(&type, text, 128));

  TestType audio = enginetest::PcmType(2, 44100);
  EXPECT_STREQ(L"0x0001, 2 ch., 44100 Hz", DescribeMediaType(audio.Get(), text, 128));
  // Cut to the buffer, never past it.
  text[10] = L'#';
  EXPECT_STREQ(L"0x0001, 2", DescribeMediaType(audio.Get(), text, 10));
  EXPECT_EQ(L'#', text[10]);

  AM_MEDIA_TYPE other = {};
  other.majortype = MEDIATYPE_Stream;
  EXPECT_STREQ(L"", DescribeMediaType(&other, text, 128));
}

}  // namespace
