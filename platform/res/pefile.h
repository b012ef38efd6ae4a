// The resource section of PE files (Windows programs and libraries, 32 and 64 bit).
//
// The reader follows the MZ header to the PE header, takes the resource data directory of the
// optional header (PE32 or PE32+) and walks the three-level tree of the .rsrc section: types,
// names, languages. Addresses in the tree (RVAs) are mapped to file offsets through the section
// table. Every offset and size is checked against the file in 64-bit arithmetic, each directory
// may be visited once (a tree that loops back is malformed) and the number of entries is
// bounded, so a crafted file fails cleanly instead of reading past its end or hanging.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "res/resfile.h"

namespace nux::res {

enum class PeStatus {
  Ok,         // a PE image; its resources (possibly none) were read
  NotPe,      // does not start with "MZ"
  Malformed,  // starts with "MZ" but the headers or the resource tree are broken
};

struct PeInfo {
  bool pe32plus = false;
  WORD machine = 0;
  WORD characteristics = 0;  // IMAGE_FILE_DLL (0x2000) marks a library
};

// Appends the resources of a PE image to `out`; the entries point into `data`. On Malformed,
// `out` is left as it was.
PeStatus ParsePeResources(const uint8_t* data, std::size_t size, std::vector<ResourceEntry>& out,
                          PeInfo* info = nullptr);

}  // namespace nux::res
