#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "Quillon.h"
#include "base/codepage.h"
#include "base/errors.h"
#include "fs/fs.h"
#include "res/resources.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trimmed(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (nux::LowerAscii(a[i]) != nux::LowerAscii(b[i])) return false;
  }
  return true;
}

// Reads the numbers of a line: tokens separated by blanks, tabs or commas, up to the first token
// that is not a number or up to count numbers.
template <class T, class Parse>
int ParseNumbers(const std::string& line, T* values, int count, Parse parse) {
  int found = 0;
  const char* p = line.c_str();
  while (found < count) {
    while (*p != '\0' && (IsBlank(*p) || *p == ',')) ++p;
    if (*p == '\0') break;
    char* end = nullptr;
    errno = 0;
    T value{};
    if (!parse(p, &end, &value) || end == p) break;
    if (*end != '\0' && !IsBlank(*end) && *end != ',') break;  // "12abc" is no number
    values[found++] = value;
    p = end;
  }
  return found;
}

}  // namespace

FormatIn::FormatIn(const char* path, unsigned char /*mode*/, char comment, char blockEnd, int lineSize)
    : path_(path != nullptr ? path : ""), comment_(comment), blockEnd_(blockEnd), lineSize_(lineSize) {
  FILE* file = path != nullptr ? w32_fopen(path, "rb") : nullptr;
  if (file == nullptr) Halt("File %s not found\n", path_.c_str());
  std::string content;
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) content.append(chunk, got);
  std::fclose(file);

  // A UTF-8 byte-order mark is no part of the first line. LF, CR LF and a lone CR each end a
  // line; the file's bytes are taken as they are (a Ctrl-Z is an ordinary byte).
  size_t start = content.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (start < content.size()) {
    size_t end = content.find_first_of("\r\n", start);
    if (end == std::string::npos) end = content.size();
    lines_.push_back(content.substr(start, end - start));
    start = end + 1;
    if (end < content.size() && content[end] == '\r' && start < content.size() && content[start] == '\n') ++start;
  }
}

FormatIn::~FormatIn() = default;

void FormatIn::SetMarginsSpaceDelete(int on) { trim_ = on != 0; }

int FormatIn::NextLine(std::string& line) {
  while (next_ < lines_.size()) {
    const std::string& raw = lines_[next_++];
    size_t first = 0;
    while (first < raw.size() && IsBlank(raw[first])) ++first;
    if (first == raw.size()) continue;  // blank line
    if (raw[first] == comment_) continue;
    if (raw[first] == blockEnd_) return QUILLON_BLOCK_END;
    line = trim_ ? Trimmed(raw) : raw;
    if (lineSize_ > 0 && line.size() >= static_cast<size_t>(lineSize_)) line.resize(lineSize_ - 1);
    return 1;
  }
  return QUILLON_END_OF_FILE;
}

int FormatIn::Readln(char* buffer, int size) {
  std::string line;
  const int status = NextLine(line);
  if (buffer == nullptr || size <= 0) return status;
  if (status != 1) {
    buffer[0] = '\0';
    return status;
  }
  const size_t n = std::min(line.size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, line.data(), n);
  buffer[n] = '\0';
  return 1;
}

int FormatIn::Readln(int* values, int count) {
  std::string line;
  const int status = NextLine(line);
  if (status != 1) return status;
  const int found = ParseNumbers(line, values, count, [](const char* p, char** end, int* value) {
    const long parsed = std::strtol(p, end, 10);
    if (errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return false;
    *value = static_cast<int>(parsed);
    return true;
  });
  if (check_ && found < count) {
    Halt("Line %d of %s: %d numbers expected, %d found\n", static_cast<int>(next_), path_.c_str(), count,
         found);
  }
  return found;
}

int FormatIn::Readln(unsigned long* values, int count) {
  std::string line;
  const int status = NextLine(line);
  if (status != 1) return status;
  const int found = ParseNumbers(line, values, count, [](const char* p, char** end, unsigned long* value) {
    if (*p == '-') return false;
    const unsigned long long parsed = std::strtoull(p, end, 10);
    if (errno == ERANGE || parsed > 0xFFFFFFFFull) return false;
    *value = static_cast<unsigned long>(parsed);
    return true;
  });
  if (check_ && found < count) {
    Halt("Line %d of %s: %d numbers expected, %d found\n", static_cast<int>(next_), path_.c_str(), count,
         found);
  }
  return found;
}

int FormatIn::SearchString(const char* text, int fromStart, int ignoreCase) {
  if (text == nullptr) return 0;
  const std::string wanted = Trimmed(text);
  for (size_t i = fromStart != 0 ? 0 : next_; i < lines_.size(); ++i) {
    const std::string line = Trimmed(lines_[i]);
    if (line.empty() || line[0] == comment_) continue;
    if (ignoreCase != 0 ? EqualNoCase(line, wanted) : line == wanted) {
      next_ = i + 1;
      return 1;
    }
  }
  return 0;
}

int FormatIn::GetNumberLines(int /*unused*/) const { return static_cast<int>(lines_.size()); }

bool FormatIn::HasContent() const {
  for (const std::string& raw : lines_) {
    const size_t first = raw.find_first_not_of(" \t");
    if (first != std::string::npos && raw[first] != comment_) return true;
  }
  return false;
}
