// Archives built byte by byte: the checks of the end record and the central directory, the
// search for the end record, name conversion, and every way an entry can fail to extract.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "ResourceFile.h"
#include "base/errors.h"
#include "fs/path.h"
#include "zip_builder.h"
#include "zip_test_util.h"

namespace {

using namespace ziptest;

Entry MakeEntry(const std::string& name, const std::string& data, int method = 8) {
  Entry e;
  e.name = name;
  e.data = data;
  e.method = method;
  return e;
}

std::string Text(size_t n) {
  std::string s;
  for (size_t i = 0; s.size() < n; ++i) s += "line " + std::to_string(i) + " of the sample text\n";
  s.resize(n);
  return s;
}

// ---- opening -----------------------------------------------------------------------

struct OpenCase {
  const char* what;
  std::function<void(std::string&, const Layout&)> patch;
  int expected;  // 0: opens
};

TEST(ZipOpen, DirectoryChecks) {
  const OpenCase cases[] = {
      {"intact", [](std::string&, const Layout&) {}, 0},
      {"central header without signature", [](std::string& s, const Layout& l) { s[l.central[1]] = 'Q'; },
       CZipException::badZipFile},
      {"two headers with one local offset",
       [](std::string& s, const Layout& l) { Put32(s, l.central[1] + kCentralOffset, 0); }, CZipException::badZipFile},
      {"directory overlapping the end record",
       [](std::string& s, const Layout& l) { Put32(s, l.end + kEndDirSize, uint32_t(l.end - l.centralStart + 1)); },
       CZipException::badZipFile},
      {"offset and size wrapping round in 32 bits",
       [](std::string& s, const Layout& l) {
         Put32(s, l.end + kEndDirOffset, uint32_t(l.centralStart + 0x80000000u));
         Put32(s, l.end + kEndDirSize, uint32_t(l.end - l.centralStart + 0x80000000u));
       },
       CZipException::badZipFile},
      {"size 0 with entries", [](std::string& s, const Layout& l) { Put32(s, l.end + kEndDirSize, 0); },
       CZipException::badZipFile},
      {"entries 0 with a size", [](std::string& s, const Layout& l) { Put16(s, l.end + kEndEntries, 0); },
       CZipException::badZipFile},
      {"more entries than headers", [](std::string& s, const Layout& l) { Put16(s, l.end + kEndEntries, 3); },
       CZipException::badZipFile},
      {"directory on another volume of a single file",
       [](std::string& s, const Layout& l) { Put16(s, l.end + kEndVolumeWithDir, 1); }, CZipException::badZipFile},
      {"no end record", [](std::string& s, const Layout& l) { s[l.end + 3] = 7; }, CZipException::cdirNotFound},
      {"end record cut short", [](std::string& s, const Layout& l) { s.resize(l.end + 10); },
       CZipException::badZipFile},
      {"end record beyond the search range",
       [](std::string& s, const Layout&) { s += std::string(65536, 'x'); }, CZipException::cdirNotFound},
      {"a few bytes after the end record", [](std::string& s, const Layout&) { s += "trailing"; }, 0},
      {"zip64 locator whose record is nowhere",
       [](std::string& s, const Layout& l) {
         s.insert(l.end, std::string("PK\x06\x07\0\0\0\0\0\0\0\0\0\0\0\0\x01\0\0\0", 20));
       },
       CZipException::badZipFile},
      {"zip64 locator pointing past the end of any file",
       [](std::string& s, const Layout& l) {
         s.insert(l.end, std::string("PK\x06\x07\0\0\0\0\xff\xff\xff\xff\xff\xff\xff\xff\x01\0\0\0", 20));
       },
       CZipException::badZipFile},
      {"empty file", [](std::string& s, const Layout&) { s.clear(); }, CZipException::cdirNotFound},
      {"signature only", [](std::string& s, const Layout&) { s = "PK\x05\x06"; }, CZipException::badZipFile},
  };
  Archive archive;
  archive.entries = {MakeEntry("a.txt", Text(300)), MakeEntry("b.txt", Text(50), 0)};
  Layout layout;
  const std::string intact = archive.Build(&layout);
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = intact;
    c.patch(bytes, layout);
    const CString path = WriteDriveC("open/case.zip", bytes);
    CZipArchive zip;
    EXPECT_EQ(ZipError([&] { zip.Open(path, CZipArchive::zipOpenReadOnly, 0); }), c.expected);
    // An archive left half open by a failure closes without a further error.
    EXPECT_EQ(ZipError([&] { zip.Close(); }), 0);
  }
}

