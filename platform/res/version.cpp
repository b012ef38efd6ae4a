// Version information: reading a file's VS_VERSIONINFO resource and querying it.
//
// The resource is a tree of blocks: wLength (the block with its children, in bytes),
// wValueLength (in characters for a text, wType 1, else in bytes), wType, the key as a
// NUL-terminated UTF-16 string, padding to 4 bytes, the value, padding to 4 bytes, the
// children. The root's key is "VS_VERSION_INFO" and its value the VS_FIXEDFILEINFO.
#include "res/version.h"

#include "com/libversion.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "base/codepage.h"
#include "base/errors.h"
#include "fs/path.h"
#include "res/bytes.h"
#include "res/modules.h"
#include "res/resfile.h"

namespace nux::res {
namespace {

constexpr DWORD kFixedSignature = 0xFEEF04BD;
constexpr uint64_t kNodeHeader = 6;
// What GetFileVersionInfo writes after the copied resource: tells VerQueryValueA whether the
// room for the converted texts follows.
constexpr uint8_t kTagRoom[4] = {'N', 'X', 'A', '+'};
constexpr uint8_t kTagNoRoom[4] = {'N', 'X', 'A', '-'};

uint64_t Align4(uint64_t v) { return (v + 3) / 4 * 4; }

struct Node {
  uint64_t offset = 0;  // of the block, within the version data
  uint64_t end = 0;     // offset + wLength
  uint64_t valueOffset = 0;
  uint64_t valueBytes = 0;
  WORD valueLength = 0;
  WORD type = 0;
  uint64_t childrenOffset = 0;
  std::u16string key;
};

// Reads the block at `offset`; it must lie inside [0, limit).
bool ReadNode(const uint8_t* data, uint64_t limit, uint64_t offset, Node& node) {
  ByteReader r(data, limit);
  if (!r.Has(offset, kNodeHeader)) return false;
  r.Seek(offset);
  uint64_t length = r.U16();
  if (length < kNodeHeader || !r.Has(offset, length)) return false;
  node.offset = offset;
  node.end = offset + length;
  node.valueLength = r.U16();
  node.type = r.U16();
  ByteReader keyReader(data, node.end);
  keyReader.Seek(r.pos());
  node.key = keyReader.WString();
  if (!keyReader.ok()) return false;
  node.valueOffset = std::min(Align4(keyReader.pos()), node.end);
  uint64_t bytes = node.type == 1 ? uint64_t(node.valueLength) * 2 : node.valueLength;
  // A value longer than its block is cut at the block's end.
  node.valueBytes = std::min(bytes, node.end - node.valueOffset);
  node.childrenOffset = std::min(Align4(node.valueOffset + node.valueBytes), node.end);
  return true;
}

template <class Visit>
bool ForEachChild(const uint8_t* data, const Node& parent, Visit visit) {
  uint64_t pos = parent.childrenOffset;
  while (pos + kNodeHeader <= parent.end) {
    Node child;
    if (!ReadNode(data, parent.end, pos, child)) return false;
    if (!visit(child)) return true;
    pos = Align4(child.end);
  }
  return true;
}

bool KeyEquals(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldResourceChar(a[i]) != FoldResourceChar(b[i])) return false;
  }
  return true;
}

// The text of a string value, up to its NUL.
std::u16string ValueText(const uint8_t* data, const Node& node) {
  std::u16string s;
  for (uint64_t i = 0; i + 1 < node.valueBytes; i += 2) {
    char16_t c = char16_t(Le16(data + node.valueOffset + i));
    if (c == 0) break;
    s.push_back(c);
  }
  return s;
}

bool ReadRoot(const uint8_t* data, uint64_t size, Node& root) {
  if (!ReadNode(data, size, 0, root) || root.key != u"VS_VERSION_INFO") return false;
  return true;
}

