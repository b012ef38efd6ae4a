// Device-independent bitmaps: sizes and conversion to and from 32-bit surfaces.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gdi/gdi.h"

namespace nux::gdi {

// No decoded picture is larger than this, whatever its file claims (64 megapixels take 256 MB
// as a surface): a larger one fails like a damaged file.
constexpr uint64_t kMaxPicturePixels = uint64_t(64) << 20;
inline bool PictureSizeAllowed(uint64_t width, uint64_t height) {
  return width > 0 && height > 0 && width <= 65535 && height <= 65535 && width * height <= kMaxPicturePixels;
}

// Bytes of one pixel row (rows are padded to 4 bytes).
inline size_t DibRowBytes(LONG width, int bitCount) {
  return ((static_cast<size_t>(width < 0 ? -width : width) * bitCount + 31) / 32) * 4;
}

// Bytes between the start of the header and the first colour-table entry's end, i.e. the
// size of the colour table (and, for 16/32 bits with BI_BITFIELDS and a header shorter than
// 52 bytes, the three masks).
size_t DibColorTableBytes(const BITMAPINFOHEADER& header);

// Bytes of the pixel rows of an uncompressed DIB (biSizeImage for compressed ones).
size_t DibImageBytes(const BITMAPINFOHEADER& header);

// Decodes a DIB (1, 4, 8, 16, 24 or 32 bits; BI_RGB, BI_BITFIELDS, BI_RLE8, BI_RLE4) into a
// top-down surface of |width| x |height|. `info` points at the header, followed by the colour
// table or masks; `bits` at the rows (`bitsSize` bytes; 0 when not known). Only the visual
// rows [firstRow, firstRow + rowCount) are decoded when rowCount >= 0 (the others stay
// black); 32-bit pixels keep their fourth byte as alpha, all others are opaque.
bool DibToSurface(const BITMAPINFO* info, const void* bits, size_t bitsSize, Surface& out,
                  int firstRow = 0, int rowCount = -1);

// A packed DIB in memory (header, colour table, rows) as a bitmap resource or a CF_DIB block
// holds it; the old 12-byte core header (RGB triples) is read too.
bool PackedDibToSurface(const void* data, size_t size, Surface& out);

// A DIB header with its colour table at `dib` (`dibSize` bytes) and its rows at `bits`
// (`bitsSize` bytes), or right after the table when `bits` is null. A non-zero
// `heightOverride` replaces the header's height (an icon's image without its mask).
// False for damaged or short data.
bool DibBlockToSurface(const uint8_t* dib, size_t dibSize, const uint8_t* bits, size_t bitsSize,
                       Surface& out, int heightOverride = 0);

}  // namespace nux::gdi
