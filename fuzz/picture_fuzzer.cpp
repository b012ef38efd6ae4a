// libFuzzer harness of the picture decoders, one program per family (PICTURE_FAMILY: 1 bitmaps
// and their run-length forms, 2 GIF, 3 JPEG, 4 PNG, 5 icons, cursors and animated cursors).
// The input's first bytes are made the family's signature (and a PNG's chunk checksums right),
// so every run reaches the decoder;
// it then goes through the public loaders: the picture decoder, the cursor file reader and
// the bitmap class's load from a memory block. Whatever the input, each must give a picture
// or a plain failure, within the memory limit of the run.
#include <cstdint>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "Dib.h"
#include "gdi/image.h"
#include "memory/memory.h"
#include "ui/cursor.h"

#ifndef PICTURE_FAMILY
#define PICTURE_FAMILY 1
#endif

namespace {

// Makes each whole chunk's checksum right, so that mutations reach past libpng's check.
void FixPngChecksums(std::vector<uint8_t>& bytes) {
  size_t at = 8;
  while (at + 12 <= bytes.size()) {
    const uint64_t length = (uint32_t(bytes[at]) << 24) | (uint32_t(bytes[at + 1]) << 16) |
                            (uint32_t(bytes[at + 2]) << 8) | bytes[at + 3];
    if (length > bytes.size() - at - 12) break;
    const uLong crc = crc32(0, bytes.data() + at + 4, static_cast<uInt>(length + 4));
    uint8_t* c = bytes.data() + at + 8 + length;
    c[0] = uint8_t(crc >> 24), c[1] = uint8_t(crc >> 16), c[2] = uint8_t(crc >> 8), c[3] = uint8_t(crc);
    at += 12 + length;
  }
}

void Sign(std::vector<uint8_t>& bytes) {
  auto put = [&](const char* magic, size_t n) {
    if (bytes.size() < n) bytes.resize(n);
    std::memcpy(bytes.data(), magic, n);
  };
  switch (PICTURE_FAMILY) {
    case 1: put("BM", 2); break;
    case 2: put("GIF8", 4); break;
    case 3: put("\xFF\xD8\xFF", 3); break;
    case 4:
      put("\x89PNG\r\n\x1a\n", 8);
      FixPngChecksums(bytes);
      break;
    default:
      // Icon, cursor or animated cursor, by the input's first byte.
      if (!bytes.empty() && (bytes[0] & 3) == 2) {
        put("RIFF", 4);
        if (bytes.size() < 12) bytes.resize(12);
        std::memcpy(bytes.data() + 8, "ACON", 4);
      } else if (!bytes.empty() && (bytes[0] & 3) == 1) {
        put("\0\0\2\0", 4);
      } else {
        put("\0\0\1\0", 4);
      }
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  Sign(bytes);

  nux::gdi::Surface picture;
  if (nux::gdi::DecodeImage(bytes.data(), bytes.size(), picture) && picture.empty()) __builtin_trap();
  if (PICTURE_FAMILY == 5) {
    nux::ui::CursorInfo info;
    nux::ui::ParseCursorFile(bytes, &info);
  }

  // The bitmap class holds about three copies of a picture while it converts one; the
  // largest pictures (up to the decoders' cap) are left to the decoder alone, so that the run
  // stays within its memory limit.
  if (uint64_t(picture.width()) * uint64_t(picture.height()) > (uint64_t(8) << 20)) return 0;
  picture = nux::gdi::Surface();

  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!block) return 0;
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  CDib dib;
  // The block belongs to the load from here on, whatever its result.
  if (dib.LoadFromMemory(block) && (dib.GetWidth() <= 0 || dib.GetHeight() <= 0)) __builtin_trap();
  return 0;
}
