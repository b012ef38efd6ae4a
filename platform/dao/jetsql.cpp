// The parser and translator of the engine's SQL dialect.
#include "dao/jetsql.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <utility>

#include "base/codepage.h"
#include "base/textcase.h"
#include "dao/dao.h"

namespace nux::dao {

void ThrowJet(long code, std::u16string message) { throw JetError{code, std::move(message)}; }

namespace {

std::u16string U16(const char* s) { return std::u16string(s, s + std::strlen(s)); }

// A character as LIKE compares it: without case, for every letter.
char16_t Fold(char16_t c) { return nux::FoldChar(c); }

// Keywords and function names are plain ASCII words.
bool EqualNoCase(std::u16string_view a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (nux::LowerAscii(a[i]) != nux::LowerAscii(char16_t(b[i]))) return false;
  }
  return true;
}

// How deep brackets, NOT and signs may nest in one expression. Deeper text is refused with the
// engine's error before it can exhaust the stack.
constexpr int kMaxExpressionDepth = 256;

// ---- tokens ---------------------------------------------------------------------
enum class Tok { End, Name, Bracket, String, BadString, Number, Date, BadDate, Op };

struct Token {
  Tok kind;
  std::u16string text;  // names, bracketed names and strings without their quotes; operators
  size_t pos;           // offset in the statement
  size_t end;
};

bool NameStart(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c >= 0x80; }
bool NameChar(char16_t c) { return NameStart(c) || (c >= u'0' && c <= u'9') || c == u'$'; }
bool Digit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The scanning Lex and ShapeOf share; each works on the statement s from offset i.
size_t SkipBlanks(std::u16string_view s, size_t i) {
  while (i < s.size() && (s[i] == u' ' || s[i] == u'\t' || s[i] == u'\r' || s[i] == u'\n')) ++i;
  return i;
}

// Reads a string quoted with c whose opening quote stands just before i; a doubled quote stands
// for one. Leaves i behind the closing quote (or at the end) and says whether the string closed.
bool ReadQuoted(std::u16string_view s, size_t& i, char16_t c, std::u16string& text) {
  // Most strings hold no doubled quote: take them whole.
  size_t close = s.find(c, i);
  if (close != std::u16string_view::npos && (close + 1 >= s.size() || s[close + 1] != c)) {
    text.assign(s.substr(i, close - i));
    i = close + 1;
    return true;
  }
  while (i < s.size()) {
    if (s[i] == c) {
      if (i + 1 < s.size() && s[i + 1] == c) {
        text.push_back(c);
        i += 2;
        continue;
      }
      ++i;
      return true;
    }
    text.push_back(s[i++]);
  }
  return false;
}

// The end of the number that starts at i: digits, a fraction, an exponent.
size_t NumberEnd(std::u16string_view s, size_t i) {
  while (i < s.size() && Digit(s[i])) ++i;
  if (i < s.size() && s[i] == u'.') {
    ++i;
    while (i < s.size() && Digit(s[i])) ++i;
  }
  if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) ++j;
    if (j < s.size() && Digit(s[j])) {
      i = j;
      while (i < s.size() && Digit(s[i])) ++i;
    }
  }
  return i;
}

// The length of the operator at i: 2, 1, or 0 where none stands there.
size_t OperatorLength(std::u16string_view s, size_t i) {
  static const char16_t* const two[] = {u"<=", u">=", u"<>", u"!="};
  for (const char16_t* op : two) {
    if (i + 1 < s.size() && s[i] == op[0] && s[i + 1] == op[1]) return 2;
  }
  return std::u16string_view(u"=<>+-*/\\&(),.;").find(s[i]) == std::u16string_view::npos ? 0 : 1;
}

// Splits a statement into tokens. Unterminated strings and dates become one bad token each
// that runs to the end, which the parser turns into the engine's error for the clause.
std::vector<Token> Lex(std::u16string_view s, long syntaxCode, const std::u16string& syntaxMessage) {
  std::vector<Token> out;
  size_t i = 0;
  while (true) {
    i = SkipBlanks(s, i);
    if (i >= s.size()) break;
    size_t start = i;
    char16_t c = s[i];
    if (NameStart(c)) {
      while (i < s.size() && NameChar(s[i])) ++i;
      out.push_back({Tok::Name, std::u16string(s.substr(start, i - start)), start, i});
    } else if (c == u'[') {
      size_t close = s.find(u']', i + 1);
      if (close == std::u16string_view::npos) ThrowJet(syntaxCode, syntaxMessage);
      out.push_back({Tok::Bracket, std::u16string(s.substr(i + 1, close - i - 1)), start, close + 1});
      i = close + 1;
    } else if (c == u'\'' || c == u'"') {
      std::u16string text;
      ++i;
      const bool closed = ReadQuoted(s, i, c, text);
      out.push_back({closed ? Tok::String : Tok::BadString, text, start, i});
    } else if (c == u'#') {
      size_t close = s.find(u'#', i + 1);
      if (close == std::u16string_view::npos) {
        out.push_back({Tok::BadDate, std::u16string(s.substr(i + 1)), start, s.size()});
        i = s.size();
      } else {
        out.push_back({Tok::Date, std::u16string(s.substr(i + 1, close - i - 1)), start, close + 1});
        i = close + 1;
      }
    } else if (Digit(c) || (c == u'.' && i + 1 < s.size() && Digit(s[i + 1]))) {
      i = NumberEnd(s, i);
      out.push_back({Tok::Number, std::u16string(s.substr(start, i - start)), start, i});
    } else {
      const size_t n = OperatorLength(s, i);
      if (n == 0) ThrowJet(syntaxCode, syntaxMessage);
      out.push_back({Tok::Op, std::u16string(s.substr(i, n)), start, i + n});
      i += n;
    }
  }
  out.push_back({Tok::End, u"", s.size(), s.size()});
  return out;
}

// ---- expressions ----------------------------------------------------------------
// Thrown inside an expression; the clause that holds it turns it into the engine's error.
struct ExprFail {
  bool badString;
  std::u16string function;  // an unknown function's name
};

struct Value {
  std::string sql;
  int param = -1;   // the literal's parameter, when it is one
  int source = -1;  // the how-manieth string or number of the text it was written as
  bool equality = false;  // a comparison for equality (or a LIKE without wildcards)
  bool isColumn = false;
  bool isString = false;  // a string literal (its text in `text`)
  bool isNumber = false;  // a number or date literal, possibly signed
  std::u16string text;
};

std::string Utf8(std::u16string_view s) { return nux::ToUtf8(s); }

