// File and folder helpers of the viewer engine. Paths are Windows paths.
#pragma once

#include "base/types.h"
#include "mfc/cstring.h"

// TRUE when FindFirstFileW finds the path (a file or a folder; wildcards match). The system's
// critical-error and open-file boxes are off for the call.
BOOL FileExists(LPCWSTR path);

// TRUE when the path can be made the current folder; the current folder is restored at once.
BOOL DirectoryExists(LPCWSTR path);

// Creates every folder level of the path after the drive (C:\A\B creates C:\A\ and C:\A\B\).
// Levels that exist already fail quietly. Returns the result of the last CreateDirectoryW.
BOOL CreatePath(const CString& path);

// Reads a whole text file: UTF-16 little-endian with a byte-order mark (line ends kept as
// stored), else 8-bit text with each byte taken as the character of the same code and lines
// joined by line feeds. The text is trimmed at both ends. FALSE, with the text empty, when the
// file cannot be opened or is empty.
BOOL ReadTextFile(const CString& path, CString& text);
