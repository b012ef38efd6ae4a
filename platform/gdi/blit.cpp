// Bitmaps, blits, stretching, DIB transfer, transparency and alpha blending.
#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/errors.h"
#include "gdi/dib.h"
#include "gdi/gdi_internal.h"

using namespace nux::gdi::detail;
using nux::gdi::Surface;

namespace {

// A new bitmap; null with ERROR_NOT_ENOUGH_MEMORY when its pixels cannot be had.
HBITMAP NewBitmap(int width, int height, int bitsPixel, uint32_t fill) {
  std::unique_ptr<BitmapObj> b;
  try {
    b = std::make_unique<BitmapObj>();
    b->surface.Resize(width, height, fill);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  b->bitsPixel = bitsPixel;
  return reinterpret_cast<HBITMAP>(Register(b.release()));
}

// One axis of a stretch: for each destination index, the source indices and weights
// (16.16 fixed point, summing to 65536). Nearest-pixel maps have one tap of weight 65536.
struct AxisMap {
  std::vector<int> first;     // per destination index: index into taps
  std::vector<int> count;
  std::vector<int> src;       // source index (relative to the source start)
  std::vector<uint32_t> weight;
  bool single = true;         // every destination index has exactly one tap
};

// Destination length d and source length s (both > 0); mirrored reverses the source.
AxisMap MakeAxis(int d, int s, bool mirrored, bool area) {
  AxisMap m;
  m.first.resize(d);
  m.count.resize(d);
  // An integer enlargement (or the same size) covers each destination pixel with one source
  // pixel, so the area average equals the nearest pixel there.
  if (!area || d % s == 0) {
    for (int i = 0; i < d; ++i) {
      int j = static_cast<int>((static_cast<int64_t>(2 * i + 1) * s) / (2 * static_cast<int64_t>(d)));
      m.first[i] = i;
      m.count[i] = 1;
      m.src.push_back(mirrored ? s - 1 - j : j);
      m.weight.push_back(65536);
    }
    return m;
  }
  m.single = false;
  for (int i = 0; i < d; ++i) {
    // Destination pixel i covers source [i*s/d, (i+1)*s/d); in units of 1/d source pixels
    // that is [i*s, (i+1)*s), and source pixel j covers [j*d, (j+1)*d).
    int64_t lo = static_cast<int64_t>(i) * s, hi = lo + s;
    int j0 = static_cast<int>(lo / d), j1 = static_cast<int>((hi - 1) / d);
    m.first[i] = static_cast<int>(m.src.size());
    uint32_t total = 0;
    for (int j = j0; j <= j1; ++j) {
      int64_t a = std::max<int64_t>(lo, static_cast<int64_t>(j) * d);
      int64_t b = std::min<int64_t>(hi, static_cast<int64_t>(j + 1) * d);
      uint32_t w = static_cast<uint32_t>(((b - a) * 65536 + s / 2) / s);
      if (j == j1) w = 65536 - total;
      total += w;
      m.src.push_back(mirrored ? s - 1 - j : j);
      m.weight.push_back(w);
    }
    m.count[i] = static_cast<int>(m.src.size()) - m.first[i];
  }
  return m;
}

enum class Mode { Rop, Transparent, Alpha };

struct BlitOp {
  Mode mode = Mode::Rop;
  DWORD rop = SRCCOPY;
  uint32_t transparent = 0;  // RGB of the transparent colour
  BLENDFUNCTION blend{};
};

inline uint32_t BlendPixel(uint32_t s, uint32_t d, const BLENDFUNCTION& bf) {
  const uint32_t sca = bf.SourceConstantAlpha;
  uint32_t out = 0;
  if (bf.AlphaFormat & AC_SRC_ALPHA) {
    // Premultiplied source: d = s * sca / 255 + d * (1 - sa * sca / 255 / 255).
    uint32_t sa = ((s >> 24) * sca + 127) / 255;
    for (int shift = 0; shift < 32; shift += 8) {
      uint32_t sc = ((s >> shift) & 0xFF) * sca;
      uint32_t dc = ((d >> shift) & 0xFF) * (255 - sa);
      uint32_t v = (sc + dc + 127) / 255;
      out |= std::min<uint32_t>(v, 255) << shift;
    }
    return out;
  }
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t v = (((s >> shift) & 0xFF) * sca + ((d >> shift) & 0xFF) * (255 - sca) + 127) / 255;
    out |= v << shift;
  }
  return out;
}

// Rows of 32-bit pixels to read from: a surface, or the bits of a 32-bit DIB in place.
struct PixelSource {
  const uint32_t* base = nullptr;
  int width = 0, height = 0;
  bool bottomUp = false;
  const uint32_t* row(int y) const {
    return base + static_cast<size_t>(bottomUp ? height - 1 - y : y) * static_cast<size_t>(width);
  }
  static PixelSource Of(const Surface& s) { return PixelSource{s.pixels(), s.width(), s.height(), s.bottomUp()}; }
};

// Source pixel of a stretch at destination (i, j) of the destination rectangle.
uint32_t Sample(const PixelSource& src, int sx0, int sy0, const AxisMap& mx, const AxisMap& my, int i, int j) {
  if (mx.single && my.single) return src.row(sy0 + my.src[j])[sx0 + mx.src[i]];
  uint64_t acc[4] = {0, 0, 0, 0};
  for (int a = 0; a < my.count[j]; ++a) {
    int ty = my.first[j] + a;
    const uint32_t* row = src.row(sy0 + my.src[ty]);
    uint64_t wy = my.weight[ty];
    for (int b = 0; b < mx.count[i]; ++b) {
      int tx = mx.first[i] + b;
      uint64_t w = wy * mx.weight[tx];
      uint32_t p = row[sx0 + mx.src[tx]];
      acc[0] += w * (p & 0xFF);
      acc[1] += w * ((p >> 8) & 0xFF);
      acc[2] += w * ((p >> 16) & 0xFF);
      acc[3] += w * (p >> 24);
    }
  }
  const uint64_t half = uint64_t(1) << 31;
  return static_cast<uint32_t>(((acc[0] + half) >> 32) | (((acc[1] + half) >> 32) << 8) |
                               (((acc[2] + half) >> 32) << 16) | (((acc[3] + half) >> 32) << 24));
}

// The horizontal pass of an enlargement, four destination pixels at a time: each pixel is
// the blend (a * (256 - w) + c * w + 128) >> 8, per byte, of its two source pixels. Where the
// taps of four pixels lie within eight source pixels that can be read whole, two loads and
// byte shuffles fetch them; elsewhere, and for the last pixels, one pixel at a time. Both ways
// give the same bytes.
struct TapGroups {
  std::vector<int> lo;  // per group of four: first of the eight source pixels, -1: one at a time
  std::vector<std::array<uint8_t, 64>> masks;  // tap 0 from the first four, from the next four; tap 1 alike
};

TapGroups MakeTapGroups(const int* s0, const int* s1, int n, int readable) {
  TapGroups g;
  const int groups = n / 4;
  g.lo.assign(groups, -1);
  g.masks.resize(groups);
  for (int q = 0; q < groups; ++q) {
    int lo = s0[q * 4], hi = lo;
    for (int k = q * 4; k < q * 4 + 4; ++k) {
      lo = std::min({lo, s0[k], s1[k]});
      hi = std::max({hi, s0[k], s1[k]});
    }
    if (lo < 0 || hi - lo > 7 || lo + 8 > readable) continue;
    g.lo[q] = lo;
    auto& m = g.masks[q];
    for (int k = 0; k < 4; ++k) {
      const int taps[2] = {s0[q * 4 + k] - lo, s1[q * 4 + k] - lo};
      for (int tap = 0; tap < 2; ++tap)
        for (int byte = 0; byte < 4; ++byte) {
          const int t = taps[tap];
          m[tap * 32 + k * 4 + byte] = t < 4 ? static_cast<uint8_t>(t * 4 + byte) : 0x80;
          m[tap * 32 + 16 + k * 4 + byte] = t >= 4 ? static_cast<uint8_t>((t - 4) * 4 + byte) : 0x80;
        }
    }
  }
  return g;
}

inline void BlendPixelTaps(const uint32_t* srow, int t0, int t1, const uint8_t* w, uint32_t* out) {
  const uint8_t* a = reinterpret_cast<const uint8_t*>(srow + t0);
  const uint8_t* c = reinterpret_cast<const uint8_t*>(srow + t1);
  uint8_t* o = reinterpret_cast<uint8_t*>(out);
  for (int e = 0; e < 4; ++e)
    o[e] = static_cast<uint8_t>(
        static_cast<uint16_t>(static_cast<uint16_t>(a[e] * (256 - w[e])) + static_cast<uint16_t>(c[e] * w[e]) + 128) >> 8);
}

__attribute__((target("ssse3"))) void HorizontalTapsSsse3(const uint32_t* srow, const int* s0, const int* s1,
                                                           const uint8_t* wx, int n, const TapGroups& g,
                                                           uint32_t* out) {
  const __m128i zero = _mm_setzero_si128(), k256 = _mm_set1_epi16(256), k128 = _mm_set1_epi16(128);
  const int groups = n / 4;
  for (int q = 0; q < groups; ++q) {
    const int lo = g.lo[q];
    if (lo < 0) {
      for (int k = q * 4; k < q * 4 + 4; ++k) BlendPixelTaps(srow, s0[k], s1[k], wx + k * 4, out + k);
      continue;
    }
    const uint8_t* m = g.masks[q].data();
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(srow + lo));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(srow + lo + 4));
    auto mask = [m](int i) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + i * 16)); };
    const __m128i p0 = _mm_or_si128(_mm_shuffle_epi8(a, mask(0)), _mm_shuffle_epi8(b, mask(1)));
    const __m128i p1 = _mm_or_si128(_mm_shuffle_epi8(a, mask(2)), _mm_shuffle_epi8(b, mask(3)));
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(wx + q * 16));
    const __m128i wl = _mm_unpacklo_epi8(w, zero), wh = _mm_unpackhi_epi8(w, zero);
    const __m128i l = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(p0, zero), _mm_sub_epi16(k256, wl)),
                                    _mm_mullo_epi16(_mm_unpacklo_epi8(p1, zero), wl));
    const __m128i h = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(p0, zero), _mm_sub_epi16(k256, wh)),
                                    _mm_mullo_epi16(_mm_unpackhi_epi8(p1, zero), wh));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + q * 4),
                     _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(l, k128), 8), _mm_srli_epi16(_mm_add_epi16(h, k128), 8)));
  }
  for (int k = groups * 4; k < n; ++k) BlendPixelTaps(srow, s0[k], s1[k], wx + k * 4, out + k);
}

