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
#include "gdi/image.h"

namespace nux::ui {
namespace {

struct CursorObject {
  CursorInfo info;
  std::vector<CursorFrame> frames;
  std::vector<CursorStep> steps;
};

std::mutex g_mutex;
std::map<HCURSOR, std::unique_ptr<CursorObject>> g_cursors;
std::map<WORD, HCURSOR> g_system;

// What a cursor file may hold: beyond these it is taken as damaged.
constexpr int kMaxFrames = 256;
constexpr uint32_t kMaxSteps = 1024;

uint16_t Le16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Le32(const unsigned char* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

// An icon directory of type 2 whose first image lies inside the data; its picture decoded
// into `frame` when asked for.
bool ParseCur(const unsigned char* data, size_t size, CursorInfo* info, CursorFrame* frame) {
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
  if (frame) {
    // A directory that counts the image short is read on to the end of the file.
    if (!nux::gdi::DecodeIconImage(img, size - size_t(offset), frame->image, true)) return false;
    if (frame->image.width() > 256 || frame->image.height() > 256) return false;
    frame->hotspotX = std::min(info->hotspotX, std::max(0, frame->image.width() - 1));
    frame->hotspotY = std::min(info->hotspotY, std::max(0, frame->image.height() - 1));
  }
  return true;
}

// A list of `count` little-endian numbers in a chunk of `len` bytes.
bool ReadNumbers(const unsigned char* p, uint64_t len, uint32_t count, std::vector<uint32_t>* out) {
  if (count == 0 || count > kMaxSteps || len < uint64_t(count) * 4) return false;
  out->resize(count);
  for (uint32_t i = 0; i < count; ++i) (*out)[i] = Le32(p + 4 * i);
  return true;
}

// A RIFF "ACON" file with an "anih" header and at least one icon frame in a "fram" list; the
// optional "rate" and "seq " chunks give each step its time and frame.
bool ParseAni(const unsigned char* data, size_t size, CursorInfo* info, std::vector<CursorFrame>* frames,
              std::vector<CursorStep>* steps) {
  if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "ACON", 4) != 0) return false;
  uint64_t end = std::min<uint64_t>(size, 8 + uint64_t(Le32(data + 4)));
  bool haveHeader = false;
  int icons = 0;
  uint32_t stepCount = 0, defaultRate = 0;
  std::vector<uint32_t> rates, sequence;
  const unsigned char* rateChunk = nullptr;
  const unsigned char* seqChunk = nullptr;
  uint64_t rateLen = 0, seqLen = 0;
  uint64_t pos = 12;
  while (pos + 8 <= end) {
    const unsigned char* chunk = data + pos;
    uint64_t len = Le32(chunk + 4);
    if (pos + 8 + len > end) return false;
    if (std::memcmp(chunk, "anih", 4) == 0) {
      if (len < 36) return false;
      info->frames = int(Le32(chunk + 8 + 4));
      stepCount = Le32(chunk + 8 + 8);
      defaultRate = Le32(chunk + 8 + 28);
      haveHeader = info->frames > 0 && info->frames <= kMaxFrames;
    } else if (std::memcmp(chunk, "rate", 4) == 0) {
      rateChunk = chunk + 8;
      rateLen = len;
    } else if (std::memcmp(chunk, "seq ", 4) == 0) {
      seqChunk = chunk + 8;
      seqLen = len;
    } else if (std::memcmp(chunk, "LIST", 4) == 0 && len >= 4 && std::memcmp(chunk + 8, "fram", 4) == 0) {
      uint64_t p = pos + 12, listEnd = pos + 8 + len;
      while (p + 8 <= listEnd) {
        uint64_t l = Le32(data + p + 4);
        if (p + 8 + l > listEnd) return false;
        if (std::memcmp(data + p, "icon", 4) == 0) {
          if (++icons > kMaxFrames) return false;
          CursorInfo one;
          CursorFrame picture;
          if (!ParseCur(data + p + 8, size_t(l), &one, frames ? &picture : nullptr)) return false;
          if (icons == 1) {
            info->width = one.width;
            info->height = one.height;
            info->hotspotX = one.hotspotX;
            info->hotspotY = one.hotspotY;
          }
          if (frames) frames->push_back(std::move(picture));
        }
        p += 8 + l + (l & 1);
      }
    }
    pos += 8 + len + (len & 1);
  }
  info->animated = true;
  if (!haveHeader || icons == 0) return false;
  // The header's frame count is what the file promises; the frames it holds are what shows.
  info->frames = std::min(info->frames, icons);
  if (stepCount == 0) stepCount = uint32_t(info->frames);
  if (seqChunk && !ReadNumbers(seqChunk, seqLen, stepCount, &sequence)) return false;
  if (rateChunk && !ReadNumbers(rateChunk, rateLen, stepCount, &rates)) return false;
  if (!seqChunk) stepCount = std::min<uint32_t>(stepCount, uint32_t(info->frames));
  if (stepCount > kMaxSteps) return false;
  info->steps = int(stepCount);
  if (steps) {
    steps->clear();
    for (uint32_t i = 0; i < stepCount; ++i) {
      uint32_t frame = sequence.empty() ? i : sequence[i];
      if (frame >= uint32_t(info->frames)) return false;
      uint32_t jiffies = rates.empty() || rates[i] == 0 ? defaultRate : rates[i];
      if (jiffies == 0) jiffies = 1;
      // Rates count sixtieths of a second; a step lasts an hour at most.
      steps->push_back(CursorStep{int(frame), DWORD(uint64_t(std::min<uint32_t>(jiffies, 60 * 60 * 60)) * 1000 / 60)});
    }
  }
  return true;
}

HCURSOR Register(CursorInfo info, std::vector<CursorFrame> frames = {}, std::vector<CursorStep> steps = {}) {
  static uint64_t serial = 0;
  auto obj = std::make_unique<CursorObject>();
  obj->info = std::move(info);
  obj->info.serial = ++serial;
  obj->frames = std::move(frames);
  obj->steps = std::move(steps);
  HCURSOR h = reinterpret_cast<HCURSOR>(obj.get());
  g_cursors[h] = std::move(obj);
  return h;
}

bool IsKnownSystemId(WORD id) {
  return (id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32651);
}

}  // namespace

