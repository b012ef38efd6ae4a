#include "ContentDatabase.h"

ContentModule ModuleOfTemplate(const CString& code) {
  CString upper = code;
  upper.MakeUpper();
  if (upper == u"DICT" || upper.Left(2) == u"DC") return ContentModule::Dictionary;
  if (upper == u"PGAL" || upper == u"PGGG") return ContentModule::PictureGallery;
  if (upper == u"RECB" || upper == u"RBPG") return ContentModule::ReferenceBook;
  if (upper == u"HLPW" || upper == u"HLPS") return ContentModule::Help;
  if (upper == u"ENC" || upper == u"ASO") return ContentModule::Encyclopaedia;
  return ContentModule::None;
}

CString SqlLikeValue(const CString& value) {
  std::u16string quoted;
  AppendSqlLikeValue(quoted, value);
  return CString(quoted.c_str(), int(quoted.size()));
}

void AppendSqlLikeValue(std::u16string& sql, const CString& value) {
  const char16_t* text = value.GetString();
  for (int i = 0, n = value.GetLength(); i < n; ++i) {
    sql += text[i];
    if (text[i] == u'\'') sql += u'\'';
  }
}