void HorizontalTaps(const uint32_t* srow, const int* s0, const int* s1, const uint8_t* wx, int n,
                    const TapGroups& g, uint32_t* out) {
  static const bool ssse3 = __builtin_cpu_supports("ssse3");
  if (ssse3) {
    HorizontalTapsSsse3(srow, s0, s1, wx, n, g, out);
    return;
  }
  for (int k = 0; k < n; ++k) BlendPixelTaps(srow, s0[k], s1[k], wx + k * 4, out + k);
}


// Nearest-pixel rows: the pixels of four destination pixels fetched together where their source
// pixels lie within eight that can be read whole.
__attribute__((target("ssse3"))) void GatherTapsSsse3(const uint32_t* srow, const int* map, int n, const TapGroups& g,
                                                       uint32_t* out) {
  const int groups = n / 4;
  for (int q = 0; q < groups; ++q) {
    const int lo = g.lo[q];
    if (lo < 0) {
      for (int k = q * 4; k < q * 4 + 4; ++k) out[k] = srow[map[k]];
      continue;
    }
    const uint8_t* m = g.masks[q].data();
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(srow + lo));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(srow + lo + 4));
    const __m128i p = _mm_or_si128(_mm_shuffle_epi8(a, _mm_loadu_si128(reinterpret_cast<const __m128i*>(m))),
                                   _mm_shuffle_epi8(b, _mm_loadu_si128(reinterpret_cast<const __m128i*>(m + 16))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + q * 4), p);
  }
  for (int k = groups * 4; k < n; ++k) out[k] = srow[map[k]];
}

