#include "dialogbase_fixture.h"

#include <jpeglib.h>

#include <cstring>
#include <vector>

#include "fs/root.h"
#include "memory/memory.h"
#include "test_support.h"

namespace dialogbasetest {

std::string JpegBytes(int w, int h, const std::function<COLORREF(int, int)>& color) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&cinfo, &out, &outSize);
  cinfo.image_width = static_cast<JDIMENSION>(w);
  cinfo.image_height = static_cast<JDIMENSION>(h);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 95, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(w) * 3);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      COLORREF c = color(x, y);
      row[x * 3] = GetRValue(c);
      row[x * 3 + 1] = GetGValue(c);
      row[x * 3 + 2] = GetBValue(c);
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string bytes(reinterpret_cast<const char*>(out), outSize);
  free(out);
  return bytes;
}

namespace {
void Put16(std::string& s, uint16_t v) { s.append(reinterpret_cast<const char*>(&v), 2); }
void Put32(std::string& s, uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); }
}  // namespace

std::string IconBytes() {
  std::string image;
  Put32(image, 40);
  Put32(image, 2);
  Put32(image, 4);  // colour rows and mask rows
  Put16(image, 1);
  Put16(image, 32);
  for (int i = 0; i < 6; ++i) Put32(image, 0);
  // Bottom-up BGRA: bottom row blue, transparent; top row red, green.
  const uint32_t pixels[4] = {0xFF0000FFu, 0x00000000u, 0xFFFF0000u, 0xFF00FF00u};
  for (uint32_t p : pixels) Put32(image, p);
  Put32(image, 0x00000040u);  // mask rows (1 bit a pixel, padded): bottom right transparent
  Put32(image, 0);
  std::string file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, 1);
  file.push_back(2);
  file.push_back(2);
  file.push_back(0);
  file.push_back(0);
  Put16(file, 1);
  Put16(file, 32);
  Put32(file, static_cast<uint32_t>(image.size()));
  Put32(file, 6 + 16);
  return file + image;
}

std::string Fixture(const std::string& relative) { return nuxtest::ReadFile(nuxtest::SourceDir() + "/" + relative); }

HGLOBAL GlobalBlockOf(const std::string& bytes) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
  GlobalUnlock(h);
  return h;
}

}  // namespace dialogbasetest

namespace {
// The engine's configuration object is built while the program loads, before main gives the
// process its own platform root; a root of its own first keeps it out of the user's.
struct EarlyPlatformRoot {
  EarlyPlatformRoot() { nux::SetPlatformRoot(dir.path()); }
  nuxtest::TempDir dir;
};
__attribute__((init_priority(101))) EarlyPlatformRoot g_earlyRoot;
}  // namespace
