// The nuxsql command run as a program: statements from its arguments and from standard input,
// SELECT results as tab-separated text, the order of text as the database layer has it, and the
// engine's errors with status 1.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "collation_cases.h"
#include "test_support.h"

namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Single quotes for the shell.
std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class NuxSql : public ::testing::Test {
 protected:
  Outcome Sql(const std::vector<std::string>& args, const std::string& input = "") {
    std::string command = std::string(NUXSQL_PROGRAM);
    for (const std::string& a : args) command += " " + Quoted(a);
    const std::string in = dir_.Write("input.txt", input), err = dir_.path() + "/err.txt";
    command += " <" + Quoted(in) + " 2>" + Quoted(err);
    Outcome r;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = nuxtest::ReadFile(err);
    return r;
  }
  std::string File(const char* name) { return dir_.path() + "/" + name; }
  // A protected database of the shared words, made by the command itself.
  std::string Words() {
    std::string file = File("words.mdb");
    std::vector<std::string> args{"--password", "Geheim", "--create", file,
                                  "CREATE TABLE Words (ID LONG, Name TEXT(50))", "CREATE INDEX Name ON Words (Name)"};
    for (const auto& w : collationcases::kWords) {
      args.push_back("INSERT INTO Words VALUES (" + std::to_string(w.id) + ", '" + w.name + "')");
    }
    Outcome r = Sql(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    return file;
  }
  nuxtest::TempDir dir_;
};

std::string Lines(const std::string& commaList) {
  std::string out;
  size_t start = 0;
  while (start < commaList.size()) {
    size_t comma = commaList.find(',', start);
    if (comma == std::string::npos) comma = commaList.size();
    out += commaList.substr(start, comma - start) + "\n";
    start = comma + 1;
  }
  return out;
}

TEST_F(NuxSql, SelectsTheSharedWordsInTheOrderOfText) {
  const std::string file = Words();
  Outcome all = Sql({"--password", "Geheim", file, "SELECT Name FROM Words ORDER BY Name"});
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.out, "Name\n" + Lines(collationcases::kOrdered));
  for (const auto& c : collationcases::kCases) {
    SCOPED_TRACE(c.condition);
    Outcome r = Sql({"--password=Geheim", file, std::string("SELECT Name FROM Words WHERE ") + c.condition + " ORDER BY Name"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Name\n" + Lines(c.names));
  }
}

TEST_F(NuxSql, StatementsFromStandardInputAndTabSeparatedFields) {
  const std::string file = File("plain.mdb");
  Outcome r = Sql({"--create", file},
              "CREATE TABLE Stars (ID LONG, Name TEXT(50), Note MEMO, Mag DOUBLE)\n"
              "\n"
              "INSERT INTO Stars VALUES (1, 'Beteigeuze', 'roter\tÜberriese', 0.5)\n"
              "INSERT INTO Stars (ID, Name) VALUES (2, 'Rigel')\n"
              "SELECT * FROM Stars ORDER BY ID\n"
              "UPDATE Stars SET Note = 'blau' WHERE Name = 'RIGEL';\n"
              "SELECT ID, Note FROM Stars WHERE Note LIKE 'ÜBER*' OR Note = 'BLAU' ORDER BY ID DESC\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "ID\tName\tNote\tMag\n"
            "1\tBeteigeuze\troter\\tÜberriese\t0.5\n"
            "2\tRigel\t\t\n"
            "\n"
            "ID\tNote\n"
            "2\tblau\n");
}

TEST_F(NuxSql, ErrorsPrintTheEnginesNumberAndTextAndStop) {
  const std::string file = Words();
  const std::string damaged = dir_.Write("damaged.mdb", std::string(4096, 'x'));
  const std::string empty = dir_.Write("empty.mdb", "");
  const struct {
    std::vector<std::string> args;
    std::string error;
  } cases[] = {
      {{file, "SELECT * FROM Words"}, "error 3031: Not a valid password."},
      {{"--password", "geheim", file, "SELECT * FROM Words"}, "error 3031: Not a valid password."},
      {{"--password", "Geheim", file, "SELECT * FROM Nowhere"}, "error 3078: "},
      {{"--password", "Geheim", file, "SELECT * FROM Words WHERE Name = 'x", "DELETE FROM Words"}, "error 3075: "},
      {{"--password", "Geheim", "--create", file}, "error 3204: Database already exists."},
      {{File("missing.mdb"), "SELECT 1 FROM x"}, "error 3024: Could not find file"},
      {{damaged, "SELECT * FROM x"}, "error 3343: Unrecognized database format"},
      {{empty, "SELECT * FROM x"}, "error 3343: Unrecognized database format"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    Outcome r = Sql(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("nuxsql: " + c.error, 0), 0u) << r.err;
  }
  // The failed DELETE above never ran: nothing after an error runs.
  Outcome count = Sql({"--password", "Geheim", file, "SELECT ID FROM Words WHERE ID = 14"});
  EXPECT_EQ(count.out, "ID\n14\n");
  EXPECT_EQ(nuxtest::ReadFile(empty), "");  // a file that could not be read is left as it was
  Outcome usage = Sql({});
  EXPECT_EQ(usage.status, 2);
  EXPECT_NE(usage.err.find("usage: nuxsql"), std::string::npos);
}

}  // namespace