void GatherTaps(const uint32_t* srow, const int* map, int n, const TapGroups* g, uint32_t* out) {
  static const bool ssse3 = __builtin_cpu_supports("ssse3");
  if (g != nullptr && ssse3) {
    GatherTapsSsse3(srow, map, n, *g, out);
    return;
  }
  for (int k = 0; k < n; ++k) out[k] = srow[map[k]];
}

// Whether destination rows j and k take the same source rows with the same weights.
bool SameRowTaps(const AxisMap& my, int j, int k) {
  if (my.count[j] != my.count[k]) return false;
  for (int t = 0; t < my.count[j]; ++t)
    if (my.src[my.first[j] + t] != my.src[my.first[k] + t] || my.weight[my.first[j] + t] != my.weight[my.first[k] + t])
      return false;
  return true;
}

// The source samples of destination row j, indices i0 .. i0 + n - 1, into out. The source
// rectangle must be readable whole. `vbuf` is scratch for the vertical pass.
// `nearest`: the fetch groups of a nearest-pixel row (mx.single), when made.
void SampleRow(const PixelSource& src, int sx, int sy, const AxisMap& mx, const AxisMap& my, int j, int i0,
               int n, uint32_t* out, std::vector<uint32_t>& vbuf, const TapGroups* nearest = nullptr) {
  const bool singleRow = my.count[j] == 1;
  if (singleRow) {
    const uint32_t* srow = src.row(sy + my.src[my.first[j]]) + sx;
    if (mx.single) {
      GatherTaps(srow, mx.src.data() + i0, n, nearest, out);
      return;
    }
    for (int k = 0; k < n; ++k) {
      const int i = i0 + k;
      uint32_t c0 = 0, c1 = 0, c2 = 0, c3 = 0;
      for (int t = mx.first[i], e = t + mx.count[i]; t < e; ++t) {
        uint32_t p = srow[mx.src[t]], w = mx.weight[t];
        c0 += w * (p & 0xFF);
        c1 += w * ((p >> 8) & 0xFF);
        c2 += w * ((p >> 16) & 0xFF);
        c3 += w * (p >> 24);
      }
      out[k] = ((c0 + 32768) >> 16) | (((c1 + 32768) >> 16) << 8) | (((c2 + 32768) >> 16) << 16) |
               (((c3 + 32768) >> 16) << 24);
    }
    return;
  }
  // Vertical pass over the source columns the row needs, kept with 8 bits of fraction.
  int lo = INT32_MAX, hi = INT32_MIN;
  for (int k = 0; k < n; ++k)
    for (int t = mx.first[i0 + k], e = t + mx.count[i0 + k]; t < e; ++t) {
      lo = std::min(lo, mx.src[t]);
      hi = std::max(hi, mx.src[t]);
    }
  const int cols = hi - lo + 1;
  vbuf.assign(static_cast<size_t>(cols) * 4, 0);
  for (int t = my.first[j], e = t + my.count[j]; t < e; ++t) {
    const uint32_t* srow = src.row(sy + my.src[t]) + sx + lo;
    const uint32_t w = my.weight[t];
    uint32_t* v = vbuf.data();
    for (int c = 0; c < cols; ++c, v += 4) {
      uint32_t p = srow[c];
      v[0] += w * (p & 0xFF);
      v[1] += w * ((p >> 8) & 0xFF);
      v[2] += w * ((p >> 16) & 0xFF);
      v[3] += w * (p >> 24);
    }
  }
  for (auto& v : vbuf) v = (v + 128) >> 8;
  for (int k = 0; k < n; ++k) {
    const int i = i0 + k;
    uint32_t c0 = 0, c1 = 0, c2 = 0, c3 = 0;
    for (int t = mx.first[i], e = t + mx.count[i]; t < e; ++t) {
      const uint32_t* v = vbuf.data() + static_cast<size_t>(mx.src[t] - lo) * 4;
      uint32_t w = mx.weight[t];
      c0 += w * v[0];
      c1 += w * v[1];
      c2 += w * v[2];
      c3 += w * v[3];
    }
    const uint32_t half = 1u << 23;
    out[k] = ((c0 + half) >> 24) | (((c1 + half) >> 24) << 8) | (((c2 + half) >> 24) << 16) |
             (((c3 + half) >> 24) << 24);
  }
}

