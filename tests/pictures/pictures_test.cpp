// Pictures from anywhere: files made by another encoder (ImageMagick) and by hand, files whose
// headers claim far more than their data holds, and every tenth of each file, through the
// picture decoder and the bitmap class's loader. Each case loads or fails as it should and
// within a bound of memory that the counted allocator measures; an allocation that fails
// anywhere on the way fails the load and nothing escapes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Dib.h"
#include "alloc_hook.h"
#include "gdi/image.h"
#include "memory/memory.h"
#include "ui/cursor.h"
#include "test_support.h"

namespace {

using nux::gdi::Surface;

constexpr size_t kMB = size_t(1) << 20;

// ---- pictures by another encoder ---------------------------------------------------------

std::string FindMagick() {
  for (const char* name : {"magick", "convert-im6.q16", "convert-im6", "convert"}) {
    std::string command = std::string(name) + " -version 2>/dev/null";
    FILE* p = popen(command.c_str(), "r");
    if (!p) continue;
    char line[256] = {};
    const bool got = std::fgets(line, sizeof(line), p) != nullptr;
    pclose(p);
    if (got && std::strstr(line, "ImageMagick")) return name;
  }
  return "";
}

// Pictures made once for the whole program, by name.
class Made {
 public:
  static Made& Get() {
    static Made made;
    return made;
  }
  const std::string& magick() const { return magick_; }
  // The file ImageMagick writes for `args` into `target` (its type by the name or a prefix).
  const std::string& Picture(const std::string& name, const std::string& args, const std::string& target) {
    auto it = files_.find(name);
    if (it != files_.end()) return it->second;
    std::string bytes;
    if (!magick_.empty()) {
      const std::string path = dir_.path() + "/" + name;
      const std::string out = target.empty() ? path : target + ":" + path;
      const std::string command = magick_ + " " + args + " '" + out + "' 2>&1";
      if (std::system(command.c_str()) == 0) bytes = nuxtest::ReadFile(path);
    }
    return files_[name] = bytes;
  }

 private:
  Made() : magick_(FindMagick()) {}
  std::string magick_;
  nuxtest::TempDir dir_;
  std::map<std::string, std::string> files_;
};

const std::string& Magick(const std::string& name, const std::string& args, const std::string& target = "") {
  return Made::Get().Picture(name, args, target);
}

// ---- pictures by hand ----------------------------------------------------------------------

void Put16(std::string& s, uint32_t v) { s.append({char(v & 0xFF), char((v >> 8) & 0xFF)}); }
void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(char((v >> (8 * i)) & 0xFF));
}
void Set16Be(std::string& s, size_t at, uint32_t v) {
  s[at] = char((v >> 8) & 0xFF);
  s[at + 1] = char(v & 0xFF);
}
void Set32Be(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (24 - 8 * i)) & 0xFF);
}

std::string Bmp(int32_t w, int32_t h, int bpp, uint32_t compression, const std::string& table, const std::string& bits) {
  std::string s = "BM";
  Put32(s, uint32_t(14 + 40 + table.size() + bits.size()));
  Put32(s, 0);
  Put32(s, uint32_t(14 + 40 + table.size()));
  Put32(s, 40);
  Put32(s, uint32_t(w));
  Put32(s, uint32_t(h));
  Put16(s, 1);
  Put16(s, uint32_t(bpp));
  Put32(s, compression);
  Put32(s, uint32_t(bits.size()));
  Put32(s, 2835);
  Put32(s, 2835);
  Put32(s, uint32_t(table.size() / 4));
  Put32(s, 0);
  return s + table + bits;
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(char(b));
  return s;
}

// Palette of the run-length pictures: 0 black, 1 red, 2 green, 3 blue.
const std::string kTable = Bytes({0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0});

// A GIF of a few bytes whose screen and frame claim 65535 x 65535 pixels.
std::string GifClaimingTheMost() {
  std::string s = "GIF89a";
  Put16(s, 0xFFFF);
  Put16(s, 0xFFFF);
  s += Bytes({0x80, 0, 0, 0, 0, 0, 255, 255, 255});  // two global colours
  s += Bytes({0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 13});
  s += Bytes({0x84, 0x8F, 0xA9, 0xCB, 0xED, 0x0F, 0xA3, 0x9C, 0xB4, 0xDA, 0x8B, 0xB3, 0x3E});
  s += Bytes({0, 0x3B});
  return s;
}

