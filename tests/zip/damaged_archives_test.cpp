// Damaged archives: truncations and flipped bytes of the committed archives end in a result or
// a CZipException, never in a crash, a hang or another kind of error. The one other error
// allowed is the file error for a missing volume, when the damage turned the archive into the
// last volume of a multi-volume one.
#include <gtest/gtest.h>

#include "zip_builder.h"
#include "zip_test_util.h"

namespace {

using namespace ziptest;

// Opens the bytes as an archive and extracts every entry; false when something other than a
// CZipException came out.
bool ReadsOrFailsCleanly(const std::string& bytes, const char16_t* password, const std::string& what) {
  const CString path = WriteDriveC("damaged/archive.zip", bytes);
  try {
    ExtractAll(path, password);
  } catch (CZipException* e) {
    e->Delete();
  } catch (CFileException* e) {
    const int cause = e->m_cause;
    e->Delete();
    if (cause != CFileException::fileNotFound) {
      ADD_FAILURE() << what << ": file error " << cause;
      return false;
    }
  } catch (CException* e) {
    e->Delete();
    ADD_FAILURE() << what << ": an error other than CZipException";
    return false;
  }
  return true;
}

struct Source {
  std::string name;
  std::string bytes;
  const char16_t* password;
  size_t step;  // every byte (1), or every step-th byte of the larger archives
};

std::vector<Source> Sources() {
  std::vector<Source> sources;
  sources.push_back({"deflated.zip", Fixture("deflated.zip"), nullptr, 1});
  sources.push_back({"encrypted.zip", Fixture("encrypted.zip"), u"secret", 1});
  sources.push_back({"stored.zip", Fixture("stored.zip"), nullptr, 7});
  sources.push_back({"comment.zip", Fixture("comment.zip"), nullptr, 5});
  sources.push_back({"sfx.zip", Fixture("sfx.zip"), nullptr, 5});
  // Entries with data descriptors, one with and one without its signature.
  Archive archive;
  Entry a;
  a.name = "a.txt";
  a.data = std::string(700, 'a') + "tail";
  a.descriptor = true;
  Entry b = a;
  b.name = "b.txt";
  b.descriptorSignature = false;
  b.password = "pw";
  archive.entries = {a, b};
  sources.push_back({"descriptors", archive.Build(), u"pw", 1});
  return sources;
}

TEST(ZipDamaged, EveryTruncation) {
  for (const Source& source : Sources()) {
    for (size_t length = 0; length < source.bytes.size(); length += source.step) {
      if (!ReadsOrFailsCleanly(source.bytes.substr(0, length), source.password,
                               source.name + " cut at " + std::to_string(length)))
        return;
    }
  }
}

TEST(ZipDamaged, EveryFlippedByte) {
  for (const Source& source : Sources()) {
    // The last 22 bytes (the end record) are flipped everywhere.
    for (size_t at = 0; at < source.bytes.size(); at += (at + 22 >= source.bytes.size() ? 1 : source.step)) {
      for (unsigned char mask : {0x01, 0xff}) {
        std::string bytes = source.bytes;
        bytes[at] = char(bytes[at] ^ mask);
        if (!ReadsOrFailsCleanly(bytes, source.password, source.name + " flipped at " + std::to_string(at)))
          return;
      }
    }
  }
}

}  // namespace
