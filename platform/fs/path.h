// Windows paths on the Linux file system.
//
// Drives live under the platform root: C: is <root>/drive_c, D: is <root>/drive_d when that
// folder exists, and so on; Z:\ is the Linux root "/". "\" and "/" both separate components.
// A relative path resolves against the process's current folder, which the platform keeps as a
// Windows path. Each component is matched without regard to case when no exact match exists;
// trailing dots and blanks of a component are dropped, as Windows drops them.
#pragma once

#include <string>
#include <string_view>

#include "base/types.h"

namespace nux::fs {

// Linux path (UTF-8) of a Windows path: the parts that exist resolve to their on-disk spelling,
// the rest is kept as given. Empty when the path cannot be mapped (UNC, missing drive); then
// GetLastError() tells why (ERROR_BAD_PATHNAME, ERROR_PATH_NOT_FOUND, ERROR_INVALID_NAME).
std::string ToLinuxPath(std::u16string_view winPath);
std::string ToLinuxPathA(std::string_view winPathAnsi);  // Windows-1252 text

// Windows form of a Linux path: under <root>/drive_x it is X:\..., else Z:\...
// A relative Linux path is taken against the Linux working folder.
std::u16string ToWindowsPath(const std::string& linuxPath);
std::string ToWindowsPathA(const std::string& linuxPath);  // Windows-1252, unmappable -> '?'

// Absolute, normalised Windows path ("." and ".." resolved, separators as "\"), without
// looking at the disk. Empty (with GetLastError set) when the path cannot be made absolute.
std::u16string FullPath(std::u16string_view winPath);
std::string FullPathA(std::string_view winPathAnsi);

// Marks a drive as another type for GetDriveType (tests: DRIVE_CDROM for a CD drive).
// DRIVE_UNKNOWN (0) removes the mark.
void SetDriveType(char letter, UINT type);

}  // namespace nux::fs

// ---- Win32 ----------------------------------------------------------------------
#define DRIVE_UNKNOWN 0
#define DRIVE_NO_ROOT_DIR 1
#define DRIVE_REMOVABLE 2
#define DRIVE_FIXED 3
#define DRIVE_REMOTE 4
#define DRIVE_CDROM 5
#define DRIVE_RAMDISK 6

DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart);
DWORD GetFullPathNameA(LPCSTR fileName, DWORD bufferLength, LPSTR buffer, LPSTR* filePart);
DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer);
DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer);
BOOL SetCurrentDirectoryW(LPCWSTR pathName);
BOOL SetCurrentDirectoryA(LPCSTR pathName);
DWORD GetLongPathNameW(LPCWSTR shortPath, LPWSTR longPath, DWORD bufferLength);
DWORD GetLongPathNameA(LPCSTR shortPath, LPSTR longPath, DWORD bufferLength);
DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer);
DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer);
UINT GetDriveTypeW(LPCWSTR rootPathName);
UINT GetDriveTypeA(LPCSTR rootPathName);
DWORD GetLogicalDrives();
UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size);
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
UINT GetSystemDirectoryW(LPWSTR buffer, UINT size);
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);

#ifdef _UNICODE
#define GetFullPathName GetFullPathNameW
#define GetCurrentDirectory GetCurrentDirectoryW
#define SetCurrentDirectory SetCurrentDirectoryW
#define GetLongPathName GetLongPathNameW
#define GetTempPath GetTempPathW
#define GetDriveType GetDriveTypeW
#define GetWindowsDirectory GetWindowsDirectoryW
#define GetSystemDirectory GetSystemDirectoryW
#else
#define GetFullPathName GetFullPathNameA
#define GetCurrentDirectory GetCurrentDirectoryA
#define SetCurrentDirectory SetCurrentDirectoryA
#define GetLongPathName GetLongPathNameA
#define GetTempPath GetTempPathA
#define GetDriveType GetDriveTypeA
#define GetWindowsDirectory GetWindowsDirectoryA
#define GetSystemDirectory GetSystemDirectoryA
#endif
