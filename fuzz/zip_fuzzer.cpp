// libFuzzer harness of the zip reader: each input is written as an archive file, opened, and
// every entry is looked up by name in each search mode and extracted to memory. Whatever the
// input, the reader must give a result or raise CZipException (or, for an input that claims
// to be part of a multi-volume archive, the file error of a missing volume).
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "fs/root.h"
#include "memory/memory.h"
#include "zip/ZipArchive.h"

namespace {

std::string g_archive;  // Linux path of C:\fuzz.zip

void Exercise() {
  CZipArchive zip;
  try {
    zip.Open(u"C:\\fuzz.zip", CZipArchive::zipOpenReadOnly, 0);
    zip.SetPassword(u"QuietOwlsDance");
    zip.GetGlobalComment();
    const int count = zip.GetCount();
    for (int i = 0; i < count && i < 64; ++i) {
      CZipFileHeader header;
      if (!zip.GetFileInfo(header, WORD(i))) continue;
      const CString name = header.GetFileName();
      zip.FindFile(name);
      zip.FindFile(name, CZipArchive::ffCaseSens);
      zip.FindFile(name, CZipArchive::ffNoCaseSens, true);
      try {
        BYTE* data = nullptr;
        DWORD size = 0;
        if (zip.ExtractToBufferByName(name, data, size, 4096)) free(data);
        HGLOBAL block = nullptr;
        if (zip.ExtractToGlobal(WORD(i), block, 65536)) GlobalFree(block);
      } catch (CZipException* e) {
        e->GetErrorDescription();
        e->Delete();
      }
    }
  } catch (CZipException* e) {
    e->GetErrorDescription();
    e->Delete();
  } catch (CFileException* e) {
    if (e->m_cause != CFileException::fileNotFound) abort();
    e->Delete();
  }
  zip.Close();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string pattern = (std::filesystem::temp_directory_path() / "zip_fuzz_XXXXXX").string();
  if (!mkdtemp(pattern.data())) abort();
  nux::SetPlatformRoot(pattern);
  g_archive = nux::PlatformRoot() + "/drive_c/fuzz.zip";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  unlink(g_archive.c_str());
  FILE* f = fopen(g_archive.c_str(), "wb");
  if (!f) abort();
  if (size) fwrite(data, 1, size, f);
  fclose(f);
  Exercise();
  return 0;
}
