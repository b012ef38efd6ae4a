// Benchmarks of the object look-ups. The library is loaded through LoadLibraryW into an
// installation of its own (NUX.INI, user-interface folder, image control) whose content
// database is generated with 1,000 and with 100,000 pages, each with its look-up record and its
// display name. Measured per call:
//   NUXSV_GetLookupTableRef and NUXSV_GetProperNamebySVID, as the host calls them;
//   hand-written prepared SQLite queries reading the same row and columns.
// Goals, and the program exits non-zero when one is missed:
//  1. each export costs the same within 2x at 1,000 and at 100,000 pages (an index seek);
//  2. each export costs at most 2x the hand-written query for the same row.
// The four are measured in turns, and each figure is the best round of 2,000 calls.
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "base/textcase.h"
#include "base/wstr.h"
#include "dao/dao.h"
#include "fs/fs.h"
#include "fs/path.h"
#include "fs/root.h"
#include "mfc/cstring.h"
#include "registry/registry.h"
#include "res/resources.h"
#include "ui/msgbox.h"

namespace {

using InitFn = int (*)(LPCWSTR, int, int, int);
using TermFn = void (*)();
using LookupFn = int (*)(CString, CString*, int*, int*, int*, int*, int*, int*);
using ProperNameFn = void (*)(CString, CString*);

double Seconds(const std::function<void()>& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::u16string Id(int i) { return nux::Format(u"NSTR%d", i); }

// Lower-case ids in the name table, as the library asks for them.
std::u16string Lower(std::u16string s) {
  for (char16_t& c : s) {
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
  }
  return s;
}

void Build(const std::u16string& path, int pages) {
  CDaoDatabase db;
  db.Create(path.c_str(), dbLangGeneral u";pwd=7C0E91AF3B58");
  db.Execute(u"CREATE TABLE SV_MODULE (ID LONG PRIMARY KEY, ID_QBZ_SV TEXT(50), ID_TPL TEXT(10), SV_MODULE TEXT(10), "
             u"proper_name TEXT(255), HTML MEMO, File TEXT(255))");
  db.Execute(u"CREATE INDEX ID_QBZ_SV ON SV_MODULE (ID_QBZ_SV)");
  db.Execute(u"CREATE TABLE SV_LookUp_Table_Ref (ID_QBZ_SV TEXT(50), SV_TypeId_Lookup TEXT(10), "
             u"SV_objectId_Lookup LONG, DC_objectId_Lookup LONG, PG_objectId_Lookup LONG, RB_objectId_Lookup LONG, "
             u"HP_objectId_Lookup LONG)");
  db.Execute(u"CREATE INDEX ID_QBZ_SV ON SV_LookUp_Table_Ref (ID_QBZ_SV)");
  db.Execute(u"CREATE TABLE SV_LookUp_Table_Lang (ID_QBZ_SV TEXT(50), proper_name TEXT(255))");
  db.Execute(u"CREATE INDEX ID_QBZ_SV ON SV_LookUp_Table_Lang (ID_QBZ_SV)");
  db.BeginTrans();
  for (int i = 0; i < pages; ++i) {
    db.Execute(nux::Format(u"INSERT INTO SV_MODULE VALUES (%d, 'dict%d', 'dict', 'dict', 'Stern %d', "
                           u"'<p>Stern %d im Sternbild Orion</p>', 'stern%d.htm')",
                           i + 1, i + 1, i, i, i)
                   .c_str());
    db.Execute(nux::Format(u"INSERT INTO SV_LookUp_Table_Ref VALUES ('%ls', 'NSTR', %d, %d, 0, %d, NULL)",
                           Id(i).c_str(), i, i + 1, i % 50 + 1)
                   .c_str());
    db.Execute(nux::Format(u"INSERT INTO SV_LookUp_Table_Lang VALUES ('%ls', 'Stern %d')", Lower(Id(i)).c_str(), i)
                   .c_str());
  }
  db.CommitTrans();
  db.Close();
}

void SetString(HKEY root, const char16_t* keyName, const char16_t* name, const std::u16string& value) {
  HKEY key = nullptr;
  RegCreateKeyExW(root, keyName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 DWORD((value.size() + 1) * sizeof(char16_t)));
  RegCloseKey(key);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// An installation the library's start-up check accepts.
void Install(const std::string& root) {
  std::system(("mkdir -p '" + root + "/drive_c/Content/UI' '" + root + "/drive_c/Content/Data' '" + root +
               "/drive_c/Controls'")
                  .c_str());
  WriteFile(root + "/drive_c/Content/NUX.INI", "[Setup]\r\nApp=Bench\r\n[Paths]\r\nUI=UI\r\nMDB=Data\\Content.mdb\r\n");
  WriteFile(root + "/drive_c/Controls/libZrImageCtrl.so.2.0.7.6", std::string("\x7f" "ELF", 4) + std::string(60, '\0'));
  SetString(HKEY_LOCAL_MACHINE, u"Software\\NUX\\Engine", u"enabled", u"1");
  SetString(HKEY_LOCAL_MACHINE, u"Software\\NUX\\Engine", u"INI", u"C:\\Content");
  const std::u16string clsid = u"{6B1D3C2A-59E4-4F0B-9A7C-2D8E4B1F0A36}";
  SetString(HKEY_CLASSES_ROOT, u"ZAROREZO.ImageCtrl.1\\CLSID", u"", clsid);
  SetString(HKEY_CLASSES_ROOT, (u"CLSID\\" + clsid + u"\\InprocServer32").c_str(), u"",
            u"C:\\Controls\\libZrImageCtrl.so.2.0.7.6");
}

struct Figures {
  double ref = 0, name = 0, rawRef = 0, rawName = 0;
};

// Per call, the best of several rounds; the four measurements take turns in every round, so
// that a busy machine slows them alike.
Figures Measure(const std::string& root, int pages, InitFn init, TermFn term, LookupFn lookup,
                ProperNameFn properName) {
  const std::u16string built = nux::Format(u"C:\\Content\\Data\\pages%d.mdb", pages);
  Build(built, pages);
  CopyFileW(built.c_str(), u"C:\\Content\\Data\\Content.mdb", FALSE);
  if (!init(u"NUXSV-HOST-ACCESS-01", 1, 1, 1)) {
    std::fprintf(stderr, "bench_lookup: NUXSV_Init failed\n");
    std::exit(2);
  }
  // The hand-written reader has a copy of the same file to itself, with the page cache and
  // mapping the library's database layer uses.
  sqlite3* raw = nullptr;
  std::string file = root + nux::Format("/drive_c/Content/Data/pages%d.mdb", pages);
  sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_exec(raw, "PRAGMA locking_mode=EXCLUSIVE; PRAGMA cache_size=-32768; PRAGMA mmap_size=268435456", nullptr,
               nullptr, nullptr);
  // The content's texts are in the database layer's order of text: the reader compares with it.
  auto order = [](void*, int n1, const void* a, int n2, const void* b) {
    return nux::CollateUtf8(std::string_view(static_cast<const char*>(a), size_t(n1)),
                            std::string_view(static_cast<const char*>(b), size_t(n2)));
  };
  sqlite3_create_collation_v2(raw, "NUXTEXT", SQLITE_UTF8, nullptr, order, nullptr);
  sqlite3_stmt* ref = nullptr;
  sqlite3_prepare_v2(raw,
                     "SELECT SV_TypeId_Lookup, SV_objectId_Lookup, DC_objectId_Lookup, PG_objectId_Lookup, "
                     "RB_objectId_Lookup, HP_objectId_Lookup FROM SV_LookUp_Table_Ref WHERE ID_QBZ_SV = ?1 "
                     "COLLATE NUXTEXT",
                     -1, &ref, nullptr);
  sqlite3_stmt* lang = nullptr;
  sqlite3_prepare_v2(raw, "SELECT proper_name FROM SV_LookUp_Table_Lang WHERE ID_QBZ_SV = ?1 COLLATE NUXTEXT", -1,
                     &lang, nullptr);

  const int probes = 997;
  int n = 0;
  long sum = 0;
  auto exportRef = [&] {
    CString kind;
    int sky = 0, dict = 0, pgal = 0, recb = 0, help = 0, spare = 0;
    sum += lookup(CString(Id((n++ * probes) % pages).c_str()), &kind, &sky, &dict, &pgal, &recb, &help, &spare);
    sum += sky + kind.GetLength();
  };
  auto exportName = [&] {
    CString name;
    properName(CString(Id((n++ * probes) % pages).c_str()), &name);
    sum += name.GetLength();
  };
  auto rawRef = [&] {
    std::u16string id = Id((n++ * probes) % pages);
    sqlite3_bind_text16(ref, 1, id.c_str(), int(id.size() * 2), SQLITE_TRANSIENT);
    if (sqlite3_step(ref) == SQLITE_ROW) {
      CString kind(static_cast<const char16_t*>(sqlite3_column_text16(ref, 0)));
      sum += kind.GetLength();
      for (int c = 1; c <= 5; ++c) sum += sqlite3_column_int(ref, c);
    }
    sqlite3_reset(ref);
  };
  auto rawName = [&] {
    std::u16string id = Id((n++ * probes) % pages);
    sqlite3_bind_text16(lang, 1, id.c_str(), int(id.size() * 2), SQLITE_TRANSIENT);
    if (sqlite3_step(lang) == SQLITE_ROW) {
      CString name(static_cast<const char16_t*>(sqlite3_column_text16(lang, 0)));
      sum += name.GetLength();
    }
    sqlite3_reset(lang);
  };
  Figures f{1e30, 1e30, 1e30, 1e30};
  const int repeat = 2000;
  auto batch = [&](const std::function<void()>& action) {
    return Seconds([&] {
             for (int i = 0; i < repeat; ++i) action();
           }) /
           repeat;
  };
  for (int round = 0; round < 15; ++round) {
    f.ref = std::min(f.ref, batch(exportRef));
    f.rawRef = std::min(f.rawRef, batch(rawRef));
    f.name = std::min(f.name, batch(exportName));
    f.rawName = std::min(f.rawName, batch(rawName));
  }
  term();
  sqlite3_finalize(ref);
  sqlite3_finalize(lang);
  sqlite3_close(raw);
  if (sum == 42) std::printf(" ");
  return f;
}

}  // namespace

int main() {
  // A folder of its own under the system's temporary folder.
  std::string folderTemplate = (std::filesystem::temp_directory_path() / "nux-bench-lookup-XXXXXX").string();
  const char* folder = mkdtemp(folderTemplate.data());
  if (!folder) return 2;
  const std::string root = folder;
  nux::SetPlatformRoot(root);
  nux::ui::SetMessageBoxTerminal(false);
  Install(root);

  HMODULE lib = LoadLibraryW(nux::fs::ToWindowsPath(NUXSV_LIBRARY).c_str());
  if (!lib) {
    std::fprintf(stderr, "bench_lookup: the library did not load (error %u)\n", unsigned(GetLastError()));
    return 2;
  }
  auto init = reinterpret_cast<InitFn>(GetProcAddress(lib, "NUXSV_Init"));
  auto term = reinterpret_cast<TermFn>(GetProcAddress(lib, "NUXSV_Term"));
  auto lookup = reinterpret_cast<LookupFn>(GetProcAddress(lib, "NUXSV_GetLookupTableRef"));
  auto properName = reinterpret_cast<ProperNameFn>(GetProcAddress(lib, "NUXSV_GetProperNamebySVID"));
  Figures small = Measure(root, 1000, init, term, lookup, properName);
  Figures large = Measure(root, 100000, init, term, lookup, properName);
  FreeLibrary(lib);
  std::system(("rm -rf '" + root + "'").c_str());

  bool ok = true;
  auto report = [&](const char* what, double value, double goal) {
    bool met = value <= goal;
    ok = ok && met;
    std::printf("%-62s %6.2f (goal <= %.1f) %s\n", what, value, goal, met ? "ok" : "MISSED");
  };
  std::printf("NUXSV_GetLookupTableRef:   %6.2f us at 1,000 pages, %6.2f us at 100,000 pages\n", small.ref * 1e6,
              large.ref * 1e6);
  std::printf("  hand-written query:      %6.2f us at 1,000 pages, %6.2f us at 100,000 pages\n", small.rawRef * 1e6,
              large.rawRef * 1e6);
  std::printf("NUXSV_GetProperNamebySVID: %6.2f us at 1,000 pages, %6.2f us at 100,000 pages\n", small.name * 1e6,
              large.name * 1e6);
  std::printf("  hand-written query:      %6.2f us at 1,000 pages, %6.2f us at 100,000 pages\n", small.rawName * 1e6,
              large.rawName * 1e6);
  report("NUXSV_GetLookupTableRef, 100,000 / 1,000 pages", large.ref / small.ref, 2.0);
  report("NUXSV_GetProperNamebySVID, 100,000 / 1,000 pages", large.name / small.name, 2.0);
  report("NUXSV_GetLookupTableRef / hand-written query, 1,000 pages", small.ref / small.rawRef, 2.0);
  report("NUXSV_GetLookupTableRef / hand-written query, 100,000 pages", large.ref / large.rawRef, 2.0);
  report("NUXSV_GetProperNamebySVID / hand-written query, 1,000 pages", small.name / small.rawName, 2.0);
  report("NUXSV_GetProperNamebySVID / hand-written query, 100,000 pages", large.name / large.rawName, 2.0);
  return ok ? 0 : 1;
}
