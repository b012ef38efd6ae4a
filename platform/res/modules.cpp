// The module table: the program, our shared libraries that carry resources, libraries loaded
// with LoadLibrary (dlopen) and PE files served as data modules.
#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/codepage.h"
#include "base/errors.h"
#include "fs/path.h"
#include "res/module_table.h"
#include "res/pefile.h"
#include "res/resources.h"

namespace nux::res {
namespace {

std::string RealPath(const std::string& path) {
  char buffer[PATH_MAX];
  if (::realpath(path.c_str(), buffer)) return buffer;
  return path;
}

}  // namespace

namespace detail {
namespace {

// Load base of the program: the page where its lowest loadable segment starts, which is what
// dladdr reports as the base of an address in it. dl_iterate_phdr reports the program first.
int FirstObject(struct dl_phdr_info* info, size_t, void* data) {
  uintptr_t lowest = UINTPTR_MAX;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    if (info->dlpi_phdr[i].p_type == PT_LOAD) {
      uintptr_t start = uintptr_t(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
      if (start < lowest) lowest = start;
    }
  }
  if (lowest == UINTPTR_MAX) lowest = uintptr_t(info->dlpi_addr);
  *static_cast<uintptr_t*>(data) = lowest & ~(uintptr_t(::sysconf(_SC_PAGESIZE)) - 1);
  return 1;
}

Table* MakeTable() {
  auto* table = new Table;
  auto program = std::make_unique<Module>();
  program->kind = ModuleKind::Program;
  uintptr_t base = 0;
  dl_iterate_phdr(FirstObject, &base);
  // The handle must never be NULL; a program without a known base gets a fixed non-null one.
  program->handle = base ? base : 0x400000;
  program->linuxPath = RealPath("/proc/self/exe");
  table->program = program.get();
  table->modules[program->handle] = std::move(program);
  return table;
}

}  // namespace

Table& TheTable() {
  static Table* table = MakeTable();
  return *table;
}

Module* FindLocked(Table& table, HMODULE handle) {
  if (!handle) return table.program;
  auto it = table.modules.find(reinterpret_cast<uintptr_t>(handle));
  return it == table.modules.end() ? nullptr : it->second.get();
}

}  // namespace detail

using detail::Module;
using detail::Table;
using detail::TheTable;

namespace {

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldResourceChar(a[i]) != FoldResourceChar(b[i])) return false;
  }
  return true;
}

