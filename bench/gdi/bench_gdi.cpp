// Benchmarks of the drawing layer. Each prints its figures and the goal, measured side by
// side with a memcpy of the same number of pixel bytes (800 x 600 x 4), and the program exits
// non-zero when a goal is missed:
//  1. BitBlt SRCCOPY of 800 x 600 between memory DCs: at most 2x the copy;
//  2. StretchDIBits of a 32-bit DIB stretched to 800 x 600 (the stretched dialog background)
//     with HALFTONE: an integer enlargement (400 x 300) at most 4x the copy; an uneven one
//     (500 x 375), where every pixel is a blend of up to four, at most 12x;
//  3. the same two with COLORONCOLOR: at most 4x the copy.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "gdi/gdi.h"

namespace {

constexpr int kW = 800, kH = 600;

double Seconds(const std::function<void()>& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Best of several runs of `repeat` calls, per call.
double Best(int repeat, const std::function<void()>& action) {
  double best = 1e30;
  for (int run = 0; run < 7; ++run)
    best = std::min(best, Seconds([&] {
                      for (int i = 0; i < repeat; ++i) action();
                    }) / repeat);
  return best;
}

struct Dib {
  BITMAPINFO info{};
  std::vector<uint32_t> bits;
  Dib(int w, int h) : bits(static_cast<size_t>(w) * h) {
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) bits[static_cast<size_t>(y) * w + x] = 0xFF000000u | (x * 7 << 16) | (y * 5 << 8) | ((x ^ y) & 0xFF);
  }
};

bool Report(const char* what, double seconds, double copy, double limit) {
  double ratio = seconds / copy;
  bool ok = ratio <= limit;
  std::printf("%-52s %8.1f us  %5.2fx memcpy (goal <= %.0fx)  %s\n", what, seconds * 1e6, ratio, limit,
              ok ? "ok" : "MISSED");
  return ok;
}

}  // namespace

int main() {
  std::vector<uint8_t> a(static_cast<size_t>(kW) * kH * 4, 1), b(a.size(), 2);
  const double copy = Best(50, [&] {
    std::memcpy(b.data(), a.data(), a.size());
    a[0] = b[1];
  });
  std::printf("%-52s %8.1f us\n", "memcpy of 800 x 600 x 4 bytes", copy * 1e6);

  HDC screen = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
  HDC src = CreateCompatibleDC(screen), dst = CreateCompatibleDC(screen);
  HBITMAP sb = CreateCompatibleBitmap(screen, kW, kH), db = CreateCompatibleBitmap(screen, kW, kH);
  HGDIOBJ os = SelectObject(src, sb), od = SelectObject(dst, db);

  bool ok = true;
  ok &= Report("BitBlt SRCCOPY 800 x 600", Best(50, [&] { BitBlt(dst, 0, 0, kW, kH, src, 0, 0, SRCCOPY); }),
               copy, 2);
  for (int mode : {HALFTONE, COLORONCOLOR}) {
    SetStretchBltMode(dst, mode);
    for (auto size : {std::pair{400, 300}, std::pair{500, 375}}) {
      Dib dib(size.first, size.second);
      char label[96];
      std::snprintf(label, sizeof label, "StretchDIBits %s %d x %d -> 800 x 600",
                    mode == HALFTONE ? "HALFTONE" : "COLORONCOLOR", size.first, size.second);
      ok &= Report(label, Best(20, [&] {
                     StretchDIBits(dst, 0, 0, kW, kH, 0, 0, size.first, size.second, dib.bits.data(), &dib.info,
                                   DIB_RGB_COLORS, SRCCOPY);
                   }),
                   copy, mode == HALFTONE && size.first == 500 ? 12 : 4);
    }
  }
  SelectObject(src, os);
  SelectObject(dst, od);
  DeleteObject(sb);
  DeleteObject(db);
  DeleteDC(src);
  DeleteDC(dst);
  DeleteDC(screen);
  return ok ? 0 : 1;
}
