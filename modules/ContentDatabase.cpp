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
  CString quoted = value;
  quoted.Replace(u"'", u"''");
  return quoted;
}
