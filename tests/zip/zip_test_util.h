// Helpers of the zip tests: archives written under drive C: of the platform root, the code of
// the exception an action raises, and extraction of every entry.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "zip/ZipArchive.h"
#include "base/codepage.h"
#include "fs/root.h"
#include "memory/memory.h"
#include "test_support.h"

namespace ziptest {

// Writes the bytes to C:\<relative> ("/" separates folders in `relative`); returns the
// Windows path.
inline CString WriteDriveC(const std::string& relative, const std::string& bytes) {
  const std::filesystem::path path = nux::PlatformRoot() + "/drive_c/" + relative;
  std::filesystem::create_directories(path.parent_path());
  // A new file rather than a truncated one: rewriting a truncated file makes some file systems
  // flush it to disk at once, which slows the tests that rewrite one archive many times.
  std::filesystem::remove(path);
  nuxtest::WriteFile(path.string(), bytes);
  std::string windows = "C:\\" + relative;
  for (char& c : windows)
    if (c == '/') c = '\\';
  return CString(nux::AnsiToWide(windows).c_str());
}

// A committed fixture's bytes (tests/zip/fixtures/...).
inline std::string Fixture(const std::string& relative) {
  return nuxtest::ReadFile(nuxtest::SourceDir() + "/fixtures/" + relative);
}

// Runs the action: 0 when it raises nothing, the cause code of a CZipException, and -1 for a
// file error (CFileException) or any other exception of the class library.
inline int ZipError(const std::function<void()>& action) {
  try {
    action();
    return 0;
  } catch (CZipException* e) {
    const int cause = e->m_iCause;
    e->Delete();
    return cause;
  } catch (CException* e) {
    e->Delete();
    return -1;
  }
}

// The whole entry through ExtractToBuffer; false when the extraction returns false.
inline bool ExtractString(CZipArchive& zip, int index, std::string& out, DWORD chunk = 65536) {
  BYTE* data = nullptr;
  DWORD size = 0;
  if (!zip.ExtractToBuffer(WORD(index), data, size, chunk)) return false;
  out.assign(reinterpret_cast<const char*>(data), size);
  free(data);
  return true;
}

// The whole entry through ExtractToGlobal.
inline bool ExtractGlobalString(CZipArchive& zip, int index, std::string& out, DWORD chunk = 65536) {
  HGLOBAL block = nullptr;
  if (!zip.ExtractToGlobal(WORD(index), block, chunk)) return false;
  const void* data = GlobalLock(block);
  out.assign(static_cast<const char*>(data), GlobalSize(block));
  GlobalUnlock(block);
  GlobalFree(block);
  return true;
}

// Opens the archive, sets the password and extracts every entry; a raised CZipException
// passes out after the archive was closed as its owner would close it.
inline std::vector<std::string> ExtractAll(const CString& path, const char16_t* password = nullptr) {
  CZipArchive zip;
  std::vector<std::string> result;
  try {
    zip.Open(path, CZipArchive::zipOpenReadOnly, 0);
    zip.SetPassword(password);
    for (int i = 0; i < zip.GetCount(); ++i) {
      std::string data;
      if (!ExtractString(zip, i, data)) data = "<false>";
      result.push_back(data);
    }
  } catch (...) {
    zip.Close(CZipArchive::afNoException, false);
    throw;
  }
  zip.Close(CZipArchive::afNoException, false);
  return result;
}

}  // namespace ziptest
