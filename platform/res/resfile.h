// Resource entries and the reader of compiled resource files (.res).
//
// A .res file is a sequence of entries, each a header followed by its data: DataSize,
// HeaderSize, TYPE and NAME (each 0xFFFF plus an ordinal, or a NUL-terminated UTF-16 string),
// aligned to 4 bytes, then DataVersion, MemoryFlags, LanguageId, Version and Characteristics.
// Each header and each data block starts on a multiple of 4. The first entry of a file is an
// empty one (type and name 0) that only marks the format; it is skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/types.h"

namespace nux::res {

// A resource type or name: an ordinal or a string. Strings compare without case.
struct ResId {
  bool isOrdinal = true;
  WORD ordinal = 0;
  std::u16string name;

  static ResId Ordinal(WORD value) { return ResId{true, value, {}}; }
  static ResId Name(std::u16string text) { return ResId{false, 0, std::move(text)}; }
  // From the argument of a resource call: an integer resource (MAKEINTRESOURCE), "#123" for
  // ordinal 123, or a name. NULL gives ordinal 0.
  static ResId FromArg(LPCWSTR arg);
  static ResId FromArgA(LPCSTR arg);  // the name in Windows-1252

  bool Matches(const ResId& other) const;
};

// Case folding of resource names: ASCII and Latin-1 letters.
char16_t FoldResourceChar(char16_t c);

struct ResourceEntry {
  ResId type;
  ResId name;
  WORD language = 0;
  WORD memoryFlags = 0;
  DWORD dataVersion = 0;
  DWORD version = 0;
  DWORD characteristics = 0;
  const uint8_t* data = nullptr;  // owned by whoever owns the bytes that were parsed
  DWORD size = 0;
};

// Appends the entries of a .res image to `out`; the entries point into `data`. Returns false
// when the image is malformed (the entries read before the fault stay in `out`).
bool ParseResFile(const uint8_t* data, std::size_t size, std::vector<ResourceEntry>& out);

// Finds a resource among entries: the type and name must match; of the languages, an exact
// match of `language` wins, else a neutral one (primary language 0), else the first. Returns
// nullptr with the error code (ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_RESOURCE_NAME_NOT_FOUND) in
// `error`.
template <class Range>
const ResourceEntry* SelectResource(const Range& entries, const ResId& type, const ResId& name,
                                    WORD language, DWORD* error) {
  const ResourceEntry* exact = nullptr;
  const ResourceEntry* neutral = nullptr;
  const ResourceEntry* first = nullptr;
  bool typeSeen = false;
  for (const ResourceEntry& e : entries) {
    if (!e.type.Matches(type)) continue;
    typeSeen = true;
    if (!e.name.Matches(name)) continue;
    if (!first) first = &e;
    if (e.language == language && !exact) exact = &e;
    if ((e.language & 0x3ff) == 0 && !neutral) neutral = &e;
  }
  const ResourceEntry* found = exact ? exact : neutral ? neutral : first;
  if (!found && error) *error = typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND;
  return found;
}

}  // namespace nux::res
