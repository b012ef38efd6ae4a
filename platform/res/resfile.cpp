#include "res/resfile.h"

#include "base/codepage.h"
#include "res/bytes.h"

namespace nux::res {

char16_t FoldResourceChar(char16_t c) {
  if (c >= u'a' && c <= u'z') return char16_t(c - 32);
  // Latin-1 lower-case letters à..þ (without ÷) and ÿ.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return char16_t(c - 32);
  if (c == 0xFF) return 0x178;
  return c;
}

namespace {

bool ParseOrdinalText(std::u16string_view text, WORD& value) {
  // "#123": decimal digits after the hash, as the resource calls read them.
  if (text.size() < 2 || text[0] != u'#') return false;
  uint32_t v = 0;
  for (size_t i = 1; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c < u'0' || c > u'9') return false;
    v = v * 10 + uint32_t(c - u'0');
    if (v > 0xFFFF) return false;
  }
  value = WORD(v);
  return true;
}

ResId FromText(std::u16string text) {
  WORD ordinal = 0;
  if (ParseOrdinalText(text, ordinal)) return ResId::Ordinal(ordinal);
  return ResId::Name(std::move(text));
}

}  // namespace

ResId ResId::FromArg(LPCWSTR arg) {
  if (IS_INTRESOURCE(arg)) return Ordinal(WORD(reinterpret_cast<ULONG_PTR>(arg)));
  return FromText(std::u16string(arg));
}

ResId ResId::FromArgA(LPCSTR arg) {
  if (IS_INTRESOURCE(arg)) return Ordinal(WORD(reinterpret_cast<ULONG_PTR>(arg)));
  return FromText(nux::AnsiToWide(arg));
}

bool ResId::Matches(const ResId& other) const {
  if (isOrdinal != other.isOrdinal) return false;
  if (isOrdinal) return ordinal == other.ordinal;
  if (name.size() != other.name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (FoldResourceChar(name[i]) != FoldResourceChar(other.name[i])) return false;
  }
  return true;
}

namespace {

// TYPE or NAME of a header: 0xFFFF and an ordinal, or a NUL-terminated string.
ResId ReadId(ByteReader& r) {
  uint64_t start = r.pos();
  if (r.U16() == 0xFFFF) return ResId::Ordinal(r.U16());
  r.Seek(start);
  return ResId::Name(r.WString());
}

}  // namespace

bool ParseResFile(const uint8_t* data, std::size_t size, std::vector<ResourceEntry>& out) {
  ByteReader r(data, size);
  uint64_t offset = 0;
  while (offset < size) {
    // Trailing padding shorter than a header is tolerated.
    if (size - offset < 8) return true;
    r.Seek(offset);
    uint64_t dataSize = r.U32();
    uint64_t headerSize = r.U32();
    ResourceEntry e;
    e.type = ReadId(r);
    e.name = ReadId(r);
    r.Align(4);
    e.dataVersion = r.U32();
    e.memoryFlags = r.U16();
    e.language = r.U16();
    e.version = r.U32();
    e.characteristics = r.U32();
    if (!r.ok()) return false;
    // The header must hold what was read, and the data must lie inside the image.
    if (headerSize < r.pos() - offset) return false;
    uint64_t dataOffset = offset + headerSize;
    if (!r.Has(dataOffset, dataSize) || dataSize > 0xFFFFFFFFu) return false;
    bool marker = dataSize == 0 && e.type.isOrdinal && e.type.ordinal == 0 && e.name.isOrdinal &&
                  e.name.ordinal == 0;
    if (!marker) {
      e.data = data + dataOffset;
      e.size = DWORD(dataSize);
      out.push_back(std::move(e));
    }
    offset = (dataOffset + dataSize + 3) / 4 * 4;
  }
  return true;
}

}  // namespace nux::res
