// Reading device-independent bitmaps into surfaces.
#include "gdi/dib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace nux::gdi {

namespace {

int ColorCount(const BITMAPINFOHEADER& h) {
  if (h.biBitCount > 8) return static_cast<int>(std::min<DWORD>(h.biClrUsed, 256));
  int full = 1 << h.biBitCount;
  return h.biClrUsed == 0 ? full : static_cast<int>(std::min<DWORD>(h.biClrUsed, full));
}

int ShiftOf(DWORD mask) {
  int s = 0;
  if (!mask) return 0;
  while (!(mask & 1)) {
    mask >>= 1;
    ++s;
  }
  return s;
}

// Expands a masked channel to 8 bits.
BYTE Channel(DWORD pixel, DWORD mask, int shift) {
  if (!mask) return 0;
  DWORD max = mask >> shift;
  DWORD v = (pixel & mask) >> shift;
  return static_cast<BYTE>(max == 255 ? v : (v * 255 + max / 2) / max);
}

// False when the runs end (the data runs out or breaks off) before the end-of-bitmap code
// while rows are still to come: the picture lacks part of its data.
bool DecodeRle(const BITMAPINFOHEADER& h, const uint32_t* palette, int paletteSize,
               const BYTE* bits, size_t size, Surface& out) {
  const int width = h.biWidth, height = std::abs(h.biHeight);
  const bool four = h.biCompression == BI_RLE4;
  int x = 0, y = 0;  // y counts rows from the bottom
  size_t i = 0;
  auto put = [&](int index) {
    if (x < width && y < height) {
      uint32_t c = index < paletteSize ? palette[index] : 0xFF000000u;
      out.row(height - 1 - y)[x] = c;
    }
    ++x;
  };
  while (i + 1 < size) {
    BYTE count = bits[i], value = bits[i + 1];
    i += 2;
    if (count > 0) {
      for (int k = 0; k < count; ++k) put(four ? ((k & 1) ? (value & 0x0F) : (value >> 4)) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta
      if (i + 1 >= size) return y >= height;
      x += bits[i];
      y += bits[i + 1];
      i += 2;
    } else {  // absolute run
      int n = value;
      size_t bytes = four ? (n + 1) / 2 : n;
      if (i + bytes > size) return y >= height;
      for (int k = 0; k < n; ++k) {
        BYTE b = bits[i + (four ? k / 2 : k)];
        put(four ? ((k & 1) ? (b & 0x0F) : (b >> 4)) : b);
      }
      i += (bytes + 1) & ~static_cast<size_t>(1);
    }
  }
  return y >= height;
}

}  // namespace

size_t DibColorTableBytes(const BITMAPINFOHEADER& h) {
  size_t n = static_cast<size_t>(ColorCount(h)) * 4;
  // The masks follow a header too short to hold them (a header of 52 bytes or more has them).
  if (h.biCompression == BI_BITFIELDS && h.biSize < 52 && (h.biBitCount == 16 || h.biBitCount == 32))
    n += 12;
  return n;
}

size_t DibImageBytes(const BITMAPINFOHEADER& h) {
  if (h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4) return h.biSizeImage;
  return DibRowBytes(h.biWidth, h.biBitCount) * static_cast<size_t>(std::abs(h.biHeight));
}

bool DibToSurface(const BITMAPINFO* info, const void* bitsPtr, size_t bitsSize, Surface& out,
                  int firstRow, int rowCount) {
  if (!info || !bitsPtr) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const int bpp = h.biBitCount;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biWidth > 65536 || std::abs(h.biHeight) > 65536) return false;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  const int width = h.biWidth, height = std::abs(h.biHeight);
  const bool topDown = h.biHeight < 0;
  const BYTE* base = reinterpret_cast<const BYTE*>(info);
  const BYTE* table = base + (h.biSize >= 40 ? h.biSize : 40);
  const BYTE* bits = static_cast<const BYTE*>(bitsPtr);