// Enlarging under HALFTONE: every destination pixel covers at most two source pixels on
// each axis, so it is a blend of up to four, done separably with 8-bit weights on two
// channels at a time. `taps` gives per destination index the two source indices and the
// weight (0..256) of the second.
struct Taps2 {
  std::vector<int> s0, s1;
  std::vector<uint32_t> w;
};

Taps2 MakeTaps2(const AxisMap& m, int d) {
  Taps2 t;
  t.s0.resize(d);
  t.s1.resize(d);
  t.w.resize(d);
  for (int i = 0; i < d; ++i) {
    int f = m.first[i];
    t.s0[i] = m.src[f];
    if (m.count[i] > 1) {
      t.s1[i] = m.src[f + 1];
      t.w[i] = (m.weight[f + 1] + 128) >> 8;
    } else {
      t.s1[i] = t.s0[i];
      t.w[i] = 0;
    }
  }
  return t;
}

inline uint32_t Mix(uint32_t p0, uint32_t p1, uint32_t w) {
  const uint32_t iw = 256 - w;
  uint32_t rb = (((p0 & 0x00FF00FFu) * iw + (p1 & 0x00FF00FFu) * w + 0x00800080u) >> 8) & 0x00FF00FFu;
  uint32_t ag = ((((p0 >> 8) & 0x00FF00FFu) * iw + ((p1 >> 8) & 0x00FF00FFu) * w + 0x00800080u) >> 8) & 0x00FF00FFu;
  return rb | (ag << 8);
}

// One row blended from two, byte by byte with 16-bit arithmetic (vector code; a second version
// for processors with 256-bit integer vectors is chosen at load time).
__attribute__((target_clones("avx2", "default"))) void BlendRowBytes(const uint8_t* a, const uint8_t* b, uint8_t* o,
                                                                      size_t bytes, uint16_t w) {
  const uint16_t iw = static_cast<uint16_t>(256 - w);
  for (size_t e = 0; e < bytes; ++e)
    o[e] = static_cast<uint8_t>(static_cast<uint16_t>(static_cast<uint16_t>(a[e] * iw) + static_cast<uint16_t>(b[e] * w) + 128) >> 8);
}

