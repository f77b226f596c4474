#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <string_view>
#include <thread>

#include "exchange/file_system.h"

namespace q836 {

namespace {

// How long a FIFO's other end is waited for, and how often it is looked for.
constexpr int kPartnerWaitMilliseconds = 10000;
constexpr int kPartnerPollMilliseconds = 20;

// Tries `ready` until it holds, for at most kPartnerWaitMilliseconds; a
// request to stop (Ctrl+C, SIGTERM) ends the wait at once. errno tells why
// it failed.
template <typename Ready>
bool WaitFor(Ready ready) {
  for (int waited = 0;; waited += kPartnerPollMilliseconds) {
    if (ready()) return true;
    if (FileWaitsInterrupted()) {
      errno = EINTR;
      return false;
    }
    if (waited >= kPartnerWaitMilliseconds) {
      errno = ENXIO;
      return false;
    }
    const timespec pause{0, kPartnerPollMilliseconds * 1000000L};
    ::nanosleep(&pause, nullptr);
  }
}

// An open file descriptor, closed once.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() { CloseDescriptor(); }
  bool CloseDescriptor() {
    if (fd_ < 0) return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
  }
  // Opening after the object exists: running out of memory cannot leave an
  // open, unowned descriptor behind. A new file is the runner's alone until
  // it has its final permissions.
  bool Open(const char* path, int flags) { return OpenAt(AT_FDCWD, path, flags); }
  bool OpenAt(int folder, const char* name, int flags) {
    fd_ = ::openat(folder, name, flags, 0600);
    return fd_ >= 0;
  }
  int Fd() const { return fd_; }
  // For a FIFO opened without blocking: waits until the other end is there
  // (`events` on the descriptor), then makes reads and writes block again.
  bool AwaitPartner(short events) {
    struct stat info;
    if (::fstat(fd_, &info) != 0) return false;
    if (S_ISFIFO(info.st_mode) && !WaitFor([&] {
          pollfd p{fd_, events, 0};
          return ::poll(&p, 1, 0) > 0;  // ready, or the other end came and went
        })) {
      return false;
    }
    const int flags = ::fcntl(fd_, F_GETFL);
    return flags >= 0 && ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) == 0;
  }

 protected:
  int fd_;
};

class PosixInputFile : public InputFile, private Descriptor {
 public:
  explicit PosixInputFile(int fd) : Descriptor(fd) {}
  using Descriptor::AwaitPartner;
  using Descriptor::Open;
  std::ptrdiff_t Read(char* buffer, size_t size) override {
    for (;;) {
      ssize_t n = ::read(fd_, buffer, size);
      if (n >= 0 || errno != EINTR) return n;
      if (FileWaitsInterrupted()) return -1;  // errno is EINTR
    }
  }
  using Descriptor::Fd;
  bool Close() override { return CloseDescriptor(); }
};

class PosixOutputFile : public OutputFile, private Descriptor {
 public:
  explicit PosixOutputFile(int fd) : Descriptor(fd) {}
  using Descriptor::AwaitPartner;
  using Descriptor::Fd;
  using Descriptor::OpenAt;
  bool CopyMetadata(const WriteTarget& original) override;
  bool Write(const char* data, size_t size) override {
    while (size > 0) {
      ssize_t n = ::write(fd_, data, size);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      data += n;
      size -= static_cast<size_t>(n);
      written_ += static_cast<uint64_t>(n);
    }
    // The disk starts on what is written while the rest comes, so that the
    // sync at the end waits for little. Only a hint: its failure shows in
    // the sync.
    if (written_ - started_ >= kWriteBackBytes) {
      ::sync_file_range(fd_, static_cast<off_t>(started_), static_cast<off_t>(written_ - started_),
                        SYNC_FILE_RANGE_WRITE);
      started_ = written_;
    }
    return true;
  }
  bool Sync() override { return ::fsync(fd_) == 0; }
  bool Close() override { return CloseDescriptor(); }

 private:
  static constexpr uint64_t kWriteBackBytes = uint64_t{1} << 20;
  uint64_t written_ = 0, started_ = 0;  // bytes written, and those the disk was asked to take

  // Read each time: the process may change it between writes.
  static mode_t CurrentUmask() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
  }
};

// The held folder of a target: every step of a write is taken relative to it.
class PosixFolder : public FolderHold {
 public:
  ~PosixFolder() override {
    if (fd >= 0) ::close(fd);
  }
  int fd = -1;
};

