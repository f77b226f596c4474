#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
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
  void TearDown() override {
    ::umount2((dir / "small").c_str(), MNT_DETACH);  // left mounted by a failed check
    fs::remove_all(dir);
  }

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

// Each way a write can be refused or fail leaves the target exactly as it
// was, nothing else behind, and says why in its own words.
TEST_F(DiskTargetTest, FailuresKeepTheTargetAndSayWhy) {
  const struct {
    const char* name;
    std::function<void(const fs::path&)> setUp;  // given the target
    FileError error;
  } cases[] = {
      {"missing folder", [](const fs::path&) {}, FileError::kFolderMissing},
      {"folder in the way", [](const fs::path& t) { fs::create_directory(t); },
       FileError::kFolderInTheWay},
      {"read-only file",
       [](const fs::path& t) {
         Put(t, "old");
         fs::permissions(t, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
       },
       FileError::kReadOnlyFile},
      {"link loop", [](const fs::path& t) { fs::create_symlink(t.filename(), t); },
       FileError::kUnresolvedLink},
  };
  for (const auto& c : cases) {
    const fs::path folder = dir / c.name;
    fs::create_directory(folder);
    const fs::path target = std::string(c.name) == "missing folder"
                                ? folder / "none" / "JWC_TEMP.TXT"
                                : folder / "JWC_TEMP.TXT";
    c.setUp(target);
    const std::vector<std::string> before = Names(folder);
    const bool wasFile = fs::is_regular_file(fs::symlink_status(target));
    FileError error = FileError::kNone;
    EXPECT_FALSE(Write(target, "hd\r\n", &error)) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
    EXPECT_EQ(Names(folder), before) << c.name;
    if (wasFile) {
      EXPECT_EQ(Read(target), "old") << c.name;
    }
    if (wasFile) fs::permissions(target, fs::perms::owner_all);
  }
}

// A name as long as the file system allows still gets its file: the
// temporary name falls back to a short one.
TEST_F(DiskTargetTest, TheLongestNameIsWritten) {
  const long maxName = ::pathconf(dir.c_str(), _PC_NAME_MAX);
  ASSERT_GT(maxName, 20);
  for (const size_t length :
       {size_t{200}, static_cast<size_t>(maxName) - 8, static_cast<size_t>(maxName)}) {
    const fs::path target = dir / std::string(length, 'n');
    Put(target, "old");
    ASSERT_TRUE(Write(target, "hd\r\n")) << length;
    EXPECT_EQ(Read(target), "hd\r\n") << length;
    EXPECT_EQ(Names(dir).size(), 1u) << length;
    fs::remove(target);
  }
}

// Another user's link planted under any name the temporary file may take
// is never written through; the target stays a plain file.
TEST_F(DiskTargetTest, PlantedLinksAreNotFollowed) {
  Put(dir / "victim", "victim");
  Put(dir / "JWC_TEMP.TXT", "old");
  const std::string tag = DiskFileSystem().RunTag();
  for (int n = 0; n < 3; ++n) {
    fs::create_symlink(dir / "victim",
                       dir / ("JWC_TEMP.TXT." + tag + "-" + std::to_string(n) + ".q836-new"));
  }
  ASSERT_TRUE(Write(dir / "JWC_TEMP.TXT", "hd\r\n"));
  EXPECT_EQ(Read(dir / "victim"), "victim");
  EXPECT_FALSE(fs::is_symlink(dir / "JWC_TEMP.TXT"));
  EXPECT_EQ(Read(dir / "JWC_TEMP.TXT"), "hd\r\n");
  EXPECT_EQ(Names(dir).size(), 5u);  // the three links stay
}

// The new file has the old one's permissions, owner, group and extended
// attributes (ACLs among them); a new target gets what the umask gives.
TEST_F(DiskTargetTest, TheReplacementKeepsTheMetadata) {
  const bool root = ::geteuid() == 0;
  for (const mode_t mode : {0600, 0640, 0755, 0604, 04755, 02755}) {
    const fs::path target = dir / ("m" + std::to_string(mode));
    Put(target, "old");
    ASSERT_EQ(::chmod(target.c_str(), mode), 0);
    if (root) {
      ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
    }
    const bool xattrs = ::setxattr(target.c_str(), "user.q836", "kept", 4, 0) == 0;
    // An ACL granting one more user read access (the kernel's binary form).
    const uint32_t acl[] = {2,          1u | (6u << 16),    0xFFFFFFFF, 2u | (4u << 16),
                            1234,       4u | (4u << 16),    0xFFFFFFFF, 0x10u | (4u << 16),
                            0xFFFFFFFF, 0x20u | (0u << 16), 0xFFFFFFFF};
    const bool acls =
        ::setxattr(target.c_str(), "system.posix_acl_access", acl, sizeof acl, 0) == 0;
    struct stat before, info;
    ASSERT_EQ(::stat(target.c_str(), &before), 0);  // an ACL sets the group bits to its mask
    ASSERT_TRUE(Write(target, "hd\r\n")) << mode;
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    // Set-user-ID and set-group-ID are not carried onto new content.
    EXPECT_EQ(info.st_mode & 07777, before.st_mode & 01777) << mode;
    if (root) {
      EXPECT_EQ(info.st_uid, 65534u) << mode;
      EXPECT_EQ(info.st_gid, 65534u) << mode;
    }
    char value[8] = {};
    if (xattrs) {
      EXPECT_EQ(::getxattr(target.c_str(), "user.q836", value, sizeof value), 4) << mode;
      EXPECT_EQ(std::string(value, 4), "kept") << mode;
    }
    if (acls) {
      uint32_t back[16];
      EXPECT_EQ(::getxattr(target.c_str(), "system.posix_acl_access", back, sizeof back),
                static_cast<ssize_t>(sizeof acl))
          << mode;
    }
    if (mode == 0600) {
      std::printf("metadata kept: mode%s%s%s\n", root ? ", owner, group" : "",
                  xattrs ? ", extended attributes" : "", acls ? ", ACLs" : "");
    }
  }
  const mode_t mask = ::umask(027);
  ASSERT_TRUE(Write(dir / "new", "hd\r\n"));
  ::umask(mask);
  struct stat info;
  ASSERT_EQ(::stat((dir / "new").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

// A folder's default ACL does not reach the replacement of a file that had
// no ACL of its own: its entries would open the file to others.
TEST_F(DiskTargetTest, TheReplacementsAclIsExactlyTheOriginals) {
  // user::rw- user:1234:rw- group::r-- mask::rw- other::r--
  const uint32_t acl[] = {2,          1u | (6u << 16),    0xFFFFFFFF, 2u | (6u << 16),
                          1234,       4u | (4u << 16),    0xFFFFFFFF, 0x10u | (6u << 16),
                          0xFFFFFFFF, 0x20u | (4u << 16), 0xFFFFFFFF};
  if (::setxattr(dir.c_str(), "system.posix_acl_default", acl, sizeof acl, 0) != 0) {
    GTEST_SKIP() << "this file system takes no ACLs; skipped";
  }
  const fs::path target = dir / "JWC_TEMP.TXT";
  Put(target, "old");
  ASSERT_EQ(::removexattr(target.c_str(), "system.posix_acl_access"), 0);
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  ASSERT_TRUE(Write(target, "hd\r\n"));
  uint32_t back[16];
  EXPECT_EQ(::getxattr(target.c_str(), "system.posix_acl_access", back, sizeof back), -1);
  EXPECT_EQ(errno, ENODATA);
  struct stat info;
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  // A file with an ACL keeps exactly its own.
  ASSERT_EQ(::setxattr(target.c_str(), "system.posix_acl_access", acl, sizeof acl, 0), 0);
  ASSERT_TRUE(Write(target, "hd\r\n"));
  EXPECT_EQ(::getxattr(target.c_str(), "system.posix_acl_access", back, sizeof back),
            static_cast<ssize_t>(sizeof acl));
  EXPECT_EQ(std::memcmp(back, acl, sizeof acl), 0);
}

// The folder is found out once: swapped for a link afterwards, it still
// takes the new file, and the folder the link names stays untouched.
TEST_F(DiskTargetTest, AFolderSwappedAfterTheStartIsNotFollowed) {
  fs::create_directory(dir / "mine");
  fs::create_directory(dir / "theirs");
  Put(dir / "mine" / "JWC_TEMP.TXT", "mine");
  Put(dir / "theirs" / "JWC_TEMP.TXT", "theirs");
  const fs::path link = dir / "link";
  fs::create_symlink("mine", link);
  for (const fs::path& given : {dir / "mine" / "JWC_TEMP.TXT", link / "JWC_TEMP.TXT"}) {
    WriteTarget target = DiskFileSystem().ResolveForWriting(given.string());
    ASSERT_EQ(target.kind, WriteTarget::Kind::kReplace) << given;
    fs::rename(dir / "mine", dir / "away");
    fs::remove(link);
    fs::create_symlink("theirs", dir / "mine");
    fs::create_symlink("theirs", link);
    AtomicFileWriter out(DiskFileSystem(), std::move(target));
    out.Write("hd\r\n");
    EXPECT_TRUE(out.Commit()) << given;
    EXPECT_EQ(Read(dir / "theirs" / "JWC_TEMP.TXT"), "theirs") << given;
    EXPECT_EQ(Names(dir / "theirs"), std::vector<std::string>{"JWC_TEMP.TXT"}) << given;
    EXPECT_EQ(Read(dir / "away" / "JWC_TEMP.TXT"), "hd\r\n") << given;
    fs::remove(dir / "mine");
    fs::remove(link);
    fs::rename(dir / "away", dir / "mine");
    fs::create_symlink("mine", link);
  }
}

// A pipe named by a path (/dev/fd/N, as /dev/stdout leads to) is written into.
TEST_F(DiskTargetTest, APipeNamedByAPathIsWrittenInto) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  EXPECT_TRUE(Write("/dev/fd/" + std::to_string(ends[1]), "hd\r\n"));
  ::close(ends[1]);
  char got[16] = {};
  EXPECT_EQ(::read(ends[0], got, sizeof got), 4);
  ::close(ends[0]);
  EXPECT_EQ(std::string(got), "hd\r\n");
}

// A refusal names its true cause, for a runner who is not the file's owner:
// a file others may write but the runner not, a file no one may write, and
// another user's file in a folder with the sticky bit (as /tmp).
TEST_F(DiskTargetTest, RefusalsOfAnotherUsersFileNameTheirCause) {
  if (::geteuid() != 0) GTEST_SKIP() << "another user's run needs root to start; skipped";
  const struct {
    const char* name;
    mode_t folder, file;
    FileError error;
  } cases[] = {
      {"owner-only", 0777, 0644, FileError::kAccessDenied},
      {"read-only", 0777, 0444, FileError::kReadOnlyFile},
      {"sticky", 01777, 0666, FileError::kOthersInSticky},
  };
  for (const auto& c : cases) {
    const fs::path folder = dir / c.name;
    fs::create_directory(folder);
    ASSERT_EQ(::chmod(folder.c_str(), c.folder), 0);
    Put(folder / "JWC_TEMP.TXT", "old");
    ASSERT_EQ(::chmod((folder / "JWC_TEMP.TXT").c_str(), c.file), 0);
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      FileError error = FileError::kNone;
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
      Write(folder / "JWC_TEMP.TXT", "hd\r\n", &error);
      ::_exit(static_cast<int>(error));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(c.error)) << c.name;
    EXPECT_EQ(Read(folder / "JWC_TEMP.TXT"), "old") << c.name;
    EXPECT_EQ(Names(folder), std::vector<std::string>{"JWC_TEMP.TXT"}) << c.name;
  }
}

// Left-overs of killed runs go when it is safe: exactly the writer's names,
// a plain file of the runner's, unchanged for an hour, neither the target
// nor a file read. Everything else stays, look-alike names among them.
TEST_F(DiskTargetTest, OnlySafeLeftoversAreRemoved) {
  auto age = [](const fs::path& path, int seconds) {
    const timeval then[2] = {{::time(nullptr) - seconds, 0}, {::time(nullptr) - seconds, 0}};
    ASSERT_EQ(::lutimes(path.c_str(), then), 0);
  };
  Put(dir / "JWC_TEMP.TXT", "old");
  const struct {
    const char* name;
    bool link;
    int seconds;
    bool removed;
  } entries[] = {
      {"JWC_TEMP.TXT.1a2b-0.q836-new", false, 7200, true},
      {"JWC_TEMP.TXT.1a2b-99.q836-new", false, 7200, true},
      {"q836-1a2b-3.tmp~", false, 7200, true},
      {"JWC_TEMP.TXT.q836-new", false, 7200, false},  // not a name this writer makes
      {"JWC_TEMP.TXT.backup.q836-new", false, 7200, false},
      {"JWC_TEMP.TXT.1a2b-07.q836-new", false, 7200, false},
      {"JWC_TEMP.TXT.01a2b-0.q836-new", false, 7200, false},
      {"JWC_TEMP.TXT.1a2b-0-1.q836-new", false, 7200, false},
      {"JWC_TEMP.TXT.1a2g-0.q836-new", false, 7200, false},
      {"q836-notes.tmp~", false, 7200, false},
      {"q836-1a2b-x.tmp~", false, 7200, false},
      {"q836-1a2b.tmp~", false, 7200, false},
      {"q836-0-0.tmp~", false, 7200, false},
      {"JWC_TEMP.TXT.1a2b-1.q836-new", false, 60, false},  // perhaps a run still writing
      {"JWC_TEMP.TXT.1a2b-2.q836-new", true, 7200, false},
      {"JWC_TEMP.TXT.backup", false, 7200, false},
      {"OTHER.TXT.1a2b-0.q836-new", false, 7200, false},
      {"JWC_TEMP.TXT.1A2B-0.q836-new", false, 7200, false},
  };
  for (const auto& e : entries) {
    if (e.link) {
      fs::create_symlink("JWC_TEMP.TXT", dir / e.name);
    } else {
      Put(dir / e.name, "left");
    }
    age(dir / e.name, e.seconds);
  }
  // A file read in this run keeps its name-alike too.
  Put(dir / "q836-77-0.tmp~", "read");
  age(dir / "q836-77-0.tmp~", 7200);
  FileSystem::OpenResult opened;
  ASSERT_NE(DiskFileSystem().OpenForReading((dir / "q836-77-0.tmp~").string(), &opened), nullptr);
  ASSERT_TRUE(Write(dir / "JWC_TEMP.TXT", "hd\r\n"));
  for (const auto& e : entries) {
    EXPECT_EQ(fs::exists(fs::symlink_status(dir / e.name)), !e.removed) << e.name;
  }
  EXPECT_EQ(Read(dir / "q836-77-0.tmp~"), "read");
  // A target named like a left-over is converted in place, its mode kept.
  const fs::path alike = dir / "q836-1a2b-4.tmp~";
  Put(alike, "old");
  ASSERT_EQ(::chmod(alike.c_str(), 0600), 0);
  age(alike, 7200);
  ASSERT_TRUE(Write(alike, "hd\r\n"));
  EXPECT_EQ(Read(alike), "hd\r\n");
  struct stat info;
  ASSERT_EQ(::stat(alike.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  if (::geteuid() != 0) {
    std::printf("another user's left-over: needs root to make; skipped\n");
    return;
  }
  Put(dir / "q836-9-0.tmp~", "theirs");
  ASSERT_EQ(::chown((dir / "q836-9-0.tmp~").c_str(), 65534, 65534), 0);
  age(dir / "q836-9-0.tmp~", 7200);
  ASSERT_TRUE(Write(dir / "JWC_TEMP.TXT", "hd\r\n"));
  EXPECT_TRUE(fs::exists(dir / "q836-9-0.tmp~"));
}

// A FIFO without a reader is not waited for past a stop request.
TEST_F(DiskTargetTest, AStopRequestEndsTheWaitForAFifo) {
  const fs::path fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread stop([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    InterruptFileWaits();
  });
  FileError error = FileError::kNone;
  EXPECT_FALSE(Write(fifo, "hd\r\n", &error));
  stop.join();
  InterruptFileWaits(false);
  EXPECT_EQ(error, FileError::kInterrupted);
  EXPECT_TRUE(fs::is_fifo(fifo));
}

// On a full disk the target keeps its old content at every amount of
// free space below the new content's size (a small tmpfs, where the test
// runs as root and may mount one).
TEST_F(DiskTargetTest, AFullDiskKeepsTheTarget) {
  const fs::path mount = dir / "small";
  fs::create_directory(mount);
  if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=64k,nr_inodes=16") != 0) {
    GTEST_SKIP() << "mounting a small tmpfs needs root; skipped";
  }
  Put(mount / "JWC_TEMP.TXT", "old");
  // Every amount of free space below the new content's size.
  FileError error = FileError::kNone;
  for (size_t filler = 0; filler <= 56 * 1024; filler += 4 * 1024) {
    Put(mount / "filler", std::string(filler, 'f'));
    EXPECT_FALSE(Write(mount / "JWC_TEMP.TXT", std::string(64 * 1024, 'x'), &error)) << filler;
    EXPECT_EQ(error, FileError::kDiskFull) << filler;
    EXPECT_EQ(Read(mount / "JWC_TEMP.TXT"), "old") << filler;
    EXPECT_EQ(Names(mount), (std::vector<std::string>{"JWC_TEMP.TXT", "filler"})) << filler;
  }
  fs::remove(mount / "filler");
  // No free inode: the temporary file cannot be made.
  for (int i = 0; ::close(::open((mount / ("i" + std::to_string(i))).c_str(),
                                 O_CREAT | O_WRONLY | O_CLOEXEC, 0600)) == 0;
       ++i) {
  }
  EXPECT_FALSE(Write(mount / "JWC_TEMP.TXT", "hd\r\n", &error));
  EXPECT_EQ(error, FileError::kDiskFull);
  EXPECT_EQ(Read(mount / "JWC_TEMP.TXT"), "old");
  // A read-only file system: its own words, nothing changed.
  ASSERT_EQ(::mount(nullptr, mount.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
  EXPECT_FALSE(Write(mount / "JWC_TEMP.TXT", "hd\r\n", &error));
  EXPECT_EQ(error, FileError::kReadOnlyFolder);
  EXPECT_EQ(Read(mount / "JWC_TEMP.TXT"), "old");
  ASSERT_EQ(::umount(mount.c_str()), 0);
}

}  // namespace
}  // namespace q836
