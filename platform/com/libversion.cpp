// Version blocks for shared libraries whose file names carry their version.
#include "com/libversion.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "res/version.h"

namespace nux::com {

std::optional<std::array<uint16_t, 4>> SharedLibraryNameVersion(const std::string& fileName) {
  std::string name = fileName;
  size_t slash = name.find_last_of('/');
  if (slash != std::string::npos) name = name.substr(slash + 1);
  size_t at = name.find(".so.");
  if (at == std::string::npos || at == 0) return std::nullopt;
  std::string rest = name.substr(at + 4);
  std::array<uint16_t, 4> version{0, 0, 0, 0};
  size_t part = 0;
  size_t pos = 0;
  while (true) {
    if (part == 4) return std::nullopt;
    size_t end = rest.find('.', pos);
    std::string field = rest.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    if (field.empty() || field.size() > 5) return std::nullopt;
    unsigned long value = 0;
    for (char c : field) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + unsigned(c - '0');
    }
    if (value > 0xFFFF) return std::nullopt;
    version[part++] = uint16_t(value);
    if (end == std::string::npos) break;
    pos = end + 1;
  }
  return version;
}

namespace {

// Builder of the nested version nodes: length, value length, type, key, value, children,
// each node aligned to four bytes.
class NodeWriter {
 public:
  std::vector<uint8_t> out;

  size_t Begin(const std::u16string& key, uint16_t valueLength, uint16_t type) {
    Align();
    size_t start = out.size();
    Put16(0);
    Put16(valueLength);
    Put16(type);
    for (char16_t c : key) Put16(c);
    Put16(0);
    Align();
    return start;
  }
  void End(size_t start) {
    uint16_t length = uint16_t(out.size() - start);
    out[start] = uint8_t(length & 0xFF);
    out[start + 1] = uint8_t(length >> 8);
  }
  void Put16(uint16_t v) {
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t(v >> 8));
  }
  void Put32(uint32_t v) {
    Put16(uint16_t(v & 0xFFFF));
    Put16(uint16_t(v >> 16));
  }
  void Align() {
    while (out.size() % 4) out.push_back(0);
  }
};

}  // namespace

std::vector<uint8_t> BuildVersionResource(const std::array<uint16_t, 4>& v) {
  NodeWriter w;
  size_t root = w.Begin(u"VS_VERSION_INFO", uint16_t(sizeof(VS_FIXEDFILEINFO)), 0);
  DWORD ms = (DWORD(v[0]) << 16) | v[1];
  DWORD ls = (DWORD(v[2]) << 16) | v[3];
  w.Put32(0xFEEF04BD);  // signature
  w.Put32(0x00010000);  // structure version 1.0
  w.Put32(ms);
  w.Put32(ls);
  w.Put32(ms);
  w.Put32(ls);
  w.Put32(0x3F);        // flags mask
  w.Put32(0);           // flags
  w.Put32(0x00040004);  // VOS_NT_WINDOWS32, as the readers expect
  w.Put32(2);           // VFT_DLL
  w.Put32(0);
  w.Put32(0);
  w.Put32(0);

  char text[32];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", unsigned(v[0]), unsigned(v[1]), unsigned(v[2]), unsigned(v[3]));
  std::u16string version(text, text + std::strlen(text));

  size_t sfi = w.Begin(u"StringFileInfo", 0, 1);
  size_t table = w.Begin(u"040904b0", 0, 1);
  for (const char16_t* name : {u"FileVersion", u"ProductVersion"}) {
    size_t s = w.Begin(name, uint16_t(version.size() + 1), 1);
    for (char16_t c : version) w.Put16(c);
    w.Put16(0);
    w.End(s);
  }
  w.End(table);
  w.End(sfi);

  size_t vfi = w.Begin(u"VarFileInfo", 0, 1);
  size_t var = w.Begin(u"Translation", 4, 0);
  w.Put16(0x0409);
  w.Put16(0x04b0);
  w.End(var);
  w.End(vfi);
  w.End(root);
  return w.out;
}

bool SharedLibraryVersionResource(const std::string& linuxPath, std::vector<uint8_t>& raw) {
  // realpath allocates what the path needs: no fixed buffer limits the length.
  char* resolved = ::realpath(linuxPath.c_str(), nullptr);
  if (!resolved) return false;
  std::string real = resolved;
  std::free(resolved);
  auto version = SharedLibraryNameVersion(real);
  if (!version) return false;
  std::ifstream in(real, std::ios::binary);
  char magic[4] = {};
  if (!in.read(magic, 4) || std::memcmp(magic, "\x7f" "ELF", 4) != 0) return false;
  raw = BuildVersionResource(*version);
  return true;
}

}  // namespace nux::com
