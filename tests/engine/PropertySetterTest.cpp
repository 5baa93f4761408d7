// The property setter: copies in and out, evaluation over time, and its blob and XML forms.
#include "EngineTestSupport.h"

#include "engine/props/PropertySetter.h"

#include <cstring>

namespace enginetest {
namespace {

class PropertySetterTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    setter = Create<IPropertySetter>(CLSID_PropertySetter);
    ASSERT_TRUE(setter);
  }

  HRESULT Add(const wchar_t* name, const std::vector<Key>& keys) { return AddParam(setter.Get(), name, keys); }
  // Through the engine's own evaluation, as the render engine asks.
  HRESULT Evaluate(const wchar_t* name, REFERENCE_TIME t, VARIANT* out) {
    return static_cast<engine::PropertySetter*>(static_cast<IPropertySetterW*>(setter.Get()))->Evaluate(name, t, out);
  }
  // The value in force, as text; empty when there is none.
  std::wstring TextAt(const wchar_t* name, REFERENCE_TIME t) {
    VARIANT v;
    VariantInit(&v);
    std::wstring s;
    if (SUCCEEDED(Evaluate(name, t, &v)) && SUCCEEDED(VariantChangeTypeEx(&v, &v, LOCALE_INVARIANT, 0, VT_BSTR)))
      s = v.bstrVal;
    VariantClear(&v);
    return s;
  }
  // The setter's XML form, through the wide printer.
  static std::wstring Print(IPropertySetter* from) {
    auto* wide = static_cast<IPropertySetterW*>(from);
    int printed = 0;
    EXPECT_EQ(S_OK, wide->PrintXMLW(nullptr, 0, &printed, 0));
    std::wstring text(static_cast<size_t>(printed) + 1, L'\0');
    EXPECT_EQ(S_OK, wide->PrintXMLW(text.data(), printed + 1, &printed, 0));
    text.resize(static_cast<size_t>(printed));
    return text;
  }

  ComPtr<IPropertySetter> setter;
};

TEST_F(PropertySetterTest, GetPropsReturnsCopiesWithAllValuesInParameterOrder) {
  ASSERT_EQ(S_OK, Add(L"Progress", {{L"0", 0}, {L"1", kSecond, DEXTERF_INTERPOLATE}}));
  ASSERT_EQ(S_OK, Add(L"Color", {{L"red", 0}}));
  EXPECT_EQ((std::vector<PropRow>{{L"Progress", VT_BSTR, L"0", 0, 0, DEXTERF_JUMP},
                                  {L"Progress", VT_BSTR, L"1", 0, kSecond, DEXTERF_INTERPOLATE},
                                  {L"Color", VT_BSTR, L"red", 0, 0, DEXTERF_JUMP}}),
            PropRows(setter.Get()));
  // What the caller got is its own: changing it leaves the setter as it was.
  LONG count = 0;
  DEXTER_PARAM* params = nullptr;
  DEXTER_VALUE* values = nullptr;
  ASSERT_EQ(S_OK, setter->GetProps(&count, &params, &values));
  values[2].v.bstrVal[0] = L'X';
  EXPECT_EQ(S_OK, setter->FreeProps(count, params, values));
  EXPECT_EQ(L"red", TextAt(L"color", 0));

  // Setting a parameter again replaces its values; bad input is refused whole.
  ASSERT_EQ(S_OK, Add(L"COLOR", {{L"blue", 0}}));
  EXPECT_EQ(L"blue", TextAt(L"Color", 0));
  EXPECT_EQ(E_INVALIDARG, Add(L"Late", {{L"1", kSecond}, {L"0", 0}}));
  EXPECT_EQ(E_INVALIDARG, Add(L"Odd", {{L"1", 0, 7}}));
  EXPECT_EQ(E_INVALIDARG, Add(L"", {{L"1", 0}}));
  EXPECT_EQ(2u, Props(setter.Get()).size());

  ASSERT_EQ(S_OK, setter->ClearProps());
  EXPECT_TRUE(Props(setter.Get()).empty());
}

TEST_F(PropertySetterTest, NumbersInterpolateAndEverythingElseJumps) {
  ASSERT_EQ(S_OK, Add(L"Level", {{L"10", kSecond}, {L"20", 3 * kSecond, DEXTERF_INTERPOLATE}, {L"0", 4 * kSecond}}));
  ASSERT_EQ(S_OK, Add(L"Mode", {{L"a", 0}, {L"b", 2 * kSecond, DEXTERF_INTERPOLATE}}));
  // Before the first value it holds; a jump waits for its time.
  const std::pair<REFERENCE_TIME, const wchar_t*> levels[] = {
      {0, L"10"},           {kSecond, L"10"},         {2 * kSecond, L"15"}, {kSecond * 5 / 2, L"17.5"},
      {3 * kSecond, L"20"}, {4 * kSecond - 1, L"20"}, {4 * kSecond, L"0"}};
  for (auto [t, level] : levels) EXPECT_EQ(level, TextAt(L"Level", t)) << t;
  EXPECT_EQ(L"a", TextAt(L"Mode", 2 * kSecond - 1));
  EXPECT_EQ(L"b", TextAt(L"Mode", 2 * kSecond));
  VARIANT v;
  VariantInit(&v);
  EXPECT_EQ(DISP_E_UNKNOWNNAME, Evaluate(L"Missing", 0, &v));
}

