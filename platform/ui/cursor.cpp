#include "ui/cursor.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <new>

#include "base/codepage.h"
#include "base/errors.h"
#include "fs/path.h"

namespace nux::ui {
namespace {

struct CursorObject {
  CursorInfo info;
};

std::mutex g_mutex;
std::map<HCURSOR, std::unique_ptr<CursorObject>> g_cursors;
std::map<WORD, HCURSOR> g_system;

uint16_t Le16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Le32(const unsigned char* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

// An icon directory of type 2 whose first image lies inside the data.
bool ParseCur(const unsigned char* data, size_t size, CursorInfo* info) {
  if (size < 6 + 16) return false;
  if (Le16(data) != 0 || Le16(data + 2) != 2) return false;
  uint16_t count = Le16(data + 4);
  if (count == 0 || 6 + uint64_t(count) * 16 > size) return false;
  const unsigned char* e = data + 6;
  uint64_t bytes = Le32(e + 8), offset = Le32(e + 12);
  if (bytes < 40 || offset + bytes > size) return false;
  // The image is a bitmap info header (40 bytes) or a PNG.
  const unsigned char* img = data + offset;
  bool png = bytes >= 8 && std::memcmp(img, "\x89PNG", 4) == 0;
  if (!png && Le32(img) != 40) return false;
  info->width = e[0] ? e[0] : 256;
  info->height = e[1] ? e[1] : 256;
  info->hotspotX = Le16(e + 4);
  info->hotspotY = Le16(e + 6);
  return true;
}

// A RIFF "ACON" file with an "anih" header and at least one icon frame in a "fram" list.
bool ParseAni(const unsigned char* data, size_t size, CursorInfo* info) {
  if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "ACON", 4) != 0) return false;
  uint64_t end = std::min<uint64_t>(size, 8 + uint64_t(Le32(data + 4)));
  bool haveHeader = false, haveFrame = false;
  uint64_t pos = 12;
  while (pos + 8 <= end) {
    const unsigned char* chunk = data + pos;
    uint64_t len = Le32(chunk + 4);
    if (pos + 8 + len > end) return false;
    if (std::memcmp(chunk, "anih", 4) == 0) {
      if (len < 36) return false;
      info->frames = int(Le32(chunk + 8 + 4));
      haveHeader = info->frames > 0;
    } else if (std::memcmp(chunk, "LIST", 4) == 0 && len >= 4 && std::memcmp(chunk + 8, "fram", 4) == 0) {
      uint64_t p = pos + 12, listEnd = pos + 8 + len;
      while (p + 8 <= listEnd) {
        uint64_t l = Le32(data + p + 4);
        if (p + 8 + l > listEnd) return false;
        if (std::memcmp(data + p, "icon", 4) == 0 && !haveFrame) {
          CursorInfo frame;
          if (!ParseCur(data + p + 8, size_t(l), &frame)) return false;
          info->width = frame.width;
          info->height = frame.height;
          info->hotspotX = frame.hotspotX;
          info->hotspotY = frame.hotspotY;
          haveFrame = true;
        }
        p += 8 + l + (l & 1);
      }
    }
    pos += 8 + len + (len & 1);
  }
  info->animated = true;
  return haveHeader && haveFrame;
}

HCURSOR Register(CursorInfo info) {
  auto obj = std::make_unique<CursorObject>();
  obj->info = std::move(info);
  HCURSOR h = reinterpret_cast<HCURSOR>(obj.get());
  g_cursors[h] = std::move(obj);
  return h;
}

bool IsKnownSystemId(WORD id) {
  return (id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32651);
}

}  // namespace

bool ParseCursorFile(const std::vector<unsigned char>& bytes, CursorInfo* info) {
  CursorInfo parsed;
  bool ok = bytes.size() >= 4 && std::memcmp(bytes.data(), "RIFF", 4) == 0 ? ParseAni(bytes.data(), bytes.size(), &parsed)
                                                                           : ParseCur(bytes.data(), bytes.size(), &parsed);
  if (ok && info) *info = parsed;
  return ok;
}

bool GetCursorDetails(HCURSOR cursor, CursorInfo* info) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_cursors.find(cursor);
  if (it == g_cursors.end()) return false;
  if (info) *info = it->second->info;
  return true;
}

std::u16string CursorSource(HCURSOR cursor) {
  CursorInfo info;
  return GetCursorDetails(cursor, &info) ? info.source : std::u16string();
}

bool IsSystemCursor(HCURSOR cursor, LPCWSTR id) {
  CursorInfo info;
  return IS_INTRESOURCE(id) && GetCursorDetails(cursor, &info) && info.systemId != 0 &&
         info.systemId == WORD(reinterpret_cast<ULONG_PTR>(id));
}

}  // namespace nux::ui

using namespace nux::ui;

namespace {

HCURSOR ReadCursorFile(LPCWSTR fileName) {
  if (!fileName || !*fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::u16string name(fileName);
  std::string linuxPath = nux::fs::ToLinuxPath(name);
  struct stat st;
  if (::stat(linuxPath.c_str(), &st) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  if (S_ISDIR(st.st_mode)) {  // a folder is never a cursor file
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  std::ifstream in(linuxPath, std::ios::binary);
  if (!in) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  CursorInfo info;
  if (!ParseCursorFile(bytes, &info)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  info.source = name;
  std::lock_guard<std::mutex> lock(g_mutex);
  return Register(std::move(info));
}

}  // namespace

// A cursor file that cannot be had for want of memory fails like any other.
HCURSOR LoadCursorFromFileW(LPCWSTR fileName) {
  try {
    return ReadCursorFile(fileName);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

HCURSOR LoadCursorFromFileA(LPCSTR fileName) {
  if (!fileName) return LoadCursorFromFileW(nullptr);
  std::u16string wide = nux::AnsiToWide(fileName);
  return LoadCursorFromFileW(wide.c_str());
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR cursorName) {
  if (instance != nullptr || !IS_INTRESOURCE(cursorName) ||
      !IsKnownSystemId(WORD(reinterpret_cast<ULONG_PTR>(cursorName)))) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  WORD id = WORD(reinterpret_cast<ULONG_PTR>(cursorName));
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_system.find(id);
  if (it != g_system.end()) return it->second;
  CursorInfo info;
  info.systemId = id;
  info.width = info.height = 32;
  HCURSOR h = Register(std::move(info));
  g_system[id] = h;
  return h;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR cursorName) {
  if (IS_INTRESOURCE(cursorName)) return LoadCursorW(instance, reinterpret_cast<LPCWSTR>(cursorName));
  SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
  return nullptr;
}

BOOL DestroyCursor(HCURSOR cursor) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_cursors.find(cursor);
  if (it == g_cursors.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (it->second->info.systemId != 0) return TRUE;  // shared standard cursors stay
  g_cursors.erase(it);
  return TRUE;
}
