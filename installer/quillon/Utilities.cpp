#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "Quillon.h"
#include "base/codepage.h"
#include "base/errors.h"
#include "fs/fs.h"
#include "res/resources.h"

namespace {

std::mutex& StateLock() {
  static std::mutex lock;
  return lock;
}

quillon::HaltHandler& CurrentHaltHandler() {
  static quillon::HaltHandler handler;
  return handler;
}

std::string& ModuleFolderOverride() {
  static std::string folder;
  return folder;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

LONG GetUniqueID(const char* text) {
  // FNV-1a over the bytes; the value only needs to be stable and well spread.
  uint32_t hash = 2166136261u;
  if (text != nullptr) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
      hash ^= *p;
      hash *= 16777619u;
    }
  }
  return static_cast<LONG>(hash);
}

void Halt(const char* format, ...) {
  std::string text;
  if (format != nullptr) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed > 0) {
      text.resize(static_cast<size_t>(needed) + 1);
      std::vsnprintf(text.data(), text.size(), format, args);
      text.resize(static_cast<size_t>(needed));
    }
    va_end(args);
  }
  quillon::HaltHandler handler;
  {
    std::lock_guard<std::mutex> guard(StateLock());
    handler = CurrentHaltHandler();
  }
  if (handler) {
    handler(text);
  } else {
    std::fputs(text.c_str(), stderr);
    if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
    std::fflush(stderr);
  }
  std::exit(1);
}

void DeleteMarginsBlanks(char* text) {
  if (text == nullptr) return;
  char* start = text;
  while (*start != '\0' && IsBlank(*start)) ++start;
  size_t length = std::strlen(start);
  while (length > 0 && IsBlank(start[length - 1])) --length;
  if (start != text) std::memmove(text, start, length);
  text[length] = '\0';
}

const char* GetModuleFolder() {
  static char folder[MAX_PATH];
  std::lock_guard<std::mutex> guard(StateLock());
  const std::string& forced = ModuleFolderOverride();
  if (!forced.empty()) {
    std::snprintf(folder, sizeof folder, "%s", forced.c_str());
  } else {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) path[0] = '\0';
    char* slash = std::strrchr(path, '\\');
    if (slash != nullptr) *slash = '\0';
    std::snprintf(folder, sizeof folder, "%s", path);
  }
  size_t length = std::strlen(folder);
  while (length > 0 && folder[length - 1] == '\\') folder[--length] = '\0';
  return folder;
}

bool IsDirectoryExist(const char* path) {
  if (path == nullptr || *path == '\0') return false;
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MakeDir(const char* path) {
  if (path == nullptr || *path == '\0') return false;
  std::string folder = path;
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  while (folder.size() > 1 && folder.back() == '\\') folder.pop_back();
  // Each level from the top down; the drive ("C:") and a leading "\" are never created.
  for (size_t i = 0; i <= folder.size(); ++i) {
    if (i < folder.size() && folder[i] != '\\') continue;
    const std::string prefix = folder.substr(0, i);
    if (prefix.empty() || (prefix.size() == 2 && prefix[1] == ':')) continue;
    if (!IsDirectoryExist(prefix.c_str())) CreateDirectoryA(prefix.c_str(), nullptr);
  }
  return IsDirectoryExist(folder.c_str());
}

bool ChangeDir(const char* path) { return path != nullptr && SetCurrentDirectoryA(path) != FALSE; }

namespace quillon {

void SetHaltHandler(HaltHandler handler) {
  std::lock_guard<std::mutex> guard(StateLock());
  CurrentHaltHandler() = std::move(handler);
}

void SetModuleFolder(const std::string& folder) {
  std::lock_guard<std::mutex> guard(StateLock());
  ModuleFolderOverride() = folder;
}

}  // namespace quillon
