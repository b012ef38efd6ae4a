#include "nuxsv_env.h"

#include <vector>

#include "base/wstr.h"
#include "dao/dao.h"
#include "fs/fs.h"
#include "fs/path.h"
#include "registry/registry.h"

namespace nuxsvtest {
namespace {

std::u16string Q(const char16_t* text) {
  if (!text) return u"NULL";
  std::u16string out = u"'";
  for (const char16_t* p = text; *p; ++p) {
    out += *p;
    if (*p == u'\'') out += u'\'';
  }
  return out + u"'";
}

void Exec(CDaoDatabase& db, const std::u16string& sql) { db.Execute(sql.c_str()); }

}  // namespace

void BuildContentDatabase(const std::u16string& path, const std::u16string& password, int lookupColumns) {
  CDaoDatabase db;
  db.Create(path.c_str(), (std::u16string(dbLangGeneral) + u";pwd=" + password).c_str());
  Exec(db,
       u"CREATE TABLE SV_MODULE (ID LONG PRIMARY KEY, ID_QBZ_SV TEXT(50), ID_TPL TEXT(10), SV_MODULE TEXT(10), "
       u"proper_name TEXT(255), HTML MEMO, File TEXT(255), DC_ADC_EN TEXT(255), DC_ADC_DE TEXT(255), "
       u"DC_ADC_FR TEXT(255), SearchText MEMO)");
  for (const char16_t* c : {u"ID_QBZ_SV", u"ID_TPL", u"proper_name", u"File", u"DC_ADC_EN"}) {
    Exec(db, nux::Format(u"CREATE INDEX %ls ON SV_MODULE (%ls)", c, c));
  }
  struct Page {
    int id;
    const char16_t *qbz, *tpl, *module, *name, *file, *en, *de, *fr, *search;
  };
  const Page pages[] = {
      {1, u"dict3", u"dict", u"dict", u"Sirius", u"sirius.htm", u"Sirius", u"Sirius", u"Sirius",
       u"Sirius ist der hellste Stern"},
      {2, u"dict4", u"dict", u"dict", u"Beteigeuze", u"beteigeuze.htm", u"Betelgeuse", u"Beteigeuze",
       u"B\u00e9telgeuse", u"Roter Riese im Orion"},
      {3, u"dict5", u"dict", u"dict", u"Aldebaran", u"aldebaran.htm", u"Aldebaran", u"Aldebaran", u"Aldebaran",
       u"Das Auge des Stiers"},
      {4, u"dctb1", u"dctb", u"dict", u"Die hellsten Sterne", u"tabelle.htm", nullptr, nullptr, nullptr,
       u"Tabelle der hellsten Sterne"},
      {5, u"pgal7", u"pgal", u"pgal", u"Andromedagalaxie", u"m31.jpg", nullptr, nullptr, nullptr,
       u"Die Spiralgalaxie in der Andromeda"},
      {6, u"recb1", u"recb", u"recb", u"Sternbild Orion", u"orion.htm", nullptr, nullptr, nullptr,
       u"Der Himmelsjaeger mit dem Orionnebel"},
      {7, u"help2", u"hlps", u"help", u"Suchen", u"suchen.htm", nullptr, nullptr, nullptr,
       u"Suchen mit UND, ODER und NICHT; 100% sicher"},
      {8, u"NCMT1", u"dict", u"dict", u"Halleyscher Komet", u"halley.htm", u"Halley's Comet", u"Halleyscher Komet",
       u"Com\u00e8te de Halley", u"Der Komet Halley kehrt alle 76 Jahre wieder"},
      {9, u"enc1", u"ENC", u"ENC", u"Astronomie", u"astronomie.htm", nullptr, nullptr, nullptr, u"Enzyklopaedie"},
  };
  for (const Page& p : pages) {
    Exec(db, nux::Format(u"INSERT INTO SV_MODULE VALUES (%d, ", p.id) + Q(p.qbz) + u", " + Q(p.tpl) + u", " +
                 Q(p.module) + u", " + Q(p.name) + u", '<p>" + p.name + u"</p>', " + Q(p.file) + u", " + Q(p.en) +
                 u", " + Q(p.de) + u", " + Q(p.fr) + u", " + Q(p.search) + u")");
  }

  static const char16_t* const kColumns[7] = {u"ID_QBZ_SV TEXT(50)", u"SV_TypeId_Lookup TEXT(10)",
                                              u"SV_objectId_Lookup LONG", u"DC_objectId_Lookup LONG",
                                              u"PG_objectId_Lookup LONG", u"RB_objectId_Lookup LONG",
                                              u"HP_objectId_Lookup LONG"};
  std::u16string create = u"CREATE TABLE SV_LookUp_Table_Ref (";
  for (int i = 0; i < lookupColumns; ++i) create += std::u16string(i ? u", " : u"") + kColumns[i];
  Exec(db, create + u")");
  Exec(db, u"CREATE INDEX ID_QBZ_SV ON SV_LookUp_Table_Ref (ID_QBZ_SV)");
  // id, kind, sky view, dictionary, picture gallery, reference book, help (nullptr: NULL)
  const std::vector<std::vector<const char16_t*>> lookups = {
      {u"NSTR1234", u"NSTR", u"1234", u"3", nullptr, u"1", nullptr},
      {u"NSTR91262", u"NSTR", nullptr, nullptr, nullptr, nullptr, nullptr},
      {u"scft2", nullptr, nullptr, nullptr, nullptr, nullptr, u"2"},
      {u"plnt5", u"plnt", u"5", u"0", u"7", u"0", u"0"},
      {u"cnst60", u"cnst", u"60", nullptr, nullptr, u"1", nullptr},
      {u"NCMT1", u"NCMT", u"1", nullptr, nullptr, nullptr, nullptr},
      {u"NSTR70890", u"  NSTR  ", u"70890", nullptr, nullptr, nullptr, nullptr},
  };
  for (const auto& row : lookups) {
    std::u16string values;
    for (int i = 0; i < lookupColumns; ++i) {
      values += i ? u", " : u"";
      values += (i == 0 || i == 1) ? Q(row[size_t(i)]) : (row[size_t(i)] ? row[size_t(i)] : u"NULL");
    }
    Exec(db, u"INSERT INTO SV_LookUp_Table_Ref VALUES (" + values + u")");
  }

  Exec(db, u"CREATE TABLE SV_LookUp_Table_Lang (ID_QBZ_SV TEXT(50), proper_name TEXT(255))");
  Exec(db, u"CREATE INDEX ID_QBZ_SV ON SV_LookUp_Table_Lang (ID_QBZ_SV)");
  const char16_t* const names[][2] = {{u"nstr1234", u"Sirius"},          {u"dict3", u"Sirius"},
                                      {u"NSTR70890", u"Barnard's Stern"}, {u"plnt5", u"  Jupiter "},
                                      {u"pgal7", u"Andromedagalaxie"},    {u"recb1", u"Sternbild Orion"},
                                      {u"help2", u"Suchen"}};
  for (const auto& n : names) {
    Exec(db, u"INSERT INTO SV_LookUp_Table_Lang VALUES (" + Q(n[0]) + u", " + Q(n[1]) + u")");
  }

  struct Nav {
    const char16_t* table;
    int id, pid;
    const char16_t *title, *page;
  };
  const Nav nav[] = {
      {u"RB_NavTree", 1, 0, u"Sternbilder", u"recb1"}, {u"RB_NavTree", 2, 1, u"Orion", u"recb1"},
      {u"RB_NavTree", 3, 0, u"Planeten", u"recb1"},    {u"HP_Nav_Tree", 1, 0, u"Hilfe", u"help2"},
      {u"HP_Nav_Tree", 2, 1, u"Suchen", u"help2"},     {u"PG_NavTree", 1, 0, u"Galaxien", u"pgal7"},
      {u"PG_NavTree", 3, 1, u"Andromeda", u"pgal7"},
  };
  for (const char16_t* table : {u"RB_NavTree", u"HP_Nav_Tree", u"PG_NavTree"}) {
    Exec(db, nux::Format(u"CREATE TABLE %ls (ID LONG PRIMARY KEY, PID LONG, Title TEXT(255), ID_TA_HTML TEXT(50))",
                         table));
  }
  for (const Nav& n : nav) {
    Exec(db, nux::Format(u"INSERT INTO %ls VALUES (%d, %d, ", n.table, n.id, n.pid) + Q(n.title) + u", " +
                 Q(n.page) + u")");
  }
  db.Close();
}

Installation::Installation() {
  WriteIni();
  root.Write("drive_c/Content/UI/readme.txt", "user-interface content\n");
  RegisterControl("libZrImageCtrl.so.2.0.7.6");
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\NUX\\Engine", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  auto set = [&](const char16_t* name, const std::u16string& value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   DWORD((value.size() + 1) * sizeof(char16_t)));
  };
  set(u"enabled", u"1");
  set(u"INI", u"C:\\Content");
  RegCloseKey(key);
  CreateDirectoryW(u"C:\\Content\\Data", nullptr);
  BuildContentDatabase(u"C:\\Content\\Data\\Content.mdb");
}

