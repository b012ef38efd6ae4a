#include "TextFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "fs/fs.h"

bool IsFileReadable(const char* path) {
  if (path == nullptr) return false;
  FILE* file = w32_fopen(path, "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

bool ReadTextLines(const char* path, std::vector<std::string>& lines) {
  // Bytes as they are: a Ctrl-Z is an ordinary byte, not the end of the text.
  FILE* file = path != nullptr ? w32_fopen(path, "rb") : nullptr;
  if (file == nullptr) return false;
  std::string line;
  int c;
  while ((c = std::fgetc(file)) != EOF) {
    if (c == '\r') {
      const int next = std::fgetc(file);
      if (next != '\n' && next != EOF) std::ungetc(next, file);
      c = '\n';
    }
    line += static_cast<char>(c);
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    }
  }
  if (!line.empty()) lines.push_back(line);
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  return ok;
}

bool ReplaceTextFile(const char* path, const std::string& text) {
  if (path == nullptr) return false;
  std::string bytes;
  bytes.reserve(text.size() + text.size() / 16);
  for (const char c : text) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  const std::string temporary = std::string(path) + ".~new";
  FILE* file = w32_fopen(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0) ok = false;
  if (ok) ok = MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING) != FALSE;
  if (!ok) DeleteFileA(temporary.c_str());
  return ok;
}

void ReplaceNumberedLine(std::vector<std::string>& lines, int number, const std::string& newLine) {
  for (std::string& line : lines) {
    int stored = 0;
    if (std::sscanf(line.c_str(), "%d", &stored) == 1 && stored == number) line = newLine;
  }
}

bool IsConfinedName(const std::string& relative) {
  if (relative.empty()) return false;
  std::string text = relative;
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  if (text.front() == '\\') return false;
  size_t start = 0;
  for (;;) {
    const size_t end = std::min(text.find('\\', start), text.size());
    const std::string part = text.substr(start, end - start);
    if (part.empty() || part == "..") return false;
    for (const char ch : part) {
      const unsigned char c = static_cast<unsigned char>(ch);
      if (c < 0x20 || c == 0x7F || std::strchr(":<>\"|?*", c) != nullptr) return false;
    }
    if (part != "." && (part.back() == '.' || part.back() == ' ')) return false;
    std::string stem = part.substr(0, part.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"}) {
      if (stem == device) return false;
    }
    if (stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) && stem[3] >= '1' &&
        stem[3] <= '9')
      return false;
    if (end == text.size()) return true;
    start = end + 1;
  }
}

void RemoveLeftoversBeside(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return;
  const std::string folder = path.substr(0, slash + 1);
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + ".nuxcopy-*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) DeleteFileA((folder + data.cFileName).c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  const std::string rewrite = path + ".~new";
  if (GetFileAttributesA(rewrite.c_str()) != INVALID_FILE_ATTRIBUTES) DeleteFileA(rewrite.c_str());
}
