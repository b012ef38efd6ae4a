// Icons from resources: the group directory, the chosen image decoded into pixels with their
// transparency, and drawing them into a device context.
#include "ui/icon.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "base/codepage.h"
#include "base/errors.h"
#include "gdi/gdi.h"
#include "res/modules.h"
#include "res/resources.h"
#include "ui/sysparams.h"

namespace {

struct IconObject {
  int width = 0;
  int height = 0;
  WORD systemId = 0;
  // Top-down rows; alpha 0 is transparent.
  std::vector<uint32_t> argb;
};

std::mutex g_mutex;
std::map<HICON, std::unique_ptr<IconObject>> g_icons;
std::map<WORD, HICON> g_system;

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

HICON Register(std::unique_ptr<IconObject> obj) {
  HICON h = reinterpret_cast<HICON>(obj.get());
  g_icons[h] = std::move(obj);
  return h;
}

// An icon image: a bitmap info header whose height counts the colour rows and the mask rows,
// the colour table, the colour rows and the 1-bit AND mask (rows bottom-up, 4-byte aligned).
bool DecodeImage(const uint8_t* data, size_t size, IconObject* icon) {
  if (size < 40 || Le32(data) < 40) return false;
  const uint32_t headerSize = Le32(data);
  const int width = int32_t(Le32(data + 4));
  const int height = int32_t(Le32(data + 8)) / 2;
  const int bits = Le16(data + 14);
  if (width <= 0 || height <= 0 || width > 256 || height > 256) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
  uint32_t colors = Le32(data + 32);
  if (colors == 0 && bits <= 8) colors = 1u << bits;
  const size_t table = headerSize;
  const size_t xorStride = ((size_t(width) * bits + 31) / 32) * 4;
  const size_t andStride = ((size_t(width) + 31) / 32) * 4;
  const size_t xorAt = table + size_t(colors) * 4;
  const size_t andAt = xorAt + xorStride * size_t(height);
  if (andAt > size) return false;
  const bool haveMask = andAt + andStride * size_t(height) <= size;
  icon->width = width;
  icon->height = height;
  icon->argb.assign(size_t(width) * size_t(height), 0);
  bool anyAlpha = false;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = data + xorAt + xorStride * size_t(height - 1 - y);
    const uint8_t* mask = haveMask ? data + andAt + andStride * size_t(height - 1 - y) : nullptr;
    for (int x = 0; x < width; ++x) {
      uint32_t argb = 0;
      if (bits == 32) {
        const uint8_t* p = row + size_t(x) * 4;
        argb = uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        if (p[3] != 0) anyAlpha = true;
      } else if (bits == 24) {
        const uint8_t* p = row + size_t(x) * 3;
        argb = 0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
      } else {
        const int perByte = 8 / bits;
        const uint8_t byte = row[x / perByte];
        const int shift = (perByte - 1 - x % perByte) * bits;
        const uint32_t index = (byte >> shift) & ((1u << bits) - 1);
        if (index < colors && table + index * 4 + 4 <= size) {
          const uint8_t* q = data + table + index * 4;
          argb = 0xFF000000u | uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0];
        }
      }
      if (mask && bits != 32 && (mask[x / 8] >> (7 - x % 8)) & 1) argb = 0;  // transparent
      icon->argb[size_t(y) * size_t(width) + size_t(x)] = argb;
    }
  }
  // A 32-bit image without any alpha uses its mask instead.
  if (bits == 32 && !anyAlpha) {
    for (int y = 0; y < height; ++y) {
      const uint8_t* mask = haveMask ? data + andAt + andStride * size_t(height - 1 - y) : nullptr;
      for (int x = 0; x < width; ++x) {
        uint32_t& p = icon->argb[size_t(y) * size_t(width) + size_t(x)];
        p = (mask && (mask[x / 8] >> (7 - x % 8)) & 1) ? 0 : (p | 0xFF000000u);
      }
    }
  }
  return true;
}

}  // namespace

