// Small helpers shared by the registry tests.
#pragma once

#include <string>
#include <vector>

#include "fs/root.h"
#include "registry/registry.h"

namespace regtest {

inline std::vector<BYTE> Wide(std::u16string_view s, bool withNul = true) {
  std::vector<BYTE> out;
  for (char16_t c : s) {
    out.push_back(BYTE(c & 0xFF));
    out.push_back(BYTE(c >> 8));
  }
  if (withNul) {
    out.push_back(0);
    out.push_back(0);
  }
  return out;
}

// Drops every cached hive, so the next call reads the hive files again as a new process would.
inline void ForgetCache() { nux::SetPlatformRoot(nux::PlatformRoot()); }

inline HKEY Create(HKEY root, const char16_t* path, REGSAM sam = KEY_ALL_ACCESS) {
  HKEY k = nullptr;
  if (RegCreateKeyExW(root, path, 0, nullptr, 0, sam, nullptr, &k, nullptr) != ERROR_SUCCESS) return nullptr;
  return k;
}

inline LONG SetString(HKEY k, const char16_t* name, std::u16string_view text) {
  auto data = Wide(text);
  return RegSetValueExW(k, name, 0, REG_SZ, data.data(), DWORD(data.size()));
}

inline LONG SetDword(HKEY k, const char16_t* name, DWORD v) {
  return RegSetValueExW(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
}

// The value's type and bytes through RegQueryValueExW; type REG_NONE and no bytes when missing.
struct Read {
  LONG status = ERROR_SUCCESS;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

inline Read Query(HKEY k, const char16_t* name) {
  Read r;
  DWORD size = 0;
  r.status = RegQueryValueExW(k, name, nullptr, &r.type, nullptr, &size);
  if (r.status != ERROR_SUCCESS) return r;
  r.data.resize(size);
  r.status = RegQueryValueExW(k, name, nullptr, &r.type, r.data.data(), &size);
  r.data.resize(size);
  return r;
}

inline std::u16string QueryString(HKEY k, const char16_t* name) {
  Read r = Query(k, name);
  std::u16string s;
  for (size_t i = 0; i + 1 < r.data.size(); i += 2) s += char16_t(r.data[i] | (r.data[i + 1] << 8));
  if (!s.empty() && s.back() == 0) s.pop_back();
  return s;
}

}  // namespace regtest
