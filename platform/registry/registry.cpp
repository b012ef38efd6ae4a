// The registry calls. An open key is a handle that names its hive and the path of the key, so it
// keeps working when the hive is read again from its file (another process changed it) or the
// platform root changes.
#include "registry/registry.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "base/codepage.h"
#include "registry/hive.h"

#ifndef MAXIMUM_ALLOWED
#define MAXIMUM_ALLOWED 0x02000000L
#endif

using nux::registry::detail::Key;
using nux::registry::detail::Path;
using nux::registry::detail::Store;
using nux::registry::detail::Value;

namespace {

namespace d = nux::registry::detail;

constexpr REGSAM kAllRights = KEY_ALL_ACCESS;

struct OpenKey {
  int hive = -1;
  Path path;
  REGSAM access = 0;
};

// Open keys, by handle value. Guarded by the store's lock.
struct Handles {
  std::unordered_map<uintptr_t, OpenKey> open;
  uintptr_t next = 0x1000;
};

Handles& H() {
  static Handles* handles = new Handles;
  return *handles;
}

int PredefinedHive(HKEY h) {
  if (h == HKEY_CLASSES_ROOT) return d::kClassesRoot;
  if (h == HKEY_CURRENT_USER) return d::kCurrentUser;
  if (h == HKEY_LOCAL_MACHINE) return d::kLocalMachine;
  return -1;
}

bool IsPredefinedValue(HKEY h) {
  const auto v = static_cast<uintptr_t>(reinterpret_cast<ULONG_PTR>(h));
  return (v & 0xFFFFFFFF80000000ULL) == 0xFFFFFFFF80000000ULL;
}

// The hive, path and rights behind a handle; false for a handle that is not open.
bool Resolve(HKEY h, OpenKey& out) {
  int hive = PredefinedHive(h);
  if (hive >= 0) {
    out = OpenKey{hive, {}, kAllRights};
    return true;
  }
  auto it = H().open.find(reinterpret_cast<uintptr_t>(h));
  if (it == H().open.end()) return false;
  out = it->second;
  return true;
}

HKEY NewHandle(OpenKey key) {
  Handles& hs = H();
  uintptr_t v = hs.next;
  hs.next += 4;
  hs.open.emplace(v, std::move(key));
  return reinterpret_cast<HKEY>(v);
}

REGSAM Rights(REGSAM sam) {
  if (sam & MAXIMUM_ALLOWED) return kAllRights;
  return sam & ~REGSAM(KEY_WOW64_RES);
}

// A sub-key path: names between backslashes. A trailing backslash is allowed; a leading one or
// an empty name inside is not.
LSTATUS SplitSubKey(const char16_t* subKey, Path& out) {
  out.clear();
  if (!subKey) return ERROR_SUCCESS;
  std::u16string_view s(subKey);
  if (s.empty()) return ERROR_SUCCESS;
  if (s.front() == u'\\') return ERROR_BAD_PATHNAME;
  size_t start = 0;
  while (start < s.size()) {
    size_t end = s.find(u'\\', start);
    if (end == std::u16string_view::npos) end = s.size();
    if (end == start) return ERROR_BAD_PATHNAME;
    out.emplace_back(s.substr(start, end - start));
    start = end + 1;
  }
  return ERROR_SUCCESS;
}

// Names are written into the hive's text, which has no way to hold a line break in one.
bool StorableName(std::u16string_view name) { return name.find_first_of(u"\r\n") == std::u16string_view::npos; }

// The key behind an open handle in the hive as it is now; null when it was deleted.
Key* Locate(const OpenKey& k) { return d::Walk(Store::Get().Current(k.hive), k.path); }

std::u16string Widen(LPCSTR s) { return s ? nux::AnsiToWide(s) : std::u16string(); }

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::u16string UnitsOf(const std::vector<BYTE>& data) {
  std::u16string s;
  s.reserve(data.size() / 2);
  for (size_t i = 0; i + 1 < data.size(); i += 2) s += char16_t(data[i] | (data[i + 1] << 8));
  return s;
}

// A string value's data as the A calls see it: each UTF-16 unit (the NULs included) in
// Windows-1252.
std::vector<BYTE> AnsiData(const Value& v) {
  if (!IsStringType(v.type)) return v.data;
  std::string a = nux::WideToAnsi(UnitsOf(v.data));
  return std::vector<BYTE>(a.begin(), a.end());
}

std::vector<BYTE> WideData(DWORD type, const BYTE* data, DWORD size, bool fromAnsi) {
  if (!data || size == 0) return {};
  if (!fromAnsi || !IsStringType(type)) return std::vector<BYTE>(data, data + size);
  std::u16string w = nux::AnsiToWide(std::string_view(reinterpret_cast<const char*>(data), size));
  std::vector<BYTE> out;
  out.reserve(w.size() * 2);
  for (char16_t c : w) {
    out.push_back(BYTE(c & 0xFF));
    out.push_back(BYTE(c >> 8));
  }
  return out;
}

// ---- the calls, wide names inside ----------------------------------------------------

LSTATUS OpenKeyImpl(HKEY hKey, const char16_t* subKey, REGSAM sam, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> lock(Store::Get().Lock());
  OpenKey parent;
  if (!Resolve(hKey, parent)) return ERROR_INVALID_HANDLE;
  Path rel;
  if (LSTATUS s = SplitSubKey(subKey, rel)) return s;
  Key* k = Locate(parent);
  if (!k) return ERROR_KEY_DELETED;
  OpenKey opened{parent.hive, parent.path, Rights(sam)};
  for (const auto& part : rel) {
    k = k->FindSubkey(part);
    if (!k) return ERROR_FILE_NOT_FOUND;
    opened.path.push_back(k->name);  // the spelling the key was created with
  }
  *result = NewHandle(std::move(opened));
  return ERROR_SUCCESS;
}

LSTATUS CreateKeyImpl(HKEY hKey, const char16_t* subKey, REGSAM sam, PHKEY result, LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Lock());
  OpenKey parent;
  if (!Resolve(hKey, parent)) return ERROR_INVALID_HANDLE;
  Path rel;
  if (LSTATUS s = SplitSubKey(subKey, rel)) return s;
  for (const auto& part : rel)
    if (!StorableName(part)) return ERROR_INVALID_PARAMETER;
  if (!Locate(parent)) return ERROR_KEY_DELETED;

