#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "exchange/file_system.h"
#include "text/wide_text.h"

namespace q836 {
namespace {

// The null device is written into, never replaced; a plain file or a new
// one is replaced; a missing folder says so.
TEST(DiskTarget, DevicesAreWrittenIntoAndPlainFilesReplaced) {
  FileSystem& disk = DiskFileSystem();
  EXPECT_EQ(disk.ResolveForWriting("NUL").kind, WriteTarget::Kind::kDirect);
  AtomicFileWriter out(disk, "NUL");
  out.Write("hd\r\n");
  EXPECT_TRUE(out.Commit());

  const std::string path = ::testing::TempDir() + "q836_disk_target_test.txt";
  const WriteTarget plain = disk.ResolveForWriting(path);
  EXPECT_EQ(plain.kind, WriteTarget::Kind::kReplace);
  EXPECT_EQ(plain.path, path);
  AtomicFileWriter file(disk, path);
  file.Write("hq\r\n");
  EXPECT_TRUE(file.Commit());
  EXPECT_EQ(disk.ResolveForWriting(path).kind, WriteTarget::Kind::kReplace);
  EXPECT_TRUE(disk.Remove(path));

  AtomicFileWriter missing(disk, ::testing::TempDir() + "no such folder\\JWC_TEMP.TXT");
  missing.Write("hq\r\n");
  EXPECT_FALSE(missing.Commit());
  EXPECT_EQ(missing.Error(), FileError::kFolderMissing);
}

// An existing file is replaced in place with nothing left beside it; a
// folder of its name and a read-only file are refused and stay.
TEST(DiskTarget, ReplacingLeavesNothingAndRefusesFoldersAndReadOnlyFiles) {
  FileSystem& disk = DiskFileSystem();
  const std::wstring folder = Utf16(::testing::TempDir()) + L"q836_replace_test";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::string target = Utf8(folder) + "\\JWC_TEMP.TXT";
  auto write = [&](const std::string& path, FileError* error) {
    AtomicFileWriter out(disk, path);
    out.Write("hd\r\n");
    const bool ok = out.Commit();
    *error = out.Error();
    return ok;
  };
  auto names = [&] {
    std::wstring all;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    do {
      if (found.cFileName[0] != L'.') all += std::wstring(found.cFileName) + L" ";
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return all;
  };
  FileError error = FileError::kNone;
  ASSERT_TRUE(write(target, &error));  // new
  ASSERT_TRUE(write(target, &error));  // replaced
  EXPECT_EQ(names(), L"JWC_TEMP.TXT ");
  const std::wstring wide = Utf16(target);
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(write(target, &error));
  EXPECT_EQ(error, FileError::kReadOnlyFile);
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(wide.c_str());
  CreateDirectoryW(wide.c_str(), nullptr);
  EXPECT_FALSE(write(target, &error));
  EXPECT_EQ(error, FileError::kFolderInTheWay);
  EXPECT_EQ(names(), L"JWC_TEMP.TXT ");
  RemoveDirectoryW(wide.c_str());
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace q836
