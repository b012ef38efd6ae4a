#include "FileHelpers.h"

#include <cstdio>
#include <string>
#include <vector>

#include "FieldSplitter.h"
#include "fs/fs.h"

namespace {

// Error modes of the two tests: no critical-error and no open-file boxes (and, for the folder
// test, no alignment-fault box either).
const UINT kFileTestErrorMode = 0x8001;
const UINT kFolderTestErrorMode = 0x8005;

CString CurrentDirectory() {
  std::vector<WCHAR> buffer(MAX_PATH + 1, 0);
  DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length >= buffer.size()) {
    buffer.assign(length + 1, 0);
    length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
  }
  if (length == 0 || length >= buffer.size()) return CString();
  return CString(buffer.data(), static_cast<int>(length));
}

}  // namespace

BOOL FileExists(LPCWSTR path) {
  const UINT previous = SetErrorMode(kFileTestErrorMode);
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(path, &data);
  const BOOL found = find != INVALID_HANDLE_VALUE;
  if (found) FindClose(find);
  SetErrorMode(previous);
  return found;
}

BOOL DirectoryExists(LPCWSTR path) {
  const UINT previous = SetErrorMode(kFolderTestErrorMode);
  const CString saved = CurrentDirectory();
  const BOOL exists = SetCurrentDirectoryW(path);
  if (exists && !saved.IsEmpty()) SetCurrentDirectoryW(saved);
  SetErrorMode(previous);
  return exists;
}

BOOL CreatePath(const CString& path) {
  CFieldSplitter splitter(path);
  splitter.SetSeparator(u"\\");
  CString accumulated = splitter.GetField(1) + u"\\";  // the drive, which is not created
  BOOL result = FALSE;
  const int count = splitter.GetCount();
  for (int i = 2; i <= count; ++i) {
    accumulated += splitter.GetField(i) + u"\\";
    result = CreateDirectoryW(accumulated, nullptr);
  }
  return result;
}

BOOL ReadTextFile(const CString& path, CString& text) {
  text.Empty();
  FILE* file = _wfopen(path, u"rb");
  if (file == nullptr) return FALSE;

  unsigned char mark[2] = {0, 0};
  const size_t got = fread(mark, 1, 2, file);
  if (got == 0) {
    fclose(file);
    return FALSE;
  }

  std::u16string collected;
  if (got == 2 && mark[0] == 0xFF && mark[1] == 0xFE) {
    // UTF-16 little-endian: blocks of 2048 bytes, each taken up to a first zero character.
    unsigned char block[2048];
    for (;;) {
      const size_t bytes = fread(block, 1, sizeof(block), file);
      const size_t chars = bytes / 2;
      for (size_t i = 0; i < chars; ++i) {
        const char16_t c = static_cast<char16_t>(block[2 * i] | (block[2 * i + 1] << 8));
        if (c == 0) break;
        collected.push_back(c);
      }
      if (bytes < sizeof(block)) break;
    }
    fclose(file);
  } else {
    fclose(file);
    file = _wfopen(path, u"rt");  // text mode: CR LF comes in as one line end
    if (file == nullptr) return FALSE;
    std::u16string line;
    bool lineOpen = false;  // a line has begun that has no line end yet
    bool cut = false;       // a NUL byte ended the line's text
    int c;
    while ((c = fgetc(file)) != EOF) {
      if (c == '\n') {
        collected += line;
        collected += u'\n';
        line.clear();
        lineOpen = false;
        cut = false;
        continue;
      }
      lineOpen = true;
      if (c == 0) cut = true;
      if (!cut) line.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    }
    if (lineOpen) {
      collected += line;
      collected += u'\n';
    }
    fclose(file);
  }

  text = CString(collected.c_str(), static_cast<int>(collected.size()));
  text.Trim();
  return TRUE;
}
