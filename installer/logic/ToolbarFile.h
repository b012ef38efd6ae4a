// The host's binary toolbar file: an int32 count, then per toolbar an int32 size and a record of
// that many bytes: id, three values, two bytes, 8 button slots (int16 command ids, -1 empty)
// and the NUL-terminated name at offset 34. All little-endian.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class FormatIn;

constexpr int kToolbarSlots = 8;
constexpr int kToolbarHeadSize = 34;
constexpr int kToolbarMinRecord = kToolbarHeadSize + 1;  // head and the name's NUL

struct ToolbarRecord {
  int32_t id = 0;
  int32_t values[3] = {0, 0, 0};
  uint8_t byte16 = 0;
  uint8_t byte17 = 0;
  int16_t buttons[kToolbarSlots] = {-1, -1, -1, -1, -1, -1, -1, -1};
  std::string name;
};

// Toolbar id -> command ids of the new buttons a section gives for it.
using NewButtonMap = std::map<int32_t, std::vector<int>>;

// Length of the record: the name's length + 35.
int ToolbarRecordLength(const ToolbarRecord& record);
// The record's bytes, exactly size bytes long: shorter than the record it cuts the name (the
// last byte stays a NUL), longer it pads with NUL bytes. size below 35 is taken as 35.
std::vector<unsigned char> SerializeToolbarRecord(const ToolbarRecord& record, int size);
// A record from its bytes; false when fewer than 35 bytes. The name ends at its first NUL or at
// the record's end.
bool ParseToolbarRecord(const unsigned char* bytes, size_t size, ToolbarRecord& record);

// The section's slots keep, in order, the command ids that the host record also has; then the
// new buttons of the section's toolbar follow; the rest of the 8 slots are empty.
void MergeToolbarRecord(ToolbarRecord& section, const ToolbarRecord& host, const NewButtonMap& newButtons);

// Reads the toolbars of a [ModifyToolbar] body (six lines each) up to the section's end; true
// when at least one was read.
bool ReadToolbarSection(std::vector<ToolbarRecord>& records, NewButtonMap& newButtons, FormatIn& reader);
