#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>

#include "canvas.h"
#include "gdi/gdi.h"
#include "gdi/image.h"
#include "test_support.h"

using nux::gdi::DecodeImage;
using nux::gdi::Surface;

namespace {

void Put16(std::string& s, uint16_t v) { s.append({char(v & 0xFF), char(v >> 8)}); }
void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(char((v >> (8 * i)) & 0xFF));
}

std::string InfoHeader(int w, int h, int bpp, uint32_t colors = 0) {
  std::string s;
  Put32(s, 40);
  Put32(s, static_cast<uint32_t>(w));
  Put32(s, static_cast<uint32_t>(h));
  Put16(s, 1);
  Put16(s, static_cast<uint16_t>(bpp));
  Put32(s, BI_RGB);
  Put32(s, 0);
  Put32(s, 0);
  Put32(s, 0);
  Put32(s, colors);
  Put32(s, 0);
  return s;
}

std::string BmpFile(const std::string& dib, size_t tableBytes) {
  std::string s = "BM";
  Put32(s, static_cast<uint32_t>(14 + dib.size()));
  Put32(s, 0);
  Put32(s, static_cast<uint32_t>(14 + 40 + tableBytes));
  return s + dib;
}

TEST(Image, BitmapFilesOfSeveralDepths) {
  // 3 x 2, 24 bits, bottom-up: top row red, green, blue; bottom row black, white, grey.
  std::string dib24 = InfoHeader(3, 2, 24);
  const uint8_t bottom[12] = {0, 0, 0, 255, 255, 255, 128, 128, 128, 0, 0, 0};
  const uint8_t top[12] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0};
  dib24.append(reinterpret_cast<const char*>(bottom), 12);
  dib24.append(reinterpret_cast<const char*>(top), 12);
  std::string file24 = BmpFile(dib24, 0);
  Surface s;
  ASSERT_TRUE(DecodeImage(file24.data(), file24.size(), s));
  EXPECT_EQ(s.width(), 3);
  EXPECT_EQ(s.height(), 2);
  EXPECT_EQ(s.at(0, 0), 0xFFFF0000u);
  EXPECT_EQ(s.at(1, 0), 0xFF00FF00u);
  EXPECT_EQ(s.at(2, 0), 0xFF0000FFu);
  EXPECT_EQ(s.at(2, 1), 0xFF808080u);

  // 4 bits with a two-colour table and a top-down height.
  std::string dib4 = InfoHeader(3, -1, 4, 2);
  dib4.append({char(0x10), char(0xFF), char(0x00), char(0), char(0x00), char(0x00), char(0xFF), char(0)});
  dib4.append({char(0x01), char(0x10), char(0), char(0)});
  std::string file4 = BmpFile(dib4, 8);
  ASSERT_TRUE(DecodeImage(file4.data(), file4.size(), s));
  // Pixels 0, 1, 1: entry 0 is B 0x10, G 0xFF; entry 1 is pure red.
  EXPECT_EQ(s.at(0, 0), 0xFF00FF10u);
  EXPECT_EQ(s.at(1, 0), 0xFFFF0000u);
  EXPECT_EQ(s.at(2, 0), 0xFFFF0000u);
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

TEST(Image, BitmapHeaderAndCompressionVariants) {
  struct Case {
    const char* name;
    std::string file;
    int width, height;
    std::vector<uint32_t> pixels;  // row by row from the top
  };
  std::vector<Case> cases;
  {
    // Old 12-byte core header, 8 bits with RGB triples, 2 x 1.
    std::string dib;
    Put32(dib, 12);
    Put16(dib, 2);
    Put16(dib, 1);
    Put16(dib, 1);
    Put16(dib, 8);
    dib += Bytes({0, 0, 255, 255, 0, 0});  // entry 0 red, entry 1 blue (B, G, R)
    dib.append(256 * 3 - 6, '\0');
    dib += Bytes({1, 0, 0, 0});
    std::string file = "BM";
    Put32(file, static_cast<uint32_t>(14 + dib.size()));
    Put32(file, 0);
    Put32(file, static_cast<uint32_t>(14 + 12 + 256 * 3));
    cases.push_back({"core header", file + dib, 2, 1, {0xFF0000FFu, 0xFFFF0000u}});
  }
  {
    // 16 bits, 5-6-5 masks after a 40-byte header.
    std::string dib = InfoHeader(2, 1, 16);
    dib[16] = BI_BITFIELDS;
    Put32(dib, 0xF800);
    Put32(dib, 0x07E0);
    Put32(dib, 0x001F);
    dib += Bytes({0x00, 0xF8, 0x1F, 0x00});  // pure red, pure blue
    cases.push_back({"565 bitfields", BmpFile(dib, 12), 2, 1, {0xFFFF0000u, 0xFF0000FFu}});
  }
  {
    // 8-bit run-length: a run of three of colour 1, then an absolute run 0, 1, 0; end.
    std::string dib = InfoHeader(6, 1, 8, 2);
    dib[16] = BI_RLE8;
    dib += Bytes({0, 255, 0, 0, 0, 0, 255, 0});  // entry 0 green, entry 1 red
    dib += Bytes({3, 1, 0, 3, 0, 1, 0, 0, 0, 1});
    cases.push_back({"rle8", BmpFile(dib, 8), 6, 1,
                     {0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFF00FF00u, 0xFFFF0000u, 0xFF00FF00u}});
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Surface s;
    ASSERT_TRUE(DecodeImage(c.file.data(), c.file.size(), s));
    ASSERT_EQ(s.width(), c.width);
    ASSERT_EQ(s.height(), c.height);
    for (int i = 0; i < c.width * c.height; ++i) EXPECT_EQ(s.at(i % c.width, i / c.width), c.pixels[i]) << i;
  }
}