std::u16string_view BaseName(std::u16string_view path) {
  size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

std::u16string_view Stem(std::u16string_view name) {
  size_t dot = name.rfind(u'.');
  return dot == std::u16string_view::npos ? name : name.substr(0, dot);
}

bool HasSeparator(std::u16string_view name) { return name.find_first_of(u"\\/") != name.npos; }

// The name a Linux shared library of ours answers to as a Windows library: "libNUXSV.so" and
// "libNUXSV.so.1.2" are NUXSV; "" for a file name of another form.
std::u16string_view SharedObjectStem(std::u16string_view file) {
  if (file.size() <= 6 || !EqualNoCase(file.substr(0, 3), u"lib")) return {};
  size_t so = file.find(u".so");
  if (so == std::u16string_view::npos || so <= 3) return {};
  std::u16string_view rest = file.substr(so + 3);
  if (!rest.empty() && rest[0] != u'.') return {};
  return file.substr(3, so - 3);
}

// A module name as GetModuleHandle and LoadLibrary take it: the file name without case, with or
// without its extension ("Tessaron" and "Tessaron.DLL" both name Tessaron.dll; "app.exe" names
// the program file "app"; "NUXSV.dll" names the shared library libNUXSV.so).
bool NameMatches(const std::string& linuxPath, std::u16string_view query) {
  std::u16string file = nux::FromUtf8(linuxPath.substr(linuxPath.rfind('/') + 1));
  if (EqualNoCase(file, query) || EqualNoCase(Stem(file), Stem(query))) return true;
  std::u16string_view stem = SharedObjectStem(file);
  return !stem.empty() && EqualNoCase(stem, Stem(query));
}

Module* FindByName(Table& table, std::u16string_view name) {
  for (auto& [handle, m] : table.modules) {
    if (NameMatches(m->linuxPath, name)) return m.get();
  }
  return nullptr;
}

Module* FindByPath(Table& table, const std::string& linuxPath) {
  for (auto& [handle, m] : table.modules) {
    if (m->linuxPath == linuxPath) return m.get();
  }
  return nullptr;
}

void AddEntries(Table& table, Module* m, const std::vector<ResourceEntry>& entries) {
  for (const ResourceEntry& e : entries) {
    m->resources.push_back(e);
    table.live[&m->resources.back()] = m;
  }
}

// Drops a module's record and its live resource handles. Call with the mutex held.
void EraseModule(Table& table, Module* m) {
  for (const ResourceEntry& e : m->resources) table.live.erase(&e);
  table.modules.erase(m->handle);
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  bytes.clear();
  bytes.reserve(size_t(st.st_size));
  uint8_t chunk[65536];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  ::close(fd);
  return true;
}

bool IsElf(const std::vector<uint8_t>& bytes) {
  return bytes.size() >= 4 && bytes[0] == 0x7F && bytes[1] == 'E' && bytes[2] == 'L' &&
         bytes[3] == 'F';
}

bool IsElfFile(const std::string& path) {
  uint8_t head[4] = {};
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  ssize_t n = ::read(fd, head, sizeof head);
  ::close(fd);
  return n == 4 && IsElf(std::vector<uint8_t>(head, head + 4));
}

// The marker that precedes each embedded .res (see cmake/NuxResources.cmake): 0x7F "NUXRES"
// 0x01, then the image's size as 64 bits. Kept inverted here so that this program's own bytes
// do not hold the marker.
constexpr uint8_t kMarkerInverted[8] = {0x80, 0xB1, 0xAA, 0xA7, 0xAD, 0xBA, 0xAC, 0xFE};
// The start of the empty entry every .res image begins with: no data, a header of 32 bytes,
// type 0 and name 0.
constexpr uint8_t kResStart[16] = {0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};

// The file to load for a LoadLibrary name: with a path, that path; a bare name is looked for
// in the program's folder, then in the current folder. A name without extension also tries
// ".dll", as Windows appends it. Where the name itself is not there, a library of ours stands
// for a Windows library by the Linux shared-object name: "NUXSV.dll" (or "NUXSV") is
// "libNUXSV.so" in the same folder.
std::string ResolveLibraryFile(std::u16string_view name, const std::string& programPath) {
  std::vector<std::u16string> candidates;
  std::u16string_view base = BaseName(name);
  bool hasExtension = base.find(u'.') != std::u16string_view::npos;
  bool dllName = !hasExtension || (base.size() > 4 && EqualNoCase(base.substr(base.size() - 4), u".dll"));
  auto add = [&](const std::u16string& path) {
    candidates.push_back(path);
    if (!hasExtension) candidates.push_back(path + u".dll");
    if (dllName) {
      std::u16string_view stem = Stem(BaseName(path));
      if (!stem.empty()) {
        std::u16string folder = path.substr(0, path.size() - BaseName(path).size());
        candidates.push_back(folder + u"lib" + std::u16string(stem) + u".so");
      }
    }
  };
  if (HasSeparator(name)) {
    add(std::u16string(name));
  } else {
    std::string folder = programPath.substr(0, programPath.rfind('/'));
    add(nux::fs::ToWindowsPath(folder.empty() ? "/" : folder) + u"\\" + std::u16string(name));
    add(std::u16string(name));
  }
  for (const std::u16string& c : candidates) {
    std::string linux = nux::fs::ToLinuxPath(c);
    if (!linux.empty() && IsRegularFile(linux)) return RealPath(linux);
  }
  return {};
}

// The load base of a dlopen'ed library, found through its dynamic section.
uintptr_t LibraryBase(void* dl) {
  struct link_map* map = nullptr;
  if (dlinfo(dl, RTLD_DI_LINKMAP, &map) != 0 || !map) return 0;
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(map->l_ld), &info) || !info.dli_fbase) return 0;
  return reinterpret_cast<uintptr_t>(info.dli_fbase);
}

HMODULE AddReference(Module* m) {
  ++m->loadCount;
  return detail::ToHandle(m);
}

std::atomic<LibraryAttachHook> g_attachHook{nullptr};
std::atomic<LibraryDetachHook> g_detachHook{nullptr};

