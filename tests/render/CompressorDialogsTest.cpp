// The compressor properties and capabilities dialogs against compressors of the test's own
// that record what the dialogs apply.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <mmreg.h>
#include <uuids.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "render/WndStmCfg.h"
#include "render/WndVidCmp.h"
#include "services/MediaTypes.h"
#include "ui/Edit.h"
#include "ui/ListView.h"
#include "ui/StaticText.h"
#include "ui/TrackBar.h"

#include <amvideo.h>

namespace {

// Not reference counted: each lives on the test's stack.
class FakeCompression : public IAMVideoCompression {
 public:
  long caps = CompressionCaps_CanQuality | CompressionCaps_CanKeyFrame;
  long keyFrames = 12, pFrames = 3;
  double quality = 0.75;
  std::vector<std::wstring> applied;

  STDMETHODIMP QueryInterface(REFIID, void** out) override {
    *out = this;
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP put_KeyFrameRate(long v) override { return Apply(L"key", keyFrames = v); }
  STDMETHODIMP get_KeyFrameRate(long* v) override { return *v = keyFrames, S_OK; }
  STDMETHODIMP put_PFramesPerKeyFrame(long v) override { return Apply(L"p", pFrames = v); }
  STDMETHODIMP get_PFramesPerKeyFrame(long* v) override { return *v = pFrames, S_OK; }
  STDMETHODIMP put_Quality(double v) override { return Apply(L"quality", quality = v); }
  STDMETHODIMP get_Quality(double* v) override { return *v = quality, S_OK; }
  STDMETHODIMP put_WindowSize(DWORDLONG) override { return E_NOTIMPL; }
  STDMETHODIMP get_WindowSize(DWORDLONG*) override { return E_NOTIMPL; }
  STDMETHODIMP GetInfo(WCHAR* version, int*, WCHAR* description, int*, long* key, long* p, double* q,
                       long* capabilities) override {
    wcscpy(version, L"1.0");
    wcscpy(description, L"Fake codec");
    *key = 15;
    *p = 0;
    *q = 0.5;
    *capabilities = caps;
    return S_OK;
  }
  STDMETHODIMP OverrideKeyFrame(long) override { return E_NOTIMPL; }
  STDMETHODIMP OverrideFrameSize(long, long) override { return E_NOTIMPL; }

 private:
  HRESULT Apply(const wchar_t* what, double value) {
    applied.push_back(what + std::wstring(L"=") + std::to_wstring(value));
    return S_OK;
  }
};

AM_MEDIA_TYPE* VideoType(DWORD compression, WORD bits, DWORD bitRate) {
  auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  *type = {};
  type->majortype = MEDIATYPE_Video;
  type->formattype = FORMAT_VideoInfo;
  type->cbFormat = sizeof(VIDEOINFOHEADER);
  type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
  auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat);
  *info = {};
  info->dwBitRate = bitRate;
  info->bmiHeader.biCompression = compression;
  info->bmiHeader.biBitCount = bits;
  return type;
}

AM_MEDIA_TYPE* AudioType(WORD channels, DWORD rate, WORD bits, bool wave = true) {
  auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  *type = {};
  type->majortype = MEDIATYPE_Audio;
  if (!wave) return type;
  type->formattype = FORMAT_WaveFormatEx;
  type->cbFormat = sizeof(WAVEFORMATEX);
  type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
  auto* w = reinterpret_cast<WAVEFORMATEX*>(type->pbFormat);
  *w = {WAVE_FORMAT_PCM, channels, rate, rate * channels * bits / 8, static_cast<WORD>(channels * bits / 8), bits, 0};
  return type;
}

class FakeConfig : public IAMStreamConfig {
 public:
  std::vector<std::function<AM_MEDIA_TYPE*()>> caps;
  std::function<AM_MEDIA_TYPE*()> current;
  OwnedMediaType set;
  bool wasSet = false;

  STDMETHODIMP QueryInterface(REFIID, void** out) override {
    *out = this;
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override {
    wasSet = true;
    return set.CopyFrom(*type);
  }
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** type) override {
    *type = current();
    return S_OK;
  }
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override {
    *count = static_cast<int>(caps.size());
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
  }
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE*) override {
    *type = caps[static_cast<size_t>(index)]();
    return *type ? S_OK : E_FAIL;
  }
};

// Modal dialogs hand the activation back to their owner when they end: they need one.
class Owner {
 public:
  Owner()
      : window_(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr)) {}
  ~Owner() { DestroyWindow(window_); }
  operator HWND() const { return window_; }

 private:
  HWND window_;
};

std::wstring Text(HWND list, int row, int column) {
  wchar_t text[64] = {};
  ListView_GetItemText(list, row, column, text, 64);
  return text;
}

}  // namespace