TEST(Image, DamagedAndForeignDataFailAndLeaveTheSurfaceEmpty) {
  std::string dib = InfoHeader(3, 2, 24);
  dib.append(10, '\0');  // rows missing
  std::string truncated = BmpFile(dib, 0);
  Surface s(4, 4);
  EXPECT_FALSE(DecodeImage(truncated.data(), truncated.size(), s));
  EXPECT_TRUE(s.empty());
  const char text[] = "this is not a picture at all";
  EXPECT_FALSE(DecodeImage(text, sizeof(text), s));
  const unsigned char badJpeg[] = {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F', 0, 1};
  EXPECT_FALSE(DecodeImage(badJpeg, sizeof(badJpeg), s));
  const char badGif[] = "GIF89a\x02\x00";
  EXPECT_FALSE(DecodeImage(badGif, sizeof(badGif) - 1, s));
  EXPECT_FALSE(DecodeImage(nullptr, 0, s));
}

TEST(Image, JpegDecodesToTheEncodedColours) {
  // Encode a 16 x 8 picture, left half red, right half blue, at full quality.
  const int w = 16, h = 8;
  std::vector<uint8_t> rgb(w * h * 3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &rgb[(y * w + x) * 3];
      p[0] = x < 8 ? 220 : 0;
      p[2] = x < 8 ? 0 : 220;
    }
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&cinfo, &out, &outSize);
  cinfo.image_width = w;
  cinfo.image_height = h;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 100, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = &rgb[cinfo.next_scanline * w * 3];
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Surface s;
  ASSERT_TRUE(DecodeImage(out, outSize, s));
  std::free(out);
  EXPECT_EQ(s.width(), w);
  EXPECT_EQ(s.height(), h);
  COLORREF left = s.colorAt(2, 4), right = s.colorAt(13, 4);
  EXPECT_NEAR(GetRValue(left), 220, 8);
  EXPECT_NEAR(GetBValue(left), 0, 8);
  EXPECT_NEAR(GetBValue(right), 220, 8);
  EXPECT_EQ(s.at(2, 4) >> 24, 0xFFu);
}

struct GifSink {
  std::string bytes;
};
int GifWrite(GifFileType* gif, const GifByteType* data, int n) {
  static_cast<GifSink*>(gif->UserData)->bytes.append(reinterpret_cast<const char*>(data), n);
  return n;
}

TEST(Image, GifFirstFrameWithTransparency) {
  GifSink sink;
  int error = 0;
  GifFileType* gif = EGifOpen(&sink, GifWrite, &error);
  ASSERT_NE(gif, nullptr);
  GifColorType colors[4] = {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}, {0, 255, 0}};
  ColorMapObject* map = GifMakeMapObject(4, colors);
  EGifSetGifVersion(gif, true);
  ASSERT_EQ(EGifPutScreenDesc(gif, 4, 2, 2, 0, map), GIF_OK);
  GraphicsControlBlock gcb{};
  gcb.TransparentColor = 0;
  gcb.DelayTime = 0;
  GifByteType ext[4];
  size_t len = EGifGCBToExtension(&gcb, ext);
  EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(len), ext);
  ASSERT_EQ(EGifPutImageDesc(gif, 0, 0, 4, 2, false, nullptr), GIF_OK);
  GifPixelType row0[4] = {1, 2, 0, 3}, row1[4] = {3, 3, 1, 1};
  EGifPutLine(gif, row0, 4);
  EGifPutLine(gif, row1, 4);
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);

  Surface s;
  ASSERT_TRUE(DecodeImage(sink.bytes.data(), sink.bytes.size(), s));
  EXPECT_EQ(s.width(), 4);
  EXPECT_EQ(s.at(0, 0), 0xFFFF0000u);
  EXPECT_EQ(s.at(1, 0), 0xFF0000FFu);
  EXPECT_EQ(s.at(2, 0), 0u);  // transparent
  EXPECT_EQ(s.at(3, 1), 0xFFFF0000u);
}