// Loads a Linux shared library (a path, or a system library's name for the dynamic linker) and
// enters it in the table under linuxPath (the real file when empty).
HMODULE LoadSharedObject(Table& table, const std::string& file, std::string linuxPath, int extraFlags) {
  // Outside the lock: loading runs the library's registrations, which take it.
  void* dl = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | extraFlags);
  if (!dl) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  uintptr_t base = LibraryBase(dl);
  if (!base) {
    dlclose(dl);
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return nullptr;
  }
  if (linuxPath.empty()) {
    struct link_map* map = nullptr;
    if (dlinfo(dl, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && *map->l_name)
      linuxPath = RealPath(map->l_name);
    else
      linuxPath = file;
  }
  void* extra = nullptr;
  HMODULE result;
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    Module* m = detail::FindLocked(table, reinterpret_cast<HMODULE>(base));
    if (!m) {
      auto lib = std::make_unique<Module>();
      lib->kind = ModuleKind::SharedObject;
      lib->handle = base;
      lib->linuxPath = linuxPath;
      m = lib.get();
      table.modules[base] = std::move(lib);
    }
    if (m->dl) {
      extra = dl;  // already held by an earlier LoadLibrary
    } else {
      m->dl = dl;
    }
    result = AddReference(m);
  }
  if (extra) {
    dlclose(extra);
    return result;
  }
  // A library loaded now: its start-up code runs, and may refuse the load.
  LibraryAttachHook attach = g_attachHook.load();
  if (attach && !attach(result)) {
    void* loaded = nullptr;
    {
      std::lock_guard<std::mutex> lock(table.mutex);
      if (Module* m = detail::FindLocked(table, result)) {
        if (m->loadCount > 0) --m->loadCount;
        if (m->loadCount == 0) {
          loaded = m->dl;
          m->dl = nullptr;
          if (m->resources.empty()) EraseModule(table, m);
        }
      }
    }
    if (loaded) dlclose(loaded);
    SetLastError(ERROR_DLL_INIT_FAILED);
    return nullptr;
  }
  return result;
}

// Windows library names that stand for a library of the system here.
struct SystemLibraries {
  std::mutex mutex;
  std::vector<std::pair<std::u16string, std::string>> names{{u"libcurl.dll", "libcurl.so.4"}};
};

SystemLibraries& TheSystemLibraries() {
  static auto* s = new SystemLibraries;
  return *s;
}

std::string SystemLibraryFor(std::u16string_view fileName) {
  SystemLibraries& s = TheSystemLibraries();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (const auto& [name, soname] : s.names)
    if (EqualNoCase(name, fileName)) return soname;
  return {};
}

}  // namespace

std::size_t ScanEmbeddedResources(const uint8_t* data, std::size_t size,
                                  std::vector<ResourceEntry>& out) {
  std::size_t found = 0;
  if (!data || size < 16 + sizeof kResStart) return 0;
  const uint8_t first = uint8_t(~kMarkerInverted[0]);
  std::size_t pos = 0;
  while (pos + 16 + sizeof kResStart <= size) {
    const void* hit = std::memchr(data + pos, first, size - pos - 16 - sizeof kResStart + 1);
    if (!hit) break;
    pos = std::size_t(static_cast<const uint8_t*>(hit) - data);
    bool marker = true;
    for (std::size_t i = 1; i < 8 && marker; ++i) marker = data[pos + i] == uint8_t(~kMarkerInverted[i]);
    if (marker) {
      uint64_t length = 0;
      for (int i = 7; i >= 0; --i) length = (length << 8) | data[pos + 8 + i];
      uint64_t start = pos + 16;
      if (length >= sizeof kResStart && length <= size - start &&
          std::memcmp(data + start, kResStart, sizeof kResStart) == 0) {
        std::vector<ResourceEntry> entries;
        if (ParseResFile(data + start, std::size_t(length), entries)) {
          out.insert(out.end(), entries.begin(), entries.end());
          ++found;
          pos = std::size_t(start + length);
          continue;
        }
      }
    }
    ++pos;
  }
  return found;
}

DWORD ReadFileResources(const std::string& linuxPath, FileResources& out) {
  out = FileResources();
  if (!ReadWholeFile(linuxPath, out.bytes)) return ERROR_FILE_NOT_FOUND;
  std::vector<ResourceEntry> entries;
  PeStatus status = ParsePeResources(out.bytes.data(), out.bytes.size(), entries);
  if (status == PeStatus::Ok) {
    out.isPe = true;
  } else if (status == PeStatus::Malformed || !IsElf(out.bytes)) {
    out = FileResources();
    return ERROR_BAD_EXE_FORMAT;
  } else {
    ScanEmbeddedResources(out.bytes.data(), out.bytes.size(), entries);
  }
  out.entries = std::move(entries);
  return ERROR_SUCCESS;
}