// The version resource of a file: from the module of a loaded binary with that file, else
// read from the file. Sets the error code and returns false when there is none.
bool LoadVersionResource(LPCWSTR fileName, std::vector<uint8_t>& raw) {
  if (!fileName || !*fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  std::string linux = nux::fs::ToLinuxPath(fileName);
  if (linux.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  char resolved[PATH_MAX];
  if (::realpath(linux.c_str(), resolved)) linux = resolved;
  // A Linux shared library states its version in its file name (libname.so.2.0.7.6).
  if (nux::com::SharedLibraryVersionResource(linux, raw)) return true;
  const ResId versionType = ResId::Ordinal(16);
  const ResId firstName = ResId::Ordinal(0);
  DWORD error = ERROR_RESOURCE_TYPE_NOT_FOUND;
  if (!CopyLoadedModuleResource(linux, versionType, firstName, raw, &error)) {
    FileResources file;
    DWORD status = ReadFileResources(linux, file);
    if (status != ERROR_SUCCESS) {
      SetLastError(status);
      return false;
    }
    raw.clear();
    error = file.entries.empty() ? ERROR_RESOURCE_DATA_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND;
    // The first version resource (a file has one, named VS_VERSION_INFO).
    for (const ResourceEntry& e : file.entries) {
      if (e.type.Matches(versionType)) {
        raw.assign(e.data, e.data + e.size);
        break;
      }
    }
  }
  if (raw.empty()) {
    SetLastError(error);
    return false;
  }
  Node root;
  if (!ReadRoot(raw.data(), raw.size(), root)) {
    SetLastError(ERROR_INVALID_DATA);
    return false;
  }
  raw.resize(size_t(root.end));  // what follows the block is not part of it
  return true;
}

uint64_t BlockSize(uint64_t rawLength) { return Align4(rawLength) + 4 + Align4(rawLength) / 2 + 4; }

// Walks a sub-block path ("\StringFileInfo\040704b0\FileVersion") from the root.
bool FindSubBlock(const uint8_t* data, const Node& root, std::u16string_view path, Node& found) {
  Node node = root;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t next = path.find(u'\\', pos);
    if (next == std::u16string_view::npos) next = path.size();
    std::u16string_view part = path.substr(pos, next - pos);
    pos = next + 1;
    if (part.empty()) continue;
    bool matched = false;
    Node child;
    if (!ForEachChild(data, node, [&](const Node& c) {
          if (KeyEquals(c.key, part)) {
            child = c;
            matched = true;
            return false;
          }
          return true;
        })) {
      return false;
    }
    if (!matched) return false;
    node = child;
  }
  found = node;
  return true;
}

bool Query(LPCVOID block, std::u16string_view subBlock, Node& root, Node& node) {
  if (!block) return false;
  const uint8_t* data = static_cast<const uint8_t*>(block);
  uint64_t length = Le16(data);
  if (!ReadRoot(data, length, root)) return false;
  return FindSubBlock(data, root, subBlock, node);
}

}  // namespace

std::optional<std::u16string> VersionInfo::Find(std::u16string_view table,
                                                std::u16string_view name) const {
  for (const StringTable& t : stringTables) {
    if (!table.empty() && !KeyEquals(t.key, table)) continue;
    for (const auto& [key, value] : t.values) {
      if (KeyEquals(key, name)) return value;
    }
  }
  return std::nullopt;
}

std::optional<VersionInfo> ParseVersionInfo(const void* data, std::size_t size) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  Node root;
  if (!bytes || !ReadRoot(bytes, size, root)) return std::nullopt;
  VersionInfo info;
  if (root.valueBytes >= sizeof(VS_FIXEDFILEINFO) &&
      Le32(bytes + root.valueOffset) == kFixedSignature) {
    info.hasFixed = true;
    DWORD* fields = &info.fixed.dwSignature;
    for (size_t i = 0; i < sizeof(VS_FIXEDFILEINFO) / 4; ++i) {
      fields[i] = Le32(bytes + root.valueOffset + i * 4);
    }
  }
  bool intact = true;
  intact &= ForEachChild(bytes, root, [&](const Node& section) {
    if (KeyEquals(section.key, u"StringFileInfo")) {
      intact &= ForEachChild(bytes, section, [&](const Node& table) {
        VersionInfo::StringTable t;
        t.key = table.key;
        intact &= ForEachChild(bytes, table, [&](const Node& value) {
          t.values.emplace_back(value.key, ValueText(bytes, value));
          return true;
        });
        info.stringTables.push_back(std::move(t));
        return true;
      });
    } else if (KeyEquals(section.key, u"VarFileInfo")) {
      intact &= ForEachChild(bytes, section, [&](const Node& var) {
        if (KeyEquals(var.key, u"Translation")) {
          for (uint64_t i = 0; i + 4 <= var.valueBytes; i += 4) {
            info.translations.push_back(Le32(bytes + var.valueOffset + i));
          }
        }
        return true;
      });
    }
    return true;
  });
  if (!intact) return std::nullopt;
  return info;
}

std::optional<VersionInfo> ReadVersionInfo(LPCWSTR fileName) {
  std::vector<uint8_t> raw;
  if (!LoadVersionResource(fileName, raw)) return std::nullopt;
  auto info = ParseVersionInfo(raw.data(), raw.size());
  if (!info) SetLastError(ERROR_INVALID_DATA);
  return info;
}

}  // namespace nux::res

using nux::res::Le16;

