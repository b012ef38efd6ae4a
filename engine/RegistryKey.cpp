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
  return ReadValueAt(index, name, data) == ERROR_SUCCESS;
}

LONG CRegistryKey::ReadValueAt(DWORD index, CString& name, CString& data) {
  name.Empty();
  data.Empty();
  if (m_hKey == nullptr) return ERROR_INVALID_HANDLE;
  const DWORD kNameChars = 512;
  const DWORD kDataBytes = 512;
  WCHAR nameBuffer[kNameChars];
  BYTE dataBuffer[kDataBytes];
  memset(nameBuffer, 0, sizeof(nameBuffer));
  memset(dataBuffer, 0, sizeof(dataBuffer));
  DWORD nameLength = kNameChars;
  DWORD dataLength = kDataBytes;
  DWORD type = 0;
  const LONG result = RegEnumValueW(m_hKey, index, nameBuffer, &nameLength, nullptr, &type, dataBuffer, &dataLength);
  if (result == ERROR_MORE_DATA) {
    // Ask again for the name alone, so that the caller knows which value did not fit.
    nameLength = kNameChars;
    memset(nameBuffer, 0, sizeof(nameBuffer));
    if (RegEnumValueW(m_hKey, index, nameBuffer, &nameLength, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      if (nameLength > kNameChars) nameLength = kNameChars;
      name = CString(nameBuffer, static_cast<int>(nameLength));
    }
    return ERROR_MORE_DATA;
  }
  if (result != ERROR_SUCCESS) return result;
  if (nameLength > kNameChars) nameLength = kNameChars;
  name = CString(nameBuffer, static_cast<int>(nameLength));

  // The data as text up to their first null character, but never past the buffer: data that
  // fill all 512 bytes have no terminator inside it.
  WCHAR chars[kDataBytes / sizeof(WCHAR)];
  memcpy(chars, dataBuffer, sizeof(chars));
  int length = 0;
  while (length < static_cast<int>(kDataBytes / sizeof(WCHAR)) && chars[length] != 0) ++length;
  data = CString(chars, length);
  return ERROR_SUCCESS;
}

BOOL CRegistryKey::FindValue(LPCWSTR name, CString& data, bool* tooLong) {
  data.Empty();
  if (tooLong) *tooLong = false;
  const CString wanted = UpperAscii(CString(name));
  CString valueName;
  CString valueData;
  for (DWORD index = 0;; ++index) {
    const LONG result = ReadValueAt(index, valueName, valueData);
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return FALSE;  // past the last value
    if (UpperAscii(valueName) != wanted) continue;
    if (result == ERROR_MORE_DATA) {
      if (tooLong) *tooLong = true;
      return FALSE;
    }
    data = valueData;
    return TRUE;
  }
}