std::optional<ModuleInfo> QueryModule(HMODULE module) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Module* m = detail::FindLocked(table, module);
  if (!m) return std::nullopt;
  ModuleInfo info;
  info.kind = m->kind;
  info.linuxPath = m->linuxPath;
  info.loadCount = m->loadCount;
  info.resourceCount = m->resources.size();
  return info;
}

bool CopyLoadedModuleResource(const std::string& linuxPath, const ResId& type, const ResId& name,
                              std::vector<uint8_t>& bytes, DWORD* error) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Module* m = FindByPath(table, linuxPath);
  if (!m) return false;
  const ResourceEntry* e = nullptr;
  if (name.isOrdinal && name.ordinal == 0) {
    for (const ResourceEntry& r : m->resources) {
      if (r.type.Matches(type)) {
        e = &r;
        break;
      }
    }
    if (!e && error) *error = ERROR_RESOURCE_TYPE_NOT_FOUND;
  } else {
    e = SelectResource(m->resources, type, name, 0, error);
  }
  if (!e) {
    bytes.clear();
    return true;
  }
  bytes.assign(e->data, e->data + e->size);
  return true;
}

void SetLibraryHooks(LibraryAttachHook attach, LibraryDetachHook detach) {
  g_attachHook.store(attach);
  g_detachHook.store(detach);
}

}  // namespace nux::res

using nux::res::detail::Module;
using nux::res::detail::Table;
using nux::res::detail::TheTable;

namespace nux {

void RegisterModuleResources(const void* anchor, const unsigned char* data, std::size_t size) {
  Dl_info info;
  std::memset(&info, 0, sizeof info);
  if (!dladdr(anchor, &info)) return;
  std::vector<res::ResourceEntry> entries;
  res::ParseResFile(data, size, entries);  // a damaged image still gives what it could read
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  uintptr_t base = reinterpret_cast<uintptr_t>(info.dli_fbase);
  Module* m = nullptr;
  auto it = table.modules.find(base);
  if (it != table.modules.end()) {
    m = it->second.get();
  } else if (base == 0 || base == table.program->handle ||
             (info.dli_fname && res::RealPath(info.dli_fname) == table.program->linuxPath)) {
    m = table.program;
  } else {
    auto module = std::make_unique<Module>();
    module->kind = res::ModuleKind::SharedObject;
    module->handle = base;
    if (info.dli_fname) module->linuxPath = res::RealPath(info.dli_fname);
    m = module.get();
    table.modules[base] = std::move(module);
  }
  res::AddEntries(table, m, entries);
}

void UnregisterModuleResources(const void* anchor, const unsigned char* data, std::size_t size) {
  Dl_info info;
  std::memset(&info, 0, sizeof info);
  if (!dladdr(anchor, &info)) return;
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.modules.find(reinterpret_cast<uintptr_t>(info.dli_fbase));
  Module* m = it != table.modules.end() ? it->second.get() : table.program;
  const unsigned char* end = data + size;
  for (auto e = m->resources.begin(); e != m->resources.end();) {
    if (e->data >= data && e->data <= end) {
      table.live.erase(&*e);
      e = m->resources.erase(e);
    } else {
      ++e;
    }
  }
  // A library of ours that is going away and that we did not load ourselves leaves the table.
  if (m->kind == res::ModuleKind::SharedObject && m->resources.empty() && !m->dl) {
    res::EraseModule(table, m);
  }
}

}  // namespace nux

// ---- Win32 ----------------------------------------------------------------------------

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
  Table& table = TheTable();
  if (!moduleName) return nux::res::detail::ToHandle(table.program);
  std::u16string name(moduleName);
  std::string linux;
  if (nux::res::HasSeparator(name)) {
    linux = nux::fs::ToLinuxPath(name);
    if (!linux.empty()) linux = nux::res::RealPath(linux);
  }
  std::lock_guard<std::mutex> lock(table.mutex);
  Module* m = nullptr;
  if (nux::res::HasSeparator(name)) {
    if (!linux.empty()) m = nux::res::FindByPath(table, linux);
  } else {
    m = nux::res::FindByName(table, name);
  }
  if (!m) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return nux::res::detail::ToHandle(m);
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  if (!moduleName) return GetModuleHandleW(nullptr);
  std::u16string wide = nux::AnsiToWide(moduleName);
  return GetModuleHandleW(wide.c_str());
}

