#include <gtest/gtest.h>
#include <windows.h>

#include <wrl/client.h>

#include <algorithm>
#include <string>

#include "core/FilterCatalog.h"
#include "engine/EffectRegistration.h"
#include "engine/EngineRegistration.h"
#include "engine/effects/EffectTable.h"
#include "TestSupport.h"
#include "engine/base/GuidText.h"
#include "services/ComUtil.h"
#include "services/EditingServices.h"
#include "services/XmlDocument.h"
#include "services/XmlFileLoad.h"
#include <uuids.h>

using engine::GuidToText;
using Microsoft::WRL::ComPtr;

namespace {

class Catalog : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    // The engine's own compressors bind only while its classes are registered, which lasts as
    // long as the apartment.
    ASSERT_TRUE(SUCCEEDED(MrqEngineRegisterClasses()));
    FilterCatalog::Clear();
  }
  void TearDown() override {
    FilterCatalog::Clear();
    MrqEngineRevokeClasses();
    CoUninitialize();
  }
};

}  // namespace

TEST_F(Catalog, RegisteredEffectsAreListedByTheDeviceEnumeratorOnceEachLeavingForeignEntriesAlone) {
  ASSERT_EQ(MrqEngineRegisterEffects(), S_OK);
  ASSERT_EQ(MrqEngineRegisterEffects(), S_OK);  // a second run changes nothing
  size_t count = 0;
  const engine::BuiltInEffect* effects = engine::BuiltInEffects(&count);
  for (int kind = 0; kind < 4; ++kind)
    EXPECT_GE(EnumerateCategory(FilterCatalog::Effects(kind), engine::EffectCategory(engine::EffectKind(kind)), 0), 1);
  for (size_t i = 0; i < count; ++i) {
    const auto& catalog = FilterCatalog::Effects(effects[i].kind);
    auto named = [&](const FilterEntry& e) { return e.name == effects[i].name; };
    ASSERT_EQ(std::count_if(catalog.begin(), catalog.end(), named), 1) << effects[i].name;
    const FilterEntry& entry = *std::find_if(catalog.begin(), catalog.end(), named);
    EXPECT_TRUE(entry.hasName);
    EXPECT_TRUE(IsEqualGUID(entry.clsid, effects[i].clsid)) << effects[i].name;
    const std::wstring expected =
        L"@device:sw:" + GuidToText(engine::EffectCategory(effects[i].kind)) + L"\\" + GuidToText(effects[i].clsid);
    EXPECT_EQ(_wcsicmp(entry.displayName.c_str(), expected.c_str()), 0) << effects[i].name;
  }

  // Foreign entries under the same name are left alone.
  const engine::BuiltInEffect& fade = effects[count - 2];
  std::wstring path = L"Software\\Classes\\CLSID\\" + GuidToText(engine::EffectCategory(fade.kind)) + L"\\Instance\\" +
                      GuidToText(fade.clsid);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const wchar_t foreign[] = L"Someone else's filter";
  RegSetValueExW(key, L"FriendlyName", 0, REG_SZ, reinterpret_cast<const BYTE*>(foreign), sizeof foreign);
  RegCloseKey(key);

  EXPECT_EQ(MrqEngineRegisterEffects(), S_OK);
  wchar_t name[64] = {};
  DWORD size = sizeof name;
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), L"FriendlyName", RRF_RT_REG_SZ, nullptr, name, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(name, foreign);

  RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
  EXPECT_EQ(MrqEngineRegisterEffects(), S_OK);
}

TEST_F(Catalog, CompressorsFollowTheirPseudoEntryAndBindBack) {
  auto& video = FilterCatalog::VideoCompressors();
  video.push_back({true, L"Uncompressed video", GUID_NULL, L""});
  int added = EnumerateCategory(video, CLSID_VideoCompressorCategory, 1);
  ASSERT_GT(added, 0);
  ASSERT_EQ(video.size(), 1u + static_cast<size_t>(added));
  EXPECT_EQ(video[0].name, L"Uncompressed video");
  ComPtr<IBaseFilter> filter;  // which filter binds: the compressor tests bind theirs by name
  EXPECT_EQ(BindFilter(video[1].displayName.c_str(), &filter), S_OK);
  EXPECT_EQ(BindFilter(nullptr, &filter), E_INVALIDARG);
  EXPECT_EQ(BindFilter(L"x", nullptr), E_POINTER);
  EXPECT_EQ(ShowFilterPages(nullptr, nullptr), E_INVALIDARG);
}

TEST_F(Catalog, SkipListIsKeptRaisedWithoutEmptyLinesAndBounded) {
  LoadSkipList({L"{e2510970-F137-11ce-8b67-00AA00A3F1A6}", L"", L"dv muxer"});
  ASSERT_EQ(FilterCatalog::SkipList().size(), 2u);
  // Matching inside display names whatever the case: the render manager's skip list test.
  EXPECT_EQ(FilterCatalog::SkipList()[0], L"{E2510970-F137-11CE-8B67-00AA00A3F1A6}");
  EXPECT_FALSE(IsSkippedFilter(nullptr));
  std::vector<std::wstring> lines(300, L"x");
  LoadSkipList(lines);
  EXPECT_EQ(FilterCatalog::SkipList().size(), kMaxSkipEntries);
}