  uint32_t palette[256];
  int paletteSize = bpp <= 8 ? ColorCount(h) : 0;
  for (int i = 0; i < paletteSize; ++i) {
    const BYTE* q = table + i * 4;
    palette[i] = 0xFF000000u | (q[2] << 16) | (q[1] << 8) | q[0];
  }
  // The pixels are allocated only for a form that can be read.
  const bool rle = h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4;
  if (rle && ((h.biCompression == BI_RLE8) != (bpp == 8) || (h.biCompression == BI_RLE4 && bpp != 4))) return false;
  if (!rle && h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) return false;
  if (h.biCompression == BI_BITFIELDS && bpp != 16 && bpp != 32) return false;
  const size_t rleSize = bitsSize ? bitsSize : h.biSizeImage;
  if (rle && !rleSize) return false;
  out.Resize(0, 0);
  out.Resize(width, height);

  if (rle) {
    const size_t size = rleSize;
    return DecodeRle(h, palette, paletteSize, bits, size, out);
  }
  if (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) return false;

  DWORD rMask, gMask, bMask;
  if (h.biCompression == BI_BITFIELDS) {
    if (bpp != 16 && bpp != 32) return false;
    const BYTE* m = h.biSize >= 52 ? base + 40 : table;
    std::memcpy(&rMask, m, 4);
    std::memcpy(&gMask, m + 4, 4);
    std::memcpy(&bMask, m + 8, 4);
  } else if (bpp == 16) {
    rMask = 0x7C00;
    gMask = 0x03E0;
    bMask = 0x001F;
  } else {
    rMask = 0xFF0000;
    gMask = 0x00FF00;
    bMask = 0x0000FF;
  }
  const int rs = ShiftOf(rMask), gs = ShiftOf(gMask), bs = ShiftOf(bMask);
  const bool plain32 = bpp == 32 && rMask == 0xFF0000 && gMask == 0xFF00 && bMask == 0xFF;

  const size_t rowBytes = DibRowBytes(width, bpp);
  int from = std::clamp(firstRow, 0, height);
  int to = rowCount < 0 ? height : std::clamp(firstRow + rowCount, 0, height);
  for (int y = from; y < to; ++y) {
    size_t memRow = topDown ? y : height - 1 - y;
    if (bitsSize && (memRow + 1) * rowBytes > bitsSize) {
      // A short last row still counts when its pixels are there.
      if (memRow * rowBytes + (static_cast<size_t>(width) * bpp + 7) / 8 > bitsSize) continue;
    }
    const BYTE* src = bits + memRow * rowBytes;
    uint32_t* dst = out.row(y);
    switch (bpp) {
      case 1:
      case 4:
      case 8: {
        const int perByte = 8 / bpp, mask = (1 << bpp) - 1;
        for (int x = 0; x < width; ++x) {
          int byte = src[x / perByte];
          int shift = 8 - bpp * (x % perByte + 1);
          int index = (byte >> shift) & mask;
          dst[x] = index < paletteSize ? palette[index] : 0xFF000000u;
        }
        break;
      }
      case 16:
        for (int x = 0; x < width; ++x) {
          DWORD p = src[x * 2] | (src[x * 2 + 1] << 8);
          dst[x] = 0xFF000000u | (Channel(p, rMask, rs) << 16) | (Channel(p, gMask, gs) << 8) |
                   Channel(p, bMask, bs);
        }
        break;
      case 24:
        for (int x = 0; x < width; ++x)
          dst[x] = 0xFF000000u | (src[x * 3 + 2] << 16) | (src[x * 3 + 1] << 8) | src[x * 3];
        break;
      case 32:
        if (plain32) {
          std::memcpy(dst, src, static_cast<size_t>(width) * 4);
        } else {
          for (int x = 0; x < width; ++x) {
            DWORD p;
            std::memcpy(&p, src + x * 4, 4);
            dst[x] = 0xFF000000u | (Channel(p, rMask, rs) << 16) | (Channel(p, gMask, gs) << 8) |
                     Channel(p, bMask, bs);
          }
        }
        break;
    }
  }
  return true;
}