TEST_F(PropertySetterTest, BlobRoundTripsAndDamagedBlobsFailCleanly) {
  ASSERT_EQ(S_OK, Add(L"Progress", {{L"0", 0}, {L"1", kSecond, DEXTERF_INTERPOLATE}}));
  ASSERT_EQ(S_OK, AddParam(setter.Get(), L"Amount", {{0.25, 0}}, 7));
  LONG size = 0;
  BYTE* blob = nullptr;
  ASSERT_EQ(S_OK, setter->SaveToBlob(&size, &blob));
  auto copy = Create<IPropertySetter>(CLSID_PropertySetter);
  ASSERT_EQ(S_OK, copy->LoadFromBlob(size, blob));
  EXPECT_EQ(PropRows(setter.Get()), PropRows(copy.Get()));
  EXPECT_EQ((PropRow{L"Amount", VT_R8, L"", 0.25, 0, 0}), PropRows(copy.Get()).at(2));
  EXPECT_EQ(7, Props(copy.Get()).at(1).dispID);

  // Every shortened blob and every single damaged byte either loads or fails; never more.
  for (LONG cut = 0; cut < size; ++cut) EXPECT_EQ(E_INVALIDARG, copy->LoadFromBlob(cut, blob)) << cut;
  std::vector<BYTE> damaged(blob, blob + size);
  for (LONG i = 0; i < size; ++i) {
    damaged[static_cast<size_t>(i)] ^= 0xFF;
    HRESULT hr = copy->LoadFromBlob(size, damaged.data());
    EXPECT_TRUE(hr == S_OK || hr == E_INVALIDARG) << i;
    damaged[static_cast<size_t>(i)] ^= 0xFF;
  }
  CoTaskMemFree(blob);
}

TEST_F(PropertySetterTest, XmlFormReadsBackAndClonesCoverTheirSpan) {
  ASSERT_EQ(S_OK, Add(L"Progress", {{L"0", 0}, {L"0.5", kSecond, DEXTERF_INTERPOLATE}, {L"1 & <2>", 2 * kSecond}}));
  ASSERT_EQ(S_OK, Add(L"Late", {{L"x", kSecond / 3, DEXTERF_INTERPOLATE}}));
  const std::wstring text = Print(setter.Get());
  wchar_t tiny[4];
  int printed = 0;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER),
            static_cast<IPropertySetterW*>(setter.Get())->PrintXMLW(tiny, 4, &printed, 0));
  for (const wchar_t* part : {L"<param name=\"Progress\" value=\"0\">", L"<linear time=\"1\" value=\"0.5\"/>",
                              L"<at time=\"2\" value=\"1 &amp; &lt;2&gt;\"/>"})
    EXPECT_NE(std::wstring::npos, text.find(part)) << part;

  auto doc = Create<IXMLDOMDocument>(CLSID_DOMDocument60);
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(S_OK, doc->loadXML(Bstr(L"<effect>" + text + L"</effect>"), &ok));
  ASSERT_TRUE(ok);
  auto loaded = Create<IPropertySetter>(CLSID_PropertySetter);
  ASSERT_EQ(S_OK, loaded->LoadXML(doc.Get()));
  EXPECT_EQ(text, Print(loaded.Get()));

  // A clone of [0.5 s, 1.5 s) starts with the value in force at 0.5 s.
  ComPtr<IPropertySetter> clone;
  ASSERT_EQ(S_OK, setter->CloneProps(&clone, kSecond / 2, kSecond * 3 / 2));
  EXPECT_EQ((std::vector<PropRow>{{L"Progress", VT_R8, L"", 0.25, 0, DEXTERF_JUMP},
                                  {L"Progress", VT_BSTR, L"0.5", 0, kSecond / 2, DEXTERF_INTERPOLATE},
                                  {L"Late", VT_BSTR, L"x", 0, 0, DEXTERF_JUMP}}),
            PropRows(clone.Get()));

  // Keyframes out of order or without a time are refused, and the setter keeps what it had.
  for (const wchar_t* bad : {L"<effect><param name=\"a\"><at time=\"2\" value=\"1\"/><at time=\"1\" value=\"0\"/>"
                             L"</param></effect>",
                             L"<param name=\"a\"><at value=\"1\"/></param>"}) {
    ASSERT_EQ(S_OK, doc->loadXML(Bstr(bad), &ok));
    EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, loaded->LoadXML(doc.Get())) << bad;
  }
  EXPECT_EQ(2u, Props(loaded.Get()).size());
}

}  // namespace
}  // namespace enginetest
