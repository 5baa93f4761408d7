// The property setter: copies in and out, the one value array, evaluation over time, and
// its blob and XML forms.
#include "EngineTestSupport.h"

#include <cstring>

namespace enginetest {
namespace {

class PropertySetterTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                     reinterpret_cast<void**>(setter.GetAddressOf())));
  }

  // Adds a parameter whose values are texts at the given times and interpolations.
  HRESULT Add(const wchar_t* name, std::vector<std::tuple<const wchar_t*, REFERENCE_TIME, DWORD>> keys,
              IPropertySetter* target = nullptr) {
    std::vector<DEXTER_VALUE> values(keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
      VariantInit(&values[i].v);
      values[i].v.vt = VT_BSTR;
      values[i].v.bstrVal = SysAllocString(std::get<0>(keys[i]));
      values[i].rt = std::get<1>(keys[i]);
      values[i].dwInterp = std::get<2>(keys[i]);
    }
    Bstr paramName(name);
    DEXTER_PARAM param{paramName, 0, static_cast<LONG>(keys.size())};
    HRESULT hr = (target ? target : setter.Get())->AddProp(param, values.data());
    for (auto& v : values) VariantClear(&v.v);  // the setter kept copies
    return hr;
  }

  double NumberAt(const wchar_t* name, REFERENCE_TIME t) {
    VARIANT v;
    VariantInit(&v);
    HRESULT hr = Evaluate(name, t, &v);
    double d = -1;
    if (SUCCEEDED(hr) && SUCCEEDED(VariantChangeTypeEx(&v, &v, LOCALE_INVARIANT, 0, VT_R8))) d = v.dblVal;
    VariantClear(&v);
    return d;
  }
  std::wstring TextAt(const wchar_t* name, REFERENCE_TIME t) {
    VARIANT v;
    VariantInit(&v);
    std::wstring s;
    if (SUCCEEDED(Evaluate(name, t, &v)) && v.vt == VT_BSTR) s = v.bstrVal;
    VariantClear(&v);
    return s;
  }
  // Through the application-visible interface: GetProps, then the values of `name`.
  HRESULT Evaluate(const wchar_t* name, REFERENCE_TIME t, VARIANT* out);

  ComPtr<IPropertySetter> setter;
};

}  // namespace
}  // namespace enginetest

#include "engine/props/PropertySetter.h"