// A PNG with its header's size replaced (and its checksum made right again).
std::string PngClaiming(std::string png, uint32_t w, uint32_t h) {
  if (png.size() < 33) return png;
  Set32Be(png, 16, w);
  Set32Be(png, 20, h);
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17);
  Set32Be(png, 29, uint32_t(crc));
  return png;
}

// A JPEG with the size of its frame header replaced.
std::string JpegClaiming(std::string jpeg, uint32_t w, uint32_t h) {
  for (size_t i = 2; i + 9 < jpeg.size(); ++i)
    if (uint8_t(jpeg[i]) == 0xFF && (uint8_t(jpeg[i + 1]) == 0xC0 || uint8_t(jpeg[i + 1]) == 0xC2)) {
      Set16Be(jpeg, i + 5, h);
      Set16Be(jpeg, i + 7, w);
      break;
    }
  return jpeg;
}

// ---- the table -----------------------------------------------------------------------------

struct Case {
  std::string name;
  std::string file;
  bool loads;
  int width = 0, height = 0;
  size_t peak = 4 * kMB;                          // the most the decoder may take
  std::function<void(const Surface&)> check = {};  // pixels, when it loads
};

std::vector<Case> Cases() {
  std::vector<Case> c;
  const std::string grad = "-size 64x48 gradient:red-blue";
  c.push_back({"bmp 24 (ImageMagick)", Magick("g24.bmp", grad, "BMP3"), true, 64, 48});
  c.push_back({"bmp rle8 (ImageMagick)", Magick("rle8.bmp", grad + " -colors 16 -compress RLE", "BMP3"), true, 64, 48});
  c.push_back({"bmp 4-bit (ImageMagick)", Magick("g4.bmp", grad + " -colors 16 -type Palette", "BMP3"), true, 64, 48});
  c.push_back({"bmp top-down 24", Bmp(2, -2, 24, BI_RGB, "", Bytes({0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0})),
               true, 2, 2, 4 * kMB, [](const Surface& s) {
                 EXPECT_EQ(s.at(0, 0), 0xFFFF0000u);  // the first row is the top one
                 EXPECT_EQ(s.at(0, 1), 0xFF0000FFu);
               }});
  // Run-length pictures with deltas: RLE8 4 x 3 (bottom-up): row 0 two red, a delta of (1, 1)
  // to x 3 of row 1, one green, line end; row 2 four blue; end of bitmap.
  c.push_back({"bmp rle8 with a delta",
               Bmp(4, 3, 8, BI_RLE8, kTable, Bytes({2, 1, 0, 2, 1, 1, 1, 2, 0, 0, 4, 3, 0, 1})), true, 4, 3, 4 * kMB,
               [](const Surface& s) {
                 EXPECT_EQ(s.at(0, 2), 0xFFFF0000u);
                 EXPECT_EQ(s.at(2, 2), 0xFF000000u);  // skipped by the delta: black
                 EXPECT_EQ(s.at(3, 1), 0xFF00FF00u);
                 EXPECT_EQ(s.at(0, 1), 0xFF000000u);
                 EXPECT_EQ(s.at(3, 0), 0xFF0000FFu);
               }});
  // RLE4 5 x 2: row 0 a run of five alternating red and green, row 1 a delta of (2, 0), an
  // absolute run of three (blue, red, blue); end.
  c.push_back({"bmp rle4 with a delta",
               Bmp(5, 2, 4, BI_RLE4, kTable, Bytes({5, 0x12, 0, 0, 0, 2, 2, 0, 0, 3, 0x31, 0x30, 0, 1})), true, 5, 2,
               4 * kMB, [](const Surface& s) {
                 EXPECT_EQ(s.at(0, 1), 0xFFFF0000u);
                 EXPECT_EQ(s.at(1, 1), 0xFF00FF00u);
                 EXPECT_EQ(s.at(4, 1), 0xFFFF0000u);
                 EXPECT_EQ(s.at(1, 0), 0xFF000000u);
                 EXPECT_EQ(s.at(2, 0), 0xFF0000FFu);
                 EXPECT_EQ(s.at(3, 0), 0xFFFF0000u);
                 EXPECT_EQ(s.at(4, 0), 0xFF0000FFu);
               }});
  c.push_back({"gif (ImageMagick)", Magick("g.gif", grad + " -colors 32"), true, 64, 48});
  c.push_back({"gif transparent (ImageMagick)",
               Magick("t.gif", "-size 16x16 xc:none -fill red -draw 'circle 8,8 8,3'"), true, 16, 16, 4 * kMB,
               [](const Surface& s) {
                 EXPECT_EQ(s.at(0, 0) >> 24, 0u);
                 EXPECT_EQ(s.at(8, 8), 0xFFFF0000u);
               }});
  c.push_back({"jpeg baseline (ImageMagick)", Magick("b.jpg", grad + " -quality 80"), true, 64, 48});
  c.push_back({"jpeg progressive (ImageMagick)", Magick("p.jpg", grad + " -interlace JPEG"), true, 64, 48});
  c.push_back({"jpeg grey (ImageMagick)", Magick("k.jpg", grad + " -colorspace Gray"), true, 64, 48});
  c.push_back({"png rgb (ImageMagick)", Magick("c.png", grad), true, 64, 48});
  c.push_back({"png palette (ImageMagick)", Magick("pal.png", grad + " -colors 8", "PNG8"), true, 64, 48});
  c.push_back({"png 16-bit (ImageMagick)", Magick("d.png", grad + " -depth 16", "PNG48"), true, 64, 48});
  c.push_back({"png grey and alpha 16-bit (ImageMagick)",
               Magick("ga.png", "-size 64x48 gradient:white-none -colorspace Gray -depth 16", "PNG"), true, 64, 48});
  c.push_back({"png interlaced (ImageMagick)", Magick("i.png", grad + " -interlace PNG"), true, 64, 48});
  c.push_back({"icon (ImageMagick)", Magick("i.ico", "-size 32x32 gradient:red-blue"), true, 32, 32});
  // A large honest picture takes memory by its size, and no more.
  c.push_back({"png 2000 x 2000 one bit (ImageMagick)", Magick("big.png", "-size 2000x2000 xc:white -monochrome"), true,
               2000, 2000, 2000 * 2000 * 4 + 4 * kMB});

  // Claims far beyond the data.
  c.push_back({"gif of 46 bytes claiming 65535 x 65535", GifClaimingTheMost(), false});
  {
    std::string gif = Magick("small.gif", "-size 2x2 xc:red");
    if (gif.size() > 10) gif.replace(6, 4, Bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    c.push_back({"gif with a 65535 x 65535 screen and a 2 x 2 frame", gif, true, 2, 2});
  }
  {
    std::string eols;
    for (int i = 0; i < 509; ++i) eols += Bytes({0, 0});
    c.push_back({"bmp rle8 of 1080 bytes claiming 65535 x 65535", Bmp(65535, 65535, 8, BI_RLE8, kTable, eols), false});
    c.push_back({"bmp rle8 of 1080 bytes claiming 4000 x 4000", Bmp(4000, 4000, 8, BI_RLE8, kTable, eols), false});
  }
  c.push_back({"bmp 24 claiming 30000 x 30000 with 100 bytes", Bmp(30000, 30000, 24, BI_RGB, "", std::string(100, 'x')),
               false});
  c.push_back({"bmp 1 claiming 65536 x 2", Bmp(65536, 2, 1, BI_RGB, "", std::string(8192 * 2, 'x')), false});
  c.push_back({"jpeg claiming 16000 x 16000", JpegClaiming(Magick("b.jpg", grad + " -quality 80"), 16000, 16000), false});
  c.push_back({"jpeg claiming 4000 x 4000", JpegClaiming(Magick("b.jpg", grad + " -quality 80"), 4000, 4000), false});
  c.push_back({"progressive jpeg claiming 8000 x 8000",
               JpegClaiming(Magick("p.jpg", grad + " -interlace JPEG"), 8000, 8000), false});
  // Found by the fuzzer: an 8 x 1 frame placed at (63498, 255) of a 64057 x 65030 screen, and a
  // bitmap of an unknown compression claiming 1536 x 19970.
  c.push_back({"gif with a small frame far into a huge screen",
               Bytes({0x47, 0x49, 0x46, 0x38, 0x47, 0x46, 0x39, 0xfa, 0x06, 0xfe, 0xf0, 0x00, 0x00, 0xff, 0x00, 0x3b,
                      0x00, 0x00, 0x00, 0x21, 0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xff, 0x0b, 0x4e, 0x45,
                      0x54, 0x53, 0x43, 0x45, 0x50, 0x45, 0x32, 0x2e, 0x30, 0x03, 0x01, 0x00, 0x00, 0x00, 0x2c, 0x0a,
                      0xf8, 0xff, 0x00, 0x08, 0x00, 0x01, 0x00, 0x5a, 0x02, 0x07, 0x84, 0x13, 0x34, 0x70, 0x52, 0x04,
                      0x00, 0x00, 0x00, 0xf9, 0x9f, 0xff, 0xff, 0xff, 0x0c, 0x00, 0x06, 0x00, 0x80, 0x00, 0xaf, 0xf1,
                      0x00, 0x3b}),
               false});
  c.push_back({"bmp of an unknown compression claiming 1536 x 19970",
               Bytes({0x42, 0x4d, 0x4c, 0, 0, 0, 0, 0, 0, 0, 0x42, 0, 0, 0, 0x28, 0, 0, 0, 0, 0x06, 0, 0, 0x02, 0x4e,
                      0, 0, 1, 0, 4, 0, 2, 0, 0xd2, 0, 0x0a, 0, 0, 0, 0x13, 0x0b, 0, 0, 0x13, 0x0b, 0, 0, 3, 0, 0,
                      0, 0, 0, 0, 0, 0, 0xff, 0, 0, 0xff, 0xff, 0, 0x61, 0, 0, 0x12, 0x10, 0, 1}),
               false});
  {
    // Found by the fuzzer: a chunk after the header claims 1.8 GB.
    std::string png = Magick("c.png", grad);
    if (png.size() > 33) png.insert(33, Bytes({0x6B, 0x7F, 0x00, 0x00, 't', 'E', 'X', 't', 'a', 0, 'b'}));
    c.push_back({"png with a chunk claiming 1.8 GB", png, false});
  }
  {
    // Found by the fuzzer: bit-field masks after a header of 44 bytes (longer than the usual
    // 40, too short to hold the masks itself).
    std::string dib;
    Put32(dib, 44);
    Put32(dib, 1);
    Put32(dib, 1);
    Put16(dib, 1);
    Put16(dib, 32);
    Put32(dib, BI_BITFIELDS);
    dib.append(44 - dib.size(), '\0');
    Put32(dib, 0xFF0000);
    Put32(dib, 0x00FF00);
    Put32(dib, 0x0000FF);
    Put32(dib, 0x00112233);
    std::string file = "BM";
    Put32(file, uint32_t(14 + dib.size()));
    Put32(file, 0);
    Put32(file, 14 + 44 + 12);
    c.push_back({"bmp bit fields after a 44-byte header", file + dib, true, 1, 1, 4 * kMB,
                 [](const Surface& s) { EXPECT_EQ(s.at(0, 0), 0xFF112233u); }});
  }
  c.push_back({"png claiming 60000 x 60000", PngClaiming(Magick("c.png", grad), 60000, 60000), false});
  c.push_back({"png claiming 4000 x 4000", PngClaiming(Magick("c.png", grad), 4000, 4000), false});
  return c;
}

// Where a file's pixel data ends: after the last IDAT chunk of a PNG (what follows is text and
// the end chunk); the file's end for the others.
size_t PixelDataEnd(const std::string& file) {
  if (file.size() < 8 || file.compare(1, 3, "PNG") != 0) return file.size();
  size_t end = 8;
  for (size_t at = 8; at + 8 <= file.size();) {
    const uint32_t length = (uint32_t(uint8_t(file[at])) << 24) | (uint32_t(uint8_t(file[at + 1])) << 16) |
                            (uint32_t(uint8_t(file[at + 2])) << 8) | uint8_t(file[at + 3]);
    const size_t next = at + 12 + length;
    if (file.compare(at + 4, 4, "IDAT") == 0) end = next;
    at = next;
  }
  return end;
}

// Every tenth of each file that loads whole, but the large one: data that ends before all its
// pixels fails; a PNG cut in the text after its pixels still shows them.
std::vector<Case> Truncations(const std::vector<Case>& whole) {
  std::vector<Case> c;
  for (const Case& w : whole) {
    if (!w.loads || w.width > 100 || w.file.size() < 20) continue;
    const size_t pixelsEnd = PixelDataEnd(w.file);
    for (int tenth = 1; tenth <= 9; ++tenth) {
      const size_t cut = w.file.size() * tenth / 10;
      c.push_back({w.name + " cut at " + std::to_string(tenth) + "/10", w.file.substr(0, cut), cut >= pixelsEnd,
                   w.width, w.height});
    }
  }
  return c;
}

HGLOBAL BlockOf(const std::string& bytes) {
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (block && !bytes.empty()) {
    std::memcpy(::GlobalLock(block), bytes.data(), bytes.size());
    ::GlobalUnlock(block);
  }
  return block;
}

bool IsPng(const std::string& file) { return file.size() > 4 && file.compare(1, 3, "PNG") == 0; }

void RunCase(const Case& c) {
  SCOPED_TRACE(c.name + " (" + std::to_string(c.file.size()) + " bytes)");
  ASSERT_FALSE(c.file.empty()) << "the picture could not be made";
  Surface s;
  alloctest::ResetPeak();
  const bool loaded = nux::gdi::DecodeImage(c.file.data(), c.file.size(), s);
  const size_t peak = alloctest::PeakSinceReset();
  EXPECT_EQ(loaded, c.loads);
  EXPECT_LE(peak, c.peak);
  if (loaded && c.loads) {
    EXPECT_EQ(s.width(), c.width);
    EXPECT_EQ(s.height(), c.height);
    if (c.check) c.check(s);
  }
  if (!loaded) {
    EXPECT_TRUE(s.empty());
  }
  s = Surface();

  // The bitmap class reads every format but PNG, within a few copies of the picture.
  CDib dib;
  HGLOBAL block = BlockOf(c.file);
  ASSERT_NE(block, nullptr);
  alloctest::ResetPeak();
  const BOOL dibLoaded = dib.LoadFromMemory(block);
  EXPECT_LE(alloctest::PeakSinceReset(), 4 * c.peak);
  EXPECT_EQ(dibLoaded != FALSE, c.loads && !IsPng(c.file));
  if (dibLoaded) {
    EXPECT_EQ(dib.GetWidth(), c.width);
    EXPECT_EQ(dib.GetHeight(), c.height);
  } else {
    EXPECT_FALSE(dib.IsValid());
  }
}

class Pictures : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Made::Get().magick().empty()) << "ImageMagick is needed (scripts/install-deps installs it)";
  }
  nuxtest::ScopedPlatformRoot root_;
};

