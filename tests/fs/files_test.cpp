// Files and folders: CreateFile and its handle, attributes, delete, copy, move, folders, the
// run-time's file calls and disk space.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>

#include "base/errors.h"
#include "fs/fs.h"
#include "fs_test_helpers.h"
#include "test_support.h"

namespace {

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

TEST(Files, AFolderNeverOpensAsAFile) {
  nuxtest::ScopedPlatformRoot root;
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Dir", nullptr));

  for (const char16_t* mode : {u"r", u"rb", u"w", u"a+", u"r+t"}) {
    errno = 0;
    SetLastError(0);
    EXPECT_EQ(_wfopen(u"C:\\dir", mode), nullptr);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  }
  EXPECT_EQ(w32_fopen("C:\\DIR\\", "rb"), nullptr);
  EXPECT_EQ(errno, EACCES);

  for (DWORD disposition : {OPEN_EXISTING, OPEN_ALWAYS, CREATE_ALWAYS, TRUNCATE_EXISTING}) {
    SetLastError(0);
    EXPECT_EQ(CreateFileW(u"C:\\Dir", GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                          nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED)) << disposition;
  }
  EXPECT_EQ(CreateFileA("C:\\", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
}

TEST(Files, CreateFileDispositions) {
  nuxtest::ScopedPlatformRoot root;
  const std::string onDisk = root.DriveC() + "/file.bin";
  struct Case {
    DWORD disposition;
    bool existsBefore;
    bool opens;
    DWORD error;          // GetLastError afterwards
    const char* content;  // the file afterwards (nullptr: missing)
  } cases[] = {
      {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
      {CREATE_NEW, false, true, ERROR_SUCCESS, ""},
      {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
      {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
      {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
      {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
      {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(onDisk);
    if (c.existsBefore) fstest::Put(root, "drive_c/file.bin", "old");
    SetLastError(12345);
    HANDLE h = CreateFileW(u"C:\\file.bin", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, c.disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    const std::string where = "disposition " + std::to_string(c.disposition) + (c.existsBefore ? " existing" : " missing");
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens) << where;
    EXPECT_EQ(GetLastError(), c.error) << where;
    if (h != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(CloseHandle(h));
    }
    EXPECT_EQ(std::filesystem::exists(onDisk), c.content != nullptr) << where;
    if (c.content) {
      EXPECT_EQ(nuxtest::ReadFile(onDisk), c.content) << where;
    }
  }
  EXPECT_EQ(CreateFileW(u"C:\\missing\\file.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

TEST(Files, HandleReadsWritesSeeksAndCloses) {
  nuxtest::ScopedPlatformRoot root;
  HANDLE h = CreateFileA("C:\\data.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(h, "hello world", 11, &n, nullptr));
  EXPECT_EQ(n, 11u);
  EXPECT_EQ(SetFilePointer(h, 6, nullptr, FILE_BEGIN), 6u);
  char buffer[32] = {};
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));
  EXPECT_EQ(std::string(buffer, n), "world");
  ASSERT_TRUE(ReadFile(h, buffer, sizeof buffer, &n, nullptr));  // at the end: TRUE with 0 bytes
  EXPECT_EQ(n, 0u);

  DWORD high = 7;
  EXPECT_EQ(GetFileSize(h, &high), 11u);
  EXPECT_EQ(high, 0u);
  EXPECT_EQ(SetFilePointer(h, -100, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_NEGATIVE_SEEK));
  LARGE_INTEGER distance, position;
  distance.QuadPart = -6;
  ASSERT_TRUE(SetFilePointerEx(h, distance, &position, FILE_END));
  EXPECT_EQ(position.QuadPart, 5);
  ASSERT_TRUE(SetEndOfFile(h));
  LARGE_INTEGER size;
  ASSERT_TRUE(GetFileSizeEx(h, &size));
  EXPECT_EQ(size.QuadPart, 5);
  EXPECT_TRUE(FlushFileBuffers(h));

  FILETIME written{0x12345670u, 0x01D00000u}, got{};
  ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &written));
  ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &got));
  EXPECT_EQ(got.dwLowDateTime, written.dwLowDateTime);
  EXPECT_EQ(got.dwHighDateTime, written.dwHighDateTime);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
  EXPECT_EQ(nuxtest::ReadFile(root.DriveC() + "/data.bin"), "hello");

  // A handle opened for reading neither writes nor truncates.
  h = CreateFileW(u"C:\\data.bin", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(SetEndOfFile(h));
  CloseHandle(h);
  EXPECT_FALSE(ReadFile(h, buffer, 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}

TEST(Files, AttributesAndTheReadOnlyFile) {
  nuxtest::ScopedPlatformRoot root;
  fstest::Put(root, "drive_c/ro.txt", "keep");
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Folder", nullptr));

  EXPECT_EQ(GetFileAttributesW(u"C:\\ro.txt"), DWORD(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(GetFileAttributesW(u"C:\\folder"), DWORD(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(GetFileAttributesW(u"C:\\nope.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesA("C:\\nope\\x.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));

  ASSERT_TRUE(SetFileAttributesW(u"C:\\ro.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesW(u"C:\\ro.txt"), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW(u"C:\\RO.TXT", GetFileExInfoStandard, &data));
  EXPECT_EQ(data.dwFileAttributes, DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(data.nFileSizeLow, 4u);

  // A read-only file is neither deleted nor opened for writing, whoever runs the process.
  EXPECT_FALSE(DeleteFileW(u"C:\\ro.txt"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(CreateFileW(u"C:\\ro.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(_wfopen(u"C:\\ro.txt", u"a"), nullptr);
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(_waccess(u"C:\\ro.txt", 2), -1);
  EXPECT_EQ(_waccess(u"C:\\ro.txt", 4), 0);
  EXPECT_EQ(w32_remove("C:\\ro.txt"), -1);
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(nuxtest::ReadFile(root.DriveC() + "/ro.txt"), "keep");

  ASSERT_TRUE(SetFileAttributesA("C:\\ro.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesW(u"C:\\ro.txt"), DWORD(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(DeleteFileA("c:\\RO.txt"));
  EXPECT_FALSE(DeleteFileW(u"C:\\ro.txt"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(DeleteFileW(u"C:\\Folder"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
}

TEST(Files, CopyFileHonoursFailIfExistsAndReplacesWhole) {
  nuxtest::ScopedPlatformRoot root;
  fstest::Put(root, "drive_c/src.txt", "new content");
  fstest::Put(root, "drive_c/dst.txt", "old");

  EXPECT_FALSE(CopyFileW(u"C:\\src.txt", u"C:\\dst.txt", TRUE));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_EXISTS));
  EXPECT_EQ(nuxtest::ReadFile(root.DriveC() + "/dst.txt"), "old");

  ASSERT_TRUE(CopyFileA("C:\\SRC.TXT", "C:\\DST.TXT", FALSE));
  EXPECT_EQ(nuxtest::ReadFile(root.DriveC() + "/dst.txt"), "new content");
  ASSERT_TRUE(CopyFileW(u"C:\\src.txt", u"C:\\fresh.txt", TRUE));
  EXPECT_EQ(nuxtest::ReadFile(root.DriveC() + "/fresh.txt"), "new content");

  // The read-only attribute goes with the copy, and a read-only target is not replaced.
  ASSERT_TRUE(SetFileAttributesW(u"C:\\src.txt", FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(CopyFileW(u"C:\\src.txt", u"C:\\ro-copy.txt", FALSE));
  EXPECT_TRUE(GetFileAttributesW(u"C:\\ro-copy.txt") & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(CopyFileW(u"C:\\fresh.txt", u"C:\\ro-copy.txt", FALSE));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));

  EXPECT_FALSE(CopyFileW(u"C:\\missing.txt", u"C:\\x.txt", FALSE));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(CopyFileW(u"C:\\fresh.txt", u"C:\\no\\x.txt", FALSE));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
  // No temporary file is left beside the targets.
  EXPECT_EQ(Names(root.DriveC()), (std::set<std::string>{"src.txt", "dst.txt", "fresh.txt", "ro-copy.txt"}));
}

TEST(Files, MoveFileKeepsOrReplacesTheTarget) {
  nuxtest::ScopedPlatformRoot root;
  fstest::Put(root, "drive_c/a.txt", "A");
  fstest::Put(root, "drive_c/b.txt", "B");

  EXPECT_FALSE(MoveFileW(u"C:\\a.txt", u"C:\\B.txt"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
  ASSERT_TRUE(MoveFileExW(u"C:\\a.txt", u"C:\\B.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(nuxtest::ReadFile(root.DriveC() + "/b.txt"), "A");
  EXPECT_FALSE(MoveFileA("C:\\a.txt", "C:\\c.txt"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));

  // A change of case only renames the file.
  ASSERT_TRUE(MoveFileW(u"C:\\b.txt", u"C:\\Big.TXT"));
  ASSERT_TRUE(MoveFileW(u"C:\\big.txt", u"C:\\BIG.txt"));
  EXPECT_EQ(Names(root.DriveC()), (std::set<std::string>{"BIG.txt"}));

  EXPECT_EQ(_wrename(u"C:\\BIG.txt", u"C:\\BIG.txt.moved"), 0);
  fstest::Put(root, "drive_c/other", "o");
  EXPECT_EQ(_wrename(u"C:\\other", u"C:\\big.txt.MOVED"), -1);
  EXPECT_EQ(errno, EACCES);
}

TEST(Files, FoldersAndTheirErrors) {
  nuxtest::ScopedPlatformRoot root;
  ASSERT_TRUE(CreateDirectoryA("C:\\Top", nullptr));
  EXPECT_FALSE(CreateDirectoryW(u"C:\\top", nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(CreateDirectoryW(u"C:\\none\\sub", nullptr));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\TOP\\Sub\\", nullptr));
  fstest::Put(root, "drive_c/Top/file", "f");

  EXPECT_FALSE(RemoveDirectoryW(u"C:\\top"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_DIR_NOT_EMPTY));
  EXPECT_FALSE(RemoveDirectoryW(u"C:\\top\\file"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_DIRECTORY));
  EXPECT_TRUE(RemoveDirectoryA("c:\\top\\sub"));
  EXPECT_FALSE(RemoveDirectoryW(u"C:\\top\\sub"));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));

  EXPECT_EQ(_wmkdir(u"C:\\top"), -1);
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(_mkdir("C:\\top\\made"), 0);
  EXPECT_EQ(_wrmdir(u"C:\\top\\nothing"), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(_access("C:\\top\\made", 0), 0);
  EXPECT_EQ(_access("C:\\top\\made", 2), 0);  // a folder is only tested for being there
  EXPECT_EQ(_access("C:\\top\\gone", 0), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST(Files, DiskSpaceAndItsOverride) {
  nuxtest::ScopedPlatformRoot root;
  DWORD perCluster = 0, perSector = 0, freeClusters = 0, total = 0;
  ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &perCluster, &perSector, &freeClusters, &total));
  EXPECT_GT(perCluster * perSector, 0u);
  EXPECT_GT(total, 0u);

  nux::fs::SetFreeSpaceOverride(0);
  ASSERT_TRUE(GetDiskFreeSpaceW(u"C:\\", &perCluster, &perSector, &freeClusters, &total));
  EXPECT_EQ(freeClusters, 0u);
  nux::fs::SetFreeSpaceOverride(ULONGLONG(10) << 20);
  ULARGE_INTEGER available, bytes, totalFree;
  ASSERT_TRUE(GetDiskFreeSpaceExW(u"C:\\not\\yet\\made", &available, &bytes, &totalFree));
  EXPECT_EQ(available.QuadPart, ULONGLONG(10) << 20);
  EXPECT_EQ(totalFree.QuadPart, ULONGLONG(10) << 20);
  ASSERT_TRUE(GetDiskFreeSpaceA(nullptr, &perCluster, &perSector, &freeClusters, &total));
  EXPECT_EQ(ULONGLONG(perCluster) * perSector * freeClusters, ULONGLONG(10) << 20);
  nux::fs::SetFreeSpaceOverride(std::nullopt);
  ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, nullptr, nullptr));
  EXPECT_GT(available.QuadPart, 0u);

  EXPECT_FALSE(GetDiskFreeSpaceW(u"Q:\\", &perCluster, &perSector, &freeClusters, &total));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));

  const UINT before = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  EXPECT_EQ(SetErrorMode(before), UINT(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
}

}  // namespace