TEST(CompressorProperties, ShowsTheCompressorsValuesAndAppliesOnlyOnOk) {
  Owner owner;
  FakeCompression codec;
  auto* dialog = new CWndVidCmp();
  ASSERT_EQ(dialog->Create(owner, GetModuleHandleW(nullptr)), 0u);
  ASSERT_EQ(dialog->LoadSettings(&codec), S_OK);
  EXPECT_EQ(dialog->DescriptionEdit()->GetText(), L"Fake codec 1.0");
  EXPECT_EQ(dialog->KeyFrameEdit()->GetText(), L"12");
  EXPECT_FALSE(IsWindowEnabled(dialog->PFramesEdit()->Hwnd()));  // no B/P-frame capability
  EXPECT_EQ(dialog->QualityText()->GetText(), L"0.75");
  EXPECT_EQ(SendMessageW(dialog->QualitySlider()->Hwnd(), TBM_GETPOS, 0, 0), 75);
  SendMessageW(dialog->QualitySlider()->Hwnd(), TBM_SETPOS, TRUE, 40);
  SendMessageW(dialog->Hwnd(), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 40),
               reinterpret_cast<LPARAM>(dialog->QualitySlider()->Hwnd()));
  EXPECT_EQ(dialog->QualityText()->GetText(), L"0.4");
  dialog->KeyFrameEdit()->SetText(L"");
  PostMessageW(dialog->Hwnd(), WM_COMMAND, IDOK, 0);
  EXPECT_EQ(dialog->RunModal(), 1);
  EXPECT_EQ(codec.applied, (std::vector<std::wstring>{L"key=0.000000", L"quality=0.400000"}));
  dialog->Destroy(true);

  // Nothing it can do: the description alone, and OK applies nothing.
  FakeCompression plain;
  plain.caps = 0;
  dialog = new CWndVidCmp();
  ASSERT_EQ(dialog->Create(owner, GetModuleHandleW(nullptr)), 0u);
  ASSERT_EQ(dialog->LoadSettings(&plain), S_OK);
  EXPECT_FALSE(IsWindowEnabled(dialog->KeyFrameEdit()->Hwnd()));
  EXPECT_FALSE(IsWindowEnabled(dialog->QualitySlider()->Hwnd()));
  PostMessageW(dialog->Hwnd(), WM_COMMAND, IDOK, 0);
  EXPECT_EQ(dialog->RunModal(), 1);
  EXPECT_TRUE(plain.applied.empty());
  dialog->Destroy(true);
}

TEST(CompressorCapabilities, ListsTheFormatsSelectsTheFirstMatchAndSetsTheChosenOne) {
  Owner owner;
  FakeConfig config;
  config.caps = {[] { return VideoType(0, 24, 0); },
                 [] { return VideoType(MAKEFOURCC('M', 'J', 'P', 'G'), 24, 8000000); },
                 [] { return static_cast<AM_MEDIA_TYPE*>(nullptr); },
                 [] { return VideoType(MAKEFOURCC('M', 'J', 'P', 'G'), 24, 8000000); }};
  config.current = [] { return VideoType(MAKEFOURCC('M', 'J', 'P', 'G'), 24, 8000000); };
  auto* dialog = new CWndStmCfg();
  ASSERT_EQ(dialog->Create(owner, GetModuleHandleW(nullptr)), 0u);
  ASSERT_EQ(dialog->LoadCapabilities(&config), S_OK);
  const HWND list = dialog->List()->Hwnd();
  ASSERT_EQ(dialog->RowCount(), 3);  // the unreadable capability adds no row
  EXPECT_EQ(Text(list, 0, 0), L"____");
  EXPECT_EQ(Text(list, 1, 0), L"MJPG");
  EXPECT_EQ(Text(list, 1, 1), L"24");
  EXPECT_EQ(Text(list, 1, 2), L"8000");
  EXPECT_EQ(dialog->SelectedRow(), 1);  // the first of the two equal to the current format

  // The last row is the fourth capability: OK sets that one.
  dialog->SelectRow(2);
  ListView_SetItemState(list, 1, 0, LVIS_SELECTED);
  PostMessageW(dialog->Hwnd(), WM_COMMAND, IDOK, 0);
  EXPECT_EQ(dialog->RunModal(), 1);
  ASSERT_TRUE(config.wasSet);
  EXPECT_EQ(reinterpret_cast<const VIDEOINFOHEADER*>(config.set.Get().pbFormat)->dwBitRate, 8000000u);
  dialog->Destroy(true);

  // Sound: four columns; a current format that is no wave format lists nothing.
  FakeConfig audio;
  audio.caps = {[] { return AudioType(2, 44100, 16); }, [] { return AudioType(1, 22050, 8); }};
  audio.current = [] { return AudioType(1, 22050, 8); };
  dialog = new CWndStmCfg();
  ASSERT_EQ(dialog->Create(owner, GetModuleHandleW(nullptr)), 0u);
  ASSERT_EQ(dialog->LoadCapabilities(&audio), S_OK);
  ASSERT_EQ(dialog->RowCount(), 2);
  EXPECT_EQ(Text(dialog->List()->Hwnd(), 0, 2), L"1411");
  EXPECT_EQ(dialog->SelectedRow(), 1);
  audio.current = [] { return AudioType(2, 44100, 16, false); };
  ASSERT_EQ(dialog->LoadCapabilities(&audio), S_OK);
  EXPECT_EQ(dialog->RowCount(), 0);
  EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(dialog->List()->Hwnd())), 4);
  dialog->Destroy(true);
}
