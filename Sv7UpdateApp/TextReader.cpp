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
  // Read as bytes: line ends are found by the reader itself (LF, CR LF or a lone CR).
  file_ = w32_fopen(path, "rb");
  if (file_ == nullptr) return false;
  atStart_ = true;
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

bool TextReader::ReadPhysicalLine() {
  if (file_ == nullptr) return false;
  if (atStart_) {
    atStart_ = false;
    unsigned char mark[3] = {};
    const std::size_t n = std::fread(mark, 1, 3, file_);
    if (!(n == 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF)) std::fseek(file_, 0, SEEK_SET);
  }
  // At most lineSize_ - 1 bytes are kept; the rest of a longer line is read past, and only
  // counts as cut when it holds more than white space (trailing blanks are trimmed anyway).
  const int keep = lineSize_ - 1;
  int length = 0;
  bool any = false;
  physicalCut_ = false;
  int c;
  while ((c = std::getc(file_)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (c == '\r') {
      const int next = std::getc(file_);
      if (next != '\n' && next != EOF) std::ungetc(next, file_);
      break;
    }
    if (length < keep) {
      line_[length++] = static_cast<char>(c);
    } else if (!IsSpace(static_cast<char>(c))) {
      physicalCut_ = true;
    }
  }
  line_[length] = '\0';
  return any;
}

// Reads physical lines into the line buffer until one holds more than white space and does
// not begin (after blanks) with the comment character.
bool TextReader::NextContentLine() {
  for (;;) {
    if (!ReadPhysicalLine()) return false;
    const char* p = line_;
    while (*p != '\0' && IsSpace(*p)) ++p;
    if ((*p == '\0' && !physicalCut_) || *p == comment_) continue;
    return true;
  }
}

int TextReader::ReadLine(char* buffer, int size) {
  if (!NextContentLine()) return kEndOfFile;
  if (trim_) TrimLine(line_);
  int length = 0;
  lastCut_ = physicalCut_;
  if (buffer != nullptr && size > 0) {
    std::size_t n = std::strlen(line_);
    if (n > static_cast<std::size_t>(size - 1)) {
      n = static_cast<std::size_t>(size - 1);
      lastCut_ = true;
    }
    std::memcpy(buffer, line_, n);
    buffer[n] = '\0';
    length = static_cast<int>(n);
  }
  return line_[0] == blockEnd_ ? kBlockEnd : length;
}

bool TextReader::FindLine(const char* key) {
  if (file_ == nullptr || key == nullptr) return false;
  std::rewind(file_);
  atStart_ = true;
  while (NextContentLine()) {
    if (physicalCut_) continue;
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