DWORD GetFileVersionInfoSizeW(LPCWSTR fileName, LPDWORD handle) {
  if (handle) *handle = 0;
  std::vector<uint8_t> raw;
  if (!nux::res::LoadVersionResource(fileName, raw)) return 0;
  return DWORD(nux::res::BlockSize(raw.size()));
}

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle) {
  if (!fileName) return GetFileVersionInfoSizeW(nullptr, handle);
  std::u16string wide = nux::AnsiToWide(fileName);
  return GetFileVersionInfoSizeW(wide.c_str(), handle);
}

BOOL GetFileVersionInfoW(LPCWSTR fileName, DWORD, DWORD length, LPVOID data) {
  if (!data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<uint8_t> raw;
  if (!nux::res::LoadVersionResource(fileName, raw)) return FALSE;
  if (length < 8) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  uint8_t* out = static_cast<uint8_t*>(data);
  uint64_t needed = nux::res::BlockSize(raw.size());
  uint64_t copied = raw.size();
  bool room = length >= needed;
  if (!room && nux::res::Align4(copied) + 4 > length) {
    // Cut the block so that it and the tag fit; its length word says where it ends now.
    copied = (length - 4) / 4 * 4;
  }
  std::memcpy(out, raw.data(), size_t(copied));
  uint64_t tag = nux::res::Align4(copied);
  std::memset(out + copied, 0, size_t(tag - copied));
  if (copied < raw.size()) {
    out[0] = uint8_t(copied & 0xFF);
    out[1] = uint8_t(copied >> 8);
  }
  std::memcpy(out + tag, room ? nux::res::kTagRoom : nux::res::kTagNoRoom, 4);
  if (room) std::memset(out + tag + 4, 0, size_t(needed - tag - 4));
  return TRUE;
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD length, LPVOID data) {
  if (!fileName) return GetFileVersionInfoW(nullptr, handle, length, data);
  std::u16string wide = nux::AnsiToWide(fileName);
  return GetFileVersionInfoW(wide.c_str(), handle, length, data);
}

BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* buffer, UINT* length) {
  using nux::res::Node;
  static const char16_t kEmpty[1] = {0};
  Node root, node;
  if (!subBlock || !buffer || !nux::res::Query(block, subBlock, root, node)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  const uint8_t* data = static_cast<const uint8_t*>(block);
  if (node.offset == root.offset) {
    // The root: its fixed file info.
    if (root.valueBytes < sizeof(VS_FIXEDFILEINFO) ||
        nux::res::Le32(data + root.valueOffset) != nux::res::kFixedSignature) {
      SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
      return FALSE;
    }
    *buffer = const_cast<uint8_t*>(data + root.valueOffset);
    if (length) *length = UINT(sizeof(VS_FIXEDFILEINFO));
    return TRUE;
  }
  if (node.valueBytes == 0) {
    *buffer = const_cast<char16_t*>(kEmpty);
    if (length) *length = 0;
    return TRUE;
  }
  *buffer = const_cast<uint8_t*>(data + node.valueOffset);
  if (length) *length = node.type == 1 ? UINT(node.valueBytes / 2) : UINT(node.valueBytes);
  return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length) {
  using nux::res::Node;
  static const char kEmpty[1] = {0};
  if (!subBlock || !buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::u16string wide = nux::AnsiToWide(subBlock);
  Node root, node;
  if (!nux::res::Query(block, wide, root, node)) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
  }
  if (node.offset == root.offset || node.type != 1) {
    return VerQueryValueW(block, wide.c_str(), buffer, length);  // binary values are the same
  }
  if (node.valueBytes == 0) {
    *buffer = const_cast<char*>(kEmpty);
    if (length) *length = 0;
    return TRUE;
  }
  uint8_t* data = static_cast<uint8_t*>(const_cast<void*>(block));
  uint64_t chars = node.valueBytes / 2;
  std::u16string text(size_t(chars), u'\0');
  std::memcpy(text.data(), data + node.valueOffset, size_t(chars * 2));
  std::string ansi = nux::WideToAnsi(text);  // one byte per character in Windows-1252
  ansi.resize(size_t(chars));  // (a surrogate pair gives one byte: pad)
  // Each text has a slot of its own in the room after the block (half its offset, as the
  // Windows-1252 copy is half as long), so earlier answers stay valid. Without the room the
  // text is converted in place.
  uint64_t tag = nux::res::Align4(root.end);
  uint8_t* target = data + node.valueOffset;
  if (std::memcmp(data + tag, nux::res::kTagRoom, 4) == 0) {
    target = data + tag + 4 + node.valueOffset / 2;
  }
  // The slot holds the characters and a NUL after them (a text stored without its NUL gets one).
  std::memcpy(target, ansi.data(), ansi.size());
  target[ansi.size()] = 0;
  *buffer = target;
  if (length) *length = UINT(chars);
  return TRUE;
}
