// Picture decoding (BMP by our own code, JPEG through libjpeg, GIF through giflib, icons,
// PNG through libpng) and PNG snapshots.
#include "gdi/image.h"

#include <csetjmp>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <jerror.h>
#include <png.h>
#include <unistd.h>

#include "base/errors.h"
#include "fs/path.h"
#include "gdi/dib.h"
#include "gdi/gdi_internal.h"
#include "base/codepage.h"
#include "res/modules.h"
#include "res/resources.h"

namespace nux::gdi {

namespace {

// A JPEG codes each 8 x 8 block of each component in at least one bit (a chroma block of a
// subsampled picture covers up to 16 x 16 pixels): no honest file has more pixels a byte.
constexpr uint64_t kJpegPixelsPerByte = 2048;
// Deflate's largest expansion (258-byte matches in one-bit codes), with some room.
constexpr uint64_t kPngInflateRatio = 1100;
// The area of a GIF that its frames need not cover (a megapixel).
constexpr uint64_t kGifAreaAllowance = uint64_t(1) << 20;
// The JPEG decoder's own working memory.
constexpr long kMaxDecoderBytes = 512L << 20;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

bool DecodeBmp(const uint8_t* p, size_t size, Surface& out) {
  if (size < 14 + 12) return false;
  uint32_t offBits = U32(p + 10);
  if (offBits >= size || offBits < 14 + 12) return false;
  if (!DibBlockToSurface(p + 14, size - 14, p + offBits, size - offBits, out)) return false;
  // A 32-bit bitmap whose fourth bytes are all 0 has no opacity in them (most writers leave
  // the byte empty): it is opaque. One with any other fourth byte keeps it as alpha.
  if (U32(p + 14) >= 40 && U16(p + 14 + 14) == 32) {
    bool anyAlpha = false;
    for (int y = 0; y < out.height() && !anyAlpha; ++y) {
      const uint32_t* r = out.row(y);
      for (int x = 0; x < out.width(); ++x)
        if (r[x] >> 24) {
          anyAlpha = true;
          break;
        }
    }
    if (!anyAlpha)
      for (int y = 0; y < out.height(); ++y) {
        uint32_t* r = out.row(y);
        for (int x = 0; x < out.width(); ++x) r[x] |= 0xFF000000u;
      }
  }
  return true;
}

// ---- JPEG ------------------------------------------------------------------------------

struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
  bool endedEarly;  // the data ran out, or a segment stopped short, before the image was whole
};

void JpegFail(j_common_ptr cinfo) {
  longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
// Warnings are not shown; the two that mean the picture lacks data are remembered.
void JpegMessage(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  if (level < 0 && (err->mgr.msg_code == JWRN_JPEG_EOF || err->mgr.msg_code == JWRN_HIT_MARKER))
    err->endedEarly = true;
}

bool DecodeJpeg(const uint8_t* p, size_t size, Surface& out) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegFail;
  err.mgr.emit_message = JpegMessage;
  err.endedEarly = false;
  // Nothing with a destructor is made between setjmp and the last longjmp that can reach it.
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  // The decoder's own working memory (the coefficients of a progressive picture) is bounded;
  // beyond it the decoder fails instead of growing.
  cinfo.mem->max_memory_to_use = kMaxDecoderBytes;
  jpeg_mem_src(&cinfo, p, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  if (!PictureSizeAllowed(cinfo.image_width, cinfo.image_height) ||
      static_cast<uint64_t>(cinfo.image_width) * cinfo.image_height > uint64_t(size) * kJpegPixelsPerByte) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_EXT_BGRA;
  cinfo.dct_method = JDCT_ISLOW;  // the exact integer transform: the same pixels everywhere
  jpeg_start_decompress(&cinfo);
  const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
  bool sized = w > 0 && h > 0;
  if (sized) {
    try {
      out.Resize(0, 0);
      out.Resize(w, h);
    } catch (const std::bad_alloc&) {
      sized = false;
    }
  }
  if (!sized) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height && !err.endedEarly) {
    JSAMPROW r = reinterpret_cast<JSAMPROW>(out.row(static_cast<int>(cinfo.output_scanline)));
    jpeg_read_scanlines(&cinfo, &r, 1);
  }
  if (!err.endedEarly) jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  if (err.endedEarly) return false;
  for (int y = 0; y < h; ++y) {
    uint32_t* r = out.row(y);
    for (int x = 0; x < w; ++x) r[x] |= 0xFF000000u;
  }
  return true;
}

// ---- GIF -------------------------------------------------------------------------------

struct GifSource {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int GifRead(GifFileType* gif, GifByteType* buf, int n) {
  auto* src = static_cast<GifSource*>(gif->UserData);
  size_t left = src->size - src->pos;
  size_t k = std::min<size_t>(left, static_cast<size_t>(n));
  std::memcpy(buf, src->data + src->pos, k);
  src->pos += k;
  return static_cast<int>(k);
}

// The most pixels that `bytes` bytes of LZW codes can give: the k-th code after a clear
// stands for at most k pixels, and no string is longer than the 4096-entry table.
uint64_t LzwCapacity(uint64_t bytes, int minCodeSize) {
  const uint64_t codes = bytes * 8 / static_cast<uint64_t>(std::clamp(minCodeSize, 1, 11) + 1);
  const uint64_t k = std::min<uint64_t>(codes, 4096);
  return k * (k + 1) / 2 + (codes - k) * 4096;
}

// Bytes of the LZW sub-blocks that start at `pos` (up to their terminator or the data's end).
uint64_t GifCodeBytes(const GifSource& src, size_t pos) {
  uint64_t bytes = 0;
  while (pos < src.size && src.data[pos] != 0) {
    bytes += src.data[pos];
    pos += 1 + static_cast<size_t>(src.data[pos]);
  }
  return bytes;
}

// A frame's rectangle, when its code data could hold its pixels (otherwise it is damaged).
bool GifFrameFits(const GifFileType* gif, const GifSource& src) {
  const GifImageDesc& d = gif->Image;
  if (d.Width <= 0 || d.Height <= 0 || src.pos == 0) return false;
  const int minCodeSize = src.data[src.pos - 1];
  return static_cast<uint64_t>(d.Width) * static_cast<uint64_t>(d.Height) <=
         LzwCapacity(GifCodeBytes(src, src.pos), minCodeSize);
}

// The first frame of the file on the logical screen. The screen is allocated only as far as
// the file's frames reach (each frame counted only when its data can hold it), and the first
// frame's pixels only after its data was found able to hold them: a few bytes that claim a
// huge picture fail like a damaged file.
bool DecodeGifFrames(GifFileType* gif, GifSource& src, Surface& out) {
  const int sw = gif->SWidth, sh = gif->SHeight;
  if (sw <= 0 || sh <= 0) return false;
  GraphicsControlBlock gcb{};
  gcb.TransparentColor = NO_TRANSPARENT_COLOR;
  bool haveFrame = false;
  GifImageDesc first{};
  const ColorMapObject* map = nullptr;
  ColorMapObject localMap{};
  std::vector<GifColorType> colours;
  std::vector<GifByteType> pixels;  // the first frame's indexes, rows in display order
  int right = 0, bottom = 0;        // the union of the frames, clipped to the screen
  uint64_t framePixels = 0;         // the frames' own pixels inside the screen
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) != GIF_OK) {
      if (!haveFrame) return false;
      break;  // what follows the first frame is not needed to show it
    }
    if (type == TERMINATE_RECORD_TYPE) break;
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif, &code, &block) != GIF_OK) {
        if (!haveFrame) return false;
        break;
      }
      if (!haveFrame && code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
        DGifExtensionToGCB(block[0], block + 1, &gcb);
      bool ok = true;
      while (block) {
        if (DGifGetExtensionNext(gif, &block) != GIF_OK) {
          ok = false;
          break;
        }
      }
      if (!ok) {
        if (!haveFrame) return false;
        break;
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif) != GIF_OK) {
      if (!haveFrame) return false;
      break;
    }
    const GifImageDesc d = gif->Image;
    const bool fits = GifFrameFits(gif, src);
    if (!haveFrame) {
      if (!fits || !PictureSizeAllowed(d.Width, d.Height)) return false;
      first = d;
      const ColorMapObject* m = d.ColorMap ? d.ColorMap : gif->SColorMap;
      if (!m || m->ColorCount <= 0 || !m->Colors) return false;
      colours.assign(m->Colors, m->Colors + m->ColorCount);
      localMap.ColorCount = m->ColorCount;
      localMap.Colors = colours.data();
      map = &localMap;
      pixels.resize(static_cast<size_t>(d.Width) * static_cast<size_t>(d.Height));
      // giflib gives the rows in the file's order; interlaced rows come in four passes.
      static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
      const int passes = d.Interlace ? 4 : 1;
      for (int pass = 0; pass < passes; ++pass) {
        const int from = d.Interlace ? kStart[pass] : 0, step = d.Interlace ? kStep[pass] : 1;
        for (int y = from; y < d.Height; y += step)
          if (DGifGetLine(gif, pixels.data() + static_cast<size_t>(y) * d.Width, d.Width) != GIF_OK) return false;
      }
      haveFrame = true;
    } else {
      // A later frame is skipped, not decoded.
      int codeSize = 0;
      GifByteType* block = nullptr;
      if (DGifGetCode(gif, &codeSize, &block) != GIF_OK) break;
      bool ok = true;
      while (block) {
        if (DGifGetCodeNext(gif, &block) != GIF_OK) {
          ok = false;
          break;
        }
      }
      if (!ok) break;
      if (!fits) continue;
    }
    if (d.Left < sw && d.Top < sh) {
      const int r = std::min(sw, d.Left + d.Width), b = std::min(sh, d.Top + d.Height);
      right = std::max(right, r);
      bottom = std::max(bottom, b);
      framePixels += static_cast<uint64_t>(r - d.Left) * static_cast<uint64_t>(b - d.Top);
    }
  }
  if (!haveFrame || right <= 0 || bottom <= 0) return false;
  // The frames' positions are free numbers: small frames placed far into a huge screen would
  // make a huge, almost empty picture. The area up to the far corner must be covered by the
  // frames for a good part (a small picture is always allowed).
  if (!PictureSizeAllowed(right, bottom) ||
      static_cast<uint64_t>(right) * static_cast<uint64_t>(bottom) > kGifAreaAllowance + 16 * framePixels)
    return false;
  out.Resize(0, 0);
  out.Resize(right, bottom, 0);  // outside the first frame: transparent
  for (int y = 0; y < first.Height; ++y) {
    const int ty = first.Top + y;
    if (ty < 0 || ty >= bottom) continue;
    const GifByteType* row = pixels.data() + static_cast<size_t>(y) * first.Width;
    uint32_t* target = out.row(ty);
    for (int x = 0; x < first.Width; ++x) {
      const int tx = first.Left + x;
      if (tx < 0 || tx >= right) continue;
      const int index = row[x];
      if (index == gcb.TransparentColor || index >= map->ColorCount) continue;
      const GifColorType& c = map->Colors[index];
      target[tx] = 0xFF000000u | (c.Red << 16) | (c.Green << 8) | c.Blue;
    }
  }
  return true;
}