  bool created = false;
  Path full;
  LSTATUS status = store.Modify(parent.hive, [&](Key& root, bool& changed) -> LSTATUS {
    Key* k = d::Walk(root, parent.path);
    if (!k) return ERROR_KEY_DELETED;
    full = parent.path;
    for (const auto& part : rel) {
      Key* next = k->FindSubkey(part);
      if (!next) {
        if (!(parent.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
        next = k->AddSubkey(part);
        created = true;
      }
      full.push_back(next->name);
      k = next;
    }
    changed = created;
    return ERROR_SUCCESS;
  });
  if (status != ERROR_SUCCESS) return status;
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = NewHandle(OpenKey{parent.hive, std::move(full), Rights(sam)});
  return ERROR_SUCCESS;
}

LSTATUS QueryValueImpl(HKEY hKey, const char16_t* name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD cbData,
                       bool ansi) {
  if (reserved || (data && !cbData)) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> lock(Store::Get().Lock());
  OpenKey k;
  if (!Resolve(hKey, k)) return ERROR_INVALID_HANDLE;
  if (!(k.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  Key* key = Locate(k);
  if (!key) return ERROR_KEY_DELETED;
  Value* v = key->FindValue(name ? std::u16string_view(name) : std::u16string_view());
  if (!v) return ERROR_FILE_NOT_FOUND;
  const std::vector<BYTE> bytes = ansi ? AnsiData(*v) : v->data;
  if (type) *type = v->type;
  if (!cbData) return ERROR_SUCCESS;
  const DWORD size = DWORD(bytes.size());
  if (data && *cbData < size) {
    *cbData = size;
    return ERROR_MORE_DATA;
  }
  if (data && size) std::memcpy(data, bytes.data(), size);
  *cbData = size;
  return ERROR_SUCCESS;
}

LSTATUS SetValueImpl(HKEY hKey, const char16_t* name, DWORD type, const BYTE* data, DWORD cbData, bool ansi) {
  if (!data && cbData) return ERROR_NOACCESS;
  std::u16string valueName = name ? std::u16string(name) : std::u16string();
  if (!StorableName(valueName)) return ERROR_INVALID_PARAMETER;
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Lock());
  OpenKey k;
  if (!Resolve(hKey, k)) return ERROR_INVALID_HANDLE;
  if (!(k.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  std::vector<BYTE> bytes = WideData(type, data, cbData, ansi);
  return store.Modify(k.hive, [&](Key& root, bool& changed) -> LSTATUS {
    Key* key = d::Walk(root, k.path);
    if (!key) return ERROR_KEY_DELETED;
    key->SetValue(valueName, type, std::move(bytes));
    changed = true;
    return ERROR_SUCCESS;
  });
}

LSTATUS DeleteValueImpl(HKEY hKey, const char16_t* name) {
  std::u16string valueName = name ? std::u16string(name) : std::u16string();
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Lock());
  OpenKey k;
  if (!Resolve(hKey, k)) return ERROR_INVALID_HANDLE;
  if (!(k.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  return store.Modify(k.hive, [&](Key& root, bool& changed) -> LSTATUS {
    Key* key = d::Walk(root, k.path);
    if (!key) return ERROR_KEY_DELETED;
    if (!key->RemoveValue(valueName)) return ERROR_FILE_NOT_FOUND;
    changed = true;
    return ERROR_SUCCESS;
  });
}

LSTATUS DeleteKeyImpl(HKEY hKey, const char16_t* subKey) {
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Lock());
  OpenKey k;
  if (!Resolve(hKey, k)) return ERROR_INVALID_HANDLE;
  Path rel;
  if (LSTATUS s = SplitSubKey(subKey, rel)) return s;
  Path target = k.path;
  target.insert(target.end(), rel.begin(), rel.end());
  if (target.empty()) return ERROR_ACCESS_DENIED;  // a hive's root cannot be deleted
  return store.Modify(k.hive, [&](Key& root, bool& changed) -> LSTATUS {
    Path parentPath(target.begin(), target.end() - 1);
    Key* parent = d::Walk(root, parentPath);
    if (!parent) return rel.empty() ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
    Key* victim = parent->FindSubkey(target.back());
    if (!victim) return rel.empty() ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
    if (!victim->subkeys.empty()) return ERROR_ACCESS_DENIED;
    parent->RemoveSubkey(target.back());
    changed = true;
    return ERROR_SUCCESS;
  });
}

// Copies a name into a buffer counted in characters. On success *cch is the length without the
// NUL; when the buffer cannot take the name and its NUL, nothing is copied and *cch is left.
template <class Ch>
bool PutName(const std::basic_string<Ch>& name, Ch* buffer, LPDWORD cch) {
  if (!buffer || !cch || *cch < name.size() + 1) return false;
  std::memcpy(buffer, name.data(), name.size() * sizeof(Ch));
  buffer[name.size()] = 0;
  *cch = DWORD(name.size());
  return true;
}

template <class Ch>
LSTATUS EnumValueImpl(HKEY hKey, DWORD index, Ch* nameBuf, LPDWORD cchName, LPDWORD reserved, LPDWORD type,
                      LPBYTE data, LPDWORD cbData) {
  constexpr bool ansi = sizeof(Ch) == 1;
  if (!nameBuf || !cchName || reserved || (data && !cbData)) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> lock(Store::Get().Lock());
  OpenKey k;
  if (!Resolve(hKey, k)) return ERROR_INVALID_HANDLE;
  if (!(k.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  Key* key = Locate(k);
  if (!key) return ERROR_KEY_DELETED;
  if (index >= key->values.size()) return ERROR_NO_MORE_ITEMS;
  const Value& v = key->values[index];
  std::basic_string<Ch> name;
  if constexpr (ansi)
    name = nux::WideToAnsi(v.name);
  else
    name = v.name;
  const std::vector<BYTE> bytes = ansi ? AnsiData(v) : v.data;
  const DWORD size = DWORD(bytes.size());

  // The type and the data's size are reported whatever else fits; a name that does not fit
  // leaves the name and data buffers as they were.
  if (type) *type = v.type;
  if (!PutName(name, nameBuf, cchName)) {
    if (cbData) *cbData = size;
    return ERROR_MORE_DATA;
  }
  if (!cbData) return ERROR_SUCCESS;
  if (data && *cbData < size) {
    *cbData = size;
    return ERROR_MORE_DATA;
  }
  if (data && size) std::memcpy(data, bytes.data(), size);
  *cbData = size;
  return ERROR_SUCCESS;
}

template <class Ch>
LSTATUS EnumKeyImpl(HKEY hKey, DWORD index, Ch* nameBuf, LPDWORD cchName, LPDWORD reserved, Ch* classBuf,
                    LPDWORD cchClass, PFILETIME lastWrite) {
  if (!nameBuf || !cchName || reserved) return ERROR_INVALID_PARAMETER;
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Lock());
  OpenKey k;
  if (!Resolve(hKey, k)) return ERROR_INVALID_HANDLE;
  if (!(k.access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  Key* key = Locate(k);
  if (!key) return ERROR_KEY_DELETED;
  if (index >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  const Key& sub = *key->subkeys[index];
  std::basic_string<Ch> name;
  if constexpr (sizeof(Ch) == 1)
    name = nux::WideToAnsi(sub.name);
  else
    name = sub.name;
  if (!PutName(name, nameBuf, cchName)) return ERROR_MORE_DATA;
  if (classBuf && cchClass) {
    if (*cchClass < 1) return ERROR_MORE_DATA;
    classBuf[0] = 0;
  }
  if (cchClass) *cchClass = 0;
  if (lastWrite) *lastWrite = store.LastWriteTime(k.hive);
  return ERROR_SUCCESS;
}

}  // namespace

// ---- exported calls -------------------------------------------------------------------------

LSTATUS RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM samDesired,
                        const LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  return CreateKeyImpl(hKey, lpSubKey, samDesired, phkResult, lpdwDisposition);
}

LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                        const LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  std::u16string w = Widen(lpSubKey);
  return CreateKeyImpl(hKey, w.c_str(), samDesired, phkResult, lpdwDisposition);
}

LSTATUS RegCreateKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  if (!lpSubKey || !*lpSubKey) {  // the old call hands back the key itself
    std::lock_guard<std::mutex> lock(Store::Get().Lock());
    OpenKey k;
    if (!Resolve(hKey, k)) return ERROR_INVALID_HANDLE;
    *phkResult = hKey;
    return ERROR_SUCCESS;
  }
  return CreateKeyImpl(hKey, lpSubKey, MAXIMUM_ALLOWED, phkResult, nullptr);
}

LSTATUS RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  std::u16string w = Widen(lpSubKey);
  return RegCreateKeyW(hKey, lpSubKey ? w.c_str() : nullptr, phkResult);
}

LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  return OpenKeyImpl(hKey, lpSubKey, samDesired, phkResult);
}

LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  std::u16string w = Widen(lpSubKey);
  return OpenKeyImpl(hKey, lpSubKey ? w.c_str() : nullptr, samDesired, phkResult);
}

LSTATUS RegOpenKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  if (!lpSubKey || !*lpSubKey) {  // the old call hands back the key itself
    std::lock_guard<std::mutex> lock(Store::Get().Lock());
    OpenKey k;
    if (!Resolve(hKey, k)) return ERROR_INVALID_HANDLE;
    *phkResult = hKey;
    return ERROR_SUCCESS;
  }
  return OpenKeyImpl(hKey, lpSubKey, MAXIMUM_ALLOWED, phkResult);
}

LSTATUS RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  std::u16string w = Widen(lpSubKey);
  return RegOpenKeyW(hKey, lpSubKey ? w.c_str() : nullptr, phkResult);
}

