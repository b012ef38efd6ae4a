#include "InstalledFilesRegister.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "HostSettings.h"
#include "Quillon.h"
#include "fs/fs.h"

const char kInstalledFilesRegister[] = "media\\files.dat";

namespace {

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return text;
}

bool ReadWhole(const char* path, std::vector<unsigned char>& bytes) {
  FILE* file = w32_fopen(path, "rb");
  if (file == nullptr) return false;
  unsigned char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  std::fclose(file);
  return true;
}

uint32_t ReadLe32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

void PutLe32(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

// The work folder from the settings, lower-cased, with a trailing backslash; empty when unknown.
std::string LowerWorkFolder() {
  std::string folder;
  if (!MakeWorkDirPath(folder, "")) return std::string();
  return Lower(folder);
}

// Shared by Update and UpdateFileChecksum: the checksum of the file at path into the register.
bool StoreChecksum(const std::string& registerPath, const std::string& workFolder, const char* path) {
  const std::string lower = Lower(path != nullptr ? path : "");
  const size_t at = workFolder.empty() ? std::string::npos : lower.find(workFolder);
  if (at == std::string::npos) Halt("Bad file name %s\n", path != nullptr ? path : "");
  const LONG id = RegisterFileId(lower.substr(at + workFolder.size()));

  std::vector<unsigned char> content;
  if (!ReadWhole(path, content)) Halt("File %s not found\n", path);
  uint32_t table[256];
  BuildChecksumTable(table);
  const uint32_t checksum = FileChecksum(table, content.data(), content.size());

  FILE* file = w32_fopen(registerPath.c_str(), "r+b");
  if (file == nullptr) return false;
  std::vector<unsigned char> bytes;
  unsigned char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);

  // Whole pairs only; a new pair goes right after the last whole one, so a register with stray
  // bytes at its end is made whole again instead of being misaligned.
  const size_t pairs = bytes.size() >= 4 ? (bytes.size() - 4) / 8 : 0;
  long offset = static_cast<long>(bytes.size() >= 4 ? 4 + 8 * pairs : bytes.size());
  bool found = false;
  for (size_t k = 0; k < pairs; ++k) {
    if (static_cast<LONG>(ReadLe32(&bytes[4 + 8 * k])) == id) {
      offset = static_cast<long>(4 + 8 * k);
      found = true;
      break;
    }
  }
  unsigned char pair[8];
  PutLe32(pair, static_cast<uint32_t>(id));
  PutLe32(pair + 4, checksum);
  bool ok = true;
  if (bytes.size() < 4 && !found) {
    // A register too short for its tag: complete the tag with zero bytes first.
    unsigned char zero[4] = {0, 0, 0, 0};
    ok = std::fseek(file, 0, SEEK_END) == 0 && std::fwrite(zero, 1, 4 - bytes.size(), file) == 4 - bytes.size();
    offset = 4;
  }
  if (found) {
    ok = ok && std::fseek(file, offset + 4, SEEK_SET) == 0 && std::fwrite(pair + 4, 1, 4, file) == 4;
  } else {
    ok = ok && std::fseek(file, offset, SEEK_SET) == 0 && std::fwrite(pair, 1, 8, file) == 8;
  }
  if (std::fclose(file) != 0) ok = false;
  return ok;
}

}  // namespace

void BuildChecksumTable(uint32_t table[256]) {
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t v = i;
    for (int bit = 0; bit < 8; ++bit) v = (v & 1) != 0 ? (v >> 1) ^ 0xEDB88320u : v >> 1;
    table[i] = v;
  }
}

uint32_t FileChecksum(const uint32_t table[256], const unsigned char* bytes, size_t length) {
  uint32_t h = 0;
  for (size_t i = 0; i < length; ++i) h = (h >> 8) ^ table[(h ^ bytes[i]) & 0xFF] ^ 0xD202EF8Du;
  return h;
}

LONG RegisterFileId(const std::string& relativePath) {
  std::string id = Lower(relativePath);
  for (char& c : id) {
    if (c == '/') c = '\\';
  }
  return GetUniqueID(id.c_str());
}

bool UpdateFileChecksum(const char* fullPath) {
  std::string registerPath;
  if (!MakeWorkDirPath(registerPath, "Media\\Files.dat")) return false;
  return StoreChecksum(registerPath, LowerWorkFolder(), fullPath);
}

InstalledFilesRegister::InstalledFilesRegister(int pluginId, const char* name) : pluginId_(pluginId) {
  std::string folder;
  if (!MakeWorkDirPath(folder, "")) {
    enabled_ = false;
    registerPath_ = name != nullptr ? name : "";
    return;
  }
  registerPath_ = folder + (name != nullptr ? name : "");
  workFolder_ = Lower(folder);
  std::vector<unsigned char> bytes;
  if (!ReadWhole(registerPath_.c_str(), bytes) || bytes.size() < 4) {
    enabled_ = false;
    return;
  }
  if (static_cast<int32_t>(ReadLe32(bytes.data())) != ComputeEditionTag(-1)) {
    enabled_ = false;
    return;
  }
  for (size_t at = 4; at + 8 <= bytes.size(); at += 8) {
    known_.emplace(static_cast<LONG>(ReadLe32(&bytes[at])), ReadLe32(&bytes[at + 4]));  // first pair wins
  }
}

bool InstalledFilesRegister::Check(const char* name, bool fullPath) {
  if (!enabled_ || name == nullptr) return false;
  std::string path = Lower(fullPath ? std::string(name) : workFolder_ + name);
  size_t at = path.find(workFolder_);
  if (at == std::string::npos) {
    char longPath[256] = {};
    const DWORD n = GetLongPathNameA(path.c_str(), longPath, sizeof longPath);
    if (n == 0 || n >= sizeof longPath) return false;
    path = Lower(longPath);
    at = path.find(workFolder_);
    if (at == std::string::npos) return false;
  }
  const LONG id = RegisterFileId(path.substr(at + workFolder_.size()));
  if (known_.find(id) == known_.end()) return true;
  return Update(path.c_str());
}

bool InstalledFilesRegister::Update(const char* path) {
  if (!enabled_) return false;
  return StoreChecksum(registerPath_, workFolder_, path);
}

void InstalledFilesRegister::WriteTag() {
  if (!enabled_) return;
  FILE* file = w32_fopen(registerPath_.c_str(), "r+b");
  if (file == nullptr) Halt("File %s not found\n", registerPath_.c_str());
  unsigned char tag[4];
  PutLe32(tag, static_cast<uint32_t>(ComputeEditionTag(-1)));
  std::fseek(file, 0, SEEK_SET);
  std::fwrite(tag, 1, 4, file);
  std::fclose(file);
}
