#include <cstdarg>
#include <cstring>

#include "Quillon.h"
#include "base/codepage.h"
#include "base/errors.h"
#include "fs/fs.h"
#include "res/resources.h"

Report::Report(const char* path, const char* mode) : path_(path != nullptr ? path : "") {
  const std::string m = mode != nullptr ? mode : "w";
  text_ = m.find('b') == std::string::npos;
  replace_ = m.find('a') == std::string::npos;
  writePath_ = replace_ ? path_ + ".~new" : path_;
  file_ = path != nullptr ? w32_fopen(writePath_.c_str(), replace_ ? "wb" : "ab") : nullptr;
  if (file_ == nullptr) Halt("File %s cannot be created\n", path_.c_str());
}

Report::~Report() { Close(); }

int Report::Write(const char* format, ...) {
  if (file_ == nullptr || format == nullptr) return 0;
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (needed > 0) {
    text.resize(static_cast<size_t>(needed) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(needed));
  }
  va_end(args);
  if (text_) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
      if (c == '\n') out += '\r';
      out += c;
    }
    text.swap(out);
  }
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) failed_ = true;
  return needed < 0 ? 0 : needed;
}

bool Report::Close() {
  if (file_ == nullptr) return !failed_;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  if (!replace_) return !failed_;
  if (failed_) {
    DeleteFileA(writePath_.c_str());
    return false;
  }
  if (!MoveFileExA(writePath_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileA(writePath_.c_str());
    failed_ = true;
  }
  return !failed_;
}
