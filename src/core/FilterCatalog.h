#pragma once
// The process-wide catalogues of installed filters and output file types, and the small
// filter utilities the editors, the render window and the preview share.
#include <windows.h>
#include <strmif.h>

#include <string>
#include <vector>

struct FilterEntry {
  bool hasName = false;  // false when the framework gave no or an empty name
  std::wstring name;
  GUID clsid = GUID_NULL;
  std::wstring displayName;  // identifies the filter for BindFilter; empty for pseudo entries
};

struct MuxEntry {
  std::wstring name;
  std::wstring extensions;  // without dots, separated by commas
  GUID outputType = GUID_NULL;
  GUID extra1 = GUID_NULL;  // kept, not used
  GUID extra2 = GUID_NULL;
};

enum EffectCatalogIndex { kVideoEffects = 0, kVideoTransitions, kAudioEffects, kAudioTransitions };

inline constexpr size_t kMaxSkipEntries = 256;
inline constexpr size_t kMaxMuxLines = 256;
inline constexpr size_t kFileTypeFilterChars = 4095;

namespace FilterCatalog {

// Catalogues, filled once at start-up and unchanged afterwards.
std::vector<FilterEntry>& Effects(int index);  // by EffectCatalogIndex
std::vector<FilterEntry>& AudioRenderers();
std::vector<FilterEntry>& VideoCompressors();  // entry 0: "Uncompressed video"
std::vector<FilterEntry>& AudioCompressors();  // entry 0: "Uncompressed audio"
std::vector<MuxEntry>& FileTypes();
std::vector<std::wstring>& SkipList();  // upper case

// Empties every catalogue (a fresh start, for tests).
void Clear();

}  // namespace FilterCatalog

// Adds the entries of a device category to the catalogue from index `first` on; returns the
// number added, or -1 when the category cannot be enumerated.
int EnumerateCategory(std::vector<FilterEntry>& catalog, REFCLSID category, size_t first);

// Reads the skip list: each non-empty line, up to 256, raised to upper case.
void LoadSkipList(const std::vector<std::wstring>& lines);
// True when a skip-list text occurs in the display name (compared in upper case).
bool IsSkippedFilter(const wchar_t* displayName);

// The two built-in file types, then each configured line "name;extensions;{output type};
// {extra 1};{extra 2}" whose output type can be created.
void BuildFileTypeCatalog(const std::vector<std::wstring>& multiplexerLines);
// The save dialog's filter list: "label\0pattern\0...\0"; one process-wide buffer, at most
// 4,095 characters (entries that do not fit whole are left out).
const wchar_t* BuildFileTypeFilter();

HRESULT BindFilter(const wchar_t* displayName, IBaseFilter** filter);
HRESULT ShowFilterPages(IBaseFilter* filter, HWND owner);
HRESULT RegisterGraph(IUnknown* graph, DWORD* token);

// Upper-cases letters a to z in place, leaving everything else as it is.
void RaiseAscii(std::wstring& text);
