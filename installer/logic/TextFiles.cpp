#include "TextFiles.h"

#include <cstdio>

#include "fs/fs.h"

bool IsFileReadable(const char* path) {
  if (path == nullptr) return false;
  FILE* file = w32_fopen(path, "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

bool ReadTextLines(const char* path, std::vector<std::string>& lines) {
  FILE* file = path != nullptr ? w32_fopen(path, "r") : nullptr;
  if (file == nullptr) return false;
  std::string line;
  int c;
  while ((c = std::fgetc(file)) != EOF) {
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
  const std::string temporary = std::string(path) + ".~new";
  FILE* file = w32_fopen(temporary.c_str(), "w");
  if (file == nullptr) return false;
  bool ok = text.empty() || std::fwrite(text.data(), 1, text.size(), file) == text.size();
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
