// Little-endian fields of the zip records, read from raw bytes.
#pragma once

#include "base/types.h"

namespace zipfield {

inline WORD Word(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<WORD>(b[0] | (b[1] << 8));
}

inline DWORD Dword(const char* p) {
  const auto* b = reinterpret_cast<const unsigned char*>(p);
  return static_cast<DWORD>(b[0]) | (static_cast<DWORD>(b[1]) << 8) | (static_cast<DWORD>(b[2]) << 16) |
         (static_cast<DWORD>(b[3]) << 24);
}

inline ULONGLONG Qword(const char* p) {
  return static_cast<ULONGLONG>(Dword(p)) | (static_cast<ULONGLONG>(Dword(p + 4)) << 32);
}

}  // namespace zipfield
