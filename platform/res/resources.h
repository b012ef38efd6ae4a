// Resources: compiled resource scripts (.res) embedded in our own binaries, and the resource
// section of PE files opened with LoadLibrary. Modules (HINSTANCE/HMODULE) are the platform's
// records of loaded binaries.
#pragma once

#include <cstddef>

#include "base/types.h"

#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_ACCELERATOR MAKEINTRESOURCEW(9)
#define RT_RCDATA MAKEINTRESOURCEW(10)
#define RT_GROUP_CURSOR MAKEINTRESOURCEW(12)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_VERSION MAKEINTRESOURCEW(16)

#define LOAD_LIBRARY_AS_DATAFILE 0x00000002

namespace nux {
// Called by the generated code of nux_add_resources when a binary is loaded: the resources
// (.res bytes) belong to the module that contains the address anchor.
void RegisterModuleResources(const void* anchor, const unsigned char* data, std::size_t size);
}  // namespace nux

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL resourceData);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL FreeResource(HGLOBAL resourceData);
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax);

HMODULE GetModuleHandleW(LPCWSTR moduleName);
HMODULE GetModuleHandleA(LPCSTR moduleName);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
HMODULE LoadLibraryW(LPCWSTR fileName);
HMODULE LoadLibraryA(LPCSTR fileName);
HMODULE LoadLibraryExW(LPCWSTR fileName, HANDLE reserved, DWORD flags);
HMODULE LoadLibraryExA(LPCSTR fileName, HANDLE reserved, DWORD flags);
BOOL FreeLibrary(HMODULE module);
