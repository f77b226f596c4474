#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "exchange/file_system.h"

namespace q836 {
namespace {

namespace fs = std::filesystem;

// Each test works in a folder of its own under the test's temporary folder.
class DiskTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = ::testing::TempDir() + "q836_disk_XXXXXX";
    ASSERT_NE(::mkdtemp(name.data()), nullptr);
    dir = name;
  }
  void TearDown() override { fs::remove_all(dir); }

  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  static void Put(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static bool Write(const fs::path& path, const std::string& bytes, FileError* error = nullptr) {
    AtomicFileWriter out(DiskFileSystem(), path.string());
    out.Write(bytes);
    const bool ok = out.Commit();
    if (error) *error = out.Error();
    return ok;
  }
  // Names in a folder, sorted: what a write left behind.
  static std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir;
};

TEST_F(DiskTargetTest, LinksAreWrittenThroughAndStayLinks) {
  fs::create_directory(dir / "real");
  fs::create_directory(dir / "tool");
  Put(dir / "real" / "JWC_TEMP.TXT", "old");
  // tool/one -> (absolute) tool/two -> (relative) ../real/JWC_TEMP.TXT
  fs::create_symlink("../real/JWC_TEMP.TXT", dir / "tool" / "two");
  fs::create_symlink(dir / "tool" / "two", dir / "tool" / "one");
  fs::create_symlink("JWC_TEMP.TXT", dir / "real" / "same");

  for (const char* link : {"tool/one", "tool/two", "real/same"}) {
    const std::string bytes = std::string("hd via ") + link + "\r\n";
    ASSERT_TRUE(Write(dir / link, bytes)) << link;
    EXPECT_EQ(Read(dir / "real" / "JWC_TEMP.TXT"), bytes) << link;
  }
  EXPECT_TRUE(fs::is_symlink(dir / "tool" / "one"));
  EXPECT_EQ(fs::read_symlink(dir / "tool" / "one"), dir / "tool" / "two");
  EXPECT_EQ(fs::read_symlink(dir / "tool" / "two"), "../real/JWC_TEMP.TXT");
  EXPECT_EQ(Names(dir / "tool"), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(Names(dir / "real"), (std::vector<std::string>{"JWC_TEMP.TXT", "same"}));
}

TEST_F(DiskTargetTest, ADanglingLinkGetsItsFileAndALoopIsRefused) {
  fs::create_symlink("made.txt", dir / "link");
  ASSERT_TRUE(Write(dir / "link", "hq\r\n"));
  EXPECT_EQ(Read(dir / "made.txt"), "hq\r\n");
  EXPECT_TRUE(fs::is_symlink(dir / "link"));

  fs::create_symlink("b", dir / "a");
  fs::create_symlink("a", dir / "b");
  FileError error = FileError::kNone;
  EXPECT_FALSE(Write(dir / "a", "hq\r\n", &error));
  EXPECT_EQ(error, FileError::kUnresolvedLink);
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"a", "b", "link", "made.txt"}));
}

TEST_F(DiskTargetTest, AFifoIsWrittenIntoAndStays) {
  const fs::path fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { got = Read(fifo); });
  const std::string bytes(200000, 'x');  // more than a pipe holds at once
  EXPECT_TRUE(Write(fifo, bytes));
  reader.join();
  EXPECT_EQ(got, bytes);
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(Names(dir), std::vector<std::string>{"fifo"});
}

TEST_F(DiskTargetTest, ADeviceIsWrittenIntoAndStays) {
  if (::geteuid() != 0) GTEST_SKIP() << "making a device node needs root; skipped";
  const fs::path device = dir / "null";
  ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0600, ::makedev(1, 3)), 0);
  EXPECT_TRUE(Write(device, "hd\r\n"));
  EXPECT_TRUE(fs::is_character_file(device));
  EXPECT_EQ(Names(dir), std::vector<std::string>{"null"});
}

TEST_F(DiskTargetTest, FailuresSayWhy) {
  FileError error = FileError::kNone;
  EXPECT_FALSE(Write(dir / "no such folder" / "JWC_TEMP.TXT", "hd\r\n", &error));
  EXPECT_EQ(error, FileError::kFolderMissing);
  // A folder in the way of the temporary file.
  fs::create_directory(dir / "JWC_TEMP.TXT.q836-new");
  Put(dir / "JWC_TEMP.TXT", "old");
  EXPECT_FALSE(Write(dir / "JWC_TEMP.TXT", "hd\r\n", &error));
  EXPECT_EQ(error, FileError::kAccessDenied);
  EXPECT_TRUE(fs::is_directory(dir / "JWC_TEMP.TXT.q836-new"));
  EXPECT_EQ(Read(dir / "JWC_TEMP.TXT"), "old");  // the target stays as it was
}

}  // namespace
}  // namespace q836
