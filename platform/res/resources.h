// Resources: compiled resource scripts (.res) embedded in our own binaries, and the resource
// section of PE files opened with LoadLibrary. Modules (HINSTANCE/HMODULE) are the platform's
// records of loaded binaries.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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

#define DONT_RESOLVE_DLL_REFERENCES 0x00000001
#define LOAD_LIBRARY_AS_DATAFILE 0x00000002
#define LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE 0x00000040
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020

#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004

// Address of an exported function; cast it to the function's real type. Declared with a void
// result (not INT_PTR) because the compiler accepts casts from void (*)() to any function
// type without a warning.
typedef void (*FARPROC)();

namespace nux {
// Windows library names that stand for a system library here: LoadLibrary of such a name loads
// the system library (by the dynamic linker's search) when no such file is found or the file is a
// Windows library. "libcurl.dll" stands for "libcurl.so.4". An empty soname removes the name.
void SetSystemLibrary(std::u16string_view windowsName, const std::string& soname);

// Called by the generated code of nux_add_resources when a binary is loaded: the resources
// (.res bytes) belong to the module that contains the address anchor.
void RegisterModuleResources(const void* anchor, const unsigned char* data, std::size_t size);
// Called by the same generated code when the binary is unloaded (or the program ends): the
// entries of that .res are withdrawn.
void UnregisterModuleResources(const void* anchor, const unsigned char* data, std::size_t size);
}  // namespace nux

// Resource lookups. A type or name is an integer resource (MAKEINTRESOURCE), "#123" for the
// ordinal 123, or a name compared without case. FindResource takes the neutral language, else
// the first; FindResourceEx an exact match of the language, else neutral, else the first.
// Errors: ERROR_RESOURCE_DATA_NOT_FOUND (module unknown or without resources),
// ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_RESOURCE_NAME_NOT_FOUND.
// LoadResource gives the resource's bytes (LockResource returns them); they stay valid while
// the module is loaded; FreeResource has nothing to do.
// LoadString reads string `id` of the string tables (block id / 16 + 1, sixteen counted UTF-16
// strings each). LoadStringW with bufferMax 0 stores a read-only pointer to the text (not
// terminated) into *(LPCWSTR*)buffer and returns its length; otherwise the text is truncated to
// bufferMax - 1 characters and terminated, and the result is the number copied. LoadStringA
// gives the text in Windows-1252. A missing (or empty) string gives 0 and an empty buffer.

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);
HRSRC FindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD language);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL resourceData);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL FreeResource(HGLOBAL resourceData);
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);
int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax);

// Modules. GetModuleHandle(NULL) is the program; a name (without case, with or without its
// extension, or a full path) finds a loaded module. GetModuleFileName gives the module's file as
// a Windows path; too small a buffer gets the truncated, terminated path, the result is the
// buffer size and the error ERROR_INSUFFICIENT_BUFFER. LoadLibrary serves a PE file (one that
// starts with "MZ") as a data module: its resources work, no code runs; a Linux shared library
// is loaded with dlopen. Each LoadLibrary counts a reference that FreeLibrary releases.
// Errors: ERROR_MOD_NOT_FOUND (no such file or module), ERROR_BAD_EXE_FORMAT (not a binary, or a
// malformed one).
HMODULE GetModuleHandleW(LPCWSTR moduleName);
HMODULE GetModuleHandleA(LPCSTR moduleName);
// With GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, `moduleName` is an address inside the module (so
// a library finds its own module). A reference is counted unless UNCHANGED_REFCOUNT is given;
// PIN keeps the module loaded for good.
BOOL GetModuleHandleExW(DWORD flags, LPCWSTR moduleName, HMODULE* module);
BOOL GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
HMODULE LoadLibraryW(LPCWSTR fileName);
HMODULE LoadLibraryA(LPCSTR fileName);
HMODULE LoadLibraryExW(LPCWSTR fileName, HANDLE reserved, DWORD flags);
HMODULE LoadLibraryExA(LPCSTR fileName, HANDLE reserved, DWORD flags);
BOOL FreeLibrary(HMODULE module);
// A function of a module loaded from a Linux shared library (or the program); NULL with
// ERROR_PROC_NOT_FOUND for a missing name, an ordinal or a data module.
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);

#ifdef _UNICODE
#define FindResource FindResourceW
#define FindResourceEx FindResourceExW
#define LoadString LoadStringW
#define GetModuleHandle GetModuleHandleW
#define GetModuleHandleEx GetModuleHandleExW
#define GetModuleFileName GetModuleFileNameW
#define LoadLibrary LoadLibraryW
#define LoadLibraryEx LoadLibraryExW
#else
#define FindResource FindResourceA
#define FindResourceEx FindResourceExA
#define LoadString LoadStringA
#define GetModuleHandle GetModuleHandleA
#define GetModuleHandleEx GetModuleHandleExA
#define GetModuleFileName GetModuleFileNameA
#define LoadLibrary LoadLibraryA
#define LoadLibraryEx LoadLibraryExA
#endif