LSTATUS RegCloseKey(HKEY hKey) {
  if (PredefinedHive(hKey) >= 0) return ERROR_SUCCESS;
  if (IsPredefinedValue(hKey)) return ERROR_INVALID_HANDLE;
  std::lock_guard<std::mutex> lock(Store::Get().Lock());
  return H().open.erase(reinterpret_cast<uintptr_t>(hKey)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegFlushKey(HKEY hKey) {
  // Every change is on disk when its call returns.
  std::lock_guard<std::mutex> lock(Store::Get().Lock());
  OpenKey k;
  return Resolve(hKey, k) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData) {
  return QueryValueImpl(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData, false);
}

LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData) {
  std::u16string w = Widen(lpValueName);
  return QueryValueImpl(hKey, w.c_str(), lpReserved, lpType, lpData, lpcbData, true);
}

LSTATUS RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
  return SetValueImpl(hKey, lpValueName, dwType, lpData, cbData, false);
}

LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
  std::u16string w = Widen(lpValueName);
  return SetValueImpl(hKey, w.c_str(), dwType, lpData, cbData, true);
}

LSTATUS RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) { return DeleteValueImpl(hKey, lpValueName); }

LSTATUS RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  std::u16string w = Widen(lpValueName);
  return DeleteValueImpl(hKey, w.c_str());
}