TEST(ZipOpen, ErrorCarriesTheArchivePath) {
  const CString path = WriteDriveC("open/bad.zip", "not an archive at all");
  CZipArchive zip;
  CString name;
  try {
    zip.Open(path, CZipArchive::zipOpenReadOnly, 0);
  } catch (CZipException* e) {
    name = e->m_szFileName;
    e->Delete();
  }
  EXPECT_EQ(name, path);
  zip.Close();
}

TEST(ZipOpen, EndRecordIsFoundBehindAnyComment) {
  // Comment lengths around the border of the first two 32768-byte search chunks put the
  // signature across it; 65535 is the longest comment.
  for (size_t commentLength : {size_t(0), size_t(32745), size_t(32746), size_t(32747), size_t(32748),
                               size_t(32749), size_t(32750), size_t(65509), size_t(65510), size_t(65511),
                               size_t(65535)}) {
    SCOPED_TRACE(commentLength);
    Archive archive;
    archive.prefix = std::string(70000, 'P');
    archive.entries = {MakeEntry("x.txt", Text(100))};
    archive.comment = std::string(commentLength, 'c');
    const CString path = WriteDriveC("open/comment.zip", archive.Build());
    CZipArchive zip;
    ASSERT_EQ(ZipError([&] { zip.Open(path, CZipArchive::zipOpenReadOnly, 0); }), 0);
    std::string data;
    EXPECT_TRUE(ExtractString(zip, zip.FindFile(u"X.TXT"), data));
    EXPECT_EQ(data, Text(100));
    EXPECT_EQ(zip.GetGlobalComment().GetLength(), int(commentLength));
    zip.Close();
  }
}

TEST(ZipOpen, ArchiveWithoutEntries) {
  Archive archive;
  const CString path = WriteDriveC("open/empty.zip", archive.Build());
  CZipArchive zip;
  zip.Open(path, CZipArchive::zipOpenReadOnly, 0);
  EXPECT_EQ(zip.GetCount(), 0);
  EXPECT_EQ(zip.FindFile(u"anything"), -1);
  EXPECT_EQ(zip.FindFile(u""), -1);
  EXPECT_FALSE(zip.OpenFile(0));
  zip.Close();
}

TEST(ZipOpen, IndexesFollowTheLocalHeaders) {
  // Entries are numbered in the order of their local headers, not of the directory.
  Archive archive;
  archive.entries = {MakeEntry("first", "1"), MakeEntry("second", "2"), MakeEntry("third", "3")};
  Layout layout;
  std::string bytes = archive.Build(&layout);
  // Swap the directory's first two headers (each is 46 bytes plus a name).
  const size_t a = layout.central[0], b = layout.central[1], c = layout.central[2];
  bytes = bytes.substr(0, a) + bytes.substr(b, c - b) + bytes.substr(a, b - a) + bytes.substr(c);
  CZipArchive zip;
  zip.Open(WriteDriveC("open/order.zip", bytes), CZipArchive::zipOpenReadOnly, 0);
  EXPECT_EQ(zip.FindFile(u"first"), 0);
  EXPECT_EQ(zip.FindFile(u"second"), 1);
  EXPECT_EQ(zip.FindFile(u"third"), 2);
  zip.Close();
}

// ---- names -----------------------------------------------------------------------------

