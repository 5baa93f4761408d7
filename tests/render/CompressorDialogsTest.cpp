// The compressor dialogs against compressors of the test's own that record what the dialogs apply.
// Before the program's COM helpers, whose As it would otherwise meet in its own inline code.
#include "EngineTestSupport.h"

#include <commctrl.h>

#include "TestSupport.h"
#include "render/WndStmCfg.h"
#include "render/WndVidCmp.h"
#include "services/MediaTypes.h"
#include "ui/Edit.h"
#include "ui/ListView.h"
#include "ui/StaticText.h"
#include "ui/TrackBar.h"

namespace {

using enginetest::TestType;

// Not reference counted: each lives on the test's stack.
template <class I>
class Fake : public I {
 public:
  STDMETHODIMP QueryInterface(REFIID, void** out) override {
    *out = this;
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
};

class FakeCompression : public Fake<IAMVideoCompression> {
 public:
  long caps = CompressionCaps_CanQuality | CompressionCaps_CanKeyFrame;
  long keyFrames = 12, pFrames = 3;
  double quality = 0.75;
  std::vector<std::wstring> applied;

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

// A type as a stream configuration hands it out: the caller frees it and its format block.
AM_MEDIA_TYPE* Handed(TestType type) {
  auto* out = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  CopyMediaType(out, *type.Get());
  return out;
}
TestType Video(DWORD compression, DWORD bitRate) {
  TestType type = enginetest::VideoType(GUID_NULL, 24, 0, 0, compression);
  reinterpret_cast<VIDEOINFOHEADER*>(type.format.data())->dwBitRate = bitRate;
  return type;
}
constexpr DWORD kMjpg = MAKEFOURCC('M', 'J', 'P', 'G');

class FakeConfig : public Fake<IAMStreamConfig> {
 public:
  std::vector<TestType> caps;  // one of no major type cannot be read
  TestType current;
  OwnedMediaType set;
  bool wasSet = false;

  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override {
    wasSet = true;
    return set.CopyFrom(*type);
  }
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** type) override {
    *type = Handed(current);
    return S_OK;
  }
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override {
    *count = static_cast<int>(caps.size());
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return S_OK;
  }
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE*) override {
    const TestType& cap = caps[static_cast<size_t>(index)];
    *type = cap.mt.majortype == GUID_NULL ? nullptr : Handed(cap);
    return *type ? S_OK : E_FAIL;
  }
};

std::wstring Text(HWND list, int row, int column) {
  wchar_t text[64] = {};
  ListView_GetItemText(list, row, column, text, 64);
  return text;
}

// Modal dialogs hand the activation back to their owner when they end: they need one.
class CompressorDialogs : public testing::Test {
 protected:
  ~CompressorDialogs() override { DestroyWindow(owner_); }
  template <class D>
  D* Open() {
    auto* dialog = new D();
    EXPECT_EQ(dialog->Create(owner_, GetModuleHandleW(nullptr)), 0u);
    return dialog;
  }
  // OK pressed: the modal result, and the dialog gone.
  static int PressOk(CWindow* dialog) {
    PostMessageW(dialog->Hwnd(), WM_COMMAND, IDOK, 0);
    const int result = dialog->RunModal();
    dialog->Destroy(true);
    return result;
  }

  HWND owner_ = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
};

}  // namespace

TEST_F(CompressorDialogs, PropertiesShowTheCompressorsValuesAndApplyOnlyOnOk) {
  FakeCompression codec;
  auto* dialog = Open<CWndVidCmp>();
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
  EXPECT_EQ(PressOk(dialog), 1);
  EXPECT_EQ(codec.applied, (std::vector<std::wstring>{L"key=0.000000", L"quality=0.400000"}));

  // Nothing it can do: the description alone, and OK applies nothing.
  FakeCompression plain;
  plain.caps = 0;
  dialog = Open<CWndVidCmp>();
  ASSERT_EQ(dialog->LoadSettings(&plain), S_OK);
  EXPECT_FALSE(IsWindowEnabled(dialog->KeyFrameEdit()->Hwnd()));
  EXPECT_FALSE(IsWindowEnabled(dialog->QualitySlider()->Hwnd()));
  EXPECT_EQ(PressOk(dialog), 1);
  EXPECT_TRUE(plain.applied.empty());
}

TEST_F(CompressorDialogs, CapabilitiesListTheFormatsSelectTheFirstMatchAndSetTheChosenOne) {
  FakeConfig config;
  config.caps = {Video(0, 0), Video(kMjpg, 8000000), {}, Video(kMjpg, 8000000), Video(kMjpg, 6000000)};
  config.current = Video(kMjpg, 8000000);
  auto* dialog = Open<CWndStmCfg>();
  ASSERT_EQ(dialog->LoadCapabilities(&config), S_OK);
  const HWND list = dialog->List()->Hwnd();
  ASSERT_EQ(dialog->RowCount(), 4);  // the unreadable capability adds no row
  EXPECT_EQ(Text(list, 0, 0), L"____");
  EXPECT_EQ(Text(list, 1, 0), L"MJPG");
  EXPECT_EQ(Text(list, 1, 1), L"24");
  EXPECT_EQ(Text(list, 3, 2), L"6000");
  EXPECT_EQ(dialog->SelectedRow(), 1);  // the first of the two equal to the current format

  // The last row is the fifth capability: OK sets that one.
  dialog->SelectRow(3);
  ListView_SetItemState(list, 1, 0, LVIS_SELECTED);
  EXPECT_EQ(PressOk(dialog), 1);
  ASSERT_TRUE(config.wasSet);
  EXPECT_EQ(reinterpret_cast<const VIDEOINFOHEADER*>(config.set.Get().pbFormat)->dwBitRate, 6000000u);

  // Sound: four columns; a current format that is no wave format lists nothing.
  FakeConfig audio;
  audio.caps = {enginetest::PcmType(2, 44100, 16), enginetest::PcmType(1, 22050, 8)};
  audio.current = enginetest::PcmType(1, 22050, 8);
  dialog = Open<CWndStmCfg>();
  ASSERT_EQ(dialog->LoadCapabilities(&audio), S_OK);
  ASSERT_EQ(dialog->RowCount(), 2);
  EXPECT_EQ(Text(dialog->List()->Hwnd(), 0, 2), L"1411");
  EXPECT_EQ(dialog->SelectedRow(), 1);
  audio.current = {};
  audio.current.mt.majortype = MEDIATYPE_Audio;
  ASSERT_EQ(dialog->LoadCapabilities(&audio), S_OK);
  EXPECT_EQ(dialog->RowCount(), 0);
  EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(dialog->List()->Hwnd())), 4);
  dialog->Destroy(true);
}