TEST_F(Pictures, EachCaseLoadsOrFailsWithinItsMemory) {
  for (const Case& c : Cases()) RunCase(c);
}

TEST_F(Pictures, EveryTenthOfAFileFails) {
  for (const Case& c : Truncations(Cases())) RunCase(c);
}

TEST_F(Pictures, InterlacedGifRowsComeInDisplayOrder) {
  // Rows of four colours in bands, so that every pass of the interlace shows in the result.
  const std::string args = "-size 8x24 gradient:red-blue -colors 16";
  const std::string& plain = Magick("bands.gif", args);
  const std::string& interlaced = Magick("bands-i.gif", args + " -interlace GIF");
  ASSERT_FALSE(plain.empty());
  ASSERT_NE(plain, interlaced);
  Surface a, b;
  ASSERT_TRUE(nux::gdi::DecodeImage(plain.data(), plain.size(), a));
  ASSERT_TRUE(nux::gdi::DecodeImage(interlaced.data(), interlaced.size(), b));
  ASSERT_EQ(a.width(), b.width());
  ASSERT_EQ(a.height(), b.height());
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) ASSERT_EQ(a.at(x, y), b.at(x, y)) << x << "," << y;
  // The gradient runs from red at the top to blue at the bottom.
  EXPECT_GT((a.at(0, 0) >> 16) & 0xFF, 0xE0u);
  EXPECT_GT(a.at(0, 23) & 0xFF, 0xE0u);
}