namespace {

// The module that holds an address: the binary dladdr names, or a data module's bytes.
HMODULE ModuleOfAddress(const void* address) {
  Dl_info info;
  std::memset(&info, 0, sizeof info);
  uintptr_t base = dladdr(address, &info) ? reinterpret_cast<uintptr_t>(info.dli_fbase) : 0;
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (base) {
    if (Module* m = nux::res::detail::FindLocked(table, reinterpret_cast<HMODULE>(base))) {
      return nux::res::detail::ToHandle(m);
    }
  }
  auto p = static_cast<const uint8_t*>(address);
  for (auto& [handle, m] : table.modules) {
    if (m->kind == nux::res::ModuleKind::DataFile && p >= m->bytes.data() &&
        p < m->bytes.data() + m->bytes.size()) {
      return nux::res::detail::ToHandle(m.get());
    }
  }
  return nullptr;
}

BOOL CompleteModuleHandleEx(DWORD flags, HMODULE found, HMODULE* module) {
  if (!found) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Module* m = nux::res::detail::FindLocked(table, found);
  if (!m) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  if (flags & GET_MODULE_HANDLE_EX_FLAG_PIN) {
    m->pinned = true;
  } else if (!(flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT)) {
    ++m->loadCount;
  }
  *module = found;
  return TRUE;
}

}  // namespace

BOOL GetModuleHandleExW(DWORD flags, LPCWSTR moduleName, HMODULE* module) {
  if (!module) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *module = nullptr;
  HMODULE found = (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS)
                      ? ModuleOfAddress(moduleName)
                      : GetModuleHandleW(moduleName);
  return CompleteModuleHandleEx(flags, found, module);
}

BOOL GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module) {
  if (!module) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *module = nullptr;
  HMODULE found = nullptr;
  if (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
    found = ModuleOfAddress(moduleName);
  } else {
    found = GetModuleHandleA(moduleName);
  }
  return CompleteModuleHandleEx(flags, found, module);
}

