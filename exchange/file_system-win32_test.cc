#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
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
  const WriteTarget written = disk.ResolveForWriting(path);
  EXPECT_EQ(written.kind, WriteTarget::Kind::kReplace);
  EXPECT_TRUE(disk.Remove(written, written.name));

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

// Left-overs of killed runs go only under exactly the writer's names, of
// the runner, unchanged for an hour; look-alike names stay, and a target
// named like a left-over is replaced, not deleted.
TEST(DiskTarget, OnlyOurOwnLeftoversAreRemoved) {
  FileSystem& disk = DiskFileSystem();
  const std::wstring folder = Utf16(::testing::TempDir()) + L"q836_leftover_test\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  auto put = [&](const std::string& name, int ageSeconds) {
    const std::wstring path = folder + Utf16(name);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << name;
    DWORD written = 0;
    WriteFile(h, "old", 3, &written, nullptr);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER then{{now.dwLowDateTime, now.dwHighDateTime}};
    then.QuadPart -= static_cast<ULONGLONG>(ageSeconds) * 10000000ULL;
    const FILETIME old{then.LowPart, then.HighPart};
    SetFileTime(h, nullptr, nullptr, &old);
    CloseHandle(h);
  };
  auto exists = [&](const std::string& name) {
    return GetFileAttributesW((folder + Utf16(name)).c_str()) != INVALID_FILE_ATTRIBUTES;
  };
  const struct {
    const char* name;
    int age;
    bool removed;
  } entries[] = {
      {"JWC_TEMP.TXT.1a2b-0.q836-new", 7200, true},
      {"q836-1a2b-3.tmp~", 7200, true},
      {"JWC_TEMP.TXT.1a2b-1.q836-new", 60, false},
      {"JWC_TEMP.TXT.backup.q836-new", 7200, false},
      {"JWC_TEMP.TXT.q836-new", 7200, false},
      {"q836-notes.tmp~", 7200, false},
      {"q836-1a2b-b.tmp~", 7200, false},
  };
  put("JWC_TEMP.TXT", 0);
  for (const auto& e : entries) put(e.name, e.age);
  AtomicFileWriter out(disk, Utf8(folder) + "JWC_TEMP.TXT");
  out.Write("hd\r\n");
  ASSERT_TRUE(out.Commit());
  // Wine gives no file an owner the runner can be compared with: there
  // nothing is removed, which is the safe side.
  const bool owners = !exists(entries[0].name);
  for (const auto& e : entries) {
    EXPECT_EQ(exists(e.name), !(e.removed && owners)) << e.name;
  }
  put("q836-1a2b-4.tmp~", 7200);
  AtomicFileWriter alike(disk, Utf8(folder) + "q836-1a2b-4.tmp~");
  alike.Write("hd\r\n");
  EXPECT_TRUE(alike.Commit());
  EXPECT_TRUE(exists("q836-1a2b-4.tmp~"));
  std::printf("left-overs by owner: %s\n", owners ? "removed" : "kept (no owners here)");
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
  do {
    if (found.cFileName[0] != L'.') DeleteFileW((folder + found.cFileName).c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
  RemoveDirectoryW(folder.c_str());
}

// The folder is held from the start: Windows refuses to rename it while a
// write to it is pending; where it can be swapped all the same (Wine), the
// write fails for that reason and the folder in its place gets nothing.
TEST(DiskTarget, AHeldFolderIsNeverSwappedForAnother) {
  FileSystem& disk = DiskFileSystem();
  const std::wstring base = Utf16(::testing::TempDir());
  const std::wstring folder = base + L"q836_held_test", away = base + L"q836_held_away";
  RemoveDirectoryW(away.c_str());  // left by an earlier run
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::string target = Utf8(folder) + "\\JWC_TEMP.TXT";
  WriteTarget held = disk.ResolveForWriting(target);
  ASSERT_NE(held.folder, nullptr);
  const bool moved = MoveFileExW(folder.c_str(), away.c_str(), 0) != 0;
  if (moved) CreateDirectoryW(folder.c_str(), nullptr);  // another folder in its place
  AtomicFileWriter out(disk, std::move(held));
  out.Write("hd\r\n");
  EXPECT_EQ(out.Commit(), !moved);
  if (moved) {
    EXPECT_EQ(out.Error(), FileError::kFolderMoved);
    EXPECT_EQ(GetFileAttributesW(Utf16(target).c_str()), INVALID_FILE_ATTRIBUTES);
  }
  std::printf("a held folder: %s\n", moved ? "renamed, and the write refused" : "not renamed");
  DeleteFileW(Utf16(target).c_str());
  RemoveDirectoryW(folder.c_str());
  RemoveDirectoryW(away.c_str());
}

}  // namespace
}  // namespace q836
