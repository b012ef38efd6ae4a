// nuxsql [--password PW] [--create] FILE [STATEMENT...]
//
// Runs statements of the database engine's dialect on a database through the database layer,
// as the library runs its own: the statements given after the file, else one a line from
// standard input. A SELECT prints its records as tab-separated text under a header line of the
// field names (a Null is an empty field; tabs and line ends inside a value are written as \t,
// \r and \n); the results of several SELECTs are parted by an empty line. --create makes a new
// database (with the password, when one is given) before the statements run. A failure prints
// the engine's error number and text and ends the program with status 1; nothing after it runs.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "com/com.h"
#include "dao/dao.h"
#include "fs/path.h"

namespace {

const char kUsage[] =
    "usage: nuxsql [--password PW] [--create] FILE [STATEMENT...]\n"
    "Runs statements of the database engine's SQL dialect on FILE: the STATEMENTs given,\n"
    "else one a line from standard input. A SELECT prints its records tab-separated, under\n"
    "a header line of its field names. --create makes a new database with the password.\n";

struct Failure {
  long code;
  std::string text;
};

// Runs a call of the database layer; its exception becomes a Failure.
template <typename F>
void Dao(F&& body) {
  try {
    body();
  } catch (CDaoException* e) {
    Failure f{e->m_pErrorInfo ? e->m_pErrorInfo->m_lErrorCode : 0, ""};
    WCHAR text[1024];
    if (e->GetErrorMessage(text, 1024)) f.text = nux::ToUtf8(text);
    e->Delete();
    throw f;
  } catch (CException* e) {
    WCHAR text[1024];
    Failure f{0, e->GetErrorMessage(text, 1024) ? nux::ToUtf8(text) : "the database layer failed"};
    e->Delete();
    throw f;
  }
}

// A file name as typed on this system, or a Windows path as the layer knows it.
std::u16string DatabasePath(const std::string& file) {
  const bool windows = file.size() >= 3 && file[1] == ':' && (file[2] == '\\' || file[2] == '/');
  if (windows) return nux::FromUtf8(file);
  std::string absolute = file;
  if (file.empty() || file[0] != '/') {
    std::vector<char> cwd(4096);
    if (getcwd(cwd.data(), cwd.size())) absolute = std::string(cwd.data()) + "/" + file;
  }
  return nux::fs::ToWindowsPath(absolute);
}

// A field's value as text: empty for Null, control characters that would break the lines and
// columns written as escapes.
std::string FieldText(const COleVariant& value) {
  if (value.vt == VT_NULL || value.vt == VT_EMPTY) return "";
  std::u16string text;
  if (value.vt == VT_BSTR) {
    text.assign(value.bstrVal, SysStringLen(value.bstrVal));
  } else if (value.vt == (VT_ARRAY | VT_UI1)) {
    return "<binary>";
  } else {
    COleVariant copy(value);
    copy.ChangeType(VT_BSTR);
    text.assign(copy.bstrVal, SysStringLen(copy.bstrVal));
  }
  std::string out;
  for (char c : nux::ToUtf8(text)) {
    if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out += c;
  }
  return out;
}

bool IsSelect(const std::u16string& sql) {
  size_t i = sql.find_first_not_of(u" \t\r\n(");
  if (i == std::u16string::npos || sql.size() - i < 6) return false;
  std::u16string word = sql.substr(i, 6);
  for (char16_t& c : word) c = nux::UpperAscii(c);
  return word == u"SELECT" && (sql.size() == i + 6 || !iswalnum(sql[i + 6]));
}

void RunSelect(CDaoDatabase& db, const std::u16string& sql, std::string& out) {
  Dao([&] {
    CDaoRecordset rs(&db);
    rs.Open(dbOpenDynaset, sql.c_str(), 0);
    const short fields = rs.GetFieldCount();
    std::string header;
    for (short k = 0; k < fields; ++k) {
      CDaoFieldInfo info;
      rs.GetFieldInfo(k, info);
      header += (k ? "\t" : "") + nux::ToUtf8(info.m_strName.GetString());
    }
    out += header + "\n";
    while (!rs.IsEOF()) {
      std::string line;
      for (short k = 0; k < fields; ++k) {
        COleVariant value;
        rs.GetFieldValue(k, value);
        line += (k ? "\t" : "") + FieldText(value);
      }
      out += line + "\n";
      rs.MoveNext();
    }
    rs.Close();
  });
}

}  // namespace

int main(int argc, char** argv) {
  std::string password, file;
  bool create = false;
  std::vector<std::string> statements;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (file.empty() && arg == "--password" && i + 1 < argc) {
      password = argv[++i];
    } else if (file.empty() && arg.rfind("--password=", 0) == 0) {
      password = arg.substr(11);
    } else if (file.empty() && arg == "--create") {
      create = true;
    } else if (file.empty() && (arg == "--help" || arg == "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (file.empty() && arg.size() > 1 && arg[0] == '-' && arg != "--") {
      std::fprintf(stderr, "nuxsql: unknown option %s\n%s", arg.c_str(), kUsage);
      return 2;
    } else if (file.empty()) {
      file = arg == "--" && i + 1 < argc ? argv[++i] : arg;
    } else {
      statements.push_back(arg);
    }
  }
  if (file.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const bool fromInput = statements.empty();

  AfxDaoInit();
  int status = 0;
  {
    CDaoDatabase db;
    const std::u16string path = DatabasePath(file);
    const std::u16string connect = nux::FromUtf8(password.empty() ? std::string() : ";pwd=" + password);
    try {
      if (create) {
        Dao([&] { db.Create(path.c_str(), (std::u16string(dbLangGeneral) + connect).c_str()); });
      } else {
        Dao([&] { db.Open(path.c_str(), FALSE, FALSE, connect.c_str()); });
      }
      bool firstResult = true;
      auto run = [&](const std::string& line) {
        std::u16string sql = nux::FromUtf8(line);
        if (sql.find_first_not_of(u" \t\r\n;") == std::u16string::npos) return;  // nothing to run
        if (IsSelect(sql)) {
          std::string out;
          RunSelect(db, sql, out);
          if (!firstResult) std::fputs("\n", stdout);
          firstResult = false;
          std::fputs(out.c_str(), stdout);
          std::fflush(stdout);
        } else {
          Dao([&] { db.Execute(sql.c_str()); });
        }
      };
      if (fromInput) {
        std::string line;
        while (std::getline(std::cin, line)) run(line);
      } else {
        for (const std::string& s : statements) run(s);
      }
    } catch (const Failure& f) {
      std::fflush(stdout);
      if (f.code) std::fprintf(stderr, "nuxsql: error %ld: %s\n", f.code, f.text.c_str());
      else std::fprintf(stderr, "nuxsql: %s\n", f.text.c_str());
      status = 1;
    }
    db.Close();
  }
  AfxDaoTerm();
  return status;
}
