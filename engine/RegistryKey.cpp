#include "RegistryKey.h"

#include <cstring>
#include <string>

#include "base/codepage.h"

namespace {

CString UpperAscii(const CString& text) {
  CString upper(text);
  for (int i = 0; i < upper.GetLength(); ++i) upper.SetAt(i, nux::UpperAscii(static_cast<char16_t>(upper[i])));
  return upper;
}

}  // namespace

CRegistryKey::CRegistryKey() : m_hKey(nullptr) {}

CRegistryKey::~CRegistryKey() { Close(); }

BOOL CRegistryKey::Open(HKEY root, LPCWSTR subKey, BOOL create) {
  Close();
  HKEY key = nullptr;
  LONG result;
  if (create) {
    DWORD disposition = 0;
    result = RegCreateKeyExW(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                             &disposition);
  } else {
    result = RegOpenKeyExW(root, subKey, 0, KEY_READ | KEY_WOW64_64KEY, &key);
    if (result != ERROR_SUCCESS) result = RegOpenKeyExW(root, subKey, 0, KEY_READ | KEY_WOW64_32KEY, &key);
  }
  if (result != ERROR_SUCCESS) return FALSE;
  m_hKey = key;
  return TRUE;
}

LONG CRegistryKey::Close() {
  if (m_hKey == nullptr) return 0;
  const LONG result = RegCloseKey(m_hKey);
  m_hKey = nullptr;
  return result;
}

BOOL CRegistryKey::ReadBinary(LPCWSTR name, LPVOID buffer, DWORD* count) {
  if (buffer == nullptr || count == nullptr) return FALSE;
  memset(buffer, 0, *count);
  if (m_hKey == nullptr) return FALSE;

  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(m_hKey, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return FALSE;
  if (type != REG_BINARY || size != *count) return FALSE;
  if (RegQueryValueExW(m_hKey, name, nullptr, &type, static_cast<LPBYTE>(buffer), &size) != ERROR_SUCCESS ||
      type != REG_BINARY || size != *count) {
    memset(buffer, 0, *count);
    return FALSE;
  }
  return TRUE;
}

BOOL CRegistryKey::WriteString(LPCWSTR name, LPCWSTR text) {
  if (m_hKey == nullptr || text == nullptr) return FALSE;
  const DWORD bytes = static_cast<DWORD>((std::char_traits<char16_t>::length(text) + 1) * sizeof(WCHAR));
  return RegSetValueExW(m_hKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) == ERROR_SUCCESS;
}

BOOL CRegistryKey::WriteBinary(LPCWSTR name, LPCVOID data, DWORD count) {
  if (m_hKey == nullptr) return FALSE;
  return RegSetValueExW(m_hKey, name, 0, REG_BINARY, static_cast<const BYTE*>(data), count) == ERROR_SUCCESS;
}

BOOL CRegistryKey::EnumValue(DWORD index, CString& name, CString& data) {
  if (m_hKey == nullptr) return FALSE;
  const DWORD kNameChars = 512;
  const DWORD kDataBytes = 512;
  WCHAR nameBuffer[kNameChars];
  BYTE dataBuffer[kDataBytes];
  memset(nameBuffer, 0, sizeof(nameBuffer));
  memset(dataBuffer, 0, sizeof(dataBuffer));
  DWORD nameLength = kNameChars;
  DWORD dataLength = kDataBytes;
  DWORD type = 0;
  if (RegEnumValueW(m_hKey, index, nameBuffer, &nameLength, nullptr, &type, dataBuffer, &dataLength) !=
      ERROR_SUCCESS) {
    return FALSE;
  }
  if (nameLength > kNameChars) nameLength = kNameChars;
  name = CString(nameBuffer, static_cast<int>(nameLength));

  // The data as text up to their first null character, but never past the buffer: data that
  // fill all 512 bytes have no terminator inside it.
  WCHAR chars[kDataBytes / sizeof(WCHAR)];
  memcpy(chars, dataBuffer, sizeof(chars));
  int length = 0;
  while (length < static_cast<int>(kDataBytes / sizeof(WCHAR)) && chars[length] != 0) ++length;
  data = CString(chars, length);
  return TRUE;
}

BOOL CRegistryKey::FindValue(LPCWSTR name, CString& data) {
  data.Empty();
  const CString wanted = UpperAscii(CString(name));
  CString valueName;
  CString valueData;
  for (DWORD index = 0; EnumValue(index, valueName, valueData); ++index) {
    if (UpperAscii(valueName) == wanted) {
      data = valueData;
      return TRUE;
    }
  }
  return FALSE;
}