bool DecodeGif(const uint8_t* p, size_t size, Surface& out) {
  GifSource src{p, size, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&src, GifRead, &error);
  if (!gif) return false;
  bool ok = false;
  try {
    ok = DecodeGifFrames(gif, src, out);
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  DGifCloseFile(gif, &error);
  return ok;
}

// ---- PNG -------------------------------------------------------------------------------

// The bytes of the rows a PNG's header claims, once inflated (a filter byte a row).
uint64_t PngRawBytes(const uint8_t* p, size_t size) {
  if (size < 33 || std::memcmp(p + 12, "IHDR", 4) != 0) return UINT64_MAX;
  const uint64_t w = (uint32_t(p[16]) << 24) | (uint32_t(p[17]) << 16) | (uint32_t(p[18]) << 8) | p[19];
  const uint64_t h = (uint32_t(p[20]) << 24) | (uint32_t(p[21]) << 16) | (uint32_t(p[22]) << 8) | p[23];
  const int depth = p[24], type = p[25];
  const int channels = type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1;
  return h * (1 + (w * channels * depth + 7) / 8);
}

// The bytes of a PNG up to the end of its last whole chunk (or of its end chunk). libpng
// allocates a chunk's length before it reads the chunk: a length beyond the data would take
// memory the file cannot fill, so the reader sees only the chunks that are there (a file that
// lacks part of its image data then fails as one cut short).
size_t PngWholeChunks(const uint8_t* p, size_t size) {
  size_t at = 8;
  while (at + 12 <= size) {
    const uint64_t length = (uint32_t(p[at]) << 24) | (uint32_t(p[at + 1]) << 16) | (uint32_t(p[at + 2]) << 8) | p[at + 3];
    if (length > size - at - 12) break;
    const bool end = std::memcmp(p + at + 4, "IEND", 4) == 0;
    at += 12 + static_cast<size_t>(length);
    if (end) break;
  }
  return std::min(at, size);
}

bool DecodePngMemory(const uint8_t* p, size_t size, Surface& out) {
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  if (size < 8 || !png_image_begin_read_from_memory(&image, p, PngWholeChunks(p, size))) return false;
  image.format = PNG_FORMAT_BGRA;
  // Deflate gives at most about 1032 bytes for one: a header claiming more rows than the
  // data can hold is damaged.
  if (!PictureSizeAllowed(image.width, image.height) || PngRawBytes(p, size) > uint64_t(size) * kPngInflateRatio) {
    png_image_free(&image);
    return false;
  }
  try {
    out.Resize(0, 0);
    out.Resize(static_cast<int>(image.width), static_cast<int>(image.height));
  } catch (const std::bad_alloc&) {
    png_image_free(&image);
    return false;
  }
  if (!png_image_finish_read(&image, nullptr, out.pixels(), static_cast<png_int_32>(out.stride()), nullptr)) {
    png_image_free(&image);
    out.Resize(0, 0);
    return false;
  }
  return true;
}

// ---- icons -----------------------------------------------------------------------------

bool DecodeIcon(const uint8_t* p, size_t size, Surface& out) {
  if (size < 6) return false;
  int count = U16(p + 4);
  if (count <= 0 || 6 + static_cast<size_t>(count) * 16 > size) return false;
  int best = -1, bestScore = 0;
  for (int i = 0; i < count; ++i) {
    const uint8_t* e = p + 6 + i * 16;
    int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
    int bpp = U16(e + 6);
    int score = 100000 - std::abs(w - 32) * 1000 - std::abs(h - 32) * 1000 + bpp;
    if (best < 0 || score > bestScore) best = i, bestScore = score;
  }
  const uint8_t* e = p + 6 + best * 16;
  uint32_t bytes = U32(e + 8), offset = U32(e + 12);
  if (offset >= size || bytes > size - offset) return false;
  return DecodeIconImage(p + offset, bytes, out, false);
}

}  // namespace