// Parses the date of a #...# literal: m/d/y or y-m-d, optionally followed by a time.
bool ParseDateLiteral(std::u16string_view text, double& out) {
  std::string s = nux::ToUtf8(text);
  int a = 0, b = 0, c = 0, h = 0, mi = 0, se = 0;
  char sep = 0;
  int consumed = 0;
  if (std::sscanf(s.c_str(), "%d%c%d%*c%d%n", &a, &sep, &b, &c, &consumed) < 4 || (sep != '/' && sep != '-')) {
    return false;
  }
  int year, month, day;
  if (a > 31) {
    year = a, month = b, day = c;
  } else {
    month = a, day = b, year = c;
    if (year < 30) year += 2000;
    else if (year < 100) year += 1900;
  }
  std::string rest = s.substr(size_t(consumed));
  if (!rest.empty()) {
    char ampm[3] = {};
    int n = std::sscanf(rest.c_str(), " %d:%d:%d %2s", &h, &mi, &se, ampm);
    if (n < 2) {
      n = std::sscanf(rest.c_str(), " %d:%d %2s", &h, &mi, ampm);
      se = 0;
    }
    if (n < 2) return false;
    if ((ampm[0] == 'P' || ampm[0] == 'p') && h < 12) h += 12;
    if ((ampm[0] == 'A' || ampm[0] == 'a') && h == 12) h = 0;
  }
  UDATE u{};
  u.st.wYear = WORD(year);
  u.st.wMonth = WORD(month);
  u.st.wDay = WORD(day);
  u.st.wHour = WORD(h);
  u.st.wMinute = WORD(mi);
  u.st.wSecond = WORD(se);
  return VarDateFromUdate(&u, 0, &out) == S_OK;
}

// A pattern of plain characters followed by one '*': the characters; false otherwise.
bool PrefixPattern(std::u16string_view pattern, std::u16string& prefix) {
  if (pattern.size() < 2 || pattern.back() != u'*') return false;
  if (!LikeLiteral(pattern.substr(0, pattern.size() - 1), prefix) || prefix.empty()) return false;
  return prefix.size() == pattern.size() - 1;  // [x] sets are left to the pattern
}

Literal NumberValue(const std::u16string& text) {
  std::string n = Utf8(text);
  Literal l;
  bool whole = n.find_first_of(".eE") == std::string::npos && n.size() < 19;
  if (whole) {
    l.kind = Literal::Integer;
    l.integer = std::stoll(n);
  } else {
    l.kind = Literal::Real;
    l.real = std::strtod(n.c_str(), nullptr);
  }
  return l;
}

// A text after all texts that begin with the prefix, in the collation's order.
std::u16string PrefixEnd(const std::u16string& prefix) { return nux::CollationPrefixEnd(prefix); }

std::string Collate() { return std::string(" COLLATE ") + kTextCollation; }

class Parser {
 public:
  Parser(std::u16string_view source, std::vector<Token> tokens) : src_(source), t_(std::move(tokens)) {
    int n = 0;
    ordinal_.resize(t_.size(), -1);
    for (size_t k = 0; k < t_.size(); ++k) {
      if (t_[k].kind == Tok::String || t_[k].kind == Tok::Number) ordinal_[k] = n++;
    }
  }
  bool reusable = true;  // cleared when a value goes into the text itself

  // Literals go into the parameter list, except where their text matters to the statement's
  // shape (column lists, ORDER BY).
  std::vector<Literal> params;
  bool inlineLiterals = false;

  const Token& Peek(size_t ahead = 0) const { return t_[std::min(i_ + ahead, t_.size() - 1)]; }
  const Token& Next() { return t_[i_ < t_.size() - 1 ? i_++ : i_]; }
  bool AtEnd() const { return Peek().kind == Tok::End; }
  bool IsKeyword(const char* kw, size_t ahead = 0) const {
    const Token& t = Peek(ahead);
    return t.kind == Tok::Name && EqualNoCase(t.text, kw);
  }
  bool Keyword(const char* kw) {
    if (!IsKeyword(kw)) return false;
    ++i_;
    return true;
  }
  bool IsOp(const char16_t* op, size_t ahead = 0) const {
    const Token& t = Peek(ahead);
    return t.kind == Tok::Op && t.text == op;
  }
  bool Op(const char16_t* op) {
    if (!IsOp(op)) return false;
    ++i_;
    return true;
  }
  size_t Pos() const { return Peek().pos; }
  std::u16string_view Source() const { return src_; }

  // A table or column name (plain or bracketed); empty when the next token is none.
  std::u16string Name() {
    const Token& t = Peek();
    if (t.kind == Tok::Name || t.kind == Tok::Bracket) {
      ++i_;
      return t.text;
    }
    return u"";
  }

  // A column reference, possibly qualified ("table.column"): the column's name.
  std::u16string ColumnName() {
    std::u16string n = Name();
    if (!n.empty() && IsOp(u".") && (Peek(1).kind == Tok::Name || Peek(1).kind == Tok::Bracket)) {
      ++i_;
      n = Name();
    }
    return n;
  }

  Value Expression() { return Or(); }

 private:
  static Value Sql(std::string s) {
    Value v;
    v.sql = std::move(s);
    return v;
  }
  Value TextLiteral(const std::u16string& text, int source = -1, Literal::Use use = Literal::AsWritten) {
    if (inlineLiterals) {
      reusable = false;
      return Sql(QuoteText(text));
    }
    Literal l;
    l.kind = Literal::Text;
    l.text = text;
    l.source = source;
    l.use = use;
    return Param(std::move(l));
  }
  Value NumberLiteral(const std::u16string& text, int source) {
    Value v;
    if (inlineLiterals) {
      reusable = false;
      v = Sql(Utf8(text));
    } else {
      Literal l = NumberValue(text);
      l.source = source;
      v = Param(std::move(l));
    }
    v.isNumber = true;
    return v;
  }
  Value RealLiteral(double d) {
    reusable = false;
    Value v;
    if (inlineLiterals) {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.17g", d);
      v = Sql(buf);
    } else {
      Literal l;
      l.kind = Literal::Real;
      l.real = d;
      v = Param(std::move(l));
    }
    v.isNumber = true;
    return v;
  }
  Value Param(Literal l) {
    int source = l.source;
    params.push_back(std::move(l));
    Value v = Sql("?" + std::to_string(kFirstLiteralParam + int(params.size()) - 1));
    v.param = int(params.size()) - 1;
    v.source = source;
    return v;
  }
  // Drops a pattern's parameter that the statement does not use after all.
  void DropParam(const Value& v) {
    if (v.param >= 0 && v.param == int(params.size()) - 1) params.pop_back();
  }

  static std::string Collated(const Value& v) {
    return v.isColumn ? v.sql + Collate() : "(" + v.sql + ")" + Collate();
  }
  // The left side of a comparison: in the order of text, unless it is compared with numbers
  // only, where no order of text applies and a number column's own index must stay usable.
  static std::string Compared(const Value& left, std::initializer_list<const Value*> others) {
    bool numbers = true;
    for (const Value* v : others) numbers = numbers && v->isNumber;
    return numbers || left.isNumber ? left.sql : Collated(left);
  }

  // Counts one level of nesting while it lives; too deep a text fails as too complex.
  struct Nesting {
    explicit Nesting(int& depth) : depth_(depth) {
      if (++depth_ > kMaxExpressionDepth) {
        --depth_;
        ThrowJet(kErrQueryTooComplex, u"Query is too complex.");
      }
    }
    ~Nesting() { --depth_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;
    int& depth_;
  };

