// Archives made by other tools, at test time: Info-ZIP's zip (with a password, from a pipe) and
// Python's zipfile (stored, deflated, comments, folders, UTF-8 names, zip64, other methods), each
// read through the nuxzip command and through a resource file, with its expected result.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "ResourceFile.h"
#include "fs/path.h"
#include "fs/root.h"
#include "zip_builder.h"
#include "zip_test_util.h"

namespace {

// Runs a shell command; its exit status, with standard output and error in *output.
int Shell(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  const int status = ::pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// The command, run in the test's own platform root.
std::string Nuxzip() { return "NUX_PLATFORM_ROOT=" + Quote(nux::PlatformRoot()) + " " + NUXZIP_PROGRAM; }

const char kPassword[] = "QuietOwlsDance";  // the resource files' archive password

// Python that writes a.nux with zipfile; `body` uses the ZipFile z.
std::string Python(const std::string& body, const std::string& mode = "zipfile.ZIP_DEFLATED") {
  return "python3 - <<'END'\nimport zipfile\nwith zipfile.ZipFile('a.nux', 'w', " + mode + ") as z:\n" + body + "END\n";
}

struct Case {
  const char* what;
  std::string make;        // shell commands run in the case's folder; they write a.nux
  std::string entry;       // read through the resource file (Windows name inside the archive)
  std::string content;     // its expected bytes, when it reads
  int resourceError;       // the error code the resource file raises, 0 when it reads
  int testStatus;          // nuxzip -t's exit status
  std::string testOutput;  // a text nuxzip -t prints
};

std::string Text() {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "Sirius A und Sirius B, ";
  return text;
}

TEST(ArchivesFromOtherTools, ReadThroughTheCommandAndResourceFiles) {
  const std::string text = Text();
  const std::string write = "printf %s " + Quote(text) + " > sirius.htm && ";
  const Case cases[] = {
      {"Info-ZIP, deflated", write + "zip -q a.nux sirius.htm", "sirius.htm", text, 0, 0, "OK"},
      {"Info-ZIP with -P", write + "zip -q -P " + kPassword + " a.nux sirius.htm", "sirius.htm", text, 0, 0, "OK"},
      {"Info-ZIP, folders", "mkdir -p Html/Sub && " + write + "mv sirius.htm Html/Sub/ && zip -q -r a.nux Html",
       "Html\\Sub\\sirius.htm", text, 0, 0, "3 entries tested, 0 failed"},
      {"Info-ZIP from a pipe (zip64 end record)", "printf %s " + Quote(text) + " | zip -q - - > a.nux", "-", text, 0,
       0, "OK"},
      {"Info-ZIP from a pipe into a pipe (zip64 data descriptor)",
       "printf %s " + Quote(text) + " | zip -q - - | cat > a.nux", "-", text, 0, 0, "OK"},
      {"Python, stored", Python("  z.writestr('a.txt', 'stored text')\n", "zipfile.ZIP_STORED"), "a.txt",
       "stored text", 0, 0, "OK"},
      {"Python, deflated, comment and folder",
       Python("  z.comment = b'made by python'\n  z.writestr('dir/', '')\n  z.writestr('dir/b.txt', \"" + text + "\")\n"),
       "dir\\b.txt", text, 0, 0, "2 entries tested, 0 failed"},
      {"Python, UTF-8 name", Python("  z.writestr('Größe.txt', 'groß')\n"), "Größe.txt", "gro\xC3\x9F", 0, 0,
       "Größe.txt"},
      {"Python, force_zip64",
       Python("  with z.open('big.txt', 'w', force_zip64=True) as f:\n    f.write(b'zip64 ' * 1000)\n"), "big.txt",
       [] {
         std::string s;
         for (int i = 0; i < 1000; ++i) s += "zip64 ";
         return s;
       }(),
       0, 0, "OK"},
      {"Python, every size and offset in zip64 fields",
       "python3 - <<'END'\nimport zipfile\nzipfile.ZIP64_LIMIT = 10\n"
       "with zipfile.ZipFile('a.nux', 'w', zipfile.ZIP_DEFLATED) as z:\n"
       "  z.writestr('first.txt', 'the first entry')\n  z.writestr('second.txt', 'the second entry')\nEND\n",
       "second.txt", "the second entry", 0, 0, "2 entries tested, 0 failed"},
      {"Python, bzip2", Python("  z.writestr('a.txt', 'bzip2 text')\n", "zipfile.ZIP_BZIP2"), "a.txt", "",
       CZipException::badZipFile, 1, "compression method 12 (bzip2) is not supported"},
      {"Python, LZMA", Python("  z.writestr('a.txt', 'lzma text')\n", "zipfile.ZIP_LZMA"), "a.txt", "",
       CZipException::badZipFile, 1, "compression method 14 (LZMA) is not supported"},
      {"not an archive", "printf 'PK but no archive' > a.nux", "a.txt", "", CZipException::cdirNotFound, 1,
       "error 116"},
      {"empty file", ": > a.nux", "a.txt", "", CZipException::cdirNotFound, 1, "error 116"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string folder = nux::PlatformRoot() + "/drive_c/Case";
    ASSERT_EQ(Shell("rm -rf " + Quote(folder) + " && mkdir -p " + Quote(folder)), 0);
    std::string made;
    ASSERT_EQ(Shell("cd " + Quote(folder) + " && " + c.make, &made), 0) << made;

    std::string output;
    const std::string password = c.make.find(" -P ") != std::string::npos ? std::string(" -P ") + kPassword : "";
    EXPECT_EQ(Shell(Nuxzip() + password + " -t " + Quote(folder + "/a.nux"), &output),
              c.testStatus)
        << output;
    EXPECT_NE(output.find(c.testOutput), std::string::npos) << output;

    // The resource file finds the entry in "a.nux" for the path C:\Case\a\<entry>.
    CResourceFile file;
    const std::u16string path = u"C:\\Case\\a\\" + nux::FromUtf8(c.entry);
    std::string read;
    const int error = ziptest::ZipError([&] {
      if (!file.Open(path.c_str())) {
        read = "<no file>";
        return;
      }
      BYTE* data = nullptr;
      DWORD size = 0;
      if (!file.ReadAll(data, size)) {
        read = "<false>";
        return;
      }
      read.assign(reinterpret_cast<const char*>(data), size);
      free(data);
    });
    EXPECT_EQ(error, c.resourceError);
    if (c.resourceError == 0) {
      EXPECT_EQ(read, c.content);
    }
    file.Close(TRUE);
  }
}

TEST(ArchivesFromOtherTools, TheCommandListsAndExtractsSafely) {
  const std::string folder = nux::PlatformRoot() + "/drive_c/List";
  ASSERT_EQ(Shell("mkdir -p " + Quote(folder) + " && cd " + Quote(folder) + " && " +
                  Python("  z.writestr('Größe.txt', 'groß')\n  z.writestr('../escape.txt', 'out')\n"
                         "  z.writestr('dir/in.txt', 'in')\n")),
            0);
  std::string output;
  EXPECT_EQ(Shell(Nuxzip() + " -l " + Quote(folder + "/a.nux"), &output), 0);
  EXPECT_NE(output.find("deflated"), std::string::npos) << output;
  EXPECT_NE(output.find("Größe.txt"), std::string::npos) << output;
  EXPECT_NE(output.find("3 entries"), std::string::npos) << output;

  // A name that would leave the target folder is not extracted; the others are.
  ASSERT_EQ(Shell("mkdir -p " + Quote(folder + "/out") + " && printf old > " + Quote(folder + "/out/Größe.txt")), 0);
  EXPECT_EQ(Shell(Nuxzip() + " -x " + Quote(folder + "/a.nux") + " -d " + Quote(folder + "/out"),
                  &output),
            1);
  EXPECT_NE(output.find("would leave the target folder"), std::string::npos) << output;
  EXPECT_EQ(nuxtest::ReadFile(folder + "/out/Größe.txt"), "groß");
  EXPECT_EQ(nuxtest::ReadFile(folder + "/out/dir/in.txt"), "in");
  EXPECT_FALSE(std::filesystem::exists(folder + "/escape.txt"));

  // Named entries only, found as the engine finds them (without case, either separator).
  ASSERT_EQ(Shell("rm -rf " + Quote(folder + "/two")), 0);
  EXPECT_EQ(Shell(Nuxzip() + " -x " + Quote(folder + "/a.nux") + " DIR/IN.TXT -d " +
                      Quote(folder + "/two"),
                  &output),
            0)
      << output;
  EXPECT_EQ(nuxtest::ReadFile(folder + "/two/dir/in.txt"), "in");
  EXPECT_EQ(Shell(Nuxzip() + " -t " + Quote(folder + "/a.nux") + " none.txt", &output), 1);
  EXPECT_NE(output.find("no such entry"), std::string::npos);
  // A missing archive: the file error's code and text.
  EXPECT_EQ(Shell(Nuxzip() + " -l " + Quote(folder + "/missing.nux"), &output), 1);
  EXPECT_NE(output.find("file error"), std::string::npos) << output;
}

}  // namespace
