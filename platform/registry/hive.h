// Inside the registry: the tree of one hive, its text form, and the store that keeps the hives
// in step with their files.
#pragma once

#include <sys/types.h>

#include <ctime>
#include <functional>
#include <mutex>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/types.h"
#include "registry/registry.h"

namespace nux::registry::detail {

enum Hive { kClassesRoot = 0, kCurrentUser = 1, kLocalMachine = 2, kHiveCount = 3 };

const char* HiveLongName(int hive);   // "HKEY_LOCAL_MACHINE"
const char* HiveShortName(int hive);  // "HKLM"
int HiveFromName(std::u16string_view name);  // long or short name, any case; -1 when unknown

// Names are compared as Windows does: each character upper-cased, then code unit by code unit.
char16_t FoldChar(char16_t c);
int CompareNames(std::u16string_view a, std::u16string_view b);
inline bool SameName(std::u16string_view a, std::u16string_view b) { return CompareNames(a, b) == 0; }

struct Value {
  std::u16string name;  // empty: the default value
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct Key {
  std::u16string name;
  std::vector<Value> values;                  // in the order they were created
  std::vector<std::unique_ptr<Key>> subkeys;  // sorted by CompareNames, as Windows lists them

  Key* FindSubkey(std::u16string_view name) const;
  Value* FindValue(std::u16string_view name);
  // The subkey of that name, created (in sorted place) when missing.
  Key* AddSubkey(std::u16string_view name, bool* created = nullptr);
  bool RemoveSubkey(std::u16string_view name);
  bool RemoveValue(std::u16string_view name);
  void SetValue(std::u16string_view name, DWORD type, std::vector<BYTE> data);
  std::unique_ptr<Key> Clone() const;
};

using Path = std::vector<std::u16string>;

// Walks a path from the root; null when a key on the way is missing.
Key* Walk(Key& root, const Path& path);

// One change that a .reg text asks for.
struct RegOp {
  enum Kind { kCreateKey, kDeleteKey, kSetValue, kDeleteValue } kind = kCreateKey;
  int hive = -1;
  Path path;
  std::u16string name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

// Reads a .reg text (UTF-8, or UTF-16 with its byte-order mark). Strict: any line it cannot read
// makes it return false. Lenient: such lines are passed over.
bool ParseRegText(std::string_view text, std::vector<RegOp>& ops, bool strict);
// Applies one change to the root of its hive.
void ApplyOp(Key& root, const RegOp& op);
// The whole hive in the .reg export format, as UTF-8 with CR LF line ends.
std::string SerializeHive(const Key& root, int hive);

// The hives of the current platform root, each kept in step with its file. All calls need the
// registry lock (Lock()).
class Store {
 public:
  static Store& Get();
  std::mutex& Lock() { return mutex_; }

  // The hive's tree as its file now holds it (read again when the file changed).
  Key& Current(int hive);
  // Last write time of the hive (its file's modification time).
  FILETIME LastWriteTime(int hive);

  // Read-modify-write under the hive's lock file: the file is read again if another process
  // changed it, the change is made on a copy, and the copy written atomically. change sets
  // changed when it changed anything; nothing is written otherwise. When the write fails the
  // hive keeps its previous content and ERROR_CANTWRITE is returned.
  LSTATUS Modify(int hive, const std::function<LSTATUS(Key& root, bool& changed)>& change);

 private:
  struct FileId {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    bool operator==(const FileId& o) const {
      return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
             mtime.tv_nsec == o.mtime.tv_nsec;
    }
  };
  struct HiveState {
    std::unique_ptr<Key> root;
    FileId id;
    bool loaded = false;
  };

  void CheckGeneration();
  void Refresh(int hive);
  static FileId StatPath(const std::string& path);
  LSTATUS WriteFile(int hive, const std::string& text, const FileId& previous);
  void RemoveStaleTemporaries(int hive);

  std::mutex mutex_;
  unsigned generation_ = ~0u;
  HiveState hives_[kHiveCount];
};

}  // namespace nux::registry::detail