int FolderFd(const WriteTarget& target) {
  const auto* folder = static_cast<const PosixFolder*>(target.folder.get());
  return folder ? folder->fd : AT_FDCWD;
}

// Looks at the replaced file again when another program replaced it between
// the look and the open.
constexpr int kMetadataAttempts = 16;

// The file a new one replaces, opened to read its metadata: for reading
// where the runner may, else only as a path ("/proc/self/fd/N").
class MetadataSource {
 public:
  ~MetadataSource() { Close(); }
  bool Open(int folder, const char* name) {
    fd_ = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0 && errno == EACCES) {
      fd_ = ::openat(folder, name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
      std::snprintf(proc_, sizeof proc_, "/proc/self/fd/%d", fd_);
    }
    return fd_ >= 0;
  }
  int Fd() const { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    proc_[0] = '\0';
  }
  ssize_t List(char* names, size_t size) const {
    return proc_[0] ? ::listxattr(proc_, names, size) : ::flistxattr(fd_, names, size);
  }
  ssize_t Get(const char* name, void* value, size_t size) const {
    return proc_[0] ? ::getxattr(proc_, name, value, size) : ::fgetxattr(fd_, name, value, size);
  }

 private:
  int fd_ = -1;
  char proc_[32] = {};
};

// The names of a list of extended attributes, each ended by a zero byte.
template <typename Each>
bool ForEachName(const char* names, ssize_t size, Each each) {
  for (std::string_view list(names, static_cast<size_t>(size)); !list.empty();) {
    const std::string_view name = list.substr(0, list.find('\0'));
    list.remove_prefix(std::min(list.size(), name.size() + 1));
    if (!each(name)) return false;
  }
  return true;
}

bool HasName(const char* names, ssize_t size, std::string_view wanted) {
  return !ForEachName(names, size, [&](std::string_view name) { return name != wanted; });
}

// Reads a list of extended attribute names (of the source, or of the new
// file with `source` null); false on an error, with errno set.
bool ListNames(const MetadataSource* source, int fd, std::unique_ptr<char[]>* names,
               ssize_t* size) {
  *size = source ? source->List(nullptr, 0) : ::flistxattr(fd, nullptr, 0);
  if (*size < 0) return errno == ENOTSUP;  // a file system without them
  if (*size == 0) return true;
  *names = std::make_unique<char[]>(static_cast<size_t>(*size));
  *size = source ? source->List(names->get(), static_cast<size_t>(*size))
                 : ::flistxattr(fd, names->get(), static_cast<size_t>(*size));
  return *size >= 0;
}

