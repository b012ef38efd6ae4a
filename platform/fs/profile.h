// The profile (ini file) functions.
//
// A file name without a folder names a file in the Windows folder (C:\windows\); other names
// are Windows paths. Section and key names match without regard to case (the first match
// wins); blanks around keys and values are dropped, and one pair of matching quotes ("..." or
// '...') around a value is removed. Lines starting with ";" are comments; a line without "="
// is no key. Files are 8-bit (Windows-1252) or UTF-16LE with a byte-order mark; a rewritten
// file keeps its encoding, a new one is 8-bit.
#pragma once

#include "base/types.h"

// The value of a key, or the default (trailing blanks removed; NULL means "") when the file,
// section or key is missing. A NULL section gives the section names, a NULL key the key names
// of the section, each ending in a NUL and the list in one more. A value that does not fit is
// cut to size-1 characters and the result is size-1; a list that does not fit ends in two
// NULs and the result is size-2. The result never counts the final NUL.
DWORD GetPrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR defaultValue, LPWSTR returnedString,
                               DWORD size, LPCWSTR fileName);
DWORD GetPrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR defaultValue, LPSTR returnedString,
                               DWORD size, LPCSTR fileName);

// The value as an integer: optional blanks and sign, then decimal digits up to the first other
// character, or "0x" and hexadecimal digits. A missing key or an empty value gives the
// default; a value without digits gives 0.
UINT GetPrivateProfileIntW(LPCWSTR appName, LPCWSTR keyName, INT defaultValue, LPCWSTR fileName);
UINT GetPrivateProfileIntA(LPCSTR appName, LPCSTR keyName, INT defaultValue, LPCSTR fileName);

// Sets a key (creating the file, the section and the key as needed); a NULL value deletes the
// key, a NULL key the whole section. The file is rewritten whole through a temporary file
// beside it. FALSE when the file cannot be written (read-only: ERROR_ACCESS_DENIED; missing
// folder: ERROR_PATH_NOT_FOUND). A line break in the section, key or value, an "=" in the key
// or a "]" in the section name is refused (ERROR_INVALID_PARAMETER), as it would add lines.
BOOL WritePrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR string, LPCWSTR fileName);
BOOL WritePrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR string, LPCSTR fileName);

// The lines of a section as "key=value" strings (other lines as they stand, comments left
// out), each ending in a NUL, the list in one more; truncation as for lists above.
DWORD GetPrivateProfileSectionW(LPCWSTR appName, LPWSTR returnedString, DWORD size, LPCWSTR fileName);
DWORD GetPrivateProfileSectionA(LPCSTR appName, LPSTR returnedString, DWORD size, LPCSTR fileName);

// The names of all sections, as a list.
DWORD GetPrivateProfileSectionNamesW(LPWSTR returnBuffer, DWORD size, LPCWSTR fileName);
DWORD GetPrivateProfileSectionNamesA(LPSTR returnBuffer, DWORD size, LPCSTR fileName);

#ifdef _UNICODE
#define GetPrivateProfileString GetPrivateProfileStringW
#define GetPrivateProfileInt GetPrivateProfileIntW
#define WritePrivateProfileString WritePrivateProfileStringW
#define GetPrivateProfileSection GetPrivateProfileSectionW
#define GetPrivateProfileSectionNames GetPrivateProfileSectionNamesW
#else
#define GetPrivateProfileString GetPrivateProfileStringA
#define GetPrivateProfileInt GetPrivateProfileIntA
#define WritePrivateProfileString WritePrivateProfileStringA
#define GetPrivateProfileSection GetPrivateProfileSectionA
#define GetPrivateProfileSectionNames GetPrivateProfileSectionNamesA
#endif
