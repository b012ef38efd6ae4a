#include "ToolbarFile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "Quillon.h"

namespace {

void Put32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t Get32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

int ToolbarRecordLength(const ToolbarRecord& record) { return static_cast<int>(record.name.size()) + 35; }

std::vector<unsigned char> SerializeToolbarRecord(const ToolbarRecord& record, int size) {
  if (size < kToolbarMinRecord) size = kToolbarMinRecord;
  std::vector<unsigned char> bytes(static_cast<size_t>(size), 0);
  Put32(&bytes[0], static_cast<uint32_t>(record.id));
  for (int i = 0; i < 3; ++i) Put32(&bytes[4 + 4 * i], static_cast<uint32_t>(record.values[i]));
  bytes[16] = record.byte16;
  bytes[17] = record.byte17;
  for (int i = 0; i < kToolbarSlots; ++i) {
    const uint16_t slot = static_cast<uint16_t>(record.buttons[i]);
    bytes[18 + 2 * i] = static_cast<unsigned char>(slot);
    bytes[19 + 2 * i] = static_cast<unsigned char>(slot >> 8);
  }
  const size_t room = static_cast<size_t>(size) - kToolbarHeadSize - 1;
  std::memcpy(&bytes[kToolbarHeadSize], record.name.data(), std::min(room, record.name.size()));
  return bytes;
}

bool ParseToolbarRecord(const unsigned char* bytes, size_t size, ToolbarRecord& record) {
  if (bytes == nullptr || size < static_cast<size_t>(kToolbarMinRecord)) return false;
  record.id = static_cast<int32_t>(Get32(bytes));
  for (int i = 0; i < 3; ++i) record.values[i] = static_cast<int32_t>(Get32(bytes + 4 + 4 * i));
  record.byte16 = bytes[16];
  record.byte17 = bytes[17];
  for (int i = 0; i < kToolbarSlots; ++i) {
    record.buttons[i] = static_cast<int16_t>(static_cast<uint16_t>(bytes[18 + 2 * i] | (bytes[19 + 2 * i] << 8)));
  }
  const char* name = reinterpret_cast<const char*>(bytes + kToolbarHeadSize);
  record.name.assign(name, strnlen(name, size - kToolbarHeadSize));
  return true;
}

void MergeToolbarRecord(ToolbarRecord& section, const ToolbarRecord& host, const NewButtonMap& newButtons) {
  int16_t merged[kToolbarSlots];
  std::fill(std::begin(merged), std::end(merged), static_cast<int16_t>(-1));
  int used = 0;
  for (int i = 0; i < kToolbarSlots && used < kToolbarSlots; ++i) {
    const int16_t id = section.buttons[i];
    if (id == -1) continue;
    if (std::find(std::begin(host.buttons), std::end(host.buttons), id) != std::end(host.buttons)) {
      merged[used++] = id;
    }
  }
  const auto extra = newButtons.find(section.id);
  if (extra != newButtons.end()) {
    for (int command : extra->second) {
      if (used >= kToolbarSlots) break;  // the record has 8 slots
      merged[used++] = static_cast<int16_t>(std::abs(command));
    }
  }
  std::copy(std::begin(merged), std::end(merged), std::begin(section.buttons));
}

bool ReadToolbarSection(std::vector<ToolbarRecord>& records, NewButtonMap& newButtons, FormatIn& reader) {
  bool any = false;
  char name[1024];
  while (reader.Readln(name, sizeof name) >= 0) {
    ToolbarRecord record;
    record.name = name;
    int id = 0;
    reader.Readln(&id, 1);
    record.id = id;
    int values[3] = {0, 0, 0};
    reader.Readln(values, 3);
    std::copy(std::begin(values), std::end(values), std::begin(record.values));
    int byte = 0;
    reader.Readln(&byte, 1);
    record.byte16 = static_cast<uint8_t>(byte & 0xFF);
    byte = 0;
    reader.Readln(&byte, 1);
    record.byte17 = static_cast<uint8_t>(byte & 0xFF);
    int buttons[kToolbarSlots];
    reader.CheckOff();
    const int count = std::max(0, reader.Readln(buttons, kToolbarSlots));
    reader.CheckOn();
    std::vector<int> added;
    int slot = 0;
    for (int i = 0; i < count; ++i) {
      if (buttons[i] >= -1) {
        if (slot < kToolbarSlots) record.buttons[slot++] = static_cast<int16_t>(buttons[i]);
      } else {
        added.push_back(static_cast<int>(std::min(-static_cast<long long>(buttons[i]), 0x7FFFFFFFLL)));
      }
    }
    if (!added.empty()) newButtons[record.id] = added;
    records.push_back(record);
    any = true;
  }
  return any;
}