void Installation::WriteIni(const std::string& extra) {
  root.Write("drive_c/Content/NUX.INI",
             "[Setup]\r\nApp=AstroDict\r\n[Paths]\r\nUI=UI\r\nMDB=Data\\Content.mdb\r\nHTML=HTML\r\n" + extra);
}

void Installation::RegisterControl(const std::string& fileName, bool registerDefault) {
  const std::u16string clsid = u"{0B5F7A21-3C4D-4E6F-8A9B-1C2D3E4F5A6B}";
  for (const std::u16string& key : {u"CLSID\\" + clsid + u"\\InprocServer32", u"CLSID\\" + clsid,
                                    std::u16string(u"ZAROREZO.ImageCtrl.1\\CLSID"), std::u16string(u"ZAROREZO.ImageCtrl.1")}) {
    RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
  }
  if (fileName.empty()) return;
  root.Write("drive_c/Controls/" + fileName, std::string("\x7f" "ELF\x02\x01\x01", 7) + std::string(57, '\0'));
  auto setDefault = [](const std::u16string& keyName, const std::u16string& value) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CLASSES_ROOT, keyName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (!value.empty()) {
      RegSetValueExW(key, u"", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     DWORD((value.size() + 1) * sizeof(char16_t)));
    }
    RegCloseKey(key);
  };
  setDefault(u"ZAROREZO.ImageCtrl.1\\CLSID", clsid);
  setDefault(u"CLSID\\" + clsid + u"\\InprocServer32",
             registerDefault ? u"C:\\Controls\\" + nux::FromUtf8(fileName) : u"");
}

