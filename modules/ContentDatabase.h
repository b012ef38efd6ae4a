// What the library knows of its content database: the password, the module a page template
// belongs to, and how values go into the SQL texts of its queries.
#pragma once

#include <string>

#include "base/types.h"
#include "mfc/cstring.h"

// The connect string the content database is opened with.
#define NUXSV_CONTENT_CONNECT u";pwd=7C0E91AF3B58"

enum class ContentModule { None, Dictionary, PictureGallery, ReferenceBook, Help, Encyclopaedia };

// The module of a template code (compared upper-cased): "DICT" and every code beginning with
// "DC" the dictionary, "PGAL" and "PGGG" the picture gallery, "RECB" and "RBPG" the reference
// book, "HLPW" and "HLPS" the help, "ENC" and "ASO" the encyclopaedia; any other code none.
ContentModule ModuleOfTemplate(const CString& code);

// A value for a LIKE pattern between single quotes: every quote doubled, the wildcards left
// as wildcards.
CString SqlLikeValue(const CString& value);
void AppendSqlLikeValue(std::u16string& sql, const CString& value);