TEST(ZipNames, StoredNamesAreConvertedForThisPlatform) {
  const struct {
    std::string stored;
    int host;
    const char16_t* name;     // as read
    const char16_t* found;    // found under this form
    const char16_t* missing;  // not found under this one
  } cases[] = {
      // MS-DOS names are OEM (code page 850) text: 0x84 is a-umlaut, 0x8E A-umlaut.
      {"\x84rger.txt", 0, u"\u00e4rger.txt", u"\u00e4RGER.TXT", u"\u00c4rger.txt"},
      {"\x8erger.txt", 0, u"\u00c4rger.txt", u"\u00c4RGER.txt", u"\u00e4rger.txt"},
      // Names from other systems are taken as ANSI (Windows-1252) text.
      {"\x84rger.txt", 3, u"\u201erger.txt", u"\u201eRGER.TXT", u"\u00e4rger.txt"},
      {"Docs/Sub/Read Me.TXT", 3, u"Docs\\Sub\\Read Me.TXT", u"docs\\sub\\read me.txt", u"Docs/Sub/Read Me.TXT"},
      {"HTML/page.htm", 0, u"HTML\\page.htm", u"html\\PAGE.HTM", u"page.htm"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(nux::ToUtf8(c.name));
    Archive archive;
    Entry e = MakeEntry(c.stored, "data");
    e.hostSystem = c.host;
    archive.entries = {e};
    CZipArchive zip;
    zip.Open(WriteDriveC("names/n.zip", archive.Build()), CZipArchive::zipOpenReadOnly, 0);
    CZipFileHeader header;
    ASSERT_TRUE(zip.GetFileInfo(header, 0));
    EXPECT_EQ(header.GetFileName(), CString(c.name));
    EXPECT_EQ(zip.FindFile(c.found), 0);
    EXPECT_EQ(zip.FindFile(c.missing), -1);
    EXPECT_EQ(zip.GetArchiveSystCompatib(), c.host);
    zip.Close();
  }
}

TEST(ZipNames, EveryEntryOfAManyEntryArchiveIsFound) {
  Archive archive;
  for (int i = 0; i < 600; ++i) {
    // Names in an order unlike their sorted one, with characters between "Z" and "a".
    archive.entries.push_back(MakeEntry("dir_" + std::to_string((i * 7919) % 600) + "/Item[" + std::to_string(i) + "]",
                                        std::to_string(i), 0));
  }
  CZipArchive zip;
  zip.Open(WriteDriveC("names/many.zip", archive.Build()), CZipArchive::zipOpenReadOnly, 0);
  for (int i = 0; i < 600; ++i) {
    const std::string name = "DIR_" + std::to_string((i * 7919) % 600) + "\\item[" + std::to_string(i) + "]";
    const int index = zip.FindFile(CString(nux::AnsiToWide(name).c_str()));
    ASSERT_EQ(index, i) << name;
  }
  EXPECT_EQ(zip.FindFile(u"dir_1\\item[2]"), -1);
  zip.Close();
}

// ---- extracting ------------------------------------------------------------------------

struct EntryCase {
  const char* what;
  Entry entry;
  const char16_t* password;
  std::function<void(std::string&, const Layout&)> patch;
  int expected;  // 0: extracts to the entry's data; -2: raises something
};

TEST(ZipExtract, EntryCases) {
  const std::string text = Text(5000);
  auto with = [&](int method, const std::string& password, bool descriptor, bool signature = true) {
    Entry e = MakeEntry("entry.txt", text, method);
    e.password = password;
    e.descriptor = descriptor;
    e.descriptorSignature = signature;
    return e;
  };
  auto none = [](std::string&, const Layout&) {};
  auto bothSizes = [](uint32_t compressed, uint32_t uncompressed) {
    return [=](std::string& s, const Layout& l) {
      Put32(s, l.local[0] + kLocalCompressed, compressed);
      Put32(s, l.local[0] + kLocalUncompressed, uncompressed);
      Put32(s, l.central[0] + kCentralCompressed, compressed);
      Put32(s, l.central[0] + kCentralUncompressed, uncompressed);
    };
  };
  const uint32_t n = uint32_t(text.size());
  const EntryCase cases[] = {
      {"stored", with(0, "", false), nullptr, none, 0},
      {"deflated", with(8, "", false), nullptr, none, 0},
      {"stored encrypted", with(0, "pw", false), u"pw", none, 0},
      {"deflated encrypted", with(8, "pw", false), u"pw", none, 0},
      {"descriptor with signature", with(8, "", true, true), nullptr, none, 0},
      {"descriptor without signature", with(8, "", true, false), nullptr, none, 0},
      {"stored with descriptor without signature", with(0, "", true, false), nullptr, none, 0},
      {"encrypted with descriptor (check byte from the time)", with(8, "pw", true), u"pw", none, 0},
      {"descriptor that does not match",
       with(8, "", true), nullptr,
       [](std::string& s, const Layout& l) { Put32(s, l.centralStart - 12, 1); }, CZipException::badZipFile},
      {"crc that does not match",
       with(8, "", false), nullptr,
       [](std::string& s, const Layout& l) {
         Put32(s, l.local[0] + kLocalCrc, 1);
         Put32(s, l.central[0] + kCentralCrc, 1);
       },
       CZipException::badCrc},
      {"corrupt deflate data", with(8, "", false), nullptr,
       [](std::string& s, const Layout& l) { s[l.data[0]] = char(0xff); }, CZipException::dataError},
      {"wrong password", with(8, "pw", false), u"other", none, CZipException::badPassword},
      {"no password", with(0, "pw", false), nullptr, none, CZipException::badPassword},
      {"encrypted entry shorter than its encryption header", with(8, "pw", false), nullptr, bothSizes(5, 5),
       CZipException::badZipFile},
      {"stored entry larger than its data", with(0, "", false), nullptr, bothSizes(n, n + 10),
       CZipException::badZipFile},
      {"stored entry smaller than its data", with(0, "", false), nullptr, bothSizes(n, n - 10),
       CZipException::badZipFile},
      {"deflated entry larger than its data, checksum right", with(8, "", false), nullptr,
       [&](std::string& s, const Layout& l) {
         Put32(s, l.local[0] + kLocalUncompressed, n + 10);
         Put32(s, l.central[0] + kCentralUncompressed, n + 10);
       },
       CZipException::badZipFile},
      {"deflated entry larger than its data, checksum of the whole", with(8, "", true), nullptr,
       [&](std::string& s, const Layout& l) {
         Put32(s, l.central[0] + kCentralUncompressed, n + 10);
         Put32(s, l.central[0] + kCentralCrc, 0x12345678);
       },
       CZipException::badCrc},
      {"stored data running past the end of the file", with(0, "", false), nullptr, bothSizes(1000000, 1000000),
       CZipException::badZipFile},
      {"deflated data cut short", with(8, "", false), nullptr,
       [&](std::string& s, const Layout& l) {
         const uint32_t half = uint32_t(l.centralStart - l.data[0]) / 2;
         Put32(s, l.local[0] + kLocalCompressed, half);
         Put32(s, l.central[0] + kCentralCompressed, half);
       },
       -2},
      {"deflated size beyond any possible expansion", with(8, "", false), nullptr,
       [](std::string& s, const Layout& l) {
         Put32(s, l.local[0] + kLocalUncompressed, 0xFFFFFFF0u);
         Put32(s, l.central[0] + kCentralUncompressed, 0xFFFFFFF0u);
       },
       CZipException::badZipFile},
      {"local header without signature", with(8, "", false), nullptr,
       [](std::string& s, const Layout& l) { s[l.local[0] + 2] = 9; }, CZipException::badZipFile},
      {"local method differs", with(8, "", false), nullptr,
       [](std::string& s, const Layout& l) { Put16(s, l.local[0] + kLocalMethod, 0); }, CZipException::badZipFile},
      {"method other than stored or deflated", with(8, "", false), nullptr,
       [](std::string& s, const Layout& l) {
         Put16(s, l.local[0] + kLocalMethod, 12);
         Put16(s, l.central[0] + kCentralMethod, 12);
       },
       CZipException::badZipFile},
      {"local name length differs", with(8, "", false), nullptr,
       [](std::string& s, const Layout& l) { Put16(s, l.local[0] + kLocalNameLength, 3); },
       CZipException::badZipFile},
      {"local crc differs", with(8, "", false), nullptr,
       [](std::string& s, const Layout& l) { Put32(s, l.local[0] + kLocalCrc, 7); }, CZipException::badZipFile},
      {"local flags replace central ones", with(8, "", true), nullptr,
       [](std::string& s, const Layout& l) { Put16(s, l.central[0] + kCentralFlags, 0); }, 0},
      {"entry on another volume of a single file", with(8, "", false), nullptr,
       [](std::string& s, const Layout& l) { Put16(s, l.central[0] + kCentralVolume, 1); },
       CZipException::badZipFile},
  };
  for (const EntryCase& c : cases) {
    SCOPED_TRACE(c.what);
    Archive archive;
    archive.entries = {c.entry};
    Layout layout;
    std::string bytes = archive.Build(&layout);
    c.patch(bytes, layout);
    CZipArchive zip;
    zip.Open(WriteDriveC("extract/case.zip", bytes), CZipArchive::zipOpenReadOnly, 0);
    zip.SetPassword(c.password);
    std::string data;
    bool extracted = false;
    const int code = ZipError([&] { extracted = ExtractString(zip, 0, data); });
    if (c.expected == -2) {
      EXPECT_NE(code, 0);
    } else {
      EXPECT_EQ(code, c.expected);
    }
    if (c.expected == 0) {
      EXPECT_TRUE(extracted);
      EXPECT_EQ(data, text);
    }
    // The entry is over; the archive serves the next extraction and closes quietly.
    EXPECT_EQ(ZipError([&] { ExtractString(zip, 0, data); }), code);
    EXPECT_EQ(ZipError([&] { zip.Close(); }), 0);
  }
}

// An entry whose recorded size is larger than its data never comes back padded as good: not
// from the heap block, not from the global block, not through a resource file.
TEST(ZipExtract, AnEntryShorterThanItsRecordedSizeFailsEveryExtraction) {
  const std::string text = Text(3000);
  Entry e = MakeEntry("page.htm", text);
  e.password = "QuietOwlsDance";
  Archive archive;
  archive.entries = {e};
  Layout layout;
  std::string bytes = archive.Build(&layout);
  Put32(bytes, layout.local[0] + kLocalUncompressed, uint32_t(text.size() + 100));
  Put32(bytes, layout.central[0] + kCentralUncompressed, uint32_t(text.size() + 100));
  const CString path = WriteDriveC("short/Pages.nux", bytes);

  CZipArchive zip;
  zip.Open(path, CZipArchive::zipOpenReadOnly, 0);
  zip.SetPassword(u"QuietOwlsDance");
  std::string data;
  EXPECT_EQ(ZipError([&] { ExtractString(zip, 0, data); }), CZipException::badZipFile);
  HGLOBAL block = nullptr;
  EXPECT_EQ(ZipError([&] { zip.ExtractToGlobal(0, block, 65536); }), CZipException::badZipFile);
  EXPECT_EQ(block, nullptr);
  zip.Close();

  CResourceFile file;
  ASSERT_TRUE(file.Open(u"C:\\short\\Pages\\page.htm"));
  BYTE* out = nullptr;
  DWORD size = 0;
  EXPECT_EQ(ZipError([&] { file.ReadAll(out, size); }), CZipException::badZipFile);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(ZipError([&] { file.ReadAllGlobal(block); }), CZipException::badZipFile);
  file.Close(TRUE);
}

TEST(ZipExtract, EmptyEntryAndChunkSizes) {
  Archive archive;
  archive.entries = {MakeEntry("empty", "", 8), MakeEntry("empty-stored", "", 0), MakeEntry("sixty-four", Text(64), 8)};
  CZipArchive zip;
  zip.Open(WriteDriveC("extract/sizes.zip", archive.Build()), CZipArchive::zipOpenReadOnly, 0);
  for (int i = 0; i < 2; ++i) {
    BYTE* data = nullptr;
    DWORD size = 99;
    EXPECT_TRUE(zip.ExtractToBuffer(WORD(i), data, size, 65536));
    EXPECT_NE(data, nullptr);
    EXPECT_EQ(size, 0u);
    free(data);
    // A movable block of size 0 cannot be locked.
    HGLOBAL block = reinterpret_cast<HGLOBAL>(1);
    EXPECT_FALSE(zip.ExtractToGlobal(WORD(i), block, 65536));
    EXPECT_EQ(block, nullptr);
  }
  for (DWORD chunk : {1u, 16u, 63u, 64u, 65u}) {
    std::string data;
    EXPECT_TRUE(ExtractString(zip, 2, data, chunk));
    EXPECT_EQ(data, Text(64));
  }
  BYTE* data = nullptr;
  DWORD size = 0;
  EXPECT_FALSE(zip.ExtractToBuffer(2, data, size, 0));
  HGLOBAL block = nullptr;
  EXPECT_FALSE(zip.ExtractToGlobal(2, block, 0));
  EXPECT_FALSE(zip.ExtractToBuffer(3, data, size, 65536));
  EXPECT_FALSE(zip.ExtractToBufferByName(u"missing", data, size, 65536));
  EXPECT_FALSE(zip.ExtractToGlobalByName(u"missing", block, 65536));
  EXPECT_TRUE(zip.ExtractToGlobalByName(u"SIXTY-FOUR", block, 65536));
  EXPECT_EQ(GlobalSize(block), 64u);
  GlobalFree(block);
  zip.Close();
}

TEST(ZipExtract, EntryByEntryReading) {
  Archive archive;
  archive.entries = {MakeEntry("a", Text(1000)), MakeEntry("b", Text(10))};
  Layout layout;
  std::string bytes = archive.Build(&layout);
  Put32(bytes, layout.local[1] + kLocalCrc, 5);
  Put32(bytes, layout.central[1] + kCentralCrc, 5);
  CZipArchive zip;
  zip.Open(WriteDriveC("extract/steps.zip", bytes), CZipArchive::zipOpenReadOnly, 0);
  char buffer[2000];
  EXPECT_EQ(zip.CloseFile(), 0);  // nothing open
  ASSERT_TRUE(zip.OpenFile(0));
  EXPECT_FALSE(zip.OpenFile(1));  // one entry at a time
  EXPECT_FALSE(zip.SetPassword(u"x"));
  EXPECT_EQ(zip.ReadFile(buffer, 100), 100u);
  EXPECT_EQ(zip.CloseFile(), -1);  // not all read: no check
  ASSERT_TRUE(zip.OpenFile(0));
  EXPECT_EQ(zip.ReadFile(buffer, sizeof buffer), 1000u);
  EXPECT_EQ(zip.ReadFile(buffer, sizeof buffer), 0u);
  EXPECT_EQ(zip.CloseFile(), 1);
  // The checksum of entry 1 is wrong: the data come, then closing raises 102 and leaves the
  // entry for the archive's close, which ends it without a second error.
  ASSERT_TRUE(zip.OpenFile(1));
  EXPECT_EQ(zip.ReadFile(buffer, sizeof buffer), 10u);
  EXPECT_EQ(ZipError([&] { zip.CloseFile(); }), CZipException::badCrc);
  EXPECT_FALSE(zip.OpenFile(0));
  EXPECT_EQ(ZipError([&] { zip.Close(); }), 0);
}

TEST(ZipExtract, PasswordCharacters) {
  CZipArchive zip;
  EXPECT_TRUE(zip.SetPassword(u"QuietOwlsDance"));
  EXPECT_EQ(zip.GetPassword(), CString(u"QuietOwlsDance"));
  EXPECT_FALSE(zip.SetPassword(u"caf\u00e9"));  // 0xE9 in the ANSI code page
  EXPECT_EQ(zip.GetPassword(), CString());
  EXPECT_TRUE(zip.SetPassword(u"\u4e00"));  // no ANSI form: becomes "?"
  EXPECT_EQ(zip.GetPassword(), CString(u"?"));
  EXPECT_TRUE(zip.SetPassword(nullptr));
  EXPECT_EQ(zip.GetPassword(), CString());
}

// ---- volumes ---------------------------------------------------------------------------

// An archive in three files: x.000 and x.001 hold the entries (the first one's data run on
// into the second file), x.zip the directory.
struct Volumes {
  std::string v0, v1, last;
  std::string a, b;
};

Volumes SplitArchive() {
  Volumes v;
  v.a = Text(3000);
  v.b = Text(500);
  Archive archive;
  archive.entries = {MakeEntry("a.txt", v.a, 0), MakeEntry("b.txt", v.b, 8)};
  Layout l;
  const std::string bytes = archive.Build(&l);
  const size_t cut = l.data[0] + 1000;
  v.v0 = bytes.substr(0, cut);
  v.v1 = bytes.substr(cut, l.centralStart - cut);
  v.last = bytes.substr(l.centralStart);
  const size_t c0 = l.central[0] - l.centralStart, c1 = l.central[1] - l.centralStart;
  const size_t end = l.end - l.centralStart;
  Put16(v.last, c1 + kCentralVolume, 1);
  Put32(v.last, c1 + kCentralOffset, uint32_t(l.local[1] - cut));
  Put32(v.last, c0 + kCentralOffset, 0);
  Put16(v.last, end + kEndThisVolume, 2);
  Put16(v.last, end + kEndVolumeWithDir, 2);
  Put32(v.last, end + kEndDirOffset, 0);
  return v;
}

TEST(ZipVolumes, VolumesByFileNameAreRead) {
  const Volumes v = SplitArchive();
  WriteDriveC("vol/x.000", v.v0);
  WriteDriveC("vol/x.001", v.v1);
  const CString path = WriteDriveC("vol/x.zip", v.last);
  CZipArchive zip;
  zip.Open(path, CZipArchive::zipOpenReadOnly, 0);
  std::string data;
  EXPECT_TRUE(ExtractString(zip, zip.FindFile(u"b.txt"), data));
  EXPECT_EQ(data, v.b);
  EXPECT_TRUE(ExtractString(zip, zip.FindFile(u"a.txt"), data));
  EXPECT_EQ(data, v.a);
  zip.Close();
}

TEST(ZipVolumes, MissingVolumeAndRemovableDrive) {
  const Volumes v = SplitArchive();
  const CString path = WriteDriveC("vol2/x.zip", v.last);
  WriteDriveC("vol2/x.001", v.v1);
  {
    CZipArchive zip;
    zip.Open(path, CZipArchive::zipOpenReadOnly, 0);
    std::string data;
    EXPECT_EQ(ZipError([&] { ExtractString(zip, 0, data); }), -1);  // x.000 is missing
    EXPECT_EQ(ZipError([&] { zip.Close(); }), 0);
  }
  // On a removable drive the volumes would be disks asked for through a callback, which the
  // reader never has.
  nux::fs::SetDriveType('C', DRIVE_REMOVABLE);
  CZipArchive zip;
  const int code = ZipError([&] { zip.Open(path, CZipArchive::zipOpenReadOnly, 0); });
  nux::fs::SetDriveType('C', DRIVE_UNKNOWN);
  EXPECT_EQ(code, CZipException::noCallback);
  zip.Close();
}

// ---- error texts -------------------------------------------------------------------------

CString Describe(int code) {
  CZipException e(code);
  return e.GetErrorDescription();
}

TEST(ZipException, Texts) {
  const struct {
    int code;
    const char16_t* text;
  } cases[] = {
      {2, u"No such file or directory"},
      {30, u"Read-only file system"},
      {101, u"Damaged or not a zip file"},
      {102, u"Crc mismatched"},
      {108, u"Limit of the maximum volumes reached (999)"},
      {110, u"Incorrect password set for the file being decrypted"},
      {116,
       u"The central directory was not found in the archive (or you were trying to open not the last disk of a "
       u"multi-disk archive)"},
      {500, u"Zlib Library error (end of stream)"},
      {504, u"Zlib library error (data error)"},
      {505, u"Not enough memory"},
      {507, u"Zlib library error (version error)"},
  };
  for (const auto& c : cases) EXPECT_EQ(Describe(c.code), CString(c.text)) << c.code;

  // Codes without a text of their own report the last system error, or the run-time error.
  SetLastError(0);
  errno = 0;
  EXPECT_EQ(Describe(100), CString(u"Unknown error"));
  EXPECT_EQ(Describe(501), CString(u"Unknown error"));
  errno = 13;
  EXPECT_EQ(Describe(100), CString(u"Permission denied"));
  EXPECT_EQ(Describe(502), CString(u"Permission denied"));
  errno = 0;
  EXPECT_EQ(Describe(113), CString(u"Error while removing a file (Unknown error)"));
  SetLastError(ERROR_FILE_NOT_FOUND);
  WCHAR system[256] = {};
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      ERROR_FILE_NOT_FOUND, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), system, 256,
                                      nullptr);
  ASSERT_GT(length, 0u);
  SetLastError(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Describe(100), CString(system));
  SetLastError(0);
}

TEST(ZipException, MessageIntoABuffer) {
  CZipException e(CZipException::badPassword, u"C:\\a.zip");
  WCHAR buffer[10];
  EXPECT_TRUE(e.GetErrorMessage(buffer, 10));
  EXPECT_EQ(CString(buffer), CString(u"Incorrect"));
  EXPECT_FALSE(e.GetErrorMessage(static_cast<LPWSTR>(nullptr), 10));
  EXPECT_FALSE(e.GetErrorMessage(buffer, 0));
  EXPECT_EQ(e.m_szFileName, CString(u"C:\\a.zip"));
}

TEST(ZipException, ZlibResults) {
  const int results[][2] = {{Z_STREAM_END, 500}, {Z_NEED_DICT, 501}, {Z_ERRNO, 502}, {Z_STREAM_ERROR, 503},
                            {Z_DATA_ERROR, 504}, {Z_MEM_ERROR, 505}, {Z_BUF_ERROR, 506}, {Z_VERSION_ERROR, 507},
                            {Z_OK, 100},         {42, 100}};
  for (const auto& r : results) EXPECT_EQ(CZipException::ZlibErrToZip(r[0]), r[1]) << r[0];
}

}  // namespace
