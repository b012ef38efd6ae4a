// A library with registration entry points: registering writes the value "Registered" under
// HKEY_CURRENT_USER\Software\NuxTest, unregistering deletes it; a value "Fail" there makes both
// report a failure.
#include "base/types.h"
#include "registry/registry.h"

namespace {

bool ShouldFail(HKEY key) { return RegQueryValueExA(key, "Fail", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; }

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\NuxTest", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return E_FAIL;
  HRESULT hr = S_OK;
  if (ShouldFail(key)) {
    hr = E_UNEXPECTED;
  } else {
    DWORD one = 1;
    if (RegSetValueExA(key, "Registered", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one) != ERROR_SUCCESS)
      hr = E_FAIL;
  }
  RegCloseKey(key);
  return hr;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\NuxTest", 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return S_OK;
  HRESULT hr = ShouldFail(key) ? E_UNEXPECTED : S_OK;
  if (hr == S_OK) RegDeleteValueA(key, "Registered");
  RegCloseKey(key);
  return hr;
}
