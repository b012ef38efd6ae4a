// Picture decoding (BMP by our own code, JPEG through libjpeg, GIF through giflib, icons,
// PNG through libpng) and PNG snapshots.
#include "gdi/image.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
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

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

bool DecodeBmp(const uint8_t* p, size_t size, Surface& out) {
  if (size < 14 + 12) return false;
  uint32_t offBits = U32(p + 10);
  if (offBits >= size || offBits < 14 + 12) return false;
  return DibBlockToSurface(p + 14, size - 14, p + offBits, size - offBits, out);
}

// ---- JPEG ------------------------------------------------------------------------------

struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
};

void JpegFail(j_common_ptr cinfo) {
  longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}
void JpegSilence(j_common_ptr, int) {}

bool DecodeJpeg(const uint8_t* p, size_t size, Surface& out) {
  jpeg_decompress_struct cinfo;
  JpegError err;
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegFail;
  err.mgr.emit_message = JpegSilence;
  // Rows are read into a plain buffer; nothing with a destructor lives across setjmp.
  unsigned char* row = nullptr;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    std::free(row);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, p, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGRA;
  cinfo.dct_method = JDCT_ISLOW;  // the exact integer transform: the same pixels everywhere
  jpeg_start_decompress(&cinfo);
  const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
  if (w <= 0 || h <= 0 || static_cast<int64_t>(w) * h > (int64_t(1) << 28)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  out.Resize(w, h);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW r = reinterpret_cast<JSAMPROW>(out.row(static_cast<int>(cinfo.output_scanline)));
    jpeg_read_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
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

bool DecodeGif(const uint8_t* p, size_t size, Surface& out) {
  GifSource src{p, size, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&src, GifRead, &error);
  if (!gif) return false;
  bool ok = false;
  if (DGifSlurp(gif) == GIF_OK && gif->ImageCount > 0 && gif->SWidth > 0 && gif->SHeight > 0) {
    const SavedImage& img = gif->SavedImages[0];
    const ColorMapObject* map = img.ImageDesc.ColorMap ? img.ImageDesc.ColorMap : gif->SColorMap;
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    DGifSavedExtensionToGCB(gif, 0, &gcb);
    if (map) {
      const int w = gif->SWidth, h = gif->SHeight;
      out.Resize(w, h, 0);  // outside the first frame: transparent
      const GifImageDesc& d = img.ImageDesc;
      for (int y = 0; y < d.Height; ++y) {
        // Interlaced rows come in four passes.
        int row = y;
        if (d.Interlace) {
          int passStart[4] = {0, 4, 2, 1}, passStep[4] = {8, 8, 4, 2};
          int count = 0;
          for (int pass = 0; pass < 4; ++pass) {
            int n = (d.Height - passStart[pass] + passStep[pass] - 1) / passStep[pass];
            if (n < 0) n = 0;
            if (y < count + n) {
              row = passStart[pass] + (y - count) * passStep[pass];
              break;
            }
            count += n;
          }
        }
        int ty = d.Top + row;
        if (ty < 0 || ty >= h) continue;
        for (int x = 0; x < d.Width; ++x) {
          int tx = d.Left + x;
          if (tx < 0 || tx >= w) continue;
          int index = img.RasterBits[static_cast<size_t>(y) * d.Width + x];
          if (index == gcb.TransparentColor || index >= map->ColorCount) continue;
          const GifColorType& c = map->Colors[index];
          out.row(ty)[tx] = 0xFF000000u | (c.Red << 16) | (c.Green << 8) | c.Blue;
        }
      }
      ok = true;
    }
  }
  DGifCloseFile(gif, &error);
  return ok;
}

// ---- PNG -------------------------------------------------------------------------------

bool DecodePngMemory(const uint8_t* p, size_t size, Surface& out) {
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, p, size)) return false;
  image.format = PNG_FORMAT_BGRA;
  if (image.width == 0 || image.height == 0 || uint64_t(image.width) * image.height > (uint64_t(1) << 28)) {
    png_image_free(&image);
    return false;
  }
  out.Resize(0, 0);
  out.Resize(static_cast<int>(image.width), static_cast<int>(image.height));
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
  const uint8_t* img = p + offset;
  if (bytes >= 8 && std::memcmp(img, "\x89PNG", 4) == 0) return DecodePngMemory(img, bytes, out);
  if (bytes < 40) return false;
  BITMAPINFOHEADER h;
  std::memcpy(&h, img, 40);
  if (h.biSize < 40 || h.biWidth <= 0 || h.biHeight <= 0) return false;
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
      r[x] = transparent ? 0 : (r[x] | 0xFF000000u);
    }
  }
  return true;
}

}  // namespace

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
  switch (DetectImageFormat(data, size)) {
    case ImageFormat::Bmp: ok = DecodeBmp(p, size, out); break;
    case ImageFormat::Jpeg: ok = DecodeJpeg(p, size, out); break;
    case ImageFormat::Gif: ok = DecodeGif(p, size, out); break;
    case ImageFormat::Png: ok = DecodePngMemory(p, size, out); break;
    case ImageFormat::Icon: ok = DecodeIcon(p, size, out); break;
    default: break;
  }
  if (!ok) out.Resize(0, 0);
  return ok;
}

HBITMAP CreateBitmapFromSurface(const Surface& surface) {
  if (surface.empty()) return nullptr;
  auto* b = new detail::BitmapObj();
  b->surface.Resize(surface.width(), surface.height());
  for (int y = 0; y < surface.height(); ++y)
    std::memcpy(b->surface.row(y), surface.row(y), static_cast<size_t>(surface.width()) * 4);
  return reinterpret_cast<HBITMAP>(detail::Register(b));
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
