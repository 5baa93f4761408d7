#pragma once
// The media types a group may have: what the group editor offers and what CreateGroup
// builds from a TLGroupDesc's indexes.
#include <windows.h>

#include <cstddef>

struct GroupSubtype {
  const GUID* subtype;
  int bitCount;  // video only
  const wchar_t* name;
};

struct GroupMediaType {
  const GUID* major;
  const wchar_t* name;
  int subtypeCount;
  GroupSubtype subtypes[3];
};

inline constexpr size_t kGroupMediaTypeCount = 2;
inline constexpr int kGroupVideo = 0;
inline constexpr int kGroupAudio = 1;

extern const GroupMediaType GroupMediaTypes[kGroupMediaTypeCount];
