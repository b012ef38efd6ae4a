#include "TextReader.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "Sv7Platform.h"

namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

void TrimLine(char* text) {
  if (text == nullptr) return;
  char* start = text;
  while (*start != '\0' && IsSpace(*start)) ++start;
  std::size_t length = std::strlen(start);
  while (length > 0 && IsSpace(start[length - 1])) --length;
  if (start != text) std::memmove(text, start, length);
  text[length] = '\0';
}

bool ScanDecimal(const char* text, int* value) {
  if (text == nullptr) return false;
  const char* p = text;
  while (*p != '\0' && IsSpace(*p)) ++p;
  const char* digits = p;
  if (*digits == '+' || *digits == '-') ++digits;
  if (!std::isdigit(static_cast<unsigned char>(*digits))) return false;
  errno = 0;
  char* end = nullptr;
  long parsed = std::strtol(p, &end, 10);
  if (errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return false;
  *value = static_cast<int>(parsed);
  return true;
}

TextReader::TextReader() : line_(new char[4097]) { line_[0] = '\0'; }

TextReader::~TextReader() {
  Close();
  delete[] line_;
}

bool TextReader::Open(const char* path) {
  Close();
  if (path == nullptr) return false;
  file_ = w32_fopen(path, "rt");
  if (file_ == nullptr) return false;
  path_ = new char[std::strlen(path) + 1];
  std::strcpy(path_, path);
  return true;
}

void TextReader::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  delete[] path_;
  path_ = nullptr;
}

// Reads physical lines into the line buffer until one holds more than white space and does
// not begin (after blanks) with the comment character.
bool TextReader::NextContentLine() {
  if (file_ == nullptr) return false;
  for (;;) {
    if (std::fgets(line_, lineSize_, file_) == nullptr) return false;
    const char* p = line_;
    while (*p != '\0' && IsSpace(*p)) ++p;
    if (*p == '\0' || *p == comment_) continue;
    return true;
  }
}

int TextReader::ReadLine(char* buffer, int size) {
  if (!NextContentLine()) return kEndOfFile;
  if (trim_) TrimLine(line_);
  int length = 0;
  if (buffer != nullptr && size > 0) {
    std::size_t n = std::strlen(line_);
    if (n > static_cast<std::size_t>(size - 1)) n = static_cast<std::size_t>(size - 1);
    std::memcpy(buffer, line_, n);
    buffer[n] = '\0';
    length = static_cast<int>(n);
  }
  return line_[0] == blockEnd_ ? kBlockEnd : length;
}

bool TextReader::FindLine(const char* key) {
  if (file_ == nullptr || key == nullptr) return false;
  std::rewind(file_);
  while (NextContentLine()) {
    TrimLine(line_);
    if (std::strcmp(line_, key) == 0) return true;
  }
  return false;
}

int TextReader::ReadInt(int* value) {
  if (!NextContentLine()) return kEndOfFile;
  static const char kSeparators[] = " \t\r\n";
  char* save = nullptr;
  char* field = strtok_r(line_, kSeparators, &save);
  if (field == nullptr) return 0;
  for (int i = 0; i < skipCount_; ++i) {
    if (field[0] == blockEnd_) return kBlockEnd;
    field = strtok_r(nullptr, kSeparators, &save);
    if (field == nullptr) return 0;
  }
  if (field[0] == blockEnd_) return kBlockEnd;
  int parsed = 0;
  if (!ScanDecimal(field, &parsed)) return 0;
  if (value != nullptr) *value = parsed;
  return 1;
}
