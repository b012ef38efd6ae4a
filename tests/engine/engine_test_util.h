// Small helpers of the engine tests: files under drive C: of the current platform root, cursor
// files that parse, and registry values of any type.
#pragma once

#include <string>
#include <vector>

#include "base/types.h"

namespace enginetest {

// Writes bytes to a file given by its path below drive C: ("Prog/UI/x.cur"), folders created.
void WriteDriveC(const std::string& driveCRoot, const std::string& relative, const std::string& bytes);

// The bytes of a small .cur file and of a one-frame .ani file.
std::string CursorFileBytes();
std::string AnimatedCursorFileBytes();

// Sets a value of any type under a key, creating the key.
void SetRegistryValue(HKEY root, const char16_t* subKey, const char16_t* name, DWORD type, const void* data,
                      DWORD bytes);
void SetRegistryString(HKEY root, const char16_t* subKey, const char16_t* name, const std::u16string& text);

// UTF-16 little-endian bytes of a text.
std::string Utf16Bytes(const std::u16string& text);

}  // namespace enginetest
