// GUID text, class ids from the registry, the task allocator and apartment counting.
#include "com/unknown.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "base/wstr.h"
#include "registry/registry.h"

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

LPVOID CoTaskMemAlloc(SIZE_T cb) { return std::malloc(cb ? cb : 1); }
LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb) { return std::realloc(pv, cb ? cb : 1); }
void CoTaskMemFree(LPVOID pv) { std::free(pv); }

namespace {
thread_local int t_apartmentCount = 0;
}  // namespace

namespace nux::com {
int ApartmentInitCount() { return t_apartmentCount; }
}  // namespace nux::com

HRESULT CoInitializeEx(LPVOID, DWORD) { return t_apartmentCount++ == 0 ? S_OK : S_FALSE; }
HRESULT CoInitialize(LPVOID pvReserved) { return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED); }
void CoUninitialize() {
  if (t_apartmentCount > 0) --t_apartmentCount;
}
HRESULT OleInitialize(LPVOID pvReserved) { return CoInitialize(pvReserved); }
void OleUninitialize() { CoUninitialize(); }

int StringFromGUID2(REFGUID g, LPOLESTR lpsz, int cchMax) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(g.Data1),
                unsigned(g.Data2), unsigned(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                g.Data4[5], g.Data4[6], g.Data4[7]);
  int n = int(std::strlen(buf)) + 1;
  if (!lpsz || cchMax < n) return 0;
  for (int i = 0; i < n; ++i) lpsz[i] = char16_t(buf[i]);
  return n;
}

HRESULT StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz) {
  if (!lplpsz) return E_INVALIDARG;
  *lplpsz = static_cast<LPOLESTR>(CoTaskMemAlloc(39 * sizeof(OLECHAR)));
  if (!*lplpsz) return E_OUTOFMEMORY;
  StringFromGUID2(rclsid, *lplpsz, 39);
  return S_OK;
}

HRESULT StringFromIID(REFIID riid, LPOLESTR* lplpsz) { return StringFromCLSID(riid, lplpsz); }

namespace {

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool ParseGuid(LPCOLESTR s, GUID& g) {
  if (!s || wcslen(s) != 38 || s[0] != u'{' || s[37] != u'}') return false;
  static const int dashes[] = {9, 14, 19, 24};
  for (int d : dashes) {
    if (s[d] != u'-') return false;
  }
  auto hex = [&](int from, int digits, uint64_t& out) {
    out = 0;
    for (int i = 0; i < digits; ++i) {
      int v = HexValue(s[from + i]);
      if (v < 0) return false;
      out = out * 16 + uint64_t(v);
    }
    return true;
  };
  uint64_t v;
  if (!hex(1, 8, v)) return false;
  g.Data1 = DWORD(v);
  if (!hex(10, 4, v)) return false;
  g.Data2 = WORD(v);
  if (!hex(15, 4, v)) return false;
  g.Data3 = WORD(v);
  static const int bytePos[] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!hex(bytePos[i], 2, v)) return false;
    g.Data4[i] = BYTE(v);
  }
  return true;
}

// The default value of a key below HKEY_CLASSES_ROOT as text; false when there is none.
bool ReadClassesDefault(const std::u16string& subKey, std::u16string& value) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0, bytes = 0;
  bool ok = false;
  if (RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS && type == REG_SZ && bytes) {
    std::u16string buf(bytes / sizeof(char16_t) + 1, u'\0');
    if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<LPBYTE>(buf.data()), &bytes) == ERROR_SUCCESS) {
      buf.resize(wcsnlen(buf.c_str(), bytes / sizeof(char16_t)));
      value = buf;
      ok = !value.empty();
    }
  }
  RegCloseKey(key);
  return ok;
}

}  // namespace

HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
  if (!pclsid) return E_INVALIDARG;
  if (!lpsz) {
    *pclsid = GUID_NULL;
    return S_OK;
  }
  if (lpsz[0] == u'{') {
    if (ParseGuid(lpsz, *pclsid)) return S_OK;
    return CO_E_CLASSSTRING;
  }
  return CLSIDFromProgID(lpsz, pclsid);
}

HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid) {
  if (!lpiid) return E_INVALIDARG;
  if (lpsz && ParseGuid(lpsz, *lpiid)) return S_OK;
  return E_INVALIDARG;
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
  if (!lpszProgID || !lpclsid) return E_INVALIDARG;
  *lpclsid = GUID_NULL;
  std::u16string text;
  if (!*lpszProgID || !ReadClassesDefault(std::u16string(lpszProgID) + u"\\CLSID", text)) return CO_E_CLASSSTRING;
  GUID g;
  if (!ParseGuid(text.c_str(), g)) return CO_E_CLASSSTRING;
  *lpclsid = g;
  return S_OK;
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID) {
  if (!lplpszProgID) return E_INVALIDARG;
  *lplpszProgID = nullptr;
  OLECHAR braced[39];
  StringFromGUID2(clsid, braced, 39);
  std::u16string text;
  if (!ReadClassesDefault(std::u16string(u"CLSID\\") + braced + u"\\ProgID", text)) return REGDB_E_CLASSNOTREG;
  auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
  if (!out) return E_OUTOFMEMORY;
  std::memcpy(out, text.c_str(), (text.size() + 1) * sizeof(OLECHAR));
  *lplpszProgID = out;
  return S_OK;
}