bool DecodeIconImage(const void* data, size_t bytes, Surface& out, bool inverseOpaque) {
  const uint8_t* img = static_cast<const uint8_t*>(data);
  if (!img) return false;
  if (bytes >= 8 && std::memcmp(img, "\x89PNG", 4) == 0) return DecodePngMemory(img, bytes, out);
  if (bytes < 40) return false;
  BITMAPINFOHEADER h;
  std::memcpy(&h, img, 40);
  if (h.biSize < 40 || h.biWidth <= 0 || h.biHeight <= 0 || h.biWidth > 1024 || h.biHeight > 2048) return false;
  int height = h.biHeight / 2;  // the XOR image and the AND mask
  if (height <= 0) return false;
  size_t table = DibColorTableBytes(h);
  size_t xorBytes = DibRowBytes(h.biWidth, h.biBitCount) * height;
  size_t start = h.biSize + table;
  if (start + xorBytes > bytes) return false;
  if (!DibBlockToSurface(img, start, img + start, xorBytes, out, height)) return false;
  // 32-bit icons carry alpha; with all alpha zero (old icons), the mask decides.
  bool hasAlpha = false;
  if (h.biBitCount == 32)
    for (int y = 0; y < out.height() && !hasAlpha; ++y)
      for (int x = 0; x < out.width(); ++x)
        if (out.row(y)[x] >> 24) {
          hasAlpha = true;
          break;
        }
  const uint8_t* mask = img + start + xorBytes;
  size_t maskRow = DibRowBytes(h.biWidth, 1);
  bool haveMask = start + xorBytes + maskRow * height <= bytes;
  for (int y = 0; y < out.height(); ++y) {
    uint32_t* r = out.row(y);
    const uint8_t* m = haveMask ? mask + (height - 1 - y) * maskRow : nullptr;
    for (int x = 0; x < out.width(); ++x) {
      if (hasAlpha) {
        if ((r[x] >> 24) == 0) r[x] = 0;
        continue;
      }
      bool transparent = m && ((m[x / 8] >> (7 - x % 8)) & 1);
      // Masked out with a colour left: the pixel inverts the screen under it.
      if (transparent && inverseOpaque && (r[x] & 0xFFFFFFu)) {
        r[x] = 0xFF000000u;
        continue;
      }
      r[x] = transparent ? 0 : (r[x] | 0xFF000000u);
    }
  }
  return true;
}


