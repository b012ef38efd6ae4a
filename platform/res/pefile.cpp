#include "res/pefile.h"

#include <algorithm>
#include <unordered_set>

#include "res/bytes.h"

namespace nux::res {
namespace {

constexpr uint32_t kHighBit = 0x80000000u;
// More directory entries than any real resource section holds; beyond this the file is
// treated as malformed rather than walked.
constexpr uint64_t kMaxEntries = 1u << 20;

struct Section {
  uint64_t va = 0;
  uint64_t virtualSize = 0;
  uint64_t rawOffset = 0;
  uint64_t rawSize = 0;
};

class Image {
 public:
  Image(const uint8_t* data, uint64_t size) : data_(data), size_(size) {}

  std::vector<Section> sections;

  // File offset of [rva, rva + length): the range must lie inside one section's data in the
  // file.
  bool Map(uint64_t rva, uint64_t length, uint64_t& offset) const {
    for (const Section& s : sections) {
      if (rva < s.va) continue;
      uint64_t delta = rva - s.va;
      if (delta > s.rawSize || length > s.rawSize - delta) continue;
      uint64_t off = s.rawOffset + delta;
      if (off > size_ || length > size_ - off) return false;
      offset = off;
      return true;
    }
    return false;
  }

  const uint8_t* At(uint64_t offset) const { return data_ + offset; }

 private:
  const uint8_t* data_;
  uint64_t size_;
};

class TreeWalker {
 public:
  TreeWalker(const Image& image, uint64_t rootRva, std::vector<ResourceEntry>& out)
      : image_(image), root_(rootRva), out_(out) {}

  bool Walk(int level, uint64_t dirOffset, const ResId* type, const ResId* name) {
    if (!visited_.insert(dirOffset).second) return false;  // a directory reached twice: a loop
    uint64_t off = 0;
    if (!image_.Map(root_ + dirOffset, 16, off)) return false;
    const uint8_t* dir = image_.At(off);
    uint64_t count = uint64_t(Le16(dir + 12)) + Le16(dir + 14);
    entries_ += count;
    if (entries_ > kMaxEntries) return false;
    uint64_t tableOff = 0;
    if (!image_.Map(root_ + dirOffset + 16, count * 8, tableOff)) return false;
    for (uint64_t i = 0; i < count; ++i) {
      const uint8_t* entry = image_.At(tableOff + i * 8);
      uint32_t nameField = Le32(entry);
      uint32_t dataField = Le32(entry + 4);
      ResId id;
      if (nameField & kHighBit) {
        if (!ReadName(nameField & ~kHighBit, id)) return false;
      } else {
        id = ResId::Ordinal(WORD(nameField));
      }
      bool isDirectory = (dataField & kHighBit) != 0;
      if (level < 2) {
        if (!isDirectory) return false;
        bool ok = level == 0 ? Walk(1, dataField & ~kHighBit, &id, nullptr)
                             : Walk(2, dataField & ~kHighBit, type, &id);
        if (!ok) return false;
      } else {
        if (isDirectory || !id.isOrdinal) return false;
        if (!ReadData(dataField, *type, *name, id.ordinal)) return false;
      }
    }
    return true;
  }

 private:
  bool ReadName(uint64_t offset, ResId& id) {
    uint64_t off = 0;
    if (!image_.Map(root_ + offset, 2, off)) return false;
    uint64_t length = Le16(image_.At(off));
    if (!image_.Map(root_ + offset, 2 + length * 2, off)) return false;
    ByteReader r(image_.At(off) + 2, length * 2);
    id = ResId::Name(r.WChars(length));
    return r.ok();
  }

  bool ReadData(uint64_t offset, const ResId& type, const ResId& name, WORD language) {
    uint64_t off = 0;
    if (!image_.Map(root_ + offset, 16, off)) return false;
    const uint8_t* entry = image_.At(off);
    uint64_t dataRva = Le32(entry);
    uint64_t dataSize = Le32(entry + 4);
    uint64_t dataOff = 0;
    if (!image_.Map(dataRva, dataSize, dataOff)) return false;
    ResourceEntry e;
    e.type = type;
    e.name = name;
    e.language = language;
    e.data = image_.At(dataOff);
    e.size = DWORD(dataSize);
    out_.push_back(std::move(e));
    return true;
  }

  const Image& image_;
  uint64_t root_;
  std::vector<ResourceEntry>& out_;
  std::unordered_set<uint64_t> visited_;
  uint64_t entries_ = 0;
};

}  // namespace

PeStatus ParsePeResources(const uint8_t* data, std::size_t size, std::vector<ResourceEntry>& out,
                          PeInfo* info) {
  ByteReader r(data, size);
  if (size < 2 || data[0] != 'M' || data[1] != 'Z') return PeStatus::NotPe;
  if (size < 64) return PeStatus::Malformed;
  uint64_t peOffset = Le32(data + 0x3C);
  if (!r.Has(peOffset, 24)) return PeStatus::Malformed;
  const uint8_t* pe = data + peOffset;
  if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) return PeStatus::Malformed;
  PeInfo pi;
  pi.machine = Le16(pe + 4);
  uint64_t sectionCount = Le16(pe + 6);
  uint64_t optionalSize = Le16(pe + 20);
  pi.characteristics = Le16(pe + 22);
  uint64_t optional = peOffset + 24;
  if (optionalSize < 2 || !r.Has(optional, optionalSize)) return PeStatus::Malformed;
  WORD magic = Le16(data + optional);
  uint64_t countField = 0;
  uint64_t directories = 0;
  if (magic == 0x10B) {
    countField = 92;
    directories = 96;
  } else if (magic == 0x20B) {
    pi.pe32plus = true;
    countField = 108;
    directories = 112;
  } else {
    return PeStatus::Malformed;
  }

  Image image(data, size);
  uint64_t sectionTable = optional + optionalSize;
  if (!r.Has(sectionTable, sectionCount * 40)) return PeStatus::Malformed;
  for (uint64_t i = 0; i < sectionCount; ++i) {
    const uint8_t* s = data + sectionTable + i * 40;
    Section sec;
    sec.virtualSize = Le32(s + 8);
    sec.va = Le32(s + 12);
    sec.rawSize = Le32(s + 16);
    sec.rawOffset = Le32(s + 20);
    // Only the part of a section that the file holds can be read.
    if (sec.rawOffset > size) sec.rawSize = 0;
    image.sections.push_back(sec);
  }
  if (info) *info = pi;

  // No resource directory in the optional header, or an empty one: a PE file without resources.
  if (optionalSize < countField + 4) return PeStatus::Ok;
  uint64_t directoryCount = Le32(data + optional + countField);
  if (directoryCount <= 2 || optionalSize < directories + 3 * 8) return PeStatus::Ok;
  uint64_t rsrcRva = Le32(data + optional + directories + 16);
  uint64_t rsrcSize = Le32(data + optional + directories + 20);
  if (rsrcRva == 0 && rsrcSize == 0) return PeStatus::Ok;

  std::vector<ResourceEntry> found;
  TreeWalker walker(image, rsrcRva, found);
  if (!walker.Walk(0, 0, nullptr, nullptr)) return PeStatus::Malformed;
  for (ResourceEntry& e : found) out.push_back(std::move(e));
  return PeStatus::Ok;
}

}  // namespace nux::res
