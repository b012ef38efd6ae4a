// The module table and resource access for the rest of the platform: which binaries are
// loaded (the program, shared libraries of ours that carry resources, libraries loaded with
// LoadLibrary, PE files served as data), and typed access to their resources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/types.h"
#include "res/resfile.h"

namespace nux::res {

enum class ModuleKind {
  Program,       // the main program (GetModuleHandle(NULL))
  SharedObject,  // a Linux shared library: one of ours that registered resources, or dlopen'ed
  DataFile,      // a file read for its resources only (a PE file); no code of it runs
};

struct ModuleInfo {
  ModuleKind kind = ModuleKind::Program;
  std::string linuxPath;  // the binary's file (real path)
  int loadCount = 0;      // LoadLibrary references not yet freed
  std::size_t resourceCount = 0;
};

// What the table knows of a module; nullopt for a handle it does not know. NULL is the program.
std::optional<ModuleInfo> QueryModule(HMODULE module);

// The bytes of a resource, found as FindResourceExW finds it (language 0: neutral, else the
// first). The bytes stay valid while the module is loaded. nullopt with GetLastError set when
// there is no such resource.
std::optional<std::span<const uint8_t>> FindResourceData(HMODULE module, LPCWSTR type,
                                                         LPCWSTR name, WORD language = 0);

// String `id` of a module's string table; nullopt when it is missing (or empty, which the
// string tables cannot tell apart).
std::optional<std::u16string> LoadStringText(HMODULE module, UINT id);

// The resources of a file, read without loading it: a PE file's resource section, or the
// compiled resources embedded into a binary of ours (found by the marker that precedes them).
// The entries point into `bytes`, so keep the object in place (moving is fine, copying is not).
struct FileResources {
  FileResources() = default;
  FileResources(FileResources&&) = default;
  FileResources& operator=(FileResources&&) = default;
  FileResources(const FileResources&) = delete;
  FileResources& operator=(const FileResources&) = delete;

  std::vector<uint8_t> bytes;
  std::vector<ResourceEntry> entries;
  bool isPe = false;
};

// ERROR_SUCCESS, ERROR_FILE_NOT_FOUND (missing or unreadable), ERROR_BAD_EXE_FORMAT (not a PE
// or ELF file, or a malformed PE file).
DWORD ReadFileResources(const std::string& linuxPath, FileResources& out);

// The .res images embedded into an ELF image, each behind its marker; appends their entries.
// Returns the number of images found.
std::size_t ScanEmbeddedResources(const uint8_t* data, std::size_t size,
                                  std::vector<ResourceEntry>& out);

// Copies a module's resource `type`/`name` (language rules as FindResourceData; name ordinal 0:
// the first of the type) when the module whose file is `linuxPath` is loaded: true, with
// `bytes` empty and `error` set when the module lacks it. False when no loaded module has that
// file.
bool CopyLoadedModuleResource(const std::string& linuxPath, const ResId& type, const ResId& name,
                              std::vector<uint8_t>& bytes, DWORD* error);

// Hooks around the code of shared libraries of ours that LoadLibrary loads: `attach` runs once
// the library is loaded (its static objects built) and before LoadLibrary returns; FALSE
// makes the load fail with ERROR_DLL_INIT_FAILED and unloads the library again. `detach` runs
// when the last FreeLibrary is about to unload it. The class library sets them (its
// application objects of libraries start and end here).
using LibraryAttachHook = BOOL (*)(HMODULE module);
using LibraryDetachHook = void (*)(HMODULE module);
void SetLibraryHooks(LibraryAttachHook attach, LibraryDetachHook detach);

}  // namespace nux::res