void EnlargeHalftone(Surface& target, const RECT& q, int dx, int dy, const PixelSource& src, int sx, int sy,
                     const AxisMap& mx, const AxisMap& my) {
  const int n = q.right - q.left, i0 = q.left - dx;
  Taps2 tx = MakeTaps2(mx, static_cast<int>(mx.first.size()));
  Taps2 ty = MakeTaps2(my, static_cast<int>(my.first.size()));
  // The weights of the second horizontal tap, one per byte of the row.
  std::vector<uint8_t> wx(static_cast<size_t>(n) * 4);
  for (int k = 0; k < n; ++k)
    std::memset(&wx[static_cast<size_t>(k) * 4], static_cast<int>(std::min<uint32_t>(tx.w[i0 + k], 255)), 4);
  const TapGroups groups = MakeTapGroups(tx.s0.data() + i0, tx.s1.data() + i0, n, src.width - sx);
  // Two horizontally resampled source rows, by source row index.
  std::vector<uint32_t> rows[2] = {std::vector<uint32_t>(n), std::vector<uint32_t>(n)};
  int rowIndex[2] = {INT32_MIN, INT32_MIN};
  // Row r, computed into the buffer that does not hold row `keep` when it is not there yet.
  auto horizontal = [&](int r, int keep) -> const uint32_t* {
    for (int b = 0; b < 2; ++b)
      if (rowIndex[b] == r) return rows[b].data();
    int b = rowIndex[0] == keep ? 1 : 0;
    HorizontalTaps(src.row(sy + r) + sx, tx.s0.data() + i0, tx.s1.data() + i0, wx.data(), n, groups,
                   rows[b].data());
    rowIndex[b] = r;
    return rows[b].data();
  };
  for (int y = q.top; y < q.bottom; ++y) {
    const int j = y - dy;
    uint32_t* row = target.row(y) + q.left;
    if (y > q.top && ty.s0[j] == ty.s0[j - 1] && ty.s1[j] == ty.s1[j - 1] && ty.w[j] == ty.w[j - 1]) {
      std::memcpy(row, target.row(y - 1) + q.left, static_cast<size_t>(n) * 4);
      continue;
    }
    const uint32_t* h0 = horizontal(ty.s0[j], ty.s1[j]);
    if (ty.w[j] == 0) {
      std::memcpy(row, h0, static_cast<size_t>(n) * 4);
      continue;
    }
    const uint32_t* h1 = horizontal(ty.s1[j], ty.s0[j]);
    BlendRowBytes(reinterpret_cast<const uint8_t*>(h0), reinterpret_cast<const uint8_t*>(h1),
                  reinterpret_cast<uint8_t*>(row), static_cast<size_t>(n) * 4, static_cast<uint16_t>(ty.w[j]));
  }
}

// The core of every blit: the source rectangle (pixels of `srcIn`, extents may be negative
// to mirror) onto the destination rectangle (surface pixels of the destination DC). Pixels
// whose source lies outside `srcBounds` are left alone.
bool Transfer(DCObj& dst, int dx, int dy, int dw, int dh, PixelSource srcIn, RECT srcBounds, int sx, int sy,
              int sw, int sh, const BlitOp& op, bool area) {
  Surface* target = dst.surface();
  if (!target) return true;
  if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return true;
  bool mirrorX = (dw < 0) != (sw < 0), mirrorY = (dh < 0) != (sh < 0);
  // A negative extent runs from its start pixel backwards, that pixel included.
  if (dw < 0) { dx += dw + 1; dw = -dw; }
  if (dh < 0) { dy += dh + 1; dh = -dh; }
  if (sw < 0) { sx += sw + 1; sw = -sw; }
  if (sh < 0) { sy += sh + 1; sh = -sh; }
  RECT dest{dx, dy, dx + dw, dy + dh};
  // Reading from the surface being written: work on a copy of the source rectangle.
  Surface copy;
  PixelSource src = srcIn;
  if (srcIn.base == target->pixels()) {
    RECT s = Intersect(RECT{sx, sy, sx + sw, sy + sh}, srcBounds);
    copy.Resize(sw, sh, 0);
    for (int y = s.top; y < s.bottom; ++y)
      std::memcpy(copy.row(y - sy) + (s.left - sx), srcIn.row(y) + s.left, (s.right - s.left) * 4);
    srcBounds = RECT{s.left - sx, s.top - sy, s.right - sx, s.bottom - sy};
    sx = sy = 0;
    src = PixelSource::Of(copy);
  }
  const bool same = dw == sw && dh == sh && !mirrorX && !mirrorY;
  AxisMap mx, my;
  if (!same) {
    mx = MakeAxis(dw, sw, mirrorX, area);
    my = MakeAxis(dh, sh, mirrorY, area);
  }
  // Source rectangle in source coordinates relative to (sx, sy) that is readable.
  RECT readable = Intersect(RECT{sx, sy, sx + sw, sy + sh}, srcBounds);
  readable = RECT{readable.left - sx, readable.top - sy, readable.right - sx, readable.bottom - sy};
  const bool fullSource = readable.left == 0 && readable.top == 0 && readable.right == sw && readable.bottom == sh;
  auto readableAt = [&](int i, int j) {
    if (same) return i >= readable.left && i < readable.right && j >= readable.top && j < readable.bottom;
    // Every tap must be readable.
    for (int a = 0; a < my.count[j]; ++a) {
      int v = my.src[my.first[j] + a];
      if (v < readable.top || v >= readable.bottom) return false;
    }
    for (int b = 0; b < mx.count[i]; ++b) {
      int u = mx.src[mx.first[i] + b];
      if (u < readable.left || u >= readable.right) return false;
    }
    return true;
  };
  const BrushObj* brush = dst.st.brush;
  const bool usesPattern = op.mode == Mode::Rop && RopUsesPattern(op.rop);
  const bool copyOnly = op.mode == Mode::Rop && op.rop == SRCCOPY;
  auto combine = [&](uint32_t* row, int x, int y, uint32_t s) {
    switch (op.mode) {
      case Mode::Rop: {
        uint32_t p = usesPattern ? BrushPixel(brush, dst, x, y) : 0;
        row[x] = Rop3(op.rop, p, s, row[x]);
        break;
      }
      case Mode::Transparent:
        if ((s & 0x00FFFFFFu) != op.transparent) row[x] = s | 0xFF000000u;
        break;
      case Mode::Alpha:
        row[x] = BlendPixel(s, row[x], op.blend);
        break;
    }
  };
  const bool enlarge = area && !same && dw >= sw && dh >= sh && !(mx.single && my.single);
  std::vector<uint32_t> line, vbuf;
  for (const RECT& c : dst.visible().rects()) {
    if (c.top >= dest.bottom) break;
    RECT q = Intersect(dest, c);
    if (IsEmpty(q)) continue;
    const int n = q.right - q.left, i0 = q.left - dx;
    line.resize(n);
    // Nearest-pixel copies fetch their source pixels in groups.
    TapGroups nearest;
    const bool grouped = copyOnly && !same && fullSource && mx.single;
    if (grouped) nearest = MakeTapGroups(mx.src.data() + i0, mx.src.data() + i0, n, src.width - sx);
    for (int y = q.top; y < q.bottom; ++y) {
      const int j = y - dy;
      uint32_t* row = target->row(y);
      if (!fullSource) {
        for (int x = q.left; x < q.right; ++x) {
          int i = x - dx;
          if (!readableAt(i, j)) continue;
          combine(row, x, y, same ? src.row(sy + j)[sx + i] : Sample(src, sx, sy, mx, my, i, j));
        }
        continue;
      }
      if (same) {
        const uint32_t* s = src.row(sy + j) + sx + i0;
        if (copyOnly) {
          std::memcpy(row + q.left, s, static_cast<size_t>(n) * 4);
        } else {
          for (int k = 0; k < n; ++k) combine(row, q.left + k, y, s[k]);
        }
        continue;
      }
      if (copyOnly && enlarge) {
        EnlargeHalftone(*target, q, dx, dy, src, sx, sy, mx, my);
        break;
      }
      if (copyOnly) {
        // A row made of the same source rows as the one above is a copy of it.
        if (y > q.top && SameRowTaps(my, j, j - 1)) {
          std::memcpy(row + q.left, target->row(y - 1) + q.left, static_cast<size_t>(n) * 4);
        } else {
          SampleRow(src, sx, sy, mx, my, j, i0, n, row + q.left, vbuf, grouped ? &nearest : nullptr);
        }
        continue;
      }
      SampleRow(src, sx, sy, mx, my, j, i0, n, line.data(), vbuf);
      for (int k = 0; k < n; ++k) combine(row, q.left + k, y, line[k]);
    }
  }
  return true;
}