TEST_F(Pictures, ThirtyTwoBitBitmapsWithAnEmptyFourthByteAreOpaque) {
  const std::string empty = Bmp(2, 1, 32, BI_RGB, "", Bytes({10, 20, 30, 0, 40, 50, 60, 0}));
  const std::string alpha = Bmp(2, 1, 32, BI_RGB, "", Bytes({10, 20, 30, 0, 40, 50, 60, 128}));
  Surface s;
  ASSERT_TRUE(nux::gdi::DecodeImage(empty.data(), empty.size(), s));
  EXPECT_EQ(s.at(0, 0), 0xFF1E140Au);
  EXPECT_EQ(s.at(1, 0), 0xFF3C3228u);
  ASSERT_TRUE(nux::gdi::DecodeImage(alpha.data(), alpha.size(), s));
  EXPECT_EQ(s.at(0, 0), 0x001E140Au);
  EXPECT_EQ(s.at(1, 0), 0x803C3228u);
}

TEST_F(Pictures, AnAllocationFailureAnywhereFailsTheLoad) {
  const std::string grad = "-size 64x48 gradient:red-blue";
  const std::vector<std::string> files = {
      Magick("g24.bmp", grad, "BMP3"), Magick("rle8.bmp", grad + " -colors 16 -compress RLE", "BMP3"),
      Magick("g.gif", grad + " -colors 32"), Magick("b.jpg", grad + " -quality 80"),
      Magick("p.jpg", grad + " -interlace JPEG"), Magick("c.png", grad), Magick("i.ico", "-size 32x32 gradient:red-blue")};
  for (const std::string& file : files) {
    ASSERT_FALSE(file.empty());
    int loadsAt = -1;
    // From no memory at all up to enough: each load fails cleanly until it fits.
    for (size_t budget : {size_t(0), size_t(64), size_t(1024), size_t(4096), size_t(12288), size_t(16384),
                          size_t(65536), 256 * size_t(1024), 4 * kMB}) {
      bool decoded = false;
      BOOL dibLoaded = FALSE;
      Surface s;
      CDib dib;
      HGLOBAL block = BlockOf(file);
      ASSERT_NE(block, nullptr);
      bool decoderThrew = false, dibThrew = false;
      {
        alloctest::Budget limit(budget);
        try {
          decoded = nux::gdi::DecodeImage(file.data(), file.size(), s);
        } catch (...) {
          decoderThrew = true;
        }
        try {
          dibLoaded = dib.LoadFromMemory(block);
        } catch (...) {
          dibThrew = true;
        }
      }
      EXPECT_FALSE(decoderThrew) << "the decoder let an exception escape at a budget of " << budget;
      EXPECT_FALSE(dibThrew) << "the bitmap class let an exception escape at a budget of " << budget;
      if (!decoded) {
        EXPECT_TRUE(s.empty());
      }
      if (!dibLoaded) {
        EXPECT_FALSE(dib.IsValid());
      }
      if (decoded && loadsAt < 0) loadsAt = int(budget);
    }
    EXPECT_GE(loadsAt, 0) << "never loaded";
  }

  // The conversion of a bitmap and the reading of a cursor file fail cleanly too.
  Surface picture;
  ASSERT_TRUE(nux::gdi::DecodeImage(files[0].data(), files[0].size(), picture));
  HBITMAP bitmap = nux::gdi::CreateBitmapFromSurface(picture);
  ASSERT_NE(bitmap, nullptr);
  std::string cursor = Bytes({0, 0, 2, 0, 1, 0, 1, 1, 0, 0, 0, 0, 0, 0, 48, 0, 0, 0, 22, 0, 0, 0});
  cursor += Bytes({40, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 1, 0}) + std::string(24 + 8 + 8, '\0');
  root_.Write("drive_c/one.cur", cursor);
  for (size_t budget : {size_t(0), size_t(64), size_t(1024), size_t(65536), 4 * kMB}) {
    CDib dib;
    BOOL converted = FALSE;
    HCURSOR loaded = nullptr;
    bool threw = false;
    {
      alloctest::Budget limit(budget);
      try {
        converted = dib.CreateFromBitmap(bitmap, nullptr);
        loaded = ::LoadCursorFromFileW(u"C:\\one.cur");
      } catch (...) {
        threw = true;
      }
    }
    EXPECT_FALSE(threw) << "an exception escaped at a budget of " << budget;
    if (converted) {
      EXPECT_EQ(dib.GetWidth(), 64);
    } else {
      EXPECT_FALSE(dib.IsValid());
    }
    if (budget == 4 * kMB) {
      EXPECT_TRUE(converted);
      EXPECT_NE(loaded, nullptr);
    }
  }
  ::DeleteObject(bitmap);
}

}  // namespace