LSTATUS RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  return DeleteKeyImpl(hKey, lpSubKey);
}

LSTATUS RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  std::u16string w = Widen(lpSubKey);
  return DeleteKeyImpl(hKey, w.c_str());
}

LSTATUS RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                      LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  return EnumValueImpl<char16_t>(hKey, dwIndex, lpValueName, lpcchValueName, lpReserved, lpType, lpData, lpcbData);
}

LSTATUS RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                      LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  return EnumValueImpl<char>(hKey, dwIndex, lpValueName, lpcchValueName, lpReserved, lpType, lpData, lpcbData);
}

LSTATUS RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPWSTR lpClass,
                      LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  return EnumKeyImpl<char16_t>(hKey, dwIndex, lpName, lpcchName, lpReserved, lpClass, lpcchClass, lpftLastWriteTime);
}

LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPSTR lpClass,
                      LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  return EnumKeyImpl<char>(hKey, dwIndex, lpName, lpcchName, lpReserved, lpClass, lpcchClass, lpftLastWriteTime);
}

LSTATUS RegEnumKeyW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, DWORD cchName) {
  DWORD cch = cchName;
  return RegEnumKeyExW(hKey, dwIndex, lpName, &cch, nullptr, nullptr, nullptr, nullptr);
}

LSTATUS RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
  DWORD cch = cchName;
  return RegEnumKeyExA(hKey, dwIndex, lpName, &cch, nullptr, nullptr, nullptr, nullptr);
}

