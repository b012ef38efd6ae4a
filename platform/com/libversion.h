// Version information of Linux shared libraries.
//
// A shared library carries its version in its real file name, "libname.so.2.0.7.6": the
// version numbers after ".so." are major, minor, build and revision (missing ones count 0).
// The version reader asks here for such a file and gets a VS_VERSIONINFO block with that file
// version (and the same product version), a FileVersion text and an English translation, so
// that GetFileVersionInfoW and VerQueryValueW answer for it as for a binary with a version
// resource.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nux::com {

// The four version numbers in a file name ("libx.so.2.0.7.6" gives 2, 0, 7, 6); nullopt when
// the name has no ".so." followed by one to four dot-separated numbers below 65536.
std::optional<std::array<uint16_t, 4>> SharedLibraryNameVersion(const std::string& fileName);

// For a Linux path: follows symbolic links to the real file; when that is an ELF file whose
// name carries a version, fills `raw` with a VS_VERSIONINFO block and returns true.
bool SharedLibraryVersionResource(const std::string& linuxPath, std::vector<uint8_t>& raw);

// The VS_VERSIONINFO block of a version.
std::vector<uint8_t> BuildVersionResource(const std::array<uint16_t, 4>& version);

}  // namespace nux::com