ImageFormat DetectImageFormat(const void* data, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  if (!p || size < 4) return ImageFormat::Unknown;
  if (p[0] == 'B' && p[1] == 'M') return ImageFormat::Bmp;
  if (p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) return ImageFormat::Jpeg;
  if (size >= 6 && std::memcmp(p, "GIF8", 4) == 0) return ImageFormat::Gif;
  if (size >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0) return ImageFormat::Png;
  if (size >= 6 && p[0] == 0 && p[1] == 0 && p[2] == 1 && p[3] == 0) return ImageFormat::Icon;
  return ImageFormat::Unknown;
}

bool DecodeImage(const void* data, size_t size, Surface& out) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  bool ok = false;
  try {
    switch (DetectImageFormat(data, size)) {
      case ImageFormat::Bmp: ok = DecodeBmp(p, size, out); break;
      case ImageFormat::Jpeg: ok = DecodeJpeg(p, size, out); break;
      case ImageFormat::Gif: ok = DecodeGif(p, size, out); break;
      case ImageFormat::Png: ok = DecodePngMemory(p, size, out); break;
      case ImageFormat::Icon: ok = DecodeIcon(p, size, out); break;
      default: break;
    }
  } catch (const std::bad_alloc&) {
    // A picture that fits the limits but not the memory there is fails like a damaged one.
    ok = false;
  }
  if (!ok) out = Surface();
  return ok;
}

