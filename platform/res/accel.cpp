// Accelerator tables: entries of eight bytes (flags, key, command, padding); the last one has
// bit 0x80 in its flags.
#include "base/errors.h"
#include "res/bytes.h"
#include "res/modules.h"
#include "res/resources.h"
#include "res/templates.h"

namespace nux::res {

std::optional<std::vector<Accelerator>> ParseAcceleratorTable(const void* data, std::size_t size) {
  ByteReader r(static_cast<const uint8_t*>(data), size);
  std::vector<Accelerator> table;
  while (!r.AtEnd()) {
    WORD flags = r.U16();
    Accelerator a;
    a.fVirt = BYTE(flags & 0x7F);
    a.key = r.U16();
    a.cmd = r.U16();
    r.U16();  // padding
    if (!r.ok()) return std::nullopt;
    table.push_back(a);
    if (flags & 0x80) break;  // the last entry
  }
  return table;
}

std::optional<std::vector<Accelerator>> LoadAcceleratorTable(HMODULE module, LPCWSTR name) {
  auto bytes = FindResourceData(module, RT_ACCELERATOR, name);
  if (!bytes) return std::nullopt;
  auto t = ParseAcceleratorTable(bytes->data(), bytes->size());
  if (!t) SetLastError(ERROR_INVALID_DATA);
  return t;
}

}  // namespace nux::res
