#include "dao_test_support.h"

#include "base/codepage.h"
#include "fs/path.h"

namespace daotest {

std::u16string Win(const std::string& linuxPath) { return nux::fs::ToWindowsPath(linuxPath); }

DaoError Catch(const std::function<void()>& body) {
  DaoError out;
  try {
    body();
  } catch (CDaoException* e) {
    out.code = e->m_pErrorInfo ? e->m_pErrorInfo->m_lErrorCode : -1;
    WCHAR text[512];
    e->GetErrorMessage(text, 512);
    out.message = text;
    e->Delete();
  }
  return out;
}

std::u16string Text(const COleVariant& v) {
  if (v.vt == VT_NULL || v.vt == VT_EMPTY) return u"";
  COleVariant copy(v);
  copy.ChangeType(VT_BSTR);
  return std::u16string(copy.bstrVal, SysStringLen(copy.bstrVal));
}

std::string Utf8(std::u16string_view s) { return nux::ToUtf8(s); }

std::vector<std::string> Column(CDaoRecordset& rs, const char16_t* column) {
  std::vector<std::string> out;
  if (rs.IsEOF() && rs.IsBOF()) return out;
  rs.MoveFirst();
  while (!rs.IsEOF()) {
    out.push_back(Utf8(Text(rs.GetFieldValue(column))));
    rs.MoveNext();
  }
  return out;
}

void CreateContentDatabase(const std::u16string& path, const std::u16string& password) {
  CDaoDatabase db;
  std::u16string locale = std::u16string(dbLangGeneral) + (password.empty() ? u"" : u";pwd=" + password);
  db.Create(path.c_str(), locale.c_str());
  const char16_t* statements[] = {
      u"CREATE TABLE SV_MODULE (ID LONG PRIMARY KEY, ID_QBZ_SV TEXT(50), ID_TPL TEXT(10), SV_MODULE TEXT(10), "
      u"proper_name TEXT(255), HTML MEMO, [File] TEXT(255), DC_ADC_EN TEXT(255), DC_ADC_DE TEXT(255), "
      u"DC_ADC_FR TEXT(255), SearchText MEMO)",
      u"CREATE INDEX ID_QBZ_SV ON SV_MODULE (ID_QBZ_SV)",
      u"CREATE INDEX proper_name ON SV_MODULE (proper_name)",
      u"CREATE TABLE SV_LookUp_Table_Ref (ID_QBZ_SV TEXT(50), SV_TypeId_Lookup TEXT(10), SV_objectId_Lookup LONG, "
      u"DC_objectId_Lookup LONG, PG_objectId_Lookup LONG, RB_objectId_Lookup LONG, HP_objectId_Lookup LONG)",
      u"CREATE INDEX ID_QBZ_SV ON SV_LookUp_Table_Ref (ID_QBZ_SV)",
      u"CREATE TABLE SV_LookUp_Table_Lang (ID_QBZ_SV TEXT(50), proper_name TEXT(255))",
      u"CREATE TABLE HP_Nav_Tree (ID LONG, PID LONG, Title TEXT(255), ID_TA_HTML TEXT(50))",
      u"CREATE TABLE PG_NavTree (ID LONG, PID LONG, Title TEXT(255), ID_TA_HTML TEXT(50))",
      u"CREATE TABLE RB_NavTree (ID LONG, PID LONG, Title TEXT(255), ID_TA_HTML TEXT(50))",
      // Pages. Andromeda has no French head word; betelgeuse is written in lower case on
      // purpose, so that orders and comparisons show that they ignore case.
      u"INSERT INTO SV_MODULE VALUES (1, 'dict1', 'DICT', 'dict', 'Andromeda Galaxy', '<p>M31</p>', 'm31.jpg', "
      u"'Andromeda Galaxy', 'Andromedagalaxie', NULL, 'Our Sun is a star of the Milky Way, not of M31')",
      u"INSERT INTO SV_MODULE VALUES (2, 'dict2', 'DICT', 'dict', 'betelgeuse', '<p>Alpha Orionis</p>', NULL, "
      u"'Betelgeuse', 'Beteigeuze', 'Bételgeuse', 'A red supergiant')",
      u"INSERT INTO SV_MODULE VALUES (3, 'dict3', 'dict', 'DICT', 'Sirius', '<p>Dog star</p>', NULL, 'Sirius', "
      u"'Sirius', 'Sirius', 'The brightest star of the night sky')",
      u"INSERT INTO SV_MODULE VALUES (4, 'dctb1', 'dctb', 'dict', 'Table of Constellations', '', NULL, NULL, NULL, "
      u"NULL, NULL)",
      u"INSERT INTO SV_MODULE VALUES (5, 'pgal1', 'PGAL', 'pgal', 'Orion Nebula', '<img>', 'M42.JPG', NULL, NULL, "
      u"NULL, 'A nebula in Orion')",
      u"INSERT INTO SV_MODULE VALUES (6, 'recb1', 'RBPG', 'recb', 'Moon phases', '', NULL, NULL, NULL, NULL, "
      u"'The moon and the star')",
      u"INSERT INTO SV_MODULE VALUES (7, 'help1', 'HLPW', 'help', 'Using the search', '', NULL, NULL, NULL, NULL, "
      u"'100% of_the time')",
      u"INSERT INTO SV_MODULE VALUES (8, 'enc1', 'ASO', 'ENC', 'Encyclopaedia entry', '', NULL, NULL, NULL, NULL, "
      u"NULL)",
      u"INSERT INTO SV_MODULE VALUES (9, 'dict4', 'DICT', 'dict', 'Zeta Reticuli', '', NULL, 'Zeta Reticuli', "
      u"'Zeta Reticuli', 'Zêta du Réticule', 'A double star')",
      u"INSERT INTO SV_LookUp_Table_Ref VALUES ('NSTR1001', 'NSTR', 1001, 2, 0, 0, NULL)",
      u"INSERT INTO SV_LookUp_Table_Ref VALUES ('NDSO31', 'NDSO', 31, 1, 5, 6, 7)",
      u"INSERT INTO SV_LookUp_Table_Ref VALUES ('plnt4', 'plnt', NULL, NULL, NULL, NULL, NULL)",
      u"INSERT INTO SV_LookUp_Table_Ref VALUES ('NCMT9', NULL, NULL, NULL, NULL, NULL, 7)",
      u"INSERT INTO SV_LookUp_Table_Lang VALUES ('ndso31', 'Andromeda Galaxy')",
      u"INSERT INTO SV_LookUp_Table_Lang VALUES ('nstr1001', 'Betelgeuse')",
      u"INSERT INTO SV_LookUp_Table_Lang VALUES ('dict2', 'Betelgeuse')",
      u"INSERT INTO HP_Nav_Tree VALUES (1, 0, 'Help', 'help1')",
      u"INSERT INTO HP_Nav_Tree VALUES (2, 1, 'Searching', 'help1')",
      u"INSERT INTO HP_Nav_Tree VALUES (3, 1, 'Bookmarks', 'help2')",
      u"INSERT INTO PG_NavTree VALUES (1, 0, 'Gallery', 'pgal1')",
      u"INSERT INTO PG_NavTree VALUES (2, 1, 'Nebulae', 'pgal1')",
      u"INSERT INTO PG_NavTree VALUES (3, 1, 'nova remnants', 'pgal2')",
      u"INSERT INTO PG_NavTree VALUES (4, 1, 'Galaxies', 'pgal3')",
      u"INSERT INTO RB_NavTree VALUES (1, 0, 'Reference', 'recb1')",
  };
  db.BeginTrans();
  for (const char16_t* sql : statements) db.Execute(sql, dbFailOnError);
  db.CommitTrans();
  db.Close();
}

}  // namespace daotest