// The readable area of a source DC in its surface's pixels.
RECT SourceBounds(const DCObj& src) {
  const Surface* s = src.surface();
  RECT r{0, 0, s ? s->width() : 0, s ? s->height() : 0};
  if (src.kind == DCObj::Kind::Window && src.baseClip) r = Intersect(r, *src.baseClip);
  return r;
}

BOOL BlitDC(HDC dest, int x, int y, int w, int h, HDC srcDC, int sx, int sy, int sw, int sh,
            const BlitOp& op, bool stretch) {
  DCObj* d = LookupDC(dest);
  if (!d) return FALSE;
  if (op.mode == Mode::Rop && !RopUsesSource(op.rop)) return PatBlt(dest, x, y, w, h, op.rop);
  DCObj* s = LookupDC(srcDC);
  if (!s) return FALSE;
  Surface* ss = s->surface();
  if (!ss) return FALSE;
  bool area = stretch && d->st.stretchMode == HALFTONE;
  return Transfer(*d, d->sx(x), d->sy(y), w, h, PixelSource::Of(*ss), SourceBounds(*s), s->sx(sx), s->sy(sy), sw, sh,
                  op, area)
             ? TRUE
             : FALSE;
}

}  // namespace

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  if (!LookupDC(hdc) || width < 0 || height < 0) return nullptr;
  // A zero size gives a 1 x 1 monochrome bitmap, as on Windows.
  if (width == 0 || height == 0) return NewBitmap(1, 1, 1, 0xFF000000u);
  if (static_cast<int64_t>(width) * height > (int64_t(1) << 28)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return NewBitmap(width, height, 32, 0xFF000000u);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width <= 0 || height <= 0 || planes != 1) return nullptr;
  if (bitsPerPixel != 1 && bitsPerPixel != 24 && bitsPerPixel != 32) return nullptr;
  HBITMAP h = NewBitmap(width, height, static_cast<int>(bitsPerPixel), 0xFF000000u);
  if (h && bits) {
    Surface& s = Lookup<BitmapObj>(h, OBJ_BITMAP)->surface;
    const BYTE* p = static_cast<const BYTE*>(bits);
    size_t rowBytes = ((static_cast<size_t>(width) * bitsPerPixel + 15) / 16) * 2;
    for (int y = 0; y < height; ++y) {
      const BYTE* r = p + y * rowBytes;
      uint32_t* out = s.row(y);
      for (int x = 0; x < width; ++x) {
        if (bitsPerPixel == 1)
          out[x] = (r[x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFFFFu : 0xFF000000u;
        else if (bitsPerPixel == 24)
          out[x] = 0xFF000000u | (r[x * 3 + 2] << 16) | (r[x * 3 + 1] << 8) | r[x * 3];
        else
          std::memcpy(&out[x], r + x * 4, 4);
      }
    }
  }
  return h;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, HANDLE, DWORD) {
  if (bits) *bits = nullptr;
  if (!info) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  // Only 32-bit sections: their memory is the surface itself, in the DIB's row order.
  if (h.biBitCount != 32 || h.biWidth <= 0 || h.biHeight == 0 ||
      (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::unique_ptr<BitmapObj> b;
  try {
    b = std::make_unique<BitmapObj>();
    b->surface.SetBottomUp(h.biHeight > 0);
    b->surface.Resize(h.biWidth, std::abs(h.biHeight), 0);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  b->dibSection = true;
  if (bits) *bits = b->surface.pixels();
  return reinterpret_cast<HBITMAP>(Register(b.release()));
}

HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
  if (!header || header->biWidth <= 0 || header->biHeight == 0) return nullptr;
  HBITMAP h = NewBitmap(header->biWidth, std::abs(header->biHeight), 32, 0xFF000000u);
  if (h && (init & CBM_INIT) && bits && info) SetDIBits(hdc, h, 0, std::abs(info->bmiHeader.biHeight), bits, info, usage);
  return h;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
  BlitOp op;
  op.rop = rop & ~(NOMIRRORBITMAP | CAPTUREBLT);
  return BlitDC(dest, x, y, width, height, src, srcX, srcY, width, height, op, false);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop) {
  BlitOp op;
  op.rop = rop & ~(NOMIRRORBITMAP | CAPTUREBLT);
  return BlitDC(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, op, true);
}

BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                    int srcWidth, int srcHeight, UINT transparent) {
  if (width < 0 || height < 0 || srcWidth < 0 || srcHeight < 0) return FALSE;
  BlitOp op;
  op.mode = Mode::Transparent;
  op.transparent = nux::gdi::ArgbFromColorref(transparent) & 0x00FFFFFFu;
  return BlitDC(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, op, false);
}

BOOL AlphaBlend(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, BLENDFUNCTION blend) {
  if (width < 0 || height < 0 || srcWidth < 0 || srcHeight < 0 || blend.BlendOp != AC_SRC_OVER)
    return FALSE;
  DCObj* s = LookupDC(src);
  if (!s || !s->surface()) return FALSE;
  // The source rectangle must lie inside the source.
  RECT b = SourceBounds(*s);
  int sx = s->sx(srcX), sy = s->sy(srcY);
  if (sx < b.left || sy < b.top || sx + srcWidth > b.right || sy + srcHeight > b.bottom) return FALSE;
  BlitOp op;
  op.mode = Mode::Alpha;
  op.blend = blend;
  return BlitDC(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, op, false);
}

int StretchDIBits(HDC hdc, int x, int y, int width, int height, int srcX, int srcY, int srcWidth,
                  int srcHeight, const void* bits, const BITMAPINFO* info, UINT, DWORD rop) {
  DCObj* d = LookupDC(hdc);
  if (!d || !info || !bits) return 0;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const int imageH = std::abs(h.biHeight);
  if (!RopUsesSource(rop)) {
    PatBlt(hdc, x, y, width, height, rop);
    return imageH;
  }
  // The top-down rows of the source rectangle; a bottom-up DIB's source y counts from its
  // bottom row.
  const int rows = std::abs(srcHeight);
  int top;
  if (h.biHeight > 0)
    top = srcHeight >= 0 ? imageH - srcY - srcHeight : imageH - srcY;
  else
    top = srcHeight >= 0 ? srcY : srcY + srcHeight;
  const int first = std::clamp(top, 0, imageH), last = std::clamp(top + rows, 0, imageH);
  BlitOp op;
  op.rop = rop;
  const bool area = d->st.stretchMode == HALFTONE;
  const RECT bounds{0, first, h.biWidth, last};
  const int sy = srcHeight >= 0 ? top : top + rows - 1;
  // Plain 32-bit rows are read where they are; other formats are decoded first.
  if (h.biBitCount == 32 && h.biCompression == BI_RGB && h.biWidth > 0 &&
      reinterpret_cast<uintptr_t>(bits) % alignof(uint32_t) == 0) {
    PixelSource direct{static_cast<const uint32_t*>(bits), h.biWidth, imageH, h.biHeight > 0};
    Transfer(*d, d->sx(x), d->sy(y), width, height, direct, bounds, srcX, sy, srcWidth, srcHeight, op, area);
    return imageH;
  }
  Surface src;
  if (!nux::gdi::DibToSurface(info, bits, 0, src, first, last - first)) return 0;
  Transfer(*d, d->sx(x), d->sy(y), width, height, PixelSource::Of(src), bounds, srcX, sy, srcWidth, srcHeight, op,
           area);
  return imageH;
}

int SetDIBitsToDevice(HDC hdc, int x, int y, DWORD width, DWORD height, int srcX, int srcY,
                      UINT startScan, UINT scanLines, const void* bits, const BITMAPINFO* info,
                      UINT usage) {
  if (!info) return 0;
  // Only whole images are transferred (the bands of a banded transfer are not needed).
  if (startScan != 0 || scanLines < static_cast<UINT>(std::abs(info->bmiHeader.biHeight))) {
    return 0;
  }
  int r = StretchDIBits(hdc, x, y, static_cast<int>(width), static_cast<int>(height), srcX, srcY,
                        static_cast<int>(width), static_cast<int>(height), bits, info, usage, SRCCOPY);
  return r ? static_cast<int>(scanLines) : 0;
}

int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info, UINT) {
  if (!LookupDC(hdc) || !info) return 0;
  auto* b = Lookup<BitmapObj>(bitmap, OBJ_BITMAP);
  if (!b) return 0;
  const Surface& s = b->surface;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < 40) return 0;
  if (!bits && h.biBitCount == 0) {
    // Describe the bitmap in its own format.
    h.biWidth = s.width();
    h.biHeight = s.height();
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(b->bitsPixel);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(nux::gdi::DibRowBytes(s.width(), b->bitsPixel) * s.height());
    return s.height();
  }
  const int bpp = h.biBitCount;
  if (bpp != 1 && bpp != 16 && bpp != 24 && bpp != 32) return 0;
  if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32)))
    return 0;
  const bool topDown = h.biHeight < 0;
  h.biWidth = s.width();
  h.biHeight = topDown ? -s.height() : s.height();
  h.biPlanes = 1;
  const size_t rowBytes = nux::gdi::DibRowBytes(s.width(), bpp);
  h.biSizeImage = static_cast<DWORD>(rowBytes * s.height());
  BYTE* table = reinterpret_cast<BYTE*>(info) + h.biSize;
  bool rgb565 = false;
  if (bpp == 1) {
    const BYTE bw[8] = {0, 0, 0, 0, 255, 255, 255, 0};
    std::memcpy(table, bw, 8);
  } else if (h.biCompression == BI_BITFIELDS) {
    DWORD masks[3];
    if (bpp == 32) {
      masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    } else {
      masks[0] = 0xF800, masks[1] = 0x07E0, masks[2] = 0x001F;
      rgb565 = true;
    }
    std::memcpy(table, masks, sizeof(masks));
  }
  if (!bits) return s.height();
  // As on Windows, the bits of a bitmap that is selected into a DC are not read.
  if (b->selected > 0) return 0;
  const int height = s.height();
  UINT end = std::min<UINT>(start + lines, static_cast<UINT>(height));
  if (start >= end) return 0;
  BYTE* out = static_cast<BYTE*>(bits);
  for (UINT scan = start; scan < end; ++scan) {
    // Scan lines count from the bottom of a bottom-up DIB.
    int y = topDown ? static_cast<int>(scan) : height - 1 - static_cast<int>(scan);
    const uint32_t* src = s.row(y);
    BYTE* dst = out + (scan - start) * rowBytes;
    std::memset(dst, 0, rowBytes);
    for (int x = 0; x < s.width(); ++x) {
      uint32_t p = src[x];
      BYTE r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, bl = p & 0xFF;
      switch (bpp) {
        case 1:
          if (r + g + bl >= 384) dst[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
          break;
        case 16: {
          uint16_t v = rgb565 ? static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (bl >> 3))
                              : static_cast<uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (bl >> 3));
          std::memcpy(dst + x * 2, &v, 2);
          break;
        }
        case 24:
          dst[x * 3] = bl;
          dst[x * 3 + 1] = g;
          dst[x * 3 + 2] = r;
          break;
        case 32:
          std::memcpy(dst + x * 4, &p, 4);
          break;
      }
    }
  }
  return static_cast<int>(end - start);
}

int SetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT) {
  auto* b = Lookup<BitmapObj>(bitmap, OBJ_BITMAP);
  if (!b || !info || !bits) return 0;
  Surface decoded;
  if (!nux::gdi::DibToSurface(info, bits, 0, decoded)) return 0;
  Surface& s = b->surface;
  const int height = decoded.height();
  const bool topDown = info->bmiHeader.biHeight < 0;
  int copied = 0;
  for (UINT scan = start; scan < start + lines && scan < static_cast<UINT>(height); ++scan) {
    int y = topDown ? static_cast<int>(scan) : height - 1 - static_cast<int>(scan);
    if (y >= s.height()) continue;
    int w = std::min(s.width(), decoded.width());
    std::memcpy(s.row(y), decoded.row(y), static_cast<size_t>(w) * 4);
    ++copied;
  }
  return copied;
}