HICON LoadIconW(HINSTANCE instance, LPCWSTR iconName) {
  if (instance == nullptr) {
    WORD id = IS_INTRESOURCE(iconName) ? WORD(reinterpret_cast<ULONG_PTR>(iconName)) : 0;
    if (id < 32512 || id > 32518) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return nullptr;
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_system.find(id);
    if (it != g_system.end()) return it->second;
    auto obj = std::make_unique<IconObject>();
    obj->width = obj->height = GetSystemMetrics(SM_CXICON);
    obj->systemId = id;
    HICON h = Register(std::move(obj));
    g_system[id] = h;
    return h;
  }
  auto group = nux::res::FindResourceData(instance, RT_GROUP_ICON, iconName);
  if (!group) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  const uint8_t* g = group->data();
  const size_t gsize = group->size();
  if (gsize < 6 || Le16(g + 2) != 1) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  const int count = Le16(g + 4);
  const int want = GetSystemMetrics(SM_CXICON);
  int best = -1, bestDistance = 0, bestBits = 0;
  for (int i = 0; i < count && 6 + size_t(i + 1) * 14 <= gsize; ++i) {
    const uint8_t* e = g + 6 + size_t(i) * 14;
    int w = e[0] ? e[0] : 256;
    int bits = Le16(e + 6);
    int distance = std::abs(w - want);
    if (best < 0 || distance < bestDistance || (distance == bestDistance && bits > bestBits)) {
      best = i;
      bestDistance = distance;
      bestBits = bits;
    }
  }
  if (best < 0) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  WORD imageId = Le16(g + 6 + size_t(best) * 14 + 12);
  auto image = nux::res::FindResourceData(instance, RT_ICON, MAKEINTRESOURCEW(imageId));
  auto obj = std::make_unique<IconObject>();
  if (!image || !DecodeImage(image->data(), image->size(), obj.get())) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  std::lock_guard<std::mutex> lock(g_mutex);
  return Register(std::move(obj));
}

HICON LoadIconA(HINSTANCE instance, LPCSTR iconName) {
  if (IS_INTRESOURCE(iconName)) return LoadIconW(instance, reinterpret_cast<LPCWSTR>(iconName));
  std::u16string wide = nux::AnsiToWide(iconName);
  return LoadIconW(instance, wide.c_str());
}

BOOL DrawIcon(HDC hdc, int x, int y, HICON icon) {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_icons.find(icon);
    if (it == g_icons.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    pixels = it->second->argb;
    width = it->second->width;
    height = it->second->height;
  }
  if (pixels.empty()) return TRUE;  // a standard icon has no picture here
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      uint32_t p = pixels[size_t(row) * size_t(width) + size_t(col)];
      uint32_t a = p >> 24;
      if (a == 0) continue;
      COLORREF c = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
      if (a < 255) {
        COLORREF under = GetPixel(hdc, x + col, y + row);
        if (under == CLR_INVALID) continue;
        auto mix = [a](uint32_t top, uint32_t bottom) { return (top * a + bottom * (255 - a) + 127) / 255; };
        c = RGB(mix(GetRValue(c), GetRValue(under)), mix(GetGValue(c), GetGValue(under)),
                mix(GetBValue(c), GetBValue(under)));
      }
      SetPixelV(hdc, x + col, y + row, c);
    }
  }
  return TRUE;
}

BOOL DestroyIcon(HICON icon) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_icons.find(icon);
  if (it == g_icons.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (it->second->systemId != 0) return TRUE;  // shared standard icons stay
  g_icons.erase(it);
  return TRUE;
}

namespace nux::ui {

bool GetIconSize(HICON icon, int* width, int* height) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_icons.find(icon);
  if (it == g_icons.end()) return false;
  if (width) *width = it->second->width;
  if (height) *height = it->second->height;
  return true;
}

}  // namespace nux::ui
