#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "exchange/file_system.h"

namespace q836 {

namespace {

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
  // open, unowned descriptor behind.
  bool Open(const char* path, int flags) {
    fd_ = ::open(path, flags, 0644);
    return fd_ >= 0;
  }

 protected:
  int fd_;
};

class PosixInputFile : public InputFile, private Descriptor {
 public:
  explicit PosixInputFile(int fd) : Descriptor(fd) {}
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
  using Descriptor::Open;
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
    if (!file->Open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
      *result = OpenResult::kFailed;
      return nullptr;
    }
    *result = OpenResult::kOpened;
    return file;
  }

  std::unique_ptr<OutputFile> CreateForWriting(const std::string& path) override {
    return Open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC);
  }

  std::unique_ptr<OutputFile> OpenForWriting(const std::string& path) override {
    return Open(path, O_WRONLY | O_CLOEXEC);
  }

  bool Rename(const std::string& from, const std::string& to) override {
    return std::rename(from.c_str(), to.c_str()) == 0;
  }

  bool Remove(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

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
      if (S_ISREG(info.st_mode)) return target;
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
      case EFBIG:
        return FileError::kDiskFull;
      case EACCES:
      case EPERM:
      case EROFS:
      case EISDIR:
        return FileError::kAccessDenied;
      case EBUSY:
      case ETXTBSY:
        return FileError::kInUse;
      case ENOENT:
      case ENOTDIR:
        return FileError::kFolderMissing;
      case ELOOP:
        return FileError::kUnresolvedLink;
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