TEST(Image, IconTakesTheImageNearest32AndItsMask) {
  // Two images: 16 x 16 (ignored) and 2 x 2 24-bit with a mask making one pixel transparent.
  auto image = [](int size, uint8_t blue) {
    std::string s = InfoHeader(size, size * 2, 24);
    size_t row = ((size * 24 + 31) / 32) * 4;
    for (int y = 0; y < size; ++y) {
      std::string r(row, '\0');
      for (int x = 0; x < size; ++x) r[x * 3] = static_cast<char>(blue);
      s += r;
    }
    size_t maskRow = ((size + 31) / 32) * 4;
    for (int y = 0; y < size; ++y) {
      std::string m(maskRow, '\0');
      if (y == size - 1) m[0] = char(0x80);  // the top-left pixel (bottom-up mask)
      s += m;
    }
    return s;
  };
  std::string small = image(16, 0x40), big = image(2, 0xC0);
  std::string ico;
  Put16(ico, 0);
  Put16(ico, 1);
  Put16(ico, 2);
  uint32_t offset = 6 + 2 * 16;
  for (auto* img : {&small, &big}) {
    int size = img == &small ? 16 : 2;
    ico.push_back(char(size));
    ico.push_back(char(size));
    ico.append({0, 0});
    Put16(ico, 1);
    Put16(ico, 24);
    Put32(ico, static_cast<uint32_t>(img->size()));
    Put32(ico, offset);
    offset += static_cast<uint32_t>(img->size());
  }
  ico += small + big;
  Surface s;
  ASSERT_TRUE(DecodeImage(ico.data(), ico.size(), s));
  // 16 x 16 is nearer 32 than 2 x 2.
  EXPECT_EQ(s.width(), 16);
  EXPECT_EQ(s.at(0, 0), 0u);
  EXPECT_EQ(s.at(1, 0), 0xFF000040u);
}

TEST(Image, LoadBitmapReadsTheProgramsBitmapResource) {
  HBITMAP bmp = LoadBitmapW(nullptr, MAKEINTRESOURCEW(7));
  ASSERT_NE(bmp, nullptr);
  BITMAP bm{};
  GetObjectW(bmp, sizeof(bm), &bm);
  EXPECT_EQ(bm.bmWidth, 3);
  EXPECT_EQ(bm.bmHeight, 2);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  const Surface& s = *nux::gdi::SurfaceOfBitmap(bmp);
  EXPECT_EQ(s.colorAt(0, 0), RGB(255, 0, 0));
  EXPECT_EQ(s.colorAt(2, 0), RGB(0, 0, 255));
  EXPECT_EQ(s.colorAt(2, 1), RGB(128, 128, 128));
  EXPECT_TRUE(DeleteObject(bmp));
  EXPECT_EQ(LoadBitmapW(nullptr, MAKEINTRESOURCEW(8)), nullptr);
  EXPECT_EQ(LoadBitmapA(nullptr, "NOSUCHBITMAP"), nullptr);
}

TEST(Image, SnapshotPngReadsBackPixelForPixel) {
  nuxtest::TempDir dir;
  gditest::Canvas c(7, 5, RGB(10, 20, 30));
  SetPixel(c.dc, 6, 4, RGB(250, 128, 1));
  RECT r{1, 1, 3, 3};
  HBRUSH b = CreateSolidBrush(RGB(0, 255, 0));
  FillRect(c.dc, &r, b);
  DeleteObject(b);
  std::string path = dir.path() + "/snap.png";
  ASSERT_TRUE(nux::gdi::WritePng(c.surface(), path));
  Surface back;
  ASSERT_TRUE(nux::gdi::ReadPng(path, back));
  ASSERT_EQ(back.width(), 7);
  ASSERT_EQ(back.height(), 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(back.colorAt(x, y), c.at(x, y)) << x << "," << y;
  // The file is a PNG that decodes like any other picture, and it can become a bitmap.
  std::string bytes = nuxtest::ReadFile(path);
  Surface again;
  ASSERT_TRUE(DecodeImage(bytes.data(), bytes.size(), again));
  HBITMAP bmp = nux::gdi::CreateBitmapFromSurface(again);
  BITMAP bm{};
  GetObjectW(bmp, sizeof(bm), &bm);
  EXPECT_EQ(bm.bmWidth, 7);
  DeleteObject(bmp);
  EXPECT_FALSE(nux::gdi::WritePng(c.surface(), dir.path() + "/no/such/folder/x.png"));
  EXPECT_FALSE(nux::gdi::WritePng(Surface(), dir.path() + "/empty.png"));
}

}  // namespace