TEST_F(Catalog, FileTypesStartWithTheBuiltInsAndTakeCreatableMultiplexers) {
  BuildFileTypeCatalog(
      {L"Empty extensions;;{E2510970-F137-11CE-8B67-00AA00A3F1A6}",
       L"Not installed;xyz;{00000000-0000-0000-0000-000000000001}", L"",
       L"Interleaved copy;avi2,av;{E2510970-F137-11CE-8B67-00AA00A3F1A6};{C647B5C0-157C-11D0-BD23-00A0C911CE86}"});
  auto& types = FilterCatalog::FileTypes();
  ASSERT_EQ(types.size(), 3u);  // names and extensions: the filter text below
  EXPECT_EQ(GuidToText(types[2].extra1), L"{C647B5C0-157C-11D0-BD23-00A0C911CE86}");
  EXPECT_TRUE(IsEqualGUID(types[2].extra2, GUID_NULL));

  const wchar_t* filter = BuildFileTypeFilter();
  const wchar_t expected[] =
      L"Audio-video interleave (*.avi)\0*.avi\0Advanced Systems Format (*.asf, *.wmv)\0*.asf,*.wmv\0"
      L"Interleaved copy (*.avi2, *.av)\0*.avi2,*.av\0";
  EXPECT_EQ(std::wstring(filter, sizeof expected / sizeof(wchar_t)),
            std::wstring(expected, sizeof expected / sizeof(wchar_t)));

  // The list stops before an entry that does not fit.
  std::vector<std::wstring> lines;
  for (int i = 0; i < 60; ++i)
    lines.push_back(L"Type " + std::to_wstring(i) + std::wstring(60, L'n') +
                    L";ext;{E2510970-F137-11CE-8B67-00AA00A3F1A6}");
  BuildFileTypeCatalog(lines);
  filter = BuildFileTypeFilter();
  size_t length = 0;
  int strings = 0;
  while (filter[length] != L'\0') {  // walk label, pattern, label, ... to the final terminator
    length += wcslen(filter + length) + 1;
    ++strings;
  }
  EXPECT_LE(length, kFileTypeFilterChars);
  EXPECT_EQ(strings % 2, 0);
  EXPECT_GT(strings, 4);
  EXPECT_LT(strings, 2 * 62);
}

TEST_F(Catalog, GraphsAreRegisteredUnderTheirAddressAndProcess) {
  ComPtr<IGraphBuilder> graph;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             reinterpret_cast<void**>(graph.GetAddressOf())),
            S_OK);
  DWORD token = 0;
  ASSERT_EQ(RegisterGraph(graph.Get(), &token), S_OK);
  ComPtr<IRunningObjectTable> table;
  ASSERT_EQ(GetRunningObjectTable(0, &table), S_OK);
  wchar_t name[64];
  swprintf(name, 64, L"FilterGraph %08x pid %08x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(graph.Get())),
           static_cast<unsigned>(GetCurrentProcessId()));
  ComPtr<IMoniker> moniker;
  ASSERT_EQ(CreateItemMoniker(L"!", name, &moniker), S_OK);
  EXPECT_EQ(table->IsRunning(moniker.Get()), S_OK);
  table->Revoke(token);
  EXPECT_NE(table->IsRunning(moniker.Get()), S_OK);
}

TEST_F(Catalog, EveryBuiltInEffectIsDescribedBesideTheProgram) {
  ComPtr<IXMLDOMDocument> document;
  ASSERT_EQ(CreateXmlDocument(&document), S_OK);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  EXPECT_EQ(LoadXmlFile(document.Get(), (testsupport::ExeDir() + L"\\DSF_desc.xml").c_str(), &loaded), S_OK);
  ASSERT_TRUE(loaded);
  // The node a query finds below `from`, or null.
  auto select = [](IXMLDOMNode* from, const std::wstring& query) {
    ComPtr<IXMLDOMNode> node;
    from->selectSingleNode(Bstr(query), &node);
    return node;
  };
  size_t count = 0;
  const engine::BuiltInEffect* effects = engine::BuiltInEffects(&count);
  for (size_t i = 0; i < count; ++i) {
    bool transition = effects[i].kind == engine::kVideoTransition || effects[i].kind == engine::kAudioTransition;
    EXPECT_TRUE(select(document.Get(), std::wstring(L"DirectShowFilters/") + (transition ? L"Transition" : L"Effect") +
                                           L"[@GUID=\"" + GuidToText(effects[i].clsid) + L"\"]/Param"))
        << effects[i].name;
  }
  // Every value list a parameter names exists.
  ComPtr<IXMLDOMNodeList> withLists;
  ASSERT_EQ(document->selectNodes(Bstr(L"//Param[@ValuesList]"), &withLists), S_OK);
  long lists = 0;
  withLists->get_length(&lists);
  EXPECT_GT(lists, 0);
  for (long i = 0; i < lists; ++i) {
    ComPtr<IXMLDOMNode> node;
    withLists->get_item(i, &node);
    Bstr name;
    ASSERT_EQ(select(node.Get(), L"@ValuesList")->get_text(name.Out()), S_OK);
    const std::wstring query = L"DirectShowFilters/ValuesList[@Name=\"" + name.Text() + L"\"]/Item";
    EXPECT_TRUE(select(document.Get(), query)) << query;
  }
}