LSTATUS RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                         LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                         LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                         PFILETIME lpftLastWriteTime) {
  if (lpReserved) return ERROR_INVALID_PARAMETER;
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Lock());
  OpenKey k;
  if (!Resolve(hKey, k)) return ERROR_INVALID_HANDLE;
  if (!(k.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  Key* key = Locate(k);
  if (!key) return ERROR_KEY_DELETED;
  if (lpClass && lpcchClass) {
    if (*lpcchClass < 1) return ERROR_MORE_DATA;
    lpClass[0] = 0;
  }
  if (lpcchClass) *lpcchClass = 0;
  DWORD maxSub = 0, maxName = 0, maxData = 0;
  for (const auto& s : key->subkeys) maxSub = std::max<DWORD>(maxSub, DWORD(s->name.size()));
  for (const auto& v : key->values) {
    maxName = std::max<DWORD>(maxName, DWORD(v.name.size()));
    maxData = std::max<DWORD>(maxData, DWORD(v.data.size()));
  }
  if (lpcSubKeys) *lpcSubKeys = DWORD(key->subkeys.size());
  if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = maxSub;
  if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
  if (lpcValues) *lpcValues = DWORD(key->values.size());
  if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = maxName;
  if (lpcbMaxValueLen) *lpcbMaxValueLen = maxData;
  if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
  if (lpftLastWriteTime) *lpftLastWriteTime = store.LastWriteTime(k.hive);
  return ERROR_SUCCESS;
}

namespace nux::registry {

bool ImportRegText(const std::string& regText) {
  std::vector<d::RegOp> ops;
  if (!d::ParseRegText(regText, ops, true)) return false;
  Store& store = Store::Get();
  std::lock_guard<std::mutex> lock(store.Lock());
  bool ok = true;
  for (int hive = 0; hive < d::kHiveCount; ++hive) {
    bool any = false;
    for (const auto& op : ops) any = any || op.hive == hive;
    if (!any) continue;
    LSTATUS s = store.Modify(hive, [&](Key& root, bool& changed) -> LSTATUS {
      for (const auto& op : ops) {
        if (op.hive != hive) continue;
        d::ApplyOp(root, op);
        changed = true;
      }
      return ERROR_SUCCESS;
    });
    ok = ok && s == ERROR_SUCCESS;
  }
  return ok;
}

}  // namespace nux::registry