  // A chain of one operator is one flat list, "(a OR b OR c)", so that long conditions do not
  // nest (SQLite's parser has a bounded stack).
  Value Or() {
    Value left = And();
    if (!IsKeyword("OR")) return left;
    std::string list = "(" + left.sql;
    while (Keyword("OR")) list += " OR " + And().sql;
    return Sql(list + ")");
  }
  Value And() {
    Value left = Not();
    if (!IsKeyword("AND")) return left;
    std::string list = "(" + left.sql;
    while (Keyword("AND")) list += " AND " + Not().sql;
    return Sql(list + ")");
  }
  Value Not() {
    if (Keyword("NOT")) {
      Nesting nested(depth_);
      Value inner = Not();
      return Sql("(NOT " + inner.sql + ")");
    }
    return Comparison();
  }
  Value Comparison() {
    Value left = Concat();
    static const char16_t* const ops[] = {u"=", u"<>", u"!=", u"<", u">", u"<=", u">="};
    for (const char16_t* op : ops) {
      if (Op(op)) {
        Value right = Concat();
        std::string o = (op[0] == u'!') ? "<>" : Utf8(op);
        Value v = Sql("(" + Compared(left, {&right}) + " " + o + " " + right.sql + ")");
        v.equality = o == "=" && left.isColumn;
        return v;
      }
    }
    bool negate = false;
    if (IsKeyword("NOT") && (IsKeyword("LIKE", 1) || IsKeyword("BETWEEN", 1) || IsKeyword("IN", 1))) {
      ++i_;
      negate = true;
    }
    if (Keyword("LIKE")) {
      Value pattern = Concat();
      std::string test;
      std::u16string literal;
      std::u16string prefix;
      if (pattern.isString && LikeLiteral(pattern.text, literal)) {
        DropParam(pattern);
        test = "(" + Collated(left) + " = " + TextLiteral(literal, pattern.source, Literal::PatternText).sql + ")";
      } else if (pattern.isString && left.isColumn && PrefixPattern(pattern.text, prefix)) {
        // "abc*": the range of texts that begin so lets an index find them; the pattern
        // itself still decides.
        std::u16string upper = PrefixEnd(prefix);
        std::string low = TextLiteral(prefix, pattern.source, Literal::PatternPrefix).sql;
        std::string high = TextLiteral(upper, pattern.source, Literal::PatternPrefixEnd).sql;
        test = "(" + Collated(left) + " >= " + low + " AND " + Collated(left) + " < " + high + " AND nux_like(" +
               left.sql + ", " + pattern.sql + "))";
      } else {
        test = "nux_like(" + left.sql + ", " + pattern.sql + ")";
      }
      Value v = Sql(negate ? "(NOT " + test + ")" : test);
      v.equality = !negate && left.isColumn && pattern.isString && !literal.empty() && test.find(" = ") != std::string::npos &&
                   test.find("nux_like") == std::string::npos;
      return v;
    }
    if (Keyword("BETWEEN")) {
      Value low = Concat();
      if (!Keyword("AND")) throw ExprFail{false, {}};
      Value high = Concat();
      return Sql(std::string("(") + Compared(left, {&low, &high}) + (negate ? " NOT" : "") + " BETWEEN " + low.sql +
                 " AND " + high.sql + ")");
    }
    if (Keyword("IN")) {
      if (!Op(u"(")) throw ExprFail{false, {}};
      std::string list;
      bool numbers = true;
      do {
        Value item = Concat();
        numbers = numbers && item.isNumber;
        if (!list.empty()) list += ", ";
        list += item.sql;
      } while (Op(u","));
      if (!Op(u")")) throw ExprFail{false, {}};
      std::string tested = numbers || left.isNumber ? left.sql : Collated(left);
      return Sql(std::string("(") + tested + (negate ? " NOT" : "") + " IN (" + list + "))");
    }
    if (negate) throw ExprFail{false, {}};
    if (Keyword("IS")) {
      bool isNot = Keyword("NOT");
      if (!Keyword("NULL")) throw ExprFail{false, {}};
      return Sql("(" + left.sql + (isNot ? " IS NOT NULL)" : " IS NULL)"));
    }
    return left;
  }
  Value Concat() {
    Value left = Additive();
    while (Op(u"&")) {
      Value right = Additive();
      left = Sql("(IFNULL(" + left.sql + ", '') || IFNULL(" + right.sql + ", ''))");
    }
    return left;
  }
  Value Additive() {
    Value left = Modulo();
    while (IsOp(u"+") || IsOp(u"-")) {
      std::string op = Utf8(Next().text);
      Value right = Modulo();
      left = Sql("(" + left.sql + " " + op + " " + right.sql + ")");
    }
    return left;
  }
  Value Modulo() {
    Value left = IntDivide();
    while (Keyword("MOD")) {
      Value right = IntDivide();
      left = Sql("(CAST(" + left.sql + " AS INTEGER) % CAST(" + right.sql + " AS INTEGER))");
    }
    return left;
  }
  Value IntDivide() {
    Value left = Multiply();
    while (Op(u"\\")) {
      Value right = Multiply();
      left = Sql("(CAST(" + left.sql + " AS INTEGER) / CAST(" + right.sql + " AS INTEGER))");
    }
    return left;
  }
  Value Multiply() {
    Value left = Unary();
    while (IsOp(u"*") || IsOp(u"/")) {
      bool divide = Next().text == u"/";
      Value right = Unary();
      left = Sql(divide ? "(CAST(" + left.sql + " AS REAL) / " + right.sql + ")" : "(" + left.sql + " * " + right.sql + ")");
    }
    return left;
  }
  Value Unary() {
    if (IsOp(u"-") || IsOp(u"+")) {
      Nesting nested(depth_);
      if (Op(u"-")) {
        Value inner = Unary();
        Value v = Sql("(-" + inner.sql + ")");
        v.isNumber = inner.isNumber;
        return v;
      }
      Op(u"+");
      return Unary();
    }
    return Primary();
  }
  Value Primary() {
    const Token& t = Peek();
    switch (t.kind) {
      case Tok::String: {
        ++i_;
        Value v = TextLiteral(t.text, ordinal_[i_ - 1]);
        v.isString = true;
        v.text = t.text;
        return v;
      }
      case Tok::BadString:
        throw ExprFail{true, {}};
      case Tok::Number:
        ++i_;
        return NumberLiteral(t.text, ordinal_[i_ - 1]);
      case Tok::Date: {
        double d;
        if (!ParseDateLiteral(t.text, d)) throw ExprFail{false, {}};
        ++i_;
        return RealLiteral(d);
      }
      case Tok::BadDate:
        throw ExprFail{false, {}};
      case Tok::Op:
        if (Op(u"(")) {
          // Every compound expression is written inside its own brackets already: the
          // text's brackets add none, however deep they are.
          Nesting nested(depth_);
          Value inner = Expression();
          if (!Op(u")")) throw ExprFail{false, {}};
          return inner;
        }
        throw ExprFail{false, {}};
      case Tok::Name:
        if (EqualNoCase(t.text, "NULL")) {
          ++i_;
          return Sql("NULL");
        }
        if (EqualNoCase(t.text, "TRUE") || EqualNoCase(t.text, "YES") || EqualNoCase(t.text, "ON")) {
          ++i_;
          return Sql("-1");
        }
        if (EqualNoCase(t.text, "FALSE") || EqualNoCase(t.text, "NO") || EqualNoCase(t.text, "OFF")) {
          ++i_;
          return Sql("0");
        }
        if (IsReserved(t.text)) throw ExprFail{false, {}};
        if (IsOp(u"(", 1)) return Function();
        [[fallthrough]];
      case Tok::Bracket: {
        std::u16string name = ColumnName();
        Value v = Sql(QuoteName(name));
        v.isColumn = true;
        return v;
      }
      case Tok::End:
        break;
    }
    throw ExprFail{false, {}};
  }