namespace {

std::string ModulePath(HMODULE module) {
  Table& table = TheTable();
  std::lock_guard<std::mutex> lock(table.mutex);
  Module* m = nux::res::detail::FindLocked(table, module);
  return m ? m->linuxPath : std::string();
}

// Windows' truncation: a buffer too small gets size - 1 characters and the terminator, the
// result is the buffer size and the error ERROR_INSUFFICIENT_BUFFER.
template <class Char>
DWORD CopyTruncated(const std::basic_string<Char>& text, Char* buffer, DWORD size) {
  if (size == 0 || !buffer) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (text.size() < size) {
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return DWORD(text.size());
  }
  std::copy(text.begin(), text.begin() + (size - 1), buffer);
  buffer[size - 1] = 0;
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}

}  // namespace

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
  std::string path = ModulePath(module);
  if (path.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  return CopyTruncated(nux::fs::ToWindowsPath(path), fileName, size);
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  std::string path = ModulePath(module);
  if (path.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  return CopyTruncated(nux::fs::ToWindowsPathA(path), fileName, size);
}

HMODULE LoadLibraryExW(LPCWSTR fileName, HANDLE, DWORD flags) {
  using namespace nux::res;
  if (!fileName || !*fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  Table& table = TheTable();
  std::u16string name(fileName);
  const bool asData = (flags & (LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE |
                                LOAD_LIBRARY_AS_IMAGE_RESOURCE)) != 0;
  // A library of ours read as data earlier is not loaded yet for a load that runs it.
  auto serves = [asData](const Module* m) {
    return asData || m->kind != ModuleKind::DataFile || !IsElf(m->bytes);
  };
  std::string programPath;
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    // A bare name that a loaded module answers to is that module, as on Windows.
    if (!HasSeparator(name)) {
      Module* m = FindByName(table, name);
      if (m && serves(m)) return AddReference(m);
    }
    programPath = table.program->linuxPath;
  }
  std::string path = ResolveLibraryFile(name, programPath);
  // A library the system provides: when no such file is there, or the file is a Windows
  // library whose code cannot run here, the system's library is loaded in its place. It stays
  // loaded: such libraries keep global state that is never cleaned up.
  if (!asData) {
    const std::string system = SystemLibraryFor(BaseName(name));
    if (!system.empty() && (path.empty() || !IsElfFile(path))) return LoadSharedObject(table, system, {}, RTLD_NODELETE);
  }
  if (path.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    Module* m = FindByPath(table, path);
    if (m && serves(m)) return AddReference(m);
  }

  auto module = std::make_unique<Module>();
  module->kind = ModuleKind::DataFile;
  module->linuxPath = path;
  if (!ReadWholeFile(path, module->bytes)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  std::vector<ResourceEntry> entries;
  PeStatus status = ParsePeResources(module->bytes.data(), module->bytes.size(), entries);
  if (status == PeStatus::Malformed) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return nullptr;
  }
  if (status == PeStatus::NotPe) {
    if (!IsElf(module->bytes)) {
      SetLastError(ERROR_BAD_EXE_FORMAT);
      return nullptr;
    }
    if (asData) {
      // One of our libraries read for its resources only.
      ScanEmbeddedResources(module->bytes.data(), module->bytes.size(), entries);
    } else {
      module.reset();
      return LoadSharedObject(table, path, path, 0);
    }
  }

  std::lock_guard<std::mutex> lock(table.mutex);
  if (Module* m = FindByPath(table, path); m && serves(m)) return AddReference(m);  // loaded meanwhile
  module->handle = reinterpret_cast<uintptr_t>(module->bytes.data()) | 2;
  if (module->bytes.empty() || table.modules.count(module->handle)) {
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return nullptr;
  }
  Module* m = module.get();
  table.modules[m->handle] = std::move(module);
  AddEntries(table, m, entries);
  return AddReference(m);
}

HMODULE LoadLibraryExA(LPCSTR fileName, HANDLE reserved, DWORD flags) {
  if (!fileName) return LoadLibraryExW(nullptr, reserved, flags);
  std::u16string wide = nux::AnsiToWide(fileName);
  return LoadLibraryExW(wide.c_str(), reserved, flags);
}

HMODULE LoadLibraryW(LPCWSTR fileName) { return LoadLibraryExW(fileName, nullptr, 0); }
HMODULE LoadLibraryA(LPCSTR fileName) { return LoadLibraryExA(fileName, nullptr, 0); }

BOOL FreeLibrary(HMODULE module) {
  Table& table = TheTable();
  void* dl = nullptr;
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    Module* m = module ? nux::res::detail::FindLocked(table, module) : nullptr;
    if (!m) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return FALSE;
    }
    // The program and libraries registered at their load stay; only our own references count.
    if (m->loadCount > 0 && --m->loadCount == 0 && !m->pinned) {
      if (m->kind == nux::res::ModuleKind::DataFile) {
        nux::res::EraseModule(table, m);
      } else if (m->dl) {
        dl = m->dl;
        m->dl = nullptr;
        if (m->resources.empty()) nux::res::EraseModule(table, m);
      }
    }
  }
  // Outside the lock: the library's end code, then unloading, which runs the library's
  // unregistrations (they take the lock).
  if (dl) {
    if (nux::res::LibraryDetachHook detach = nux::res::g_detachHook.load()) detach(module);
    dlclose(dl);
  }
  return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  if (!procName || IS_INTRESOURCE(procName)) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  Table& table = TheTable();
  nux::res::ModuleKind kind = nux::res::ModuleKind::Program;
  void* dl = nullptr;
  std::string path;
  {
    std::lock_guard<std::mutex> lock(table.mutex);
    Module* m = nux::res::detail::FindLocked(table, module);
    if (!m) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    kind = m->kind;
    dl = m->dl;
    path = m->linuxPath;
  }
  if (kind == nux::res::ModuleKind::DataFile) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  bool own = false;
  if (!dl) {
    // The program, or a library of ours that the system loaded: take a handle to it as it is.
    dl = kind == nux::res::ModuleKind::Program ? dlopen(nullptr, RTLD_NOW)
                                               : dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    own = dl != nullptr;
  }
  void* symbol = dl ? dlsym(dl, procName) : nullptr;
  if (own) dlclose(dl);
  if (!symbol) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

namespace nux {

void SetSystemLibrary(std::u16string_view windowsName, const std::string& soname) {
  auto& s = nux::res::TheSystemLibraries();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::erase_if(s.names, [&](const auto& entry) { return nux::res::EqualNoCase(entry.first, windowsName); });
  if (!soname.empty()) s.names.emplace_back(std::u16string(windowsName), soname);
}

}  // namespace nux
