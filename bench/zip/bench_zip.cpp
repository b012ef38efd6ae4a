// Benchmarks of the zip reader. Each prints its figures and the goal, and the program exits
// non-zero when a goal is missed:
//  1. every entry of a 64 MiB encrypted, deflated archive extracted to memory at least as fast
//     as `unzip -p -P <password> archive > /dev/null`, measured side by side;
//  2. stored entries extracted at memory speed, at least 1 GiB/s;
//  3. opening an archive of 10,000 entries and finding every entry by name costs O(n log n):
//     ten times the entries may cost at most 30 times as much (n log n gives about 13, n^2 100).
// Needs zip and unzip. Files go to a temporary folder that is removed afterwards.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "ResourceFile.h"
#include "fs/path.h"
#include "fs/root.h"
#include "zip/ZipArchive.h"
#include "zip_builder.h"

namespace {

namespace fs = std::filesystem;

using benchtiming::Best;
using benchtiming::Seconds;

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

CString WindowsPath(const fs::path& path) { return CString(nux::fs::ToWindowsPath(path.string()).c_str()); }

// Extracts every entry into memory; returns the bytes produced.
unsigned long long ExtractEverything(const CString& archive, const char16_t* password) {
  CZipArchive zip;
  zip.Open(archive, CZipArchive::zipOpenReadOnly, 0);
  zip.SetPassword(password);
  unsigned long long total = 0;
  for (int i = 0; i < zip.GetCount(); ++i) {
    BYTE* data = nullptr;
    DWORD size = 0;
    if (!zip.ExtractToBuffer(WORD(i), data, size, 0x10000)) {
      fprintf(stderr, "entry %d not extracted\n", i);
      exit(2);
    }
    total += size;
    free(data);
  }
  zip.Close();
  return total;
}

// Text-like data: words of a random vocabulary, which deflate to about a third.
std::string TextData(std::mt19937& random, size_t size) {
  std::vector<std::string> words;
  for (int i = 0; i < 4096; ++i) {
    std::string w;
    const int length = 2 + int(random() % 9);
    for (int k = 0; k < length; ++k) w += char('a' + random() % 26);
    words.push_back(w);
  }
  std::string s;
  s.reserve(size + 16);
  while (s.size() < size) {
    s += words[random() % words.size()];
    s += (random() % 12 == 0) ? '\n' : ' ';
  }
  s.resize(size);
  return s;
}

std::string RandomData(std::mt19937& random, size_t size) {
  std::string s(size, '\0');
  for (char& c : s) c = char(random());
  return s;
}

bool Report(const char* name, bool ok, const std::string& figures) {
  printf("%-44s %s  %s\n", name, ok ? "PASS" : "FAIL", figures.c_str());
  return ok;
}

std::string Format(const char* format, double a, double b = 0, double c = 0) {
  char buffer[256];
  snprintf(buffer, sizeof buffer, format, a, b, c);
  return buffer;
}

}  // namespace

int main() {
  std::string pattern = (fs::temp_directory_path() / "bench_zip_XXXXXX").string();
  if (!mkdtemp(pattern.data())) return 2;
  const fs::path dir = pattern;
  nux::SetPlatformRoot((dir / "root").string());
  std::mt19937 random(20240506);
  bool ok = true;

  // 1. Encrypted, deflated: content grows until the archive holds at least 64 MiB.
  {
    const fs::path content = dir / "deflated";
    const size_t fileSize = 1 << 20;
    int files = 0;
    const fs::path archive = dir / "Encrypted.nux";
    for (; files < 200; ++files) {
      WriteFile(content / ("file" + std::to_string(files) + ".txt"), TextData(random, fileSize));
      if (files % 16 == 15) {
        const std::string command = "cd '" + content.string() + "' && zip -q -9 -P QuietOwlsDance '" +
                                    archive.string() + "' " + "file*.txt";
        fs::remove(archive);
        if (system(command.c_str()) != 0) return 2;
        if (fs::file_size(archive) >= (64u << 20)) {
          ++files;
          break;
        }
      }
    }
    const double archiveMiB = double(fs::file_size(archive)) / (1 << 20);
    const CString path = WindowsPath(archive);
    unsigned long long bytes = 0;
    const std::string unzip = "unzip -p -P QuietOwlsDance '" + archive.string() + "' > /dev/null";
    double ours = 1e30, theirs = 1e30;
    for (int run = 0; run < 3; ++run) {  // side by side, alternating
      ours = std::min(ours, Seconds([&] { bytes = ExtractEverything(path, CResourceFile::kArchivePassword); }));
      theirs = std::min(theirs, Seconds([&] {
                          if (system(unzip.c_str()) != 0) exit(2);
                        }));
    }
    const double mib = double(bytes) / (1 << 20);
    ok &= Report("encrypted deflated archive vs unzip", ours <= theirs,
                 Format("archive %.1f MiB, ours %.3f s", archiveMiB, ours) +
                     Format(" (%.0f MiB/s), unzip %.3f s", mib / ours, theirs));
  }

  // 2. Stored entries: 64 MiB of incompressible data.
  {
    const fs::path content = dir / "stored";
    for (int i = 0; i < 64; ++i) WriteFile(content / ("file" + std::to_string(i) + ".raw"), RandomData(random, 1 << 20));
    const fs::path archive = dir / "Stored.nux";
    const std::string command = "cd '" + content.string() + "' && zip -q -0 '" + archive.string() + "' file*.raw";
    if (system(command.c_str()) != 0) return 2;
    const CString path = WindowsPath(archive);
    unsigned long long bytes = 0;
    const double seconds = Best(5, [&] { bytes = ExtractEverything(path, nullptr); });
    const double gibPerSecond = double(bytes) / (1u << 30) / seconds;
    ok &= Report("stored entries at memory speed (>= 1 GiB/s)", gibPerSecond >= 1.0,
                 Format("%.0f MiB in %.4f s: %.2f GiB/s", double(bytes) / (1 << 20), seconds, gibPerSecond));
  }

  // 3. Open and find every entry of archives of 1,000 and 10,000 entries.
  {
    double times[2] = {};
    const int counts[2] = {1000, 10000};
    for (int k = 0; k < 2; ++k) {
      ziptest::Archive builder;
      std::vector<CString> names;
      for (int i = 0; i < counts[k]; ++i) {
        ziptest::Entry e;
        e.name = "Folder" + std::to_string(random() % 97) + "/entry_" + std::to_string(random()) + "_" +
                 std::to_string(i) + ".dat";
        e.data = "x";
        e.method = 0;
        builder.entries.push_back(e);
        std::string windows = e.name;
        std::replace(windows.begin(), windows.end(), '/', '\\');
        names.push_back(CString(nux::AnsiToWide(windows).c_str()));
      }
      const fs::path archive = dir / ("Many" + std::to_string(counts[k]) + ".nux");
      WriteFile(archive, builder.Build());
      const CString path = WindowsPath(archive);
      times[k] = Best(5, [&] {
        CZipArchive zip;
        zip.Open(path, CZipArchive::zipOpenReadOnly, 0);
        for (const CString& name : names) {
          if (zip.FindFile(name) < 0) {
            fprintf(stderr, "entry not found\n");
            exit(2);
          }
        }
        zip.Close();
      });
    }
    const double ratio = times[1] / times[0];
    ok &= Report("open and find all: 10x entries <= 30x time", ratio <= 30.0,
                 Format("1,000: %.2f ms, 10,000: %.2f ms, ratio %.1f", times[0] * 1e3, times[1] * 1e3, ratio));
  }

  fs::remove_all(dir);
  return ok ? 0 : 1;
}