namespace {

// Run-length data: at most 255 pixels for a two-byte run, with room for the areas that
// deltas and line ends skip; small pictures (up to a megapixel) are never refused for it.
constexpr uint64_t kRlePixelsPerByte = 256;
constexpr uint64_t kRleAllowance = uint64_t(1) << 20;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

}  // namespace

// A DIB whose header may be the old 12-byte core header: turned into a 40-byte header with
// an RGBQUAD table, then decoded.
bool DibBlockToSurface(const uint8_t* dib, size_t dibSize, const uint8_t* bits, size_t bitsSize,
                       Surface& out, int heightOverride) {
  if (dibSize < 12) return false;
  uint32_t headerSize = U32(dib);
  std::vector<uint8_t> head;
  if (headerSize == 12) {
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = U16(dib + 4);
    h.biHeight = U16(dib + 6);
    h.biPlanes = 1;
    h.biBitCount = U16(dib + 10);
    h.biCompression = BI_RGB;
    head.resize(40);
    std::memcpy(head.data(), &h, 40);
    if (h.biBitCount <= 8) {
      size_t n = size_t(1) << h.biBitCount;
      for (size_t i = 0; i < n; ++i) {
        if (12 + i * 3 + 3 > dibSize) return false;
        const uint8_t* t = dib + 12 + i * 3;
        head.insert(head.end(), {t[0], t[1], t[2], 0});
      }
    }
  } else {
    if (headerSize < 40 || headerSize > dibSize) return false;
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib, 40);
    size_t table = DibColorTableBytes(h);
    if (headerSize + table > dibSize) return false;
    head.assign(dib, dib + headerSize + table);
  }
  if (heightOverride) {
    LONG hgt = heightOverride;
    std::memcpy(head.data() + 8, &hgt, 4);
  }
  if (!bits) {
    // A packed DIB: the rows follow the table (3 bytes an entry after a core header).
    size_t rowsAt = head.size();
    if (headerSize == 12) rowsAt = 12 + (head.size() - 40) / 4 * 3;
    if (rowsAt > dibSize) return false;
    bits = dib + rowsAt;
    bitsSize = static_cast<size_t>(dib + dibSize - bits);
  }
  BITMAPINFOHEADER h;
  std::memcpy(&h, head.data(), 40);
  // The pixels a file may make are bounded by its data: all rows of an uncompressed picture
  // must be there, and the runs of a run-length picture (at most 255 pixels for two bytes;
  // deltas and line ends skip more) must be able to reach a good part of it.
  const uint64_t width = static_cast<uint64_t>(std::abs(static_cast<int64_t>(h.biWidth)));
  const uint64_t height = static_cast<uint64_t>(std::abs(static_cast<int64_t>(h.biHeight)));
  if (!PictureSizeAllowed(width, height)) return false;
  if (h.biCompression == BI_RGB || h.biCompression == BI_BITFIELDS) {
    size_t need = DibImageBytes(h);
    if (bitsSize < need) return false;
  } else if (h.biCompression == BI_RLE8 || h.biCompression == BI_RLE4) {
    const uint64_t runBytes = bitsSize ? bitsSize : h.biSizeImage;
    if (width * height > runBytes * kRlePixelsPerByte + kRleAllowance) return false;
  } else {
    return false;  // a compression this reader does not know: nothing is allocated for it
  }
  try {
    return DibToSurface(reinterpret_cast<const BITMAPINFO*>(head.data()), bits, bitsSize, out);
  } catch (const std::bad_alloc&) {
    out = Surface();
    return false;
  }
}

bool PackedDibToSurface(const void* data, size_t size, Surface& out) {
  return DibBlockToSurface(static_cast<const uint8_t*>(data), size, nullptr, 0, out);
}

}  // namespace nux::gdi
