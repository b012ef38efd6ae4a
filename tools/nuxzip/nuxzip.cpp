// nuxzip: lists, tests or extracts a zip archive (a .nux content archive) through the engine's
// own zip reader, so that what it accepts is exactly what the viewer will accept.
//
//   nuxzip [-P PASSWORD] -l FILE               list the entries
//   nuxzip [-P PASSWORD] -t FILE [NAME...]     read every entry (or the named ones), checksum included
//   nuxzip [-P PASSWORD] -x FILE [NAME...] [-d DIR]
//                                              extract every entry (or the named ones) into DIR
//
// FILE and DIR are paths of this system. A failure prints the reader's error code and text and
// the command ends with status 1; an entry that fails does not stop the others.
#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "fs/path.h"
#include "mfc/exceptions.h"
#include "zip/ZipArchive.h"
#include "zip/ZipException.h"
#include "zip/ZipFileHeader.h"

namespace {

constexpr DWORD kChunk = 65536;

std::string Utf8(const CString& text) {
  return nux::ToUtf8(std::u16string_view(text.GetString(), size_t(text.GetLength())));
}

int Usage() {
  std::fprintf(stderr,
               "usage: nuxzip [-P PASSWORD] -l FILE\n"
               "       nuxzip [-P PASSWORD] -t FILE [NAME...]\n"
               "       nuxzip [-P PASSWORD] -x FILE [NAME...] [-d DIR]\n");
  return 2;
}

// The text of an exception the reader raised; deletes it.
std::string Describe(CException* e) {
  std::string text;
  if (auto* zip = dynamic_cast<CZipException*>(e)) {
    text = "error " + std::to_string(zip->m_iCause) + ": " + Utf8(zip->GetErrorDescription());
  } else {
    WCHAR message[512] = {0};
    e->GetErrorMessage(message, 512);
    int code = 0;
    if (auto* file = dynamic_cast<CFileException*>(e)) code = file->m_cause;
    text = "file error " + std::to_string(code) + ": " + nux::ToUtf8(message);
  }
  e->Delete();
  return text;
}

// Where an entry goes under the target folder; empty when its name could leave that folder
// (an absolute name, a drive, a ".." component) or holds a character no file name may hold.
std::string SafeRelativePath(const CString& name) {
  std::u16string wide(name.GetString(), size_t(name.GetLength()));
  if (wide.empty() || wide[0] == u'\\' || wide[0] == u'/' || wide.find(u':') != std::u16string::npos) return {};
  std::string out;
  size_t start = 0;
  while (start <= wide.size()) {
    size_t end = wide.find_first_of(u"\\/", start);
    if (end == std::u16string::npos) end = wide.size();
    const std::u16string part = wide.substr(start, end - start);
    if (part == u"..") return {};
    for (char16_t c : part) {
      if (c < 0x20) return {};
    }
    if (!part.empty() && part != u".") {
      if (!out.empty()) out += '/';
      out += nux::ToUtf8(part);
    }
    start = end + 1;
  }
  return out;
}

bool MakeFolders(const std::string& path) {
  for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
    const std::string part = path.substr(0, at);
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

struct Options {
  char mode = 0;
  std::string password;
  bool hasPassword = false;
  std::string file;
  std::vector<std::string> names;
  std::string folder = ".";
};

// Reads one entry whole: into `out` when it is open, else only checked. Returns "" or the error.
std::string ReadEntry(CZipArchive& zip, WORD index, const CZipFileHeader& header, FILE* out) {
  try {
    if (!zip.OpenFile(index)) return "the entry cannot be opened";
    std::vector<BYTE> buffer(kChunk);
    uLong crc = crc32(0, nullptr, 0);
    ULONGLONG total = 0;
    for (;;) {
      const DWORD n = zip.ReadFile(buffer.data(), kChunk);
      if (n == 0) break;
      crc = crc32(crc, buffer.data(), n);
      total += n;
      if (out && std::fwrite(buffer.data(), 1, n, out) != n) {
        zip.CloseFile(nullptr, true);
        return std::string("cannot write: ") + std::strerror(errno);
      }
      if (n < kChunk) break;
    }
    if (zip.CloseFile(nullptr, false) == -1 || total != header.m_uUncomprSize) {
      // The data ended before the recorded size, as the engine's extraction reports it.
      CZipException e(crc != header.m_uCrc32 ? CZipException::badCrc : CZipException::badZipFile);
      return "error " + std::to_string(e.m_iCause) + ": " + Utf8(e.GetErrorDescription()) +
             (e.m_iCause == CZipException::badZipFile ? ": the entry's data end before its recorded size" : "");
    }
    return {};
  } catch (CException* e) {
    zip.CloseFile(nullptr, true);
    return Describe(e);
  }
}

int Run(const Options& options) {
  const std::u16string archivePath = nux::fs::ToWindowsPath(options.file);
  CZipArchive zip;
  try {
    zip.Open(archivePath.c_str(), CZipArchive::zipOpenReadOnly, 0);
  } catch (CException* e) {
    std::fprintf(stderr, "nuxzip: %s: %s\n", options.file.c_str(), Describe(e).c_str());
    zip.Close(CZipArchive::afAfterException);
    return 1;
  }
  if (options.hasPassword) {
    const std::u16string password = nux::FromUtf8(options.password);
    if (!zip.SetPassword(password.c_str())) {
      std::fprintf(stderr, "nuxzip: the password holds a character an archive password cannot hold\n");
      zip.Close();
      return 1;
    }
  }

  // The entries asked for, by the engine's own look-up, or all of them.
  std::vector<WORD> indexes;
  int failures = 0;
  if (options.mode != 'l' && !options.names.empty()) {
    for (const std::string& name : options.names) {
      std::u16string wide = nux::FromUtf8(name);
      for (char16_t& c : wide) {
        if (c == u'/') c = u'\\';
      }
      const int index = zip.FindFile(wide.c_str());
      if (index < 0) {
        std::fprintf(stderr, "nuxzip: %s: no such entry\n", name.c_str());
        ++failures;
      } else {
        indexes.push_back(WORD(index));
      }
    }
  } else {
    for (int i = 0; i < zip.GetCount(); ++i) indexes.push_back(WORD(i));
  }

  if (options.mode == 'l') {
    std::printf("%10s %10s  %-9s %-9s %s\n", "Length", "Packed", "Method", "Encrypted", "Name");
    ULONGLONG length = 0, packed = 0;
    for (WORD index : indexes) {
      CZipFileHeader header;
      zip.GetFileInfo(header, index);
      std::printf("%10u %10u  %-9s %-9s %s\n", header.m_uUncomprSize, header.m_uComprSize,
                  nux::ToUtf8(CZipFileHeader::MethodName(header.m_uMethod)).c_str(),
                  header.IsEncrypted() ? "yes" : "no", Utf8(header.GetFileName()).c_str());
      length += header.m_uUncomprSize;
      packed += header.m_uComprSize;
    }
    std::printf("%10llu %10llu  %zu entries\n", static_cast<unsigned long long>(length),
                static_cast<unsigned long long>(packed), indexes.size());
    zip.Close();
    return 0;
  }

  if (options.mode == 'x' && !MakeFolders(options.folder)) {
    std::fprintf(stderr, "nuxzip: %s: cannot make the folder: %s\n", options.folder.c_str(), std::strerror(errno));
    zip.Close();
    return 1;
  }
  for (WORD index : indexes) {
    CZipFileHeader header;
    zip.GetFileInfo(header, index);
    const std::string shown = Utf8(header.GetFileName());
    std::string error;
    if (options.mode == 't') {
      error = ReadEntry(zip, index, header, nullptr);
    } else {
      const CString& name = header.GetFileName();
      const std::string relative = SafeRelativePath(name);
      const bool folder = name.GetLength() > 0 && (name[name.GetLength() - 1] == u'\\');
      if (relative.empty() && !folder) {
        error = "the name would leave the target folder; not extracted";
      } else if (folder) {
        if (!relative.empty() && !MakeFolders(options.folder + "/" + relative))
          error = std::string("cannot make the folder: ") + std::strerror(errno);
      } else {
        const std::string target = options.folder + "/" + relative;
        const size_t slash = target.rfind('/');
        if (!MakeFolders(target.substr(0, slash))) {
          error = std::string("cannot make the folder: ") + std::strerror(errno);
        } else {
          // Written beside the target and renamed when whole, so a failed entry never replaces
          // a file that is already there.
          std::string temporary = target.substr(0, slash + 1) + ".nuxzip-XXXXXX";
          const int fd = ::mkstemp(temporary.data());
          FILE* out = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
          if (!out) {
            error = std::string("cannot write: ") + std::strerror(errno);
            if (fd >= 0) ::close(fd);
          } else {
            error = ReadEntry(zip, index, header, out);
            if (std::fclose(out) != 0 && error.empty()) error = std::string("cannot write: ") + std::strerror(errno);
            if (error.empty() && std::rename(temporary.c_str(), target.c_str()) != 0)
              error = std::string("cannot write: ") + std::strerror(errno);
            if (!error.empty()) ::unlink(temporary.c_str());
          }
        }
      }
    }
    if (error.empty()) {
      std::printf("%s  %s\n", options.mode == 't' ? "OK       " : "extracted", shown.c_str());
    } else {
      std::fprintf(stderr, "nuxzip: %s: %s\n", shown.c_str(), error.c_str());
      ++failures;
    }
  }
  zip.Close();
  if (options.mode == 't') std::printf("%zu entries tested, %d failed\n", indexes.size(), failures);
  return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-P" && i + 1 < argc) {
      options.password = argv[++i];
      options.hasPassword = true;
    } else if (arg == "-d" && i + 1 < argc) {
      options.folder = argv[++i];
    } else if (arg == "-l" || arg == "-t" || arg == "-x") {
      if (options.mode) return Usage();
      options.mode = arg[1];
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      return Usage();
    } else if (options.file.empty()) {
      options.file = arg;
    } else {
      options.names.push_back(arg);
    }
  }
  if (!options.mode || options.file.empty()) return Usage();
  return Run(options);
}
