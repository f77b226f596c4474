#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <string_view>

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
  bool Open(const char* path, int flags) {
    fd_ = ::open(path, flags, 0600);
    return fd_ >= 0;
  }
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
    }
  }
  bool Close() override { return CloseDescriptor(); }
};

class PosixOutputFile : public OutputFile, private Descriptor {
 public:
  explicit PosixOutputFile(int fd) : Descriptor(fd) {}
  using Descriptor::AwaitPartner;
  using Descriptor::Open;
  bool CopyMetadata(const std::string& original) override {
    struct stat info;
    if (::lstat(original.c_str(), &info) != 0) {
      // A new file: the permissions any new file of the runner gets.
      return errno == ENOENT && ::fchmod(fd_, 0666 & ~CurrentUmask()) == 0;
    }
    // Owner and group first (changing them clears set-id bits), where the
    // runner may: a user who may not give the file away keeps it, as any
    // program that saves a file in place of another's does.
    if ((info.st_uid != ::geteuid() || info.st_gid != ::getegid()) &&
        ::fchown(fd_, info.st_uid, info.st_gid) != 0) {
      ::fchown(fd_, static_cast<uid_t>(-1), info.st_gid);
    }
    return ::fchmod(fd_, info.st_mode & 07777) == 0 && CopyAttributes(original);
  }
  bool Write(const char* data, size_t size) override {
    while (size > 0) {
      ssize_t n = ::write(fd_, data, size);
      if (n < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      data += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }
  bool Sync() override { return ::fsync(fd_) == 0; }
  bool Close() override { return CloseDescriptor(); }

 private:
  // Read each time: the process may change it between writes.
  static mode_t CurrentUmask() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
  }

  // Extended attributes, ACLs among them (they are attributes of the
  // "system." kind): each one the original has, the new file gets.
  bool CopyAttributes(const std::string& original) {
    try {
      const ssize_t listSize = ::llistxattr(original.c_str(), nullptr, 0);
      if (listSize < 0) return errno == ENOTSUP;
      if (listSize == 0) return true;
      std::unique_ptr<char[]> names = std::make_unique<char[]>(static_cast<size_t>(listSize));
      const ssize_t got =
          ::llistxattr(original.c_str(), names.get(), static_cast<size_t>(listSize));
      if (got < 0) return false;
      std::unique_ptr<char[]> value;
      size_t capacity = 0;
      for (std::string_view list(names.get(), static_cast<size_t>(got)); !list.empty();) {
        const std::string_view name = list.substr(0, list.find('\0'));
        list.remove_prefix(std::min(list.size(), name.size() + 1));
        const std::string key(name);
        const ssize_t size = ::lgetxattr(original.c_str(), key.c_str(), nullptr, 0);
        if (size < 0) return false;
        if (static_cast<size_t>(size) > capacity) {
          capacity = static_cast<size_t>(size);
          value = std::make_unique<char[]>(capacity);
        }
        const ssize_t read = ::lgetxattr(original.c_str(), key.c_str(), value.get(), capacity);
        if (read < 0 ||
            ::fsetxattr(fd_, key.c_str(), value.get(), static_cast<size_t>(read), 0) != 0) {
          return false;
        }
      }
      return true;
    } catch (const std::bad_alloc&) {
      errno = ENOMEM;
      return false;
    }
  }
};

class PosixFileSystem : public FileSystem {
 public:
  std::unique_ptr<InputFile> OpenForReading(const std::string& path, OpenResult* result) override {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0) {
      *result = (errno == ENOENT || errno == ENOTDIR) ? OpenResult::kMissing : OpenResult::kFailed;
      return nullptr;
    }
    if (S_ISDIR(info.st_mode)) {  // a folder counts as no file
      *result = OpenResult::kMissing;
      return nullptr;
    }
    auto file = std::make_unique<PosixInputFile>(-1);
    // Without blocking: a FIFO without a writer would hold the open for ever.
    if (!file->Open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK) ||
        !file->AwaitPartner(POLLIN)) {
      *result = OpenResult::kFailed;
      return nullptr;
    }
    *result = OpenResult::kOpened;
    return file;
  }

  std::unique_ptr<OutputFile> CreateNew(const std::string& path) override {
    return Open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC);
  }

  std::unique_ptr<OutputFile> OpenForWriting(const std::string& path) override {
    auto file = std::make_unique<PosixOutputFile>(-1);
    // A FIFO without a reader refuses a non-blocking open (ENXIO) until one
    // comes; a blocking open would wait for ever.
    bool failed = false;
    const bool opened = WaitFor([&] {
      if (file->Open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK)) return true;
      failed = errno != ENXIO;  // any other reason does not pass by waiting
      return failed;
    });
    if (!opened || failed || !file->AwaitPartner(POLLOUT)) return nullptr;
    return file;
  }

  bool Rename(const std::string& from, const std::string& to) override {
    return std::rename(from.c_str(), to.c_str()) == 0;
  }

  bool Remove(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

  void RemoveLeftovers(const std::string& target) override {
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string_view name = slash == std::string::npos
                                      ? std::string_view(target)
                                      : std::string_view(target).substr(slash + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const int dirFd = ::dirfd(dir);
    const time_t hourAgo = ::time(nullptr) - 3600;
    while (const dirent* entry = ::readdir(dir)) {
      if (!IsTemporaryNameOf(entry->d_name, name)) continue;
      struct stat info;
      if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
          S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_mtime < hourAgo) {
        ::unlinkat(dirFd, entry->d_name, 0);
      }
    }
    ::closedir(dir);
  }

  std::string RunTag() override {
    char text[24];
    std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(::getpid()));
    return text;
  }

  WriteTarget ResolveForWriting(const std::string& path) override {
    WriteTarget target{WriteTarget::Kind::kReplace, path, FileError::kNone};
    // Links are followed one level at a time, so that the file a link names
    // is replaced in its own folder and every link stays a link.
    for (int level = 0;; ++level) {
      struct stat info;
      if (::lstat(target.path.c_str(), &info) != 0) {
        if (errno == ENOENT) return target;  // a new file, or a dangling link's file
        return Failed(errno);
      }
      if (S_ISREG(info.st_mode)) {
        // A file that forbids writing is not replaced, not even by root.
        if ((info.st_mode & 0222) == 0 ||
            ::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0) {
          if (errno == EROFS) return Failed(EROFS);
          return {WriteTarget::Kind::kFailed, std::string(), FileError::kReadOnlyFile};
        }
        return target;
      }
      if (S_ISDIR(info.st_mode)) return Failed(EISDIR);
      if (!S_ISLNK(info.st_mode)) {
        target.kind = WriteTarget::Kind::kDirect;
        return target;
      }
      if (level >= kMaxLinkLevels) return Failed(ELOOP);
      std::string link(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
      const ssize_t n = ::readlink(target.path.c_str(), link.data(), link.size());
      if (n < 0 || static_cast<size_t>(n) >= link.size()) return Failed(n < 0 ? errno : ELOOP);
      link.resize(static_cast<size_t>(n));
      if (link.empty()) return Failed(ENOENT);
      if (link[0] != '/') {
        const size_t slash = target.path.find_last_of('/');
        if (slash != std::string::npos) link.insert(0, target.path, 0, slash + 1);
      }
      target.path = std::move(link);
    }
  }

  FileError LastError() override { return ErrorOf(errno); }

 private:
  // As the kernel does for a path.
  static constexpr int kMaxLinkLevels = 40;

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
    return {WriteTarget::Kind::kFailed, std::string(), ErrorOf(error)};
  }

  static std::unique_ptr<OutputFile> Open(const std::string& path, int flags) {
    auto file = std::make_unique<PosixOutputFile>(-1);
    if (!file->Open(path.c_str(), flags)) return nullptr;
    return file;
  }
};

}  // namespace

FileSystem& DiskFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

}  // namespace q836
