// A registry key handle that closes itself: open or create a key, read and write binary and
// string values, enumerate values and find one by name without regard to case.
#pragma once

#include "base/types.h"
#include "mfc/cstring.h"
#include "registry/registry.h"

class CRegistryKey {
 public:
  CRegistryKey();
  ~CRegistryKey();
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  // Closes an open key first. With `create` the key is created when missing (full access);
  // otherwise it is opened for reading in the 64-bit view, then in the 32-bit view.
  BOOL Open(HKEY root, LPCWSTR subKey, BOOL create);

  // Result of RegCloseKey, 0 when nothing was open.
  LONG Close();

  // Zeroes *count bytes of the buffer, then reads the value into it. FALSE (buffer zero) when
  // the value is missing, its size differs from *count or its type is not REG_BINARY.
  BOOL ReadBinary(LPCWSTR name, LPVOID buffer, DWORD* count);

  BOOL WriteString(LPCWSTR name, LPCWSTR text);                // REG_SZ
  BOOL WriteBinary(LPCWSTR name, LPCVOID data, DWORD count);  // REG_BINARY

  // The value at `index`: its name and its data as text up to the first null character (at
  // most 256 characters, the 512-byte data buffer). FALSE past the last value or when the data
  // do not fit.
  BOOL EnumValue(DWORD index, CString& name, CString& data);

  // Data of the first value whose name equals `name` without regard to case; FALSE (data "")
  // when none does. A value whose data do not fit the reader's buffer does not end the walk:
  // the values after it are still found. When the value sought is such a value it is refused
  // (FALSE, data "") and *tooLong, when given, is set, so that the caller can report it instead
  // of using a cut text.
  BOOL FindValue(LPCWSTR name, CString& data, bool* tooLong = nullptr);

  HKEY m_hKey;

 private:
  // EnumValue's read, with the registry's own result (ERROR_MORE_DATA when the data do not fit;
  // the name is then still given when it fits its buffer).
  LONG ReadValueAt(DWORD index, CString& name, CString& data);
};
