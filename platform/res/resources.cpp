// The resource calls over the module table: finding, loading and sizing resources, and the
// string tables.
#include "res/resources.h"

#include <algorithm>
#include <cstring>

#include "base/codepage.h"
#include "base/errors.h"
#include "res/bytes.h"
#include "res/module_table.h"

using nux::res::ResId;
using nux::res::ResourceEntry;
using nux::res::detail::Module;
using nux::res::detail::Table;
using nux::res::detail::TheTable;

namespace {

const ResourceEntry* Find(HMODULE module, const ResId& type, const ResId& name, WORD language) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Module* m = nux::res::detail::FindLocked(table, module);
  if (!m || m->resources.empty()) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  DWORD error = ERROR_RESOURCE_NAME_NOT_FOUND;
  const ResourceEntry* e = nux::res::SelectResource(m->resources, type, name, language, &error);
  if (!e) SetLastError(error);
  return e;
}

// The entry behind a resource handle, while its module is loaded.
const ResourceEntry* Live(HRSRC resource) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto* entry = reinterpret_cast<const ResourceEntry*>(resource);
  return table.live.count(entry) ? entry : nullptr;
}

// The text of string `id`: a pointer into the string table block and its length. False when
// the block is missing, damaged, or the string is empty.
bool FindString(HINSTANCE instance, UINT id, const char16_t*& text, size_t& length) {
  if (id > 0xFFFF) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return false;
  }
  const ResourceEntry* e =
      Find(instance, ResId::Ordinal(6), ResId::Ordinal(WORD(id / 16 + 1)), 0);
  if (!e) return false;
  nux::res::ByteReader r(e->data, e->size);
  for (UINT i = 0; i < id % 16; ++i) r.Skip(uint64_t(r.U16()) * 2);
  length = r.U16();
  const uint8_t* start = r.here();
  r.Skip(uint64_t(length) * 2);
  if (!r.ok() || length == 0) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return false;
  }
  text = reinterpret_cast<const char16_t*>(start);
  return true;
}

std::u16string Copy(const char16_t* text, size_t length) {
  std::u16string s(length, u'\0');
  std::memcpy(s.data(), text, length * 2);
  return s;
}

}  // namespace

namespace nux::res {

std::optional<std::span<const uint8_t>> FindResourceData(HMODULE module, LPCWSTR type,
                                                         LPCWSTR name, WORD language) {
  const ResourceEntry* e = Find(module, ResId::FromArg(type), ResId::FromArg(name), language);
  if (!e) return std::nullopt;
  return std::span<const uint8_t>(e->data, e->size);
}

std::optional<std::u16string> LoadStringText(HMODULE module, UINT id) {
  const char16_t* text = nullptr;
  size_t length = 0;
  if (!FindString(module, id, text, length)) return std::nullopt;
  return Copy(text, length);
}

}  // namespace nux::res

HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language) {
  const ResourceEntry* e = Find(module, ResId::FromArg(type), ResId::FromArg(name), language);
  return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(e));
}

HRSRC FindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD language) {
  const ResourceEntry* e = Find(module, ResId::FromArgA(type), ResId::FromArgA(name), language);
  return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(e));
}

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  return FindResourceExW(module, type, name, 0);
}

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  return FindResourceExA(module, type, name, 0);
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  const ResourceEntry* e = Live(resource);
  if (!e) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  return const_cast<uint8_t*>(e->data);
}

LPVOID LockResource(HGLOBAL resourceData) { return resourceData; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
  const ResourceEntry* e = Live(resource);
  if (!e) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return 0;
  }
  return e->size;
}

BOOL FreeResource(HGLOBAL) { return FALSE; }

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax) {
  if (!buffer || bufferMax < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char16_t* text = nullptr;
  size_t length = 0;
  if (!FindString(instance, id, text, length)) {
    if (bufferMax > 0) buffer[0] = 0;
    return 0;
  }
  if (bufferMax == 0) {
    // The caller asked for a read-only pointer to the text itself.
    std::memcpy(buffer, &text, sizeof text);
    return int(length);
  }
  size_t n = std::min(length, size_t(bufferMax - 1));
  std::memcpy(buffer, text, n * 2);
  buffer[n] = 0;
  return int(n);
}

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax) {
  if (!buffer || bufferMax <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const char16_t* text = nullptr;
  size_t length = 0;
  if (!FindString(instance, id, text, length)) {
    buffer[0] = 0;
    return 0;
  }
  std::string ansi = nux::WideToAnsi(Copy(text, length));
  size_t n = std::min(ansi.size(), size_t(bufferMax - 1));
  std::memcpy(buffer, ansi.data(), n);
  buffer[n] = 0;
  return int(n);
}