bool ParseCursorFile(const std::vector<unsigned char>& bytes, CursorInfo* info, std::vector<CursorFrame>* frames,
                     std::vector<CursorStep>* steps) {
  CursorInfo parsed;
  std::vector<CursorFrame> pictures;
  std::vector<CursorStep> order;
  bool ok = false;
  if (bytes.size() >= 4 && std::memcmp(bytes.data(), "RIFF", 4) == 0) {
    ok = ParseAni(bytes.data(), bytes.size(), &parsed, &pictures, &order);
  } else {
    CursorFrame picture;
    ok = ParseCur(bytes.data(), bytes.size(), &parsed, &picture);
    pictures.push_back(std::move(picture));
    order.push_back(CursorStep{0, 0});
  }
  if (!ok) return false;
  if (info) *info = parsed;
  if (frames) *frames = std::move(pictures);
  if (steps) *steps = std::move(order);
  return true;
}

bool GetCursorPictures(HCURSOR cursor, std::vector<CursorFrame>* frames, std::vector<CursorStep>* steps) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_cursors.find(cursor);
  if (it == g_cursors.end() || it->second->frames.empty()) return false;
  if (frames) *frames = it->second->frames;
  if (steps) *steps = it->second->steps;
  return true;
}

size_t CursorStepAt(const std::vector<CursorStep>& steps, DWORD elapsedMs) {
  if (steps.size() < 2) return 0;
  uint64_t cycle = 0;
  for (const CursorStep& s : steps) cycle += s.ms;
  if (cycle == 0) return 0;
  uint64_t at = elapsedMs % cycle;
  for (size_t i = 0; i < steps.size(); ++i) {
    if (at < steps[i].ms) return i;
    at -= steps[i].ms;
  }
  return steps.size() - 1;
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
  if (st.st_size > (16 << 20)) {  // far beyond any cursor
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  std::ifstream in(linuxPath, std::ios::binary);
  if (!in) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  CursorInfo info;
  std::vector<CursorFrame> frames;
  std::vector<CursorStep> steps;
  if (!ParseCursorFile(bytes, &info, &frames, &steps)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  info.source = name;
  std::lock_guard<std::mutex> lock(g_mutex);
  return Register(std::move(info), std::move(frames), std::move(steps));
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
