// The module table behind HMODULE/HINSTANCE, shared by the files of this folder.
//
// A handle is a number the table hands out: the load base of a binary for the program and the
// shared libraries (as on Windows), the address of the file's bytes plus 2 for a data module.
// Every call looks the handle up, so a freed or made-up handle is simply unknown.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "res/modules.h"
#include "res/resfile.h"

namespace nux::res::detail {

struct Module {
  ModuleKind kind = ModuleKind::Program;
  uintptr_t handle = 0;
  std::string linuxPath;
  std::vector<uint8_t> bytes;            // a data module's file
  std::list<ResourceEntry> resources;    // stable addresses: an entry's address is its HRSRC
  int loadCount = 0;                     // LoadLibrary references
  void* dl = nullptr;                    // dlopen handle of a library we loaded
  bool pinned = false;                   // never unloaded (GET_MODULE_HANDLE_EX_FLAG_PIN)
};

struct Table {
  std::mutex mutex;  // guards everything below
  std::map<uintptr_t, std::unique_ptr<Module>> modules;
  std::unordered_map<const ResourceEntry*, Module*> live;  // HRSRC -> its module
  Module* program = nullptr;
};

// The table, with the program's record, made on first use (also during static initialisation).
// It is never destroyed, so registrations that end while the program exits still find it.
Table& TheTable();

// The module of a handle (NULL: the program); nullptr when unknown. Call with the mutex held.
Module* FindLocked(Table& table, HMODULE handle);

inline HMODULE ToHandle(const Module* m) { return reinterpret_cast<HMODULE>(m->handle); }

}  // namespace nux::res::detail