HBITMAP CreateBitmapFromSurface(const Surface& surface) {
  if (surface.empty()) return nullptr;
  std::unique_ptr<detail::BitmapObj> b;
  try {
    b = std::make_unique<detail::BitmapObj>();
    b->surface.Resize(surface.width(), surface.height());
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  for (int y = 0; y < surface.height(); ++y)
    std::memcpy(b->surface.row(y), surface.row(y), static_cast<size_t>(surface.width()) * 4);
  return reinterpret_cast<HBITMAP>(detail::Register(b.release()));
}

bool WritePng(const Surface& surface, const std::string& linuxPath) {
  if (surface.empty() || linuxPath.empty()) return false;
  std::vector<uint8_t> rgb(static_cast<size_t>(surface.width()) * surface.height() * 3);
  for (int y = 0; y < surface.height(); ++y) {
    const uint32_t* r = surface.row(y);
    uint8_t* o = rgb.data() + static_cast<size_t>(y) * surface.width() * 3;
    for (int x = 0; x < surface.width(); ++x) {
      o[x * 3] = static_cast<uint8_t>(r[x] >> 16);
      o[x * 3 + 1] = static_cast<uint8_t>(r[x] >> 8);
      o[x * 3 + 2] = static_cast<uint8_t>(r[x]);
    }
  }
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(surface.width());
  image.height = static_cast<png_uint_32>(surface.height());
  image.format = PNG_FORMAT_RGB;
  std::string temp = linuxPath + ".tmp" + std::to_string(getpid());
  if (!png_image_write_to_file(&image, temp.c_str(), 0, rgb.data(), 0, nullptr)) {
    std::remove(temp.c_str());
    return false;
  }
  if (std::rename(temp.c_str(), linuxPath.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

bool WritePngW(const Surface& surface, std::u16string_view windowsPath) {
  return WritePng(surface, nux::fs::ToLinuxPath(windowsPath));
}

bool ReadPng(const std::string& linuxPath, Surface& out) {
  FILE* f = std::fopen(linuxPath.c_str(), "rb");
  if (!f) return false;
  std::vector<uint8_t> data;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) data.insert(data.end(), buf, buf + n);
  std::fclose(f);
  return DecodePngMemory(data.data(), data.size(), out);
}

}  // namespace nux::gdi

HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name) {
  auto data = nux::res::FindResourceData(instance, RT_BITMAP, name);
  if (!data) return nullptr;
  nux::gdi::Surface s;
  if (!nux::gdi::DibBlockToSurface(data->data(), data->size(), nullptr, 0, s)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  return nux::gdi::CreateBitmapFromSurface(s);
}

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) {
  if (IS_INTRESOURCE(name)) return LoadBitmapW(instance, reinterpret_cast<LPCWSTR>(name));
  std::u16string wide = nux::AnsiToWide(name);
  return LoadBitmapW(instance, wide.c_str());
}
