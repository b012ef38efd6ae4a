// The non-menu sections of the plug-in files creator: the binary toolbar file, the accelerator
// file, the string table and the panorama settings.
#include <cstdio>
#include <cstring>

#include "InstalledFilesRegister.h"
#include "PluginFilesCreator.h"
#include "Quillon.h"
#include "TextFiles.h"
#include "ToolbarFile.h"
#include "fs/fs.h"

namespace {

uint32_t Get32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

void Put32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

bool WriteAt(FILE* file, long offset, const void* bytes, size_t size) {
  return std::fseek(file, offset, SEEK_SET) == 0 && std::fwrite(bytes, 1, size, file) == size;
}

// Body lines of a section up to its '}' line.
std::vector<std::string> ReadBody(FormatIn& reader) {
  std::vector<std::string> body;
  char line[1024];
  while (reader.Readln(line, sizeof line) == 1) body.emplace_back(line);
  return body;
}

}  // namespace

bool PluginFilesCreator::ModifyToolbar(FormatIn& reader) {
  std::string path;
  if (!FindSectionTarget(reader, "[ModifyToolbar]", path)) return false;
  FILE* file = w32_fopen(path.c_str(), "r+b");
  if (file == nullptr && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    file = w32_fopen(path.c_str(), "w+b");
  }
  if (file == nullptr) return Failed(path);

  std::vector<ToolbarRecord> records;
  NewButtonMap newButtons;
  if (!ReadToolbarSection(records, newButtons, reader)) {
    std::fclose(file);
    return true;
  }

  std::vector<unsigned char> bytes;
  unsigned char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);

  // Check every host entry before anything is written: a record smaller than its head or
  // reaching past the file's end leaves the file as it is.
  struct Entry {
    size_t offset;  // of its size field
    uint32_t size;
  };
  std::vector<Entry> entries;
  uint32_t count = 0;
  size_t end = 0;  // where the entries end; new toolbars go there
  if (bytes.size() >= 4) {
    count = Get32(bytes.data());
    if (count > 0x7FFFFFFFu) {
      std::fclose(file);
      return false;
    }
    size_t at = 4;
    for (uint32_t i = 0; i < count; ++i) {
      if (at + 4 > bytes.size()) break;
      const uint32_t size = Get32(&bytes[at]);
      if (size < static_cast<uint32_t>(kToolbarMinRecord) || size > bytes.size() - at - 4) break;
      entries.push_back(Entry{at, size});
      at += 4 + size;
    }
    if (entries.size() != count) {
      std::fclose(file);
      return false;
    }
    end = at;
  }

  bool ok = true;
  for (const Entry& entry : entries) {
    if (records.empty()) break;
    ToolbarRecord host;
    ParseToolbarRecord(&bytes[entry.offset + 4], entry.size, host);
    for (auto it = records.begin(); it != records.end(); ++it) {
      if (it->id != host.id) continue;
      MergeToolbarRecord(*it, host, newButtons);
      unsigned char size[4];
      Put32(size, entry.size);
      const std::vector<unsigned char> merged = SerializeToolbarRecord(*it, static_cast<int>(entry.size));
      ok = ok && WriteAt(file, static_cast<long>(entry.offset), size, 4) &&
           WriteAt(file, static_cast<long>(entry.offset + 4), merged.data(), merged.size());
      records.erase(it);
      break;
    }
  }

  if (!records.empty()) {
    std::vector<unsigned char> tail;
    for (const ToolbarRecord& record : records) {
      const int length = ToolbarRecordLength(record);
      unsigned char size[4];
      Put32(size, static_cast<uint32_t>(length));
      tail.insert(tail.end(), size, size + 4);
      const std::vector<unsigned char> body = SerializeToolbarRecord(record, length);
      tail.insert(tail.end(), body.begin(), body.end());
    }
    if (bytes.size() < 4) end = 4;  // an empty or new file: the count, then the records
    unsigned char newCount[4];
    Put32(newCount, count + static_cast<uint32_t>(records.size()));
    ok = ok && WriteAt(file, static_cast<long>(end), tail.data(), tail.size()) && WriteAt(file, 0, newCount, 4);
  }
  if (std::fclose(file) != 0) ok = false;
  if (!ok) return Failed(path);
  UpdateFileChecksum(path.c_str());
  return true;
}

bool PluginFilesCreator::ModifyAccelerators(FormatIn& reader) {
  std::string path;
  if (!FindSectionTarget(reader, "[ModifyAccelerators]", path)) return false;
  const std::vector<std::string> body = ReadBody(reader);
  std::vector<std::string> lines;
  const bool exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (exists && !ReadTextLines(path.c_str(), lines)) return Failed(path);
  // The lines an interrupted run of this install appended already are not appended again.
  if (HoldsBlock(lines, body)) return UpdateFileChecksum(path.c_str());
  FILE* file = w32_fopen(path.c_str(), "a+b");
  if (file == nullptr) return Failed(path);
  // A last line without its line end would run into the first new line.
  bool needsLineEnd = false;
  if (std::fseek(file, 0, SEEK_END) == 0 && std::ftell(file) > 0 && std::fseek(file, -1, SEEK_END) == 0) {
    const int last = std::fgetc(file);
    needsLineEnd = last != '\n' && last != '\r';
  }
  std::fseek(file, 0, SEEK_END);
  std::string text = needsLineEnd ? "\r\n" : "";
  for (const std::string& line : body) text += line + "\r\n";
  bool ok = text.empty() || std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) != 0) ok = false;
  if (!ok) return Failed(path);
  return UpdateFileChecksum(path.c_str());
}

bool PluginFilesCreator::ModifySVStrings(FormatIn& reader) {
  std::string path;
  if (!FindSectionTarget(reader, "[ModifySVStrings]", path)) return false;
  std::vector<std::string> lines;
  if (!ReadTextLines(path.c_str(), lines)) {
    // A missing table is left missing; one that is there and can't be read is a failure.
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return Failed(path);
    return false;
  }
  for (const std::string& body : ReadBody(reader)) {
    int number = 0;
    if (std::sscanf(body.c_str(), "%d", &number) != 1) continue;  // no number: matches nothing
    ReplaceNumberedLine(lines, number, body + "\n");
  }
  std::string text;
  for (const std::string& line : lines) text += line;
  if (!ReplaceTextFile(path.c_str(), text)) return Failed(path);
  return UpdateFileChecksum(path.c_str());
}

bool PluginFilesCreator::ModifyPanoramsIni(FormatIn& reader) {
  std::string path;
  if (!FindSectionTarget(reader, "[ModifyPanoramsIni]", path)) return false;
  std::vector<std::string> lines;
  if (!ReadTextLines(path.c_str(), lines)) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return Failed(path);
    return false;
  }
  const std::vector<std::string> body = ReadBody(reader);
  // A block an interrupted run of this install added already is not added again.
  if (HoldsBlock(lines, body)) return true;
  if (!lines.empty() && lines.back().back() != '\n') lines.back() += '\n';
  for (const std::string& line : body) lines.push_back(line + "\n");
  std::string text;
  for (const std::string& line : lines) text += line;
  if (!ReplaceTextFile(path.c_str(), text)) return Failed(path);
  return true;
}
