// Builds zip archives byte by byte for the tests, including damaged and unusual ones: each
// record's position is kept, so a test can patch any field afterwards.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ziptest {

inline void Put16(std::string& s, size_t at, uint32_t v) {
  s[at] = char(v & 0xff);
  s[at + 1] = char((v >> 8) & 0xff);
}
inline void Put32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xff);
}
inline void Add16(std::string& s, uint32_t v) {
  s.push_back(char(v & 0xff));
  s.push_back(char((v >> 8) & 0xff));
}
inline void Add32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(char((v >> (8 * i)) & 0xff));
}

inline uint32_t Crc(const std::string& data) {
  return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
}

// Raw deflate data (no zlib header), as zip entries hold it.
inline std::string Deflate(const std::string& data, int level = 9) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, uLong(data.size())) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = uInt(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// The traditional zip encryption, written out here independently of the reader.
class Encrypter {
 public:
  explicit Encrypter(const std::string& password) {
    for (char c : password) Update(uint8_t(c));
  }
  std::string Encrypt(const std::string& plain) {
    std::string out = plain;
    for (char& c : out) {
      const uint8_t p = uint8_t(c);
      c = char(p ^ KeyByte());
      Update(p);
    }
    return out;
  }

 private:
  static uint32_t CrcByte(uint32_t crc, uint8_t b) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    return crc;
  }
  uint8_t KeyByte() const {
    const uint32_t t = (k2_ & 0xffff) | 2;
    return uint8_t((t * (t ^ 1)) >> 8);
  }
  void Update(uint8_t p) {
    k0_ = CrcByte(k0_, p);
    k1_ = (k1_ + (k0_ & 0xff)) * 134775813u + 1;
    k2_ = CrcByte(k2_, uint8_t(k1_ >> 24));
  }
  uint32_t k0_ = 0x12345678u, k1_ = 0x23456789u, k2_ = 0x34567890u;
};

struct Entry {
  std::string name;  // the stored name bytes
  std::string data;  // the plain data
  int method = 8;    // 0 stored, 8 deflated
  std::string password;  // encrypted when not empty
  bool descriptor = false;          // flag bit 3, with a data descriptor after the data
  bool descriptorSignature = true;  // the descriptor starts with 50 4B 07 08
  int hostSystem = 0;               // high byte of version made by
  uint16_t modTime = 0x3904;
  uint16_t modDate = 0x58a6;
  uint16_t volume = 0;
};

// Where the records of a built archive lie.
struct Layout {
  std::vector<size_t> local;    // local headers
  std::vector<size_t> data;     // first byte of each entry's data
  std::vector<size_t> central;  // central headers
  size_t centralStart = 0;
  size_t end = 0;               // the end record
};

struct Archive {
  std::vector<Entry> entries;
  std::string prefix;   // bytes in front of the archive proper (a stub)
  std::string comment;  // the archive comment
  bool offsetsFromFileStart = false;  // offsets count the prefix too

  std::string Build(Layout* layout = nullptr) const {
    Layout l;
    std::string out = prefix;
    const size_t base = offsetsFromFileStart ? 0 : prefix.size();
    struct Info {
      uint32_t crc, csize, usize, offset;
      uint16_t flags;
    };
    std::vector<Info> infos;
    for (const Entry& e : entries) {
      Info info{};
      info.crc = Crc(e.data);
      std::string body = e.method == 8 ? Deflate(e.data) : e.data;
      info.flags = uint16_t((e.password.empty() ? 0 : 1) | (e.descriptor ? 8 : 0));
      if (!e.password.empty()) {
        Encrypter enc(e.password);
        std::string header(12, '\x5a');
        for (int i = 0; i < 11; ++i) header[i] = char(i * 37 + 11);
        header[11] = char(e.descriptor ? (e.modTime >> 8) : (info.crc >> 24));
        body = enc.Encrypt(header + body);
      }
      info.csize = uint32_t(body.size());
      info.usize = uint32_t(e.data.size());
      info.offset = uint32_t(out.size() - base);
      l.local.push_back(out.size());
      Add32(out, 0x04034b50);
      Add16(out, 20);
      Add16(out, info.flags);
      Add16(out, uint32_t(e.method));
      Add16(out, e.modTime);
      Add16(out, e.modDate);
      Add32(out, e.descriptor ? 0 : info.crc);
      Add32(out, e.descriptor ? 0 : info.csize);
      Add32(out, e.descriptor ? 0 : info.usize);
      Add16(out, uint32_t(e.name.size()));
      Add16(out, 0);
      out += e.name;
      l.data.push_back(out.size());
      out += body;
      if (e.descriptor) {
        if (e.descriptorSignature) Add32(out, 0x08074b50);
        Add32(out, info.crc);
        Add32(out, info.csize);
        Add32(out, info.usize);
      }
      infos.push_back(info);
    }
    l.centralStart = out.size();
    for (size_t i = 0; i < entries.size(); ++i) {
      const Entry& e = entries[i];
      const Info& info = infos[i];
      l.central.push_back(out.size());
      Add32(out, 0x02014b50);
      Add16(out, uint32_t((e.hostSystem << 8) | 20));
      Add16(out, 20);
      Add16(out, info.flags);
      Add16(out, uint32_t(e.method));
      Add16(out, e.modTime);
      Add16(out, e.modDate);
      Add32(out, info.crc);
      Add32(out, info.csize);
      Add32(out, info.usize);
      Add16(out, uint32_t(e.name.size()));
      Add16(out, 0);
      Add16(out, 0);
      Add16(out, e.volume);
      Add16(out, 0);
      Add32(out, 0);
      Add32(out, info.offset);
      out += e.name;
    }
    const size_t centralSize = out.size() - l.centralStart;
    l.end = out.size();
    Add32(out, 0x06054b50);
    Add16(out, 0);
    Add16(out, 0);
    Add16(out, uint32_t(entries.size()));
    Add16(out, uint32_t(entries.size()));
    Add32(out, uint32_t(centralSize));
    Add32(out, uint32_t(l.centralStart - base));
    Add16(out, uint32_t(comment.size()));
    out += comment;
    if (layout) *layout = l;
    return out;
  }
};

// Offsets of fields inside the records.
enum : size_t {
  kLocalFlags = 6,
  kLocalMethod = 8,
  kLocalCrc = 14,
  kLocalCompressed = 18,
  kLocalUncompressed = 22,
  kLocalNameLength = 26,
  kCentralFlags = 8,
  kCentralMethod = 10,
  kCentralCrc = 16,
  kCentralCompressed = 20,
  kCentralUncompressed = 24,
  kCentralVolume = 34,
  kCentralOffset = 42,
  kEndThisVolume = 4,
  kEndVolumeWithDir = 6,
  kEndEntriesHere = 8,
  kEndEntries = 10,
  kEndDirSize = 12,
  kEndDirOffset = 16,
  kEndCommentLength = 20,
};

}  // namespace ziptest