namespace enginetest {
namespace {

HRESULT PropertySetterTest::Evaluate(const wchar_t* name, REFERENCE_TIME t, VARIANT* out) {
  return static_cast<engine::PropertySetter*>(static_cast<IPropertySetterW*>(setter.Get()))->Evaluate(name, t, out);
}

TEST_F(PropertySetterTest, GetPropsReturnsCopiesWithAllValuesInParameterOrder) {
  ASSERT_EQ(S_OK, Add(L"Progress", {{L"0", 0, DEXTERF_JUMP}, {L"1", kSecond, DEXTERF_INTERPOLATE}}));
  ASSERT_EQ(S_OK, Add(L"Color", {{L"red", 0, DEXTERF_JUMP}}));
  LONG count = 0;
  DEXTER_PARAM* params = nullptr;
  DEXTER_VALUE* values = nullptr;
  ASSERT_EQ(S_OK, setter->GetProps(&count, &params, &values));
  ASSERT_EQ(2, count);
  EXPECT_STREQ(L"Progress", params[0].name);
  EXPECT_EQ(2, params[0].nValues);
  EXPECT_STREQ(L"Color", params[1].name);
  EXPECT_EQ(1, params[1].nValues);
  EXPECT_STREQ(L"1", values[1].v.bstrVal);
  EXPECT_EQ(kSecond, values[1].rt);
  EXPECT_EQ(static_cast<DWORD>(DEXTERF_INTERPOLATE), values[1].dwInterp);
  EXPECT_STREQ(L"red", values[2].v.bstrVal);
  // What the caller got is its own: changing it leaves the setter as it was.
  values[2].v.bstrVal[0] = L'X';
  EXPECT_EQ(S_OK, setter->FreeProps(count, params, values));
  EXPECT_EQ(L"red", TextAt(L"color", 0));

  // Setting a parameter again replaces its values; bad input is refused whole.
  ASSERT_EQ(S_OK, Add(L"COLOR", {{L"blue", 0, DEXTERF_JUMP}}));
  EXPECT_EQ(L"blue", TextAt(L"Color", 0));
  EXPECT_EQ(E_INVALIDARG, Add(L"Late", {{L"1", kSecond, DEXTERF_JUMP}, {L"0", 0, DEXTERF_JUMP}}));
  EXPECT_EQ(E_INVALIDARG, Add(L"Odd", {{L"1", 0, 7}}));
  EXPECT_EQ(E_INVALIDARG, Add(L"", {{L"1", 0, DEXTERF_JUMP}}));
  ASSERT_EQ(S_OK, setter->GetProps(&count, &params, &values));
  EXPECT_EQ(2, count);
  setter->FreeProps(count, params, values);

  ASSERT_EQ(S_OK, setter->ClearProps());
  ASSERT_EQ(S_OK, setter->GetProps(&count, &params, &values));
  EXPECT_EQ(0, count);
  EXPECT_EQ(nullptr, params);
  EXPECT_EQ(S_OK, setter->FreeProps(count, params, values));
}

TEST_F(PropertySetterTest, NumbersInterpolateAndEverythingElseJumps) {
  ASSERT_EQ(S_OK, Add(L"Level", {{L"10", kSecond, DEXTERF_JUMP},
                                 {L"20", 3 * kSecond, DEXTERF_INTERPOLATE},
                                 {L"0", 4 * kSecond, DEXTERF_JUMP}}));
  ASSERT_EQ(S_OK, Add(L"Mode", {{L"a", 0, DEXTERF_JUMP}, {L"b", 2 * kSecond, DEXTERF_INTERPOLATE}}));
  EXPECT_EQ(10.0, NumberAt(L"Level", 0));  // before the first value, it holds
  EXPECT_EQ(10.0, NumberAt(L"Level", kSecond));
  EXPECT_DOUBLE_EQ(15.0, NumberAt(L"Level", 2 * kSecond));
  EXPECT_DOUBLE_EQ(17.5, NumberAt(L"Level", kSecond * 5 / 2));
  EXPECT_EQ(20.0, NumberAt(L"Level", 3 * kSecond));
  EXPECT_EQ(20.0, NumberAt(L"Level", 4 * kSecond - 1));  // a jump waits for its time
  EXPECT_EQ(0.0, NumberAt(L"Level", 4 * kSecond));
  EXPECT_EQ(L"a", TextAt(L"Mode", 2 * kSecond - 1));
  EXPECT_EQ(L"b", TextAt(L"Mode", 2 * kSecond));
  VARIANT v;
  VariantInit(&v);
  EXPECT_EQ(DISP_E_UNKNOWNNAME, Evaluate(L"Missing", 0, &v));
}

TEST_F(PropertySetterTest, BlobRoundTripsAndDamagedBlobsFailCleanly) {
  ASSERT_EQ(S_OK, Add(L"Progress", {{L"0", 0, DEXTERF_JUMP}, {L"1", kSecond, DEXTERF_INTERPOLATE}}));
  DEXTER_VALUE number{};
  VariantInit(&number.v);
  number.v.vt = VT_R8;
  number.v.dblVal = 0.25;
  Bstr name(L"Amount");
  ASSERT_EQ(S_OK, setter->AddProp(DEXTER_PARAM{name, 7, 1}, &number));
  LONG size = 0;
  BYTE* blob = nullptr;
  ASSERT_EQ(S_OK, setter->SaveToBlob(&size, &blob));
  ComPtr<IPropertySetter> copy;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                   reinterpret_cast<void**>(copy.GetAddressOf())));
  ASSERT_EQ(S_OK, copy->LoadFromBlob(size, blob));
  LONG count = 0;
  DEXTER_PARAM* params = nullptr;
  DEXTER_VALUE* values = nullptr;
  ASSERT_EQ(S_OK, copy->GetProps(&count, &params, &values));
  ASSERT_EQ(2, count);
  EXPECT_EQ(7, params[1].dispID);
  EXPECT_EQ(VT_R8, values[2].v.vt);
  EXPECT_EQ(0.25, values[2].v.dblVal);
  EXPECT_EQ(kSecond, values[1].rt);
  copy->FreeProps(count, params, values);

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
  ASSERT_EQ(S_OK, Add(L"Progress", {{L"0", 0, DEXTERF_JUMP},
                                    {L"0.5", kSecond, DEXTERF_INTERPOLATE},
                                    {L"1 & <2>", 2 * kSecond, DEXTERF_JUMP}}));
  ASSERT_EQ(S_OK, Add(L"Late", {{L"x", kSecond / 3, DEXTERF_INTERPOLATE}}));
  auto* wide = static_cast<IPropertySetterW*>(setter.Get());
  int printed = 0;
  ASSERT_EQ(S_OK, wide->PrintXMLW(nullptr, 0, &printed, 0));
  std::wstring text(static_cast<size_t>(printed) + 1, L'\0');
  wchar_t tiny[4];
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER), wide->PrintXMLW(tiny, 4, &printed, 0));
  ASSERT_EQ(S_OK, wide->PrintXMLW(text.data(), printed + 1, &printed, 0));
  text.resize(static_cast<size_t>(printed));
  EXPECT_NE(std::wstring::npos, text.find(L"<param name=\"Progress\" value=\"0\">"));
  EXPECT_NE(std::wstring::npos, text.find(L"<linear time=\"1\" value=\"0.5\"/>"));
  EXPECT_NE(std::wstring::npos, text.find(L"<at time=\"2\" value=\"1 &amp; &lt;2&gt;\"/>"));

  ComPtr<IXMLDOMDocument> doc;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                   reinterpret_cast<void**>(doc.GetAddressOf())));
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(S_OK, doc->loadXML(Bstr(L"<effect>" + text + L"</effect>"), &ok));
  ASSERT_TRUE(ok);
  ComPtr<IPropertySetter> loaded;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                   reinterpret_cast<void**>(loaded.GetAddressOf())));
  ASSERT_EQ(S_OK, loaded->LoadXML(doc.Get()));
  int reprinted = 0;
  std::wstring again(text.size() + 1, L'\0');
  ASSERT_EQ(S_OK, static_cast<IPropertySetterW*>(loaded.Get())
                      ->PrintXMLW(again.data(), static_cast<int>(again.size()), &reprinted, 0));
  again.resize(static_cast<size_t>(reprinted));
  EXPECT_EQ(text, again);

  // A clone of [0.5 s, 1.5 s) starts with the value in force at 0.5 s.
  ComPtr<IPropertySetter> clone;
  ASSERT_EQ(S_OK, setter->CloneProps(&clone, kSecond / 2, kSecond * 3 / 2));
  LONG count = 0;
  DEXTER_PARAM* params = nullptr;
  DEXTER_VALUE* values = nullptr;
  ASSERT_EQ(S_OK, clone->GetProps(&count, &params, &values));
  ASSERT_EQ(2, count);
  ASSERT_EQ(2, params[0].nValues);
  EXPECT_EQ(0, values[0].rt);
  EXPECT_EQ(VT_R8, values[0].v.vt);
  EXPECT_DOUBLE_EQ(0.25, values[0].v.dblVal);
  EXPECT_EQ(kSecond / 2, values[1].rt);
  clone->FreeProps(count, params, values);

  // Keyframes out of order or without a time are refused, and the setter keeps what it had.
  ASSERT_EQ(S_OK, doc->loadXML(Bstr(L"<effect><param name=\"a\"><at time=\"2\" value=\"1\"/>"
                                    L"<at time=\"1\" value=\"0\"/></param></effect>"),
                               &ok));
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, loaded->LoadXML(doc.Get()));
  ASSERT_EQ(S_OK, doc->loadXML(Bstr(L"<param name=\"a\"><at value=\"1\"/></param>"), &ok));
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, loaded->LoadXML(doc.Get()));
  ASSERT_EQ(S_OK, loaded->GetProps(&count, &params, &values));
  EXPECT_EQ(2, count);
  loaded->FreeProps(count, params, values);
}

}  // namespace
}  // namespace enginetest
