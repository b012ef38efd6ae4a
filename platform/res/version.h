// Version information: the VS_VERSIONINFO resource of a file (a PE file, or a binary of ours
// with embedded resources) with its fixed file info, string tables and translations.
//
// GetFileVersionInfo copies the resource into the caller's block, followed by room that
// VerQueryValueA uses for the Windows-1252 copies of the texts it returns; pass VerQueryValue a
// block filled by GetFileVersionInfo of at least the size GetFileVersionInfoSize gave.
// Sub-blocks: "\" (the VS_FIXEDFILEINFO), "\VarFileInfo\Translation" (pairs of language and
// code page words), "\StringFileInfo\<language and code page in hex>\<name>" (a text; the
// length counts characters). Names compare without case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/types.h"

typedef struct tagVS_FIXEDFILEINFO {
  DWORD dwSignature;  // 0xFEEF04BD
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
} VS_FIXEDFILEINFO;

// 0 when the file has no version information: ERROR_FILE_NOT_FOUND (no file),
// ERROR_BAD_EXE_FORMAT (not a binary), ERROR_RESOURCE_DATA_NOT_FOUND or
// ERROR_RESOURCE_TYPE_NOT_FOUND (no version resource), ERROR_INVALID_DATA (a damaged one).
// *handle is set to 0.
DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle);
DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle);
// A block smaller than the size asked for gets the front of the resource, cut so that it still
// reads as a (shorter) version block; below 8 bytes the call fails with
// ERROR_INSUFFICIENT_BUFFER.
BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD handle, DWORD length, LPVOID data);
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD length, LPVOID data);
BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* length);
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length);

#ifdef _UNICODE
#define GetFileVersionInfoSize GetFileVersionInfoSizeW
#define GetFileVersionInfo GetFileVersionInfoW
#define VerQueryValue VerQueryValueW
#else
#define GetFileVersionInfoSize GetFileVersionInfoSizeA
#define GetFileVersionInfo GetFileVersionInfoA
#define VerQueryValue VerQueryValueA
#endif

namespace nux::res {

struct VersionInfo {
  bool hasFixed = false;
  VS_FIXEDFILEINFO fixed{};
  struct StringTable {
    std::u16string key;  // language and code page, e.g. "040704b0"
    std::vector<std::pair<std::u16string, std::u16string>> values;
  };
  std::vector<StringTable> stringTables;
  std::vector<DWORD> translations;  // LOWORD: language, HIWORD: code page

  // A text of a string table (key compared without case); with an empty table key, the first
  // table that has the name.
  std::optional<std::u16string> Find(std::u16string_view table, std::u16string_view name) const;
};

// A VS_VERSIONINFO resource's bytes into the structure; nullopt when it is damaged.
std::optional<VersionInfo> ParseVersionInfo(const void* data, std::size_t size);

// The version information of a file (Windows path), as GetFileVersionInfoW reads it.
std::optional<VersionInfo> ReadVersionInfo(LPCWSTR fileName);

}  // namespace nux::res
