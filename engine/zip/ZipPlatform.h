// What the zip component asks of the platform on its read road: the host-system code and case
// rule of this platform, the conversion of stored names between the OEM and ANSI code pages
// and the removable-drive test for multi-volume archives.
#pragma once

#include "ZipAutoBuffer.h"
#include "base/types.h"

namespace ZipPlatform {

// Host-system codes of the version-made-by field.
enum SystemCode { scDos = 0, scUnix = 3, scOS2 = 6, scMac = 7, scNTFS = 10 };

// This platform's code: names are written with "\" and converted from the OEM code page.
inline int GetSystemID() { return scDos; }
// This platform's names compare without regard to case.
inline bool GetSystemCaseSensitivity() { return false; }
// True for one of the codes an archive system may take: 0, 3, 6, 7 and 10.
bool IsSupportedSystem(int iCode);

// Converts a byte buffer in place, ANSI to OEM (bAnsiToOem) or OEM to ANSI.
void AnsiOem(CZipAutoBuffer& buffer, bool bAnsiToOem);

// True when the path lies on a removable drive.
bool IsDriveRemovable(LPCWSTR lpszFilePath);

}  // namespace ZipPlatform