  // The few functions of the dialect that map straight onto SQLite's.
  Value Function() {
    std::u16string name = Next().text;
    Op(u"(");
    std::vector<std::string> args;
    if (!IsOp(u")")) {
      do {
        args.push_back(Expression().sql);
      } while (Op(u","));
    }
    if (!Op(u")")) throw ExprFail{false, {}};
    auto call = [&](const char* f, size_t minArgs, size_t maxArgs) {
      if (args.size() < minArgs || args.size() > maxArgs) throw ExprFail{false, {}};
      std::string s = std::string(f) + "(";
      for (size_t k = 0; k < args.size(); ++k) s += (k ? ", " : "") + args[k];
      return Sql(s + ")");
    };
    if (EqualNoCase(name, "UCASE")) return call("UPPER", 1, 1);
    if (EqualNoCase(name, "LCASE")) return call("LOWER", 1, 1);
    if (EqualNoCase(name, "LEN")) return call("LENGTH", 1, 1);
    if (EqualNoCase(name, "TRIM")) return call("TRIM", 1, 1);
    if (EqualNoCase(name, "LTRIM")) return call("LTRIM", 1, 1);
    if (EqualNoCase(name, "RTRIM")) return call("RTRIM", 1, 1);
    if (EqualNoCase(name, "NZ")) {
      if (args.size() == 1) args.push_back("''");
      return call("IFNULL", 2, 2);
    }
    if (EqualNoCase(name, "MID")) return call("SUBSTR", 2, 3);
    if (EqualNoCase(name, "LEFT")) {
      if (args.size() != 2) throw ExprFail{false, {}};
      return Sql("SUBSTR(" + args[0] + ", 1, " + args[1] + ")");
    }
    if (EqualNoCase(name, "RIGHT")) {
      if (args.size() != 2) throw ExprFail{false, {}};
      return Sql("(CASE WHEN " + args[1] + " > 0 THEN SUBSTR(" + args[0] + ", -(" + args[1] + ")) ELSE '' END)");
    }
    throw ExprFail{false, name};
  }

  static bool IsReserved(std::u16string_view word) {
    static const char* const reserved[] = {"SELECT", "FROM", "WHERE", "ORDER", "BY", "AND", "OR", "NOT", "LIKE",
                                           "IS", "BETWEEN", "IN", "ASC", "DESC", "INSERT", "INTO", "VALUES",
                                           "UPDATE", "SET", "DELETE", "MOD", "AS"};
    for (const char* r : reserved) {
      if (EqualNoCase(word, r)) return true;
    }
    return false;
  }

  std::u16string_view src_;
  std::vector<Token> t_;
  std::vector<int> ordinal_;  // of each token: its place among the strings and numbers
  size_t i_ = 0;
  int depth_ = 0;
};

std::u16string Trimmed(std::u16string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && (s[a] == u' ' || s[a] == u'\t' || s[a] == u'\r' || s[a] == u'\n')) ++a;
  while (b > a && (s[b - 1] == u' ' || s[b - 1] == u'\t' || s[b - 1] == u'\r' || s[b - 1] == u'\n' || s[b - 1] == u';')) --b;
  return std::u16string(s.substr(a, b - a));
}

// Runs an expression parse inside a clause; failures become the engine's errors that quote the
// clause's expression text (from `from` up to the clause end).
template <typename F>
Value ClauseExpression(Parser& p, F&& parse) {
  size_t start = p.Pos();
  try {
    return parse();
  } catch (const ExprFail& f) {
    if (!f.function.empty()) ThrowJet(kErrUndefinedFunction, u"Undefined function '" + f.function + u"' in expression.");
    // The expression text runs to ORDER BY or the end of the statement.
    std::u16string_view rest = p.Source().substr(start);
    std::u16string upper;
    for (char16_t c : rest) upper.push_back(nux::UpperAscii(c));
    size_t order = upper.find(u" ORDER BY ");
    if (!f.badString && order != std::u16string::npos) rest = rest.substr(0, order);
    std::u16string text = Trimmed(rest);
    if (f.badString) ThrowJet(kErrSyntaxInQueryExpression, u"Syntax error in string in query expression '" + text + u"'.");
    ThrowJet(kErrSyntaxInQueryExpression, u"Syntax error (missing operator) in query expression '" + text + u"'.");
  }
}

const std::u16string kInvalidStatement =
    u"Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.";

void ExpectEnd(Parser& p) {
  p.Op(u";");
  if (!p.AtEnd()) ThrowJet(kErrCharactersAfterEnd, u"Characters found after end of SQL statement.");
}

std::string WhereClause(Parser& p, bool* equality = nullptr) {
  if (equality) *equality = false;
  if (!p.Keyword("WHERE")) return "";
  Value w = ClauseExpression(p, [&] {
    Value v = p.Expression();
    // The condition must end the statement or meet its ORDER BY: what follows is a missing
    // operator, or the rest of a string that a quote in a value cut short.
    if (!p.AtEnd() && !p.IsOp(u";") && !p.IsKeyword("ORDER")) {
      for (size_t k = 0; p.Peek(k).kind != Tok::End; ++k) {
        if (p.Peek(k).kind == Tok::BadString) throw ExprFail{true, {}};
      }
      throw ExprFail{false, {}};
    }
    return v;
  });
  if (equality) *equality = w.equality;
  return " WHERE " + w.sql;
}