bool PosixOutputFile::CopyMetadata(const WriteTarget& original) {
  const int folder = FolderFd(original);
  struct stat info;
  MetadataSource source;
  // Another program may replace or remove the file between the look and the
  // open (two runs on one file at once): the look is taken again, so that
  // the file opened is the one looked at, and a replacement is no failure.
  for (int attempt = 0;; ++attempt) {
    if (::fstatat(folder, original.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      // A new file: the permissions any new file of the runner gets.
      return errno == ENOENT && ::fchmod(fd_, 0666 & ~CurrentUmask()) == 0;
    }
    if (!S_ISREG(info.st_mode)) return false;
    struct stat opened;
    if (source.Open(folder, original.name.c_str())) {
      if (::fstat(source.Fd(), &opened) != 0) return false;
      if (opened.st_ino == info.st_ino && opened.st_dev == info.st_dev) break;
      source.Close();
    } else if (errno != ENOENT) {
      return false;
    }
    if (attempt == kMetadataAttempts) return false;  // replaced again and again
  }
  // Owner and group first, where the runner may: a user who may not give
  // the file away keeps it, as any program that saves a file in place of
  // another's does.
  if ((info.st_uid != ::geteuid() || info.st_gid != ::getegid()) &&
      ::fchown(fd_, info.st_uid, info.st_gid) != 0) {
    ::fchown(fd_, static_cast<uid_t>(-1), info.st_gid);
  }
  try {
    // Extended attributes, ACLs among them (attributes of the "system."
    // kind): each one the original has, the new file gets ...
    std::unique_ptr<char[]> names, value;
    ssize_t size = 0;
    if (!ListNames(&source, -1, &names, &size)) return false;
    size_t capacity = 0;
    const bool copied = ForEachName(names.get(), size, [&](std::string_view name) {
      const std::string key(name);
      const ssize_t length = source.Get(key.c_str(), nullptr, 0);
      if (length < 0) return false;
      if (static_cast<size_t>(length) > capacity) {
        capacity = static_cast<size_t>(length);
        value = std::make_unique<char[]>(capacity);
      }
      const ssize_t read = source.Get(key.c_str(), value.get(), capacity);
      return read >= 0 &&
             ::fsetxattr(fd_, key.c_str(), value.get(), static_cast<size_t>(read), 0) == 0;
    });
    if (!copied) return false;
    // ... and an ACL the folder's default ACL gave the new file goes again
    // where the original has none.
    std::unique_ptr<char[]> own;
    ssize_t ownSize = 0;
    if (!ListNames(nullptr, fd_, &own, &ownSize)) return false;
    const bool trimmed = ForEachName(own.get(), ownSize, [&](std::string_view name) {
      if (!name.starts_with("system.posix_acl_") || HasName(names.get(), size, name)) return true;
      const std::string key(name);
      return ::fremovexattr(fd_, key.c_str()) == 0 || errno == ENODATA;
    });
    if (!trimmed) return false;
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return false;
  }
  // The permissions last, so that the ACL's mask follows them. Set-user-ID
  // and set-group-ID are not carried onto new content, as the system
  // clears them when a file is written.
  return ::fchmod(fd_, info.st_mode & 01777 & ~static_cast<mode_t>(S_ISUID | S_ISGID)) == 0;
}

// Closes `fd` on a thread of its own, or here when there is none to be had.
void CloseAside(int fd) {
  try {
    std::thread([fd] { ::close(fd); }).detach();
  } catch (const std::exception&) {
    ::close(fd);
  }
}

class PosixFileSystem : public FileSystem {
 public:
  std::unique_ptr<InputFile> OpenForReading(const std::string& path, OpenResult* result) override {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
      *result = (errno == ENOENT || errno == ENOTDIR) ? OpenResult::kMissing : OpenResult::kFailed;
      return nullptr;
    }
    if (S_ISDIR(info.st_mode)) {  // a folder in the file's place says so
      errno = EISDIR;
      *result = OpenResult::kFailed;
      return nullptr;
    }
    auto file = std::make_unique<PosixInputFile>(-1);
    // Without blocking: a FIFO without a writer would hold the open for ever.
    if (!file->Open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK) ||
        !file->AwaitPartner(POLLIN)) {
      *result = OpenResult::kFailed;
      return nullptr;
    }
    // The clean-up of left-overs never takes a file that was read.
    if (::fstat(file->Fd(), &info) == 0) {
      read_[readCount_++ % kReadKept] = {info.st_dev, info.st_ino};
    }
    *result = OpenResult::kOpened;
    return file;
  }

  WriteTarget ResolveForWriting(const std::string& path) override {
    WriteTarget target{WriteTarget::Kind::kReplace, path, FileError::kNone, {}, {}};
    // The folder as the system finds it now, links in its path followed by
    // its own rules; from here on it is held.
    if (!HoldFolderOf(&target, AT_FDCWD, path)) return Failed(errno);
    struct stat info;
    if (::fstatat(FolderFd(target), target.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) return target;  // a new file
      return Failed(errno);
    }
    if (S_ISLNK(info.st_mode)) return ThroughLink(std::move(target));
    return Classify(std::move(target), info);
  }

  std::unique_ptr<OutputFile> CreateNew(const WriteTarget& beside,
                                        const std::string& name) override {
    auto file = std::make_unique<PosixOutputFile>(-1);
    if (!file->OpenAt(FolderFd(beside), name.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC)) {
      return nullptr;
    }
    return file;
  }

  std::unique_ptr<OutputFile> OpenForWriting(const WriteTarget& target) override {
    auto file = std::make_unique<PosixOutputFile>(-1);
    // A FIFO without a reader refuses a non-blocking open (ENXIO) until one
    // comes; a blocking open would wait for ever. Links are followed, as
    // /dev/stdout leads to the descriptor's pipe or terminal.
    bool failed = false;
    const bool opened = WaitFor([&] {
      if (file->OpenAt(FolderFd(target), target.name.c_str(),
                       O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK)) {
        return true;
      }
      failed = errno != ENXIO;  // any other reason does not pass by waiting
      return failed;
    });
    if (!opened || failed) return nullptr;
    // A plain file that took the special file's place is never written
    // into: only a whole new file may replace it.
    struct stat info;
    if (::fstat(file->Fd(), &info) != 0) return nullptr;
    if (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)) {
      errno = ELOOP;
      return nullptr;
    }
    if (!file->AwaitPartner(POLLOUT)) return nullptr;
    return file;
  }

  bool Replace(const WriteTarget& target, const std::string& name) override {
    const int folder = FolderFd(target);
    // Releasing the replaced file's storage (for a large exchange file still
    // cached, milliseconds) would hold up the rename and so the run's end.
    // Held open, the old file outlives its name, and its last close releases
    // it on a thread of its own while the run finishes.
    // Where a file system refuses to rename over an open file, the rename
    // is tried again with it closed.
    int old = ::openat(folder, target.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    auto rename = [&] {
      return ::renameat(folder, name.c_str(), folder, target.name.c_str()) == 0;
    };
    bool replaced = rename();
    if (!replaced && old >= 0) {
      ::close(old);
      old = -1;
      replaced = rename();
    }
    const int error = errno;
    if (old >= 0) CloseAside(old);
    errno = error;
    return replaced;
  }

  bool Remove(const WriteTarget& beside, const std::string& name) override {
    return ::unlinkat(FolderFd(beside), name.c_str(), 0) == 0;
  }

  void RemoveLeftovers(const WriteTarget& target) override {
    // A descriptor of its own for the listing, of the held folder.
    const int listFd = ::openat(FolderFd(target), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
      ::close(listFd);
      return;
    }
    const time_t hourAgo = ::time(nullptr) - 3600;
    while (const dirent* entry = ::readdir(dir)) {
      if (target.name == entry->d_name || !IsTemporaryNameOf(entry->d_name, target.name)) continue;
      struct stat info;
      if (::fstatat(listFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
          S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_mtime < hourAgo &&
          !WasRead(info)) {
        ::unlinkat(listFd, entry->d_name, 0);
      }
    }
    ::closedir(dir);
  }

  std::string RunTag() override {
    char text[24];
    std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(::getpid()));
    return text;
  }

  FileError LastError() override { return ErrorOf(errno); }

 private:
  // How many files read lately the clean-up keeps clear of.
  static constexpr size_t kReadKept = 8;

  // Holds the folder of the file `path` (relative to `at`) for the target
  // and takes the file's name; false with errno set when it cannot.
  static bool HoldFolderOf(WriteTarget* target, int at, const std::string& path) {
    const size_t slash = path.find_last_of('/');
    target->name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (target->name.empty()) {
      errno = EISDIR;
      return false;
    }
    const std::string within = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    auto folder = std::make_shared<PosixFolder>();
    folder->fd = ::openat(at, within.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder->fd < 0) return false;
    target->folder = std::move(folder);
    return true;
  }

  // What a write to an existing entry `info` of the held folder must do.
  static WriteTarget Classify(WriteTarget target, const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return Failed(EISDIR);
    if (!S_ISREG(info.st_mode)) {
      target.kind = WriteTarget::Kind::kDirect;
      return target;
    }
    const int folder = FolderFd(target);
    // A file that forbids writing is not replaced, not even by root.
    if ((info.st_mode & 0222) == 0) return Failed(FileError::kReadOnlyFile);
    if (::faccessat(folder, target.name.c_str(), W_OK, AT_EACCESS) != 0) {
      if (errno == EROFS) return Failed(EROFS);
      return Failed(EACCES);  // writable by others, not by the runner
    }
    // In a folder with the sticky bit (as /tmp) only the file's or the
    // folder's owner may put another file in its place.
    struct stat held;
    if (::fstat(folder, &held) == 0 && (held.st_mode & S_ISVTX) && ::geteuid() != 0 &&
        info.st_uid != ::geteuid() && held.st_uid != ::geteuid()) {
      return Failed(FileError::kOthersInSticky);
    }
    return target;
  }

  // A symbolic link in the held folder: the system follows it with its own
  // rules, and the file it leads to is replaced in its own folder, held
  // then, so that the link stays a link.
  static WriteTarget ThroughLink(WriteTarget target) {
    const int fd = ::openat(FolderFd(target), target.name.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? Dangling(std::move(target)) : Failed(errno);
    struct stat info;
    char proc[32];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
    std::string where(4096, '\0');
    const bool known = ::fstat(fd, &info) == 0;
    const ssize_t n =
        known && S_ISREG(info.st_mode) ? ::readlink(proc, where.data(), where.size()) : 0;
    ::close(fd);
    if (!known) return Failed(ELOOP);
    if (!S_ISREG(info.st_mode)) return Classify(std::move(target), info);
    // The system's own name of the file it opened; the file must still be
    // there under that name, in the folder held from now on.
    if (n <= 0 || static_cast<size_t>(n) >= where.size() || where[0] != '/') return Failed(ELOOP);
    where.resize(static_cast<size_t>(n));
    WriteTarget found{WriteTarget::Kind::kReplace, where, FileError::kNone, {}, {}};
    struct stat there;
    if (!HoldFolderOf(&found, AT_FDCWD, where) ||
        ::fstatat(FolderFd(found), found.name.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0 ||
        there.st_dev != info.st_dev || there.st_ino != info.st_ino) {
      return Failed(ELOOP);
    }
    return Classify(std::move(found), there);
  }

  // A link whose file does not exist yet: the file is made where the link
  // names it, if the system would follow this link at all (in a sticky
  // folder open to everyone, only a link of the runner or of the folder's
  // owner is followed).
  static WriteTarget Dangling(WriteTarget target) {
    const int folder = FolderFd(target);
    struct stat link, held;
    if (::fstatat(folder, target.name.c_str(), &link, AT_SYMLINK_NOFOLLOW) != 0 ||
        ::fstat(folder, &held) != 0) {
      return Failed(errno);
    }
    if ((held.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH) && link.st_uid != ::geteuid() &&
        link.st_uid != held.st_uid) {
      return Failed(EACCES);
    }
    std::string named(4096, '\0');
    const ssize_t n = ::readlinkat(folder, target.name.c_str(), named.data(), named.size());
    if (n <= 0 || static_cast<size_t>(n) >= named.size()) return Failed(ELOOP);
    named.resize(static_cast<size_t>(n));
    WriteTarget found{WriteTarget::Kind::kReplace, named, FileError::kNone, {}, {}};
    if (named[0] != '/') {  // for messages: beside the link
      const size_t own = target.path.find_last_of('/');
      if (own != std::string::npos) found.path.insert(0, target.path, 0, own + 1);
    }
    if (!HoldFolderOf(&found, folder, named)) return Failed(errno);
    struct stat info;
    if (::fstatat(FolderFd(found), found.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
      return Failed(ELOOP);  // the link's file came meanwhile, or leads on
    }
    return errno == ENOENT ? found : Failed(errno);
  }

  bool WasRead(const struct stat& info) const {
    for (size_t i = 0; i < std::min(readCount_, kReadKept); ++i) {
      if (read_[i].first == info.st_dev && read_[i].second == info.st_ino) return true;
    }
    return false;
  }

  static FileError ErrorOf(int error) {
    switch (error) {
      case 0:
        return FileError::kNone;
      case ENOSPC:
      case EDQUOT:
        return FileError::kDiskFull;
      case EFBIG:
        return FileError::kTooLarge;
      case EACCES:
      case EPERM:
        return FileError::kAccessDenied;
      case EROFS:
        return FileError::kReadOnlyFolder;
      case EISDIR:
        return FileError::kFolderInTheWay;
      case EBUSY:
      case ETXTBSY:
        return FileError::kInUse;
      case ENOENT:
      case ENOTDIR:
        return FileError::kFolderMissing;
      case ELOOP:
        return FileError::kUnresolvedLink;
      case ENAMETOOLONG:
        return FileError::kNameTooLong;
      case EEXIST:
        return FileError::kExists;
      case EIO:
        return FileError::kIoError;
      case ENXIO:
      case EPIPE:
        return FileError::kNoPartner;
      case EINTR:
        return FileError::kInterrupted;
      default:
        return FileError::kOther;
    }
  }

  static WriteTarget Failed(int error) {
    errno = error;
    return Failed(ErrorOf(error));
  }
  static WriteTarget Failed(FileError error) { return WriteTarget::Refused(error); }

  std::pair<dev_t, ino_t> read_[kReadKept] = {};
  size_t readCount_ = 0;
};

}  // namespace

FileSystem& DiskFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

}  // namespace q836
