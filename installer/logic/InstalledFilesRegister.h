// The host's installed-files register ("media\files.dat" in the work folder): a tag, then pairs
// of file id and checksum, all little-endian int32. The installer keeps the checksums of the
// files it overwrites or rewrites up to date and writes the new tag at the end of an install.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "base/types.h"

// The register's name below the work folder.
extern const char kInstalledFilesRegister[];

// The reflected CRC-32 table (polynomial 0xEDB88320).
void BuildChecksumTable(uint32_t table[256]);
// The register's checksum of a file's content: a CRC-32 step with an extra XOR of 0xD202EF8D per
// byte and no final XOR ("" gives 0, "abc" gives 0x352441C2).
uint32_t FileChecksum(const uint32_t table[256], const unsigned char* bytes, size_t length);
// File id of a path relative to the work folder (lower-cased, with backslashes).
LONG RegisterFileId(const std::string& relativePath);

// Stores the checksum of the file at fullPath (inside the work folder) in the register
// "Media\Files.dat" of the work folder, replacing its pair or appending one, whatever the
// register's tag. False when the register cannot be opened; a path outside the work folder or
// an unreadable file stops the program through Halt.
bool UpdateFileChecksum(const char* fullPath);

class InstalledFilesRegister {
 public:
  // Loads the register workFolder + name; disabled when it cannot be read or its tag is not the
  // host's current edition tag.
  InstalledFilesRegister(int pluginId, const char* name);

  // After a file was put into the work folder: when the register knew the file at load time,
  // stores its new checksum (Update). name is relative to the work folder, or a full path when
  // fullPath is set. False when disabled or the path lies outside the work folder.
  bool Check(const char* name, bool fullPath);
  // Stores the checksum of the file at path in the register.
  bool Update(const char* path);
  // Writes the host's current edition tag at offset 0 (when enabled).
  void WriteTag();

  bool enabled() const { return enabled_; }
  const std::string& path() const { return registerPath_; }

 private:
  std::string registerPath_;
  std::string workFolder_;  // lower-cased, with a trailing backslash
  std::map<LONG, uint32_t> known_;
  bool enabled_ = true;
  int pluginId_;
};
