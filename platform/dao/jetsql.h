// The SQL dialect of the desktop database engine, translated to SQLite.
//
// A small parser reads the engine's SQL (tokens, expressions, SELECT, INSERT, UPDATE, DELETE,
// CREATE/DROP TABLE and INDEX) and writes the SQLite statements that do the same:
//  - names may be [bracketed]; table and column names have no case;
//  - LIKE uses the engine's wildcards: * any text, ? one character, # one digit, [abc], [a-z],
//    [!...]; it compares without case, % and _ are plain characters, and NULL matches nothing;
//    a pattern without wildcards becomes an equality, so that an index answers it;
//  - =, <>, <, <=, >, >=, BETWEEN, IN and ORDER BY compare texts in the order of kTextCollation:
//    without case for every letter, with accents kept apart;
//  - 'text' and "text" are strings, #date# literals are dates, TRUE is -1;
//  - & joins texts, \ divides whole numbers, MOD is the remainder.
// A SELECT becomes two queries: one for the row ids of the records it selects, in its order,
// and one that reads a record's columns by row id, so that recordsets can move freely.
//
// Errors are thrown as JetError with the engine's error number and message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "com/oleauto.h"

namespace nux::dao {

struct JetError {
  long code;
  std::u16string message;
};

// Error numbers used by the layer.
enum : long {
  kErrInvalidArgument = 3001,
  kErrNoCurrentRecord = 3021,
  kErrUpdateWithoutEdit = 3020,
  kErrDuplicateKey = 3022,
  kErrFileNotFound = 3024,
  kErrReadOnly = 3027,
  kErrNotValidPassword = 3031,
  kErrInvalidPath = 3044,
  kErrFileInUse = 3045,
  kErrTooFewParameters = 3061,
  kErrCannotExecuteSelect = 3065,
  kErrUnknownFieldInExpression = 3070,
  kErrSyntaxInQueryExpression = 3075,
  kErrSyntaxInExpression = 3077,
  kErrTableNotFound = 3078,
  kErrUndefinedFunction = 3085,
  kErrInvalidStatement = 3129,
  kErrSyntaxInFrom = 3131,
  kErrSyntaxInInsert = 3134,
  kErrSyntaxInOrderBy = 3138,
  kErrSyntaxInSelect = 3141,
  kErrCharactersAfterEnd = 3142,
  kErrSyntaxInUpdate = 3144,
  kErrFieldTooSmall = 3163,
  kErrRecordDeleted = 3167,
  kErrDatabaseExists = 3204,
  kErrLocked = 3218,
  kErrItemNotFound = 3265,
  kErrSyntaxInCreateTable = 3290,
  kErrSyntaxInIndex = 3289,
  kErrUnrecognizedFormat = 3343,
  kErrQueryTooComplex = 3360,
  kErrTypeConversion = 3421,
  kErrObjectInvalid = 3420,
  kErrTableExists = 3010,
  kErrEngine = 3000,
};

[[noreturn]] void ThrowJet(long code, std::u16string message);

// The name under which each connection knows the order of text (case-insensitive,
// accent-sensitive, the general language order). Text columns are declared with it and every
// comparison, LIKE and ORDER BY on text uses it, so indexes, seeks and ordered scans agree.
inline constexpr const char* kTextCollation = "NUXTEXT";

// The values written in a statement's text. They are bound as parameters ?1, ?2 ... so
// that statements differing only in their values share one prepared statement.
struct Literal {
  enum Kind { Text, Integer, Real } kind = Text;
  std::u16string text;
  int64_t integer = 0;
  double real = 0;
  // Where the value comes from: the how-manieth string or number of the text (-1: none), and
  // what was made of it. Statements that differ only in their values are translated once.
  enum Use { AsWritten, PatternText, PatternPrefix, PatternPrefixEnd } use = AsWritten;
  int source = -1;
};
inline constexpr int kFirstLiteralParam = 1;
inline constexpr int kReadAhead = 64;

struct Statement {
  enum Kind { Select, Insert, Update, Delete, CreateTable, CreateIndex, DropTable, DropIndex };
  Kind kind = Select;
  std::u16string table;           // the table the statement is on
  std::string sql;                // Select: the row-id query; others: the statement
  std::string rowSql;             // Select: the columns of one record, ?1 = its row id
  // Select: the row ids with the columns of up to kReadAhead records, ?1.. = their row ids (the
  // ones not bound are NULL and match nothing), for reading a scan's records a block at a time.
  std::string blockSql;
  // Select: for a condition that picks records by one value (a look-up), the row ids with
  // the columns (rowid first), so that the first record needs no second query; else empty.
  std::string keysWithColumnsSql;
  std::vector<std::string> more;  // further statements (the indexes of CREATE TABLE)
  std::vector<Literal> params;    // of `sql`
  bool reusable = false;          // every value is a parameter that comes from the text
  bool Writes() const { return kind != Select; }
};

// Translates one statement; throws JetError for text the engine would refuse.
Statement Translate(std::u16string_view jetSql);

// The statement's shape: its tokens with each string and number replaced by a mark of its
// kind. Statements of one shape translate alike but for their values. Empty when the text
// cannot be read (Translate then reports why). `values` receives the strings and numbers.
// `firstString`, when given, receives where the first string's text lies (after its opening
// quote, up to its closing quote) and its quote character.
struct StringSpan {
  size_t begin = 0;
  size_t end = 0;
  char16_t quote = 0;
};
std::u16string ShapeOf(std::u16string_view jetSql, std::vector<std::u16string>& values,
                       StringSpan* firstString = nullptr);
// The mark of a string in a shape: how it can be used as a LIKE pattern.
char16_t PatternMark(std::u16string_view text);
// The parameters of `model` (a reusable statement) for the values of another text of its shape.
std::vector<Literal> ReuseParams(const Statement& model, const std::vector<std::u16string>& values);

// Translates a criteria expression (FindFirst) into an SQLite expression.
struct Criteria {
  std::string sql;
  std::vector<Literal> params;
};
Criteria TranslateCriteria(std::u16string_view criteria);

// A name as an SQLite identifier: "name" with inner quotes doubled, in UTF-8.
std::string QuoteName(std::u16string_view name);
std::string QuoteText(std::u16string_view text);

// The engine's LIKE: true when the value matches the pattern, without case.
bool LikeMatch(std::u16string_view value, std::u16string_view pattern);
// The text a pattern stands for when it has no wildcards ([*] and the like are literal
// characters); false when it has some.
bool LikeLiteral(std::u16string_view pattern, std::u16string& literal);

// Field types of the engine (dbBoolean ... dbMemo) and their SQLite column declarations.
std::string ColumnDecl(short dbType, long size, bool autoIncrement);
struct DeclInfo {
  short dbType;  // 0 when the declaration is not known
  VARTYPE vt;    // VT_EMPTY when not known: the value's own storage class decides
  long size;
};
DeclInfo ParseDecl(std::string_view decl);

}  // namespace nux::dao
