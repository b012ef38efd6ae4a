// SHA-256, for the salted hash of database passwords.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace nux::dao {
std::array<uint8_t, 32> Sha256(const void* data, std::size_t size);
}  // namespace nux::dao