Statement ParseSelect(Parser& p) {
  Statement st;
  st.kind = Statement::Select;
  long top = -1;
  p.Keyword("ALL");
  if (p.IsKeyword("DISTINCT") || p.IsKeyword("DISTINCTROW")) {
    ThrowJet(kErrSyntaxInSelect, u"DISTINCT is not supported by dynasets of this database layer.");
  }
  if (p.Keyword("TOP")) {
    const Token& n = p.Next();
    if (n.kind != Tok::Number) ThrowJet(kErrSyntaxInSelect, U16("The SELECT statement includes a reserved word or an argument name that is misspelled or missing, or the punctuation is incorrect."));
    top = std::stol(nux::ToUtf8(n.text));
    p.reusable = false;  // the count is part of the statement's text
  }
  std::string columns;
  const std::u16string selectError =
      u"The SELECT statement includes a reserved word or an argument name that is misspelled or missing, or the punctuation is incorrect.";
  p.inlineLiterals = true;
  if (p.Op(u"*")) {
    columns = "*";
  } else {
    int exprNumber = 1000;
    do {
      // table.* stands for all columns of the one table.
      if ((p.Peek().kind == Tok::Name || p.Peek().kind == Tok::Bracket) && p.IsOp(u".", 1) && p.IsOp(u"*", 2)) {
        p.Next();
        p.Next();
        p.Next();
        if (!columns.empty()) columns += ", ";
        columns += "*";
        continue;
      }
      if (p.IsKeyword("FROM") || p.AtEnd()) ThrowJet(kErrSyntaxInSelect, selectError);
      Value v;
      try {
        v = p.Expression();
      } catch (const ExprFail& f) {
        if (!f.function.empty()) ThrowJet(kErrUndefinedFunction, u"Undefined function '" + f.function + u"' in expression.");
        ThrowJet(kErrSyntaxInSelect, selectError);
      }
      std::u16string alias;
      if (p.Keyword("AS")) {
        alias = p.Name();
        if (alias.empty()) ThrowJet(kErrSyntaxInSelect, selectError);
      } else if (!v.isColumn) {
        alias = u"Expr" + nux::FromUtf8(std::to_string(exprNumber++));
      }
      if (!columns.empty()) columns += ", ";
      columns += v.sql;
      if (!alias.empty()) columns += " AS " + QuoteName(alias);
    } while (p.Op(u","));
  }
  p.inlineLiterals = false;
  if (!p.Keyword("FROM")) ThrowJet(kErrSyntaxInSelect, selectError);
  st.table = p.Name();
  if (st.table.empty()) ThrowJet(kErrSyntaxInFrom, u"Syntax error in FROM clause.");
  if (p.Keyword("AS")) {
    if (p.Name().empty()) ThrowJet(kErrSyntaxInFrom, u"Syntax error in FROM clause.");
  }
  if (p.IsOp(u",") || p.IsKeyword("JOIN") || p.IsKeyword("INNER") || p.IsKeyword("LEFT") || p.IsKeyword("RIGHT")) {
    ThrowJet(kErrSyntaxInFrom, u"Syntax error in FROM clause.");
  }
  bool byOneValue = false;
  std::string where = WhereClause(p, &byOneValue);
  std::string order;
  bool ordered = p.IsKeyword("ORDER");
  if (p.Keyword("ORDER")) {
    if (!p.Keyword("BY")) ThrowJet(kErrSyntaxInOrderBy, u"Syntax error in ORDER BY clause.");
    p.inlineLiterals = true;
    do {
      Value v;
      try {
        v = p.Expression();
      } catch (const ExprFail&) {
        ThrowJet(kErrSyntaxInOrderBy, u"Syntax error in ORDER BY clause.");
      }
      bool desc = false;
      if (p.Keyword("DESC")) desc = true;
      else p.Keyword("ASC");
      order += (order.empty() ? " ORDER BY " : ", ") + (v.isColumn ? v.sql : "(" + v.sql + ")") + Collate() +
               (desc ? " DESC" : " ASC");
    } while (p.Op(u","));
    if (!p.AtEnd() && !p.IsOp(u";")) ThrowJet(kErrSyntaxInOrderBy, u"Syntax error in ORDER BY clause.");
  }
  ExpectEnd(p);
  // Records without an order come in the order they were stored; ties keep that order too.
  order += order.empty() ? " ORDER BY rowid" : ", rowid";
  std::string table = QuoteName(st.table);
  st.reusable = p.reusable;
  st.params = std::move(p.params);
  st.sql = "SELECT rowid FROM " + table + where + order + (top >= 0 ? " LIMIT " + std::to_string(top) : "");
  st.rowSql = "SELECT " + columns + " FROM " + table + " WHERE rowid = ?1";
  st.blockSql = "SELECT rowid, " + columns + " FROM " + table + " WHERE rowid IN (";
  for (int k = 1; k <= kReadAhead; ++k) st.blockSql += (k > 1 ? ", ?" : "?") + std::to_string(k);
  st.blockSql += ")";
  if (byOneValue && !ordered && top < 0) {
    st.keysWithColumnsSql = "SELECT rowid, " + columns + " FROM " + table + where + order;
  }
  return st;
}

Statement ParseInsert(Parser& p) {
  Statement st;
  st.kind = Statement::Insert;
  const std::u16string error = u"Syntax error in INSERT INTO statement.";
  if (!p.Keyword("INTO")) ThrowJet(kErrSyntaxInInsert, error);
  st.table = p.Name();
  if (st.table.empty()) ThrowJet(kErrSyntaxInInsert, error);
  std::string columns;
  if (p.Op(u"(")) {
    do {
      std::u16string c = p.ColumnName();
      if (c.empty()) ThrowJet(kErrSyntaxInInsert, error);
      columns += (columns.empty() ? "" : ", ") + QuoteName(c);
    } while (p.Op(u","));
    if (!p.Op(u")")) ThrowJet(kErrSyntaxInInsert, error);
  }
  if (!p.Keyword("VALUES") || !p.Op(u"(")) ThrowJet(kErrSyntaxInInsert, error);
  std::string values;
  do {
    Value v = ClauseExpression(p, [&] { return p.Expression(); });
    values += (values.empty() ? "" : ", ") + v.sql;
  } while (p.Op(u","));
  if (!p.Op(u")")) ThrowJet(kErrSyntaxInInsert, error);
  ExpectEnd(p);
  st.reusable = p.reusable;
  st.params = std::move(p.params);
  st.sql = "INSERT INTO " + QuoteName(st.table) + (columns.empty() ? "" : " (" + columns + ")") + " VALUES (" + values + ")";
  return st;
}

Statement ParseUpdate(Parser& p) {
  Statement st;
  st.kind = Statement::Update;
  const std::u16string error = u"Syntax error in UPDATE statement.";
  st.table = p.Name();
  if (st.table.empty() || !p.Keyword("SET")) ThrowJet(kErrSyntaxInUpdate, error);
  std::string sets;
  do {
    std::u16string c = p.ColumnName();
    if (c.empty() || !p.Op(u"=")) ThrowJet(kErrSyntaxInUpdate, error);
    Value v = ClauseExpression(p, [&] { return p.Expression(); });
    sets += (sets.empty() ? "" : ", ") + QuoteName(c) + " = " + v.sql;
  } while (p.Op(u","));
  std::string where = WhereClause(p);
  ExpectEnd(p);
  st.reusable = p.reusable;
  st.params = std::move(p.params);
  st.sql = "UPDATE " + QuoteName(st.table) + " SET " + sets + where;
  return st;
}

Statement ParseDelete(Parser& p) {
  Statement st;
  st.kind = Statement::Delete;
  // DELETE [*] FROM t, DELETE t.* FROM t
  if (!p.Op(u"*") && !p.IsKeyword("FROM")) {
    p.Name();
    if (!p.Op(u".") || !p.Op(u"*")) ThrowJet(kErrSyntaxInFrom, u"Syntax error in FROM clause.");
  }
  if (!p.Keyword("FROM")) ThrowJet(kErrSyntaxInFrom, u"Syntax error in FROM clause.");
  st.table = p.Name();
  if (st.table.empty()) ThrowJet(kErrSyntaxInFrom, u"Syntax error in FROM clause.");
  std::string where = WhereClause(p);
  ExpectEnd(p);
  st.reusable = p.reusable;
  st.params = std::move(p.params);
  st.sql = "DELETE FROM " + QuoteName(st.table) + where;
  return st;
}

