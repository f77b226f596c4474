#include <gtest/gtest.h>

#include <string>

#include "exchange/file_system.h"

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

}  // namespace
}  // namespace q836