std::u16string LibraryPath() { return nux::fs::ToWindowsPath(NUXSV_LIBRARY); }

Library::Library(const std::u16string& path) {
  module = LoadLibraryW((path.empty() ? LibraryPath() : path).c_str());
  if (!module) {
    loadError = GetLastError();
    return;
  }
  Init = Get<InitFn>("NUXSV_Init");
  SetActive = Get<SetActiveFn>("NUXSV_SetActive");
  Term = Get<VoidFn>("NUXSV_Term");
  GetLookupTableRef = Get<LookupFn>("NUXSV_GetLookupTableRef");
  GetLookupTableRef2 = Get<Lookup2Fn>("NUXSV_GetLookupTableRef2");
  HasLookupTableRef = Get<HasLookupFn>("NUXSV_HasLookupTableRef");
  GetProperNamebySVID = Get<ProperNameFn>("NUXSV_GetProperNamebySVID");
  GetAstroDictCWnd = Get<WndFn>("NUXSV_GetAstroDictCWnd");
  GetEncyclopCWnd = Get<WndFn>("NUXSV_GetEncyclopCWnd");
  OpenEncyclop = Get<IntFn>("NUXSV_OpenEncyclop");
}

Library::~Library() {
  if (!module) return;
  Term();  // the host's last call: the database and the engine's use end with it
  FreeLibrary(module);
}

std::string Utf8(const CString& text) {
  return nux::ToUtf8(std::u16string_view(text.GetString(), size_t(text.GetLength())));
}

}  // namespace nuxsvtest