// Field type names of the data definition statements.
bool DdlType(std::u16string_view word, short& type, bool& autoIncrement) {
  struct Entry {
    const char* name;
    short type;
    bool autoInc;
  };
  static const Entry types[] = {
      {"TEXT", dbText, false},       {"VARCHAR", dbText, false},     {"CHAR", dbText, false},
      {"STRING", dbText, false},     {"MEMO", dbMemo, false},        {"LONGTEXT", dbMemo, false},
      {"LONG", dbLong, false},       {"INTEGER", dbLong, false},     {"INT", dbLong, false},
      {"COUNTER", dbLong, true},     {"AUTOINCREMENT", dbLong, true}, {"SHORT", dbInteger, false},
      {"SMALLINT", dbInteger, false}, {"BYTE", dbByte, false},       {"TINYINT", dbByte, false},
      {"DOUBLE", dbDouble, false},   {"FLOAT", dbDouble, false},     {"SINGLE", dbSingle, false},
      {"REAL", dbSingle, false},     {"CURRENCY", dbCurrency, false}, {"MONEY", dbCurrency, false},
      {"DATETIME", dbDate, false},   {"DATE", dbDate, false},        {"TIME", dbDate, false},
      {"BIT", dbBoolean, false},     {"YESNO", dbBoolean, false},    {"LOGICAL", dbBoolean, false},
      {"LONGBINARY", dbLongBinary, false}, {"OLEOBJECT", dbLongBinary, false}, {"BINARY", dbBinary, false},
  };
  for (const Entry& e : types) {
    if (EqualNoCase(word, e.name)) {
      type = e.type;
      autoIncrement = e.autoInc;
      return true;
    }
  }
  return false;
}

Statement ParseCreate(Parser& p) {
  Statement st;
  bool unique = p.Keyword("UNIQUE");
  if (!unique && p.Keyword("TABLE")) {
    st.kind = Statement::CreateTable;
    const std::u16string error = u"Syntax error in CREATE TABLE statement.";
    st.table = p.Name();
    if (st.table.empty() || !p.Op(u"(")) ThrowJet(kErrSyntaxInCreateTable, error);
    std::string columns;
    do {
      if (p.Keyword("CONSTRAINT")) {
        p.Name();
        bool isPrimary = p.Keyword("PRIMARY");
        if (isPrimary ? !p.Keyword("KEY") : !p.Keyword("UNIQUE")) ThrowJet(kErrSyntaxInCreateTable, error);
        if (!p.Op(u"(")) ThrowJet(kErrSyntaxInCreateTable, error);
        std::string list;
        do {
          std::u16string c = p.Name();
          if (c.empty()) ThrowJet(kErrSyntaxInCreateTable, error);
          list += (list.empty() ? "" : ", ") + QuoteName(c);
        } while (p.Op(u","));
        if (!p.Op(u")")) ThrowJet(kErrSyntaxInCreateTable, error);
        columns += std::string(", ") + (isPrimary ? "PRIMARY KEY (" : "UNIQUE (") + list + ")";
        continue;
      }
      std::u16string name = p.Name();
      short type;
      bool autoInc;
      if (name.empty() || p.Peek().kind != Tok::Name || !DdlType(p.Peek().text, type, autoInc)) {
        ThrowJet(kErrSyntaxInCreateTable, error);
      }
      p.Next();
      long size = type == dbText ? 255 : 0;
      if (p.Op(u"(")) {
        const Token& n = p.Next();
        if (n.kind != Tok::Number || !p.Op(u")")) ThrowJet(kErrSyntaxInCreateTable, error);
        size = std::stol(nux::ToUtf8(n.text));
      }
      bool notNull = false, isPrimary = false, isUnique = false;
      while (true) {
        if (p.Keyword("NOT")) {
          if (!p.Keyword("NULL")) ThrowJet(kErrSyntaxInCreateTable, error);
          notNull = true;
        } else if (p.Keyword("PRIMARY")) {
          if (!p.Keyword("KEY")) ThrowJet(kErrSyntaxInCreateTable, error);
          isPrimary = true;
        } else if (p.Keyword("UNIQUE")) {
          isUnique = true;
        } else {
          break;
        }
      }
      std::string decl = QuoteName(name) + " " + ColumnDecl(type, size, autoInc);
      if (!autoInc && isPrimary) decl += " PRIMARY KEY";
      if (isUnique) decl += " UNIQUE";
      if (notNull) decl += " NOT NULL";
      columns += (columns.empty() ? "" : ", ") + decl;
    } while (p.Op(u","));
    if (!p.Op(u")")) ThrowJet(kErrSyntaxInCreateTable, error);
    ExpectEnd(p);
    st.sql = "CREATE TABLE " + QuoteName(st.table) + " (" + columns + ")";
    return st;
  }
  if (p.Keyword("INDEX")) {
    st.kind = Statement::CreateIndex;
    const std::u16string error = u"Syntax error in CREATE INDEX statement.";
    std::u16string index = p.Name();
    if (index.empty() || !p.Keyword("ON")) ThrowJet(kErrSyntaxInIndex, error);
    st.table = p.Name();
    if (st.table.empty() || !p.Op(u"(")) ThrowJet(kErrSyntaxInIndex, error);
    std::string list;
    do {
      std::u16string c = p.Name();
      if (c.empty()) ThrowJet(kErrSyntaxInIndex, error);
      bool desc = p.Keyword("DESC");
      if (!desc) p.Keyword("ASC");
      list += (list.empty() ? "" : ", ") + QuoteName(c) + (desc ? " DESC" : " ASC");
    } while (p.Op(u","));
    if (!p.Op(u")")) ThrowJet(kErrSyntaxInIndex, error);
    if (p.Keyword("WITH")) {
      do {
        if (p.Keyword("PRIMARY")) {
          unique = true;
        } else if (p.Keyword("DISALLOW") || p.Keyword("IGNORE")) {
          if (!p.Keyword("NULL")) ThrowJet(kErrSyntaxInIndex, error);
        } else {
          ThrowJet(kErrSyntaxInIndex, error);
        }
      } while (true && (p.IsKeyword("PRIMARY") || p.IsKeyword("DISALLOW") || p.IsKeyword("IGNORE")));
    }
    ExpectEnd(p);
    st.sql = std::string("CREATE ") + (unique ? "UNIQUE " : "") + "INDEX " + QuoteName(st.table + u":" + index) +
             " ON " + QuoteName(st.table) + " (" + list + ")";
    return st;
  }
  ThrowJet(kErrInvalidStatement, kInvalidStatement);
}

Statement ParseDrop(Parser& p) {
  Statement st;
  if (p.Keyword("TABLE")) {
    st.kind = Statement::DropTable;
    st.table = p.Name();
    if (st.table.empty()) ThrowJet(kErrInvalidStatement, kInvalidStatement);
    ExpectEnd(p);
    st.sql = "DROP TABLE " + QuoteName(st.table);
    return st;
  }
  if (p.Keyword("INDEX")) {
    st.kind = Statement::DropIndex;
    std::u16string index = p.Name();
    if (index.empty() || !p.Keyword("ON")) ThrowJet(kErrSyntaxInIndex, u"Syntax error in DROP INDEX statement.");
    st.table = p.Name();
    ExpectEnd(p);
    st.sql = "DROP INDEX " + QuoteName(st.table + u":" + index);
    return st;
  }
  ThrowJet(kErrInvalidStatement, kInvalidStatement);
}

}  // namespace

std::string QuoteName(std::u16string_view name) {
  std::string out = "\"";
  for (char c : nux::ToUtf8(name)) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string QuoteText(std::u16string_view text) {
  std::string out = "'";
  for (char c : nux::ToUtf8(text)) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

namespace {
Statement TranslateText(std::u16string_view jetSql) {
  // Errors of the tokens themselves (an unclosed bracket, a stray character) are reported as
  // the engine reports a statement it cannot read.
  Parser p(jetSql, Lex(jetSql, kErrInvalidStatement, kInvalidStatement));
  if (p.Keyword("SELECT")) return ParseSelect(p);
  if (p.Keyword("INSERT")) return ParseInsert(p);
  if (p.Keyword("UPDATE")) return ParseUpdate(p);
  if (p.Keyword("DELETE")) return ParseDelete(p);
  if (p.Keyword("CREATE")) return ParseCreate(p);
  if (p.Keyword("DROP")) return ParseDrop(p);
  ThrowJet(kErrInvalidStatement, kInvalidStatement);
}
}  // namespace

Statement Translate(std::u16string_view jetSql) {
  try {
    return TranslateText(jetSql);
  } catch (const std::out_of_range&) {
    // A number too large for its place (a TOP count, a field size).
    ThrowJet(kErrInvalidArgument, u"Invalid argument.");
  }
}

// The shape is the token sequence of Lex with every string and number replaced by its kind,
// each token followed by a blank. It is made in one pass without building the tokens: the
// look-ups shape their text at every call.
char16_t PatternMark(std::u16string_view text) {
  std::u16string scratch;
  return LikeLiteral(text, scratch) ? u'L' : PrefixPattern(text, scratch) ? u'P' : u'W';
}

std::u16string ShapeOf(std::u16string_view s, std::vector<std::u16string>& values, StringSpan* firstString) {
  values.clear();
  bool stringSeen = false;
  std::u16string shape;
  shape.reserve(s.size() + 8);
  size_t i = 0;
  while (true) {
    i = SkipBlanks(s, i);
    if (i >= s.size()) break;
    const size_t start = i;
    const char16_t c = s[i];
    if (NameStart(c)) {
      while (i < s.size() && NameChar(s[i])) ++i;
      shape.append(s.substr(start, i - start));
    } else if (c == u'[') {
      size_t close = s.find(u']', i + 1);
      if (close == std::u16string_view::npos) return u"";
      shape += u'[';
      shape.append(s.substr(i + 1, close - i - 1));
      shape += u']';
      i = close + 1;
    } else if (c == u'\'' || c == u'"') {
      std::u16string text;
      ++i;
      const bool closed = ReadQuoted(s, i, c, text);
      if (!closed) return u"";
      if (firstString && !stringSeen) {
        firstString->begin = start + 1;
        firstString->end = i - 1;
        firstString->quote = c;
      }
      stringSeen = true;
      // How a string can be used as a LIKE pattern is part of the shape.
      shape += u'\x01';
      shape += PatternMark(text);
      values.push_back(std::move(text));
    } else if (c == u'#') {
      size_t close = s.find(u'#', i + 1);
      if (close == std::u16string_view::npos) return u"";
      shape += u'#';
      shape.append(s.substr(i + 1, close - i - 1));
      shape += u'#';
      i = close + 1;
    } else if (Digit(c) || (c == u'.' && i + 1 < s.size() && Digit(s[i + 1]))) {
      i = NumberEnd(s, i);
      std::u16string_view number = s.substr(start, i - start);
      shape += u'\x02';
      shape += number.find_first_of(u".eE") == std::u16string_view::npos && number.size() < 19 ? u'I' : u'R';
      values.emplace_back(number);
    } else {
      const size_t n = OperatorLength(s, i);
      if (n == 0) return u"";
      shape.append(s.substr(i, n));
      i += n;
    }
    shape += u' ';
  }
  shape += u' ';  // the end of the statement
  return shape;
}

std::vector<Literal> ReuseParams(const Statement& model, const std::vector<std::u16string>& values) {
  std::vector<Literal> params = model.params;
  for (Literal& l : params) {
    const std::u16string& text = values.at(size_t(l.source));
    std::u16string derived;
    switch (l.use) {
      case Literal::AsWritten:
        if (l.kind == Literal::Text) {
          l.text = text;
        } else {
          Literal n = NumberValue(text);
          l.kind = n.kind;
          l.integer = n.integer;
          l.real = n.real;
        }
        break;
      case Literal::PatternText:
        LikeLiteral(text, derived);
        l.text = derived;
        break;
      case Literal::PatternPrefix:
        PrefixPattern(text, derived);
        l.text = derived;
        break;
      case Literal::PatternPrefixEnd:
        PrefixPattern(text, derived);
        l.text = PrefixEnd(derived);
        break;
    }
  }
  return params;
}

Criteria TranslateCriteria(std::u16string_view criteria) {
  const std::u16string syntax = u"Syntax error (missing operator) in expression.";
  Parser p(criteria, Lex(criteria, kErrSyntaxInExpression, syntax));
  if (p.AtEnd()) ThrowJet(kErrSyntaxInExpression, syntax);
  Value v;
  try {
    v = p.Expression();
  } catch (const ExprFail& f) {
    if (!f.function.empty()) ThrowJet(kErrUndefinedFunction, u"Undefined function '" + f.function + u"' in expression.");
    ThrowJet(kErrSyntaxInExpression, f.badString ? u"Syntax error in string in expression." : syntax);
  }
  if (!p.AtEnd()) ThrowJet(kErrSyntaxInExpression, syntax);
  return Criteria{v.sql, std::move(p.params)};
}

// ---- LIKE -----------------------------------------------------------------------

namespace {

struct PatternItem {
  enum Kind { Any, One, Digit, Literal, Set } kind;
  char16_t c = 0;
  bool negate = false;
  std::vector<std::pair<char16_t, char16_t>> ranges;  // folded bounds, the lower first
};

// Is c within lo..hi in the collation's order? A range of letters holds their accented forms
// too ("ä" is in [a-z]), as the engine's order has them there.
bool InRange(char16_t c, char16_t lo, char16_t hi) {
  if (c == lo || c == hi) return true;
  if (lo == hi) return false;
  const std::u16string_view one(&c, 1);
  return nux::Collate(one, std::u16string_view(&lo, 1)) >= 0 && nux::Collate(one, std::u16string_view(&hi, 1)) <= 0;
}

std::vector<PatternItem> CompilePattern(std::u16string_view p) {
  std::vector<PatternItem> out;
  for (size_t i = 0; i < p.size(); ++i) {
    char16_t c = p[i];
    PatternItem item;
    item.kind = PatternItem::Literal;
    if (c == u'*') {
      if (!out.empty() && out.back().kind == PatternItem::Any) continue;
      item.kind = PatternItem::Any;
    } else if (c == u'?') {
      item.kind = PatternItem::One;
    } else if (c == u'#') {
      item.kind = PatternItem::Digit;
    } else if (c == u'[') {
      size_t close = p.find(u']', i + 1);
      if (close == std::u16string_view::npos) {
        item.c = Fold(c);  // an unclosed bracket is an ordinary character
      } else {
        item.kind = PatternItem::Set;
        size_t j = i + 1;
        if (j < close && p[j] == u'!') {
          item.negate = true;
          ++j;
        }
        for (; j < close; ++j) {
          char16_t lo = Fold(p[j]);
          if (j + 2 < close && p[j + 1] == u'-') {
            char16_t hi = Fold(p[j + 2]);
            if (nux::Collate(std::u16string_view(&hi, 1), std::u16string_view(&lo, 1)) < 0) std::swap(lo, hi);
            item.ranges.push_back({lo, hi});
            j += 2;
          } else {
            item.ranges.push_back({lo, lo});
          }
        }
        i = close;
      }
    } else {
      item.c = Fold(c);
    }
    out.push_back(std::move(item));
  }
  return out;
}

bool ItemMatches(const PatternItem& item, char16_t c) {
  c = Fold(c);
  switch (item.kind) {
    case PatternItem::One: return true;
    case PatternItem::Digit: return c >= u'0' && c <= u'9';
    case PatternItem::Literal: return c == item.c;
    case PatternItem::Set: {
      bool in = false;
      for (auto& r : item.ranges) {
        if (InRange(c, r.first, r.second)) {
          in = true;
          break;
        }
      }
      return in != item.negate;
    }
    case PatternItem::Any: return true;
  }
  return false;
}

// Matching with one backtracking point: the last '*' seen.
bool MatchCompiled(const std::vector<PatternItem>& pat, std::u16string_view s) {
  size_t pi = 0, si = 0;
  size_t starP = std::u16string_view::npos, starS = 0;
  while (si < s.size()) {
    if (pi < pat.size() && pat[pi].kind == PatternItem::Any) {
      starP = pi++;
      starS = si;
    } else if (pi < pat.size() && ItemMatches(pat[pi], s[si])) {
      ++pi;
      ++si;
    } else if (starP != std::u16string_view::npos) {
      pi = starP + 1;
      si = ++starS;
    } else {
      return false;
    }
  }
  while (pi < pat.size() && pat[pi].kind == PatternItem::Any) ++pi;
  return pi == pat.size();
}

}  // namespace

bool LikeMatch(std::u16string_view value, std::u16string_view pattern) {
  // A pattern without wildcards is an equality, in the order of text, as the statements
  // translate it.
  std::u16string literal;
  if (LikeLiteral(pattern, literal)) return nux::Collate(value, literal) == 0;
  return MatchCompiled(CompilePattern(pattern), value);
}

bool LikeLiteral(std::u16string_view pattern, std::u16string& literal) {
  if (pattern.find_first_of(u"*?#[") == std::u16string_view::npos) {
    literal.assign(pattern);
    return true;
  }
  literal.clear();
  for (size_t i = 0; i < pattern.size(); ++i) {
    char16_t c = pattern[i];
    if (c == u'*' || c == u'?' || c == u'#') return false;
    if (c == u'[') {
      size_t close = pattern.find(u']', i + 1);
      if (close == std::u16string_view::npos) {
        literal.push_back(c);
        continue;
      }
      // [x] is the character x; any other set is a wildcard.
      if (close != i + 2 || pattern[i + 1] == u'!') return false;
      literal.push_back(pattern[i + 1]);
      i = close;
      continue;
    }
    literal.push_back(c);
  }
  return true;
}

// ---- column declarations --------------------------------------------------------

std::string ColumnDecl(short dbType, long size, bool autoIncrement) {
  switch (dbType) {
    case dbBoolean: return "BIT";
    case dbByte: return "TINYINT";
    case dbInteger: return "SMALLINT";
    case dbLong: return autoIncrement ? "INTEGER PRIMARY KEY AUTOINCREMENT" : "INTEGER";
    case dbCurrency: return "CURRENCY";
    case dbSingle: return "REAL";
    case dbDouble: return "DOUBLE";
    case dbDate: return "DATETIME";
    case dbText: return "VARCHAR(" + std::to_string(size > 0 && size <= 255 ? size : 255) + ")" + Collate();
    case dbMemo: return "LONGTEXT" + Collate();
    case dbBinary:
    case dbLongBinary: return "BLOB";
    case dbGUID: return "GUID";
    default: ThrowJet(kErrInvalidArgument, u"Invalid argument.");
  }
}

DeclInfo ParseDecl(std::string_view decl) {
  std::string word;
  size_t i = 0;
  while (i < decl.size() && decl[i] == ' ') ++i;
  while (i < decl.size() && ((decl[i] >= 'A' && decl[i] <= 'Z') || (decl[i] >= 'a' && decl[i] <= 'z') ||
                             (decl[i] >= '0' && decl[i] <= '9'))) {
    word.push_back(nux::UpperAscii(decl[i++]));
  }
  long size = 0;
  size_t open = decl.find('(', i);
  if (open != std::string_view::npos) size = std::atol(std::string(decl.substr(open + 1)).c_str());
  struct Entry {
    const char* name;
    short type;
    VARTYPE vt;
  };
  static const Entry table[] = {
      {"BIT", dbBoolean, VT_BOOL},        {"YESNO", dbBoolean, VT_BOOL},      {"LOGICAL", dbBoolean, VT_BOOL},
      {"BOOLEAN", dbBoolean, VT_BOOL},    {"TINYINT", dbByte, VT_UI1},        {"BYTE", dbByte, VT_UI1},
      {"SMALLINT", dbInteger, VT_I2},     {"SHORT", dbInteger, VT_I2},        {"INTEGER", dbLong, VT_I4},
      {"INT", dbLong, VT_I4},             {"LONG", dbLong, VT_I4},            {"COUNTER", dbLong, VT_I4},
      {"BIGINT", dbLong, VT_I4},          {"CURRENCY", dbCurrency, VT_CY},    {"MONEY", dbCurrency, VT_CY},
      {"REAL", dbSingle, VT_R4},          {"SINGLE", dbSingle, VT_R4},        {"DOUBLE", dbDouble, VT_R8},
      {"FLOAT", dbDouble, VT_R8},         {"NUMERIC", dbDouble, VT_R8},       {"NUMBER", dbDouble, VT_R8},
      {"DATETIME", dbDate, VT_DATE},      {"DATE", dbDate, VT_DATE},          {"TIME", dbDate, VT_DATE},
      {"TIMESTAMP", dbDate, VT_DATE},     {"VARCHAR", dbText, VT_BSTR},       {"CHAR", dbText, VT_BSTR},
      {"NVARCHAR", dbText, VT_BSTR},      {"TEXT", dbText, VT_BSTR},          {"STRING", dbText, VT_BSTR},
      {"LONGTEXT", dbMemo, VT_BSTR},      {"MEMO", dbMemo, VT_BSTR},          {"CLOB", dbMemo, VT_BSTR},
      {"BLOB", dbLongBinary, VT_ARRAY | VT_UI1}, {"LONGBINARY", dbLongBinary, VT_ARRAY | VT_UI1},
      {"BINARY", dbBinary, VT_ARRAY | VT_UI1},   {"OLEOBJECT", dbLongBinary, VT_ARRAY | VT_UI1},
  };
  for (const Entry& e : table) {
    if (word == e.name) {
      long s = size;
      if (e.type == dbText && s <= 0) s = 255;
      if (e.type != dbText) {
        static const long fixed[] = {0, 1, 1, 2, 4, 8, 4, 8, 8, 0, 0, 0, 0};
        s = e.type < 13 ? fixed[e.type] : 0;
      }
      return {e.type, e.vt, s};
    }
  }
  return {0, VT_EMPTY, 0};
}

}  // namespace nux::dao
