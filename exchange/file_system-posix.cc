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

 protected:
  int fd_;
};

class PosixInputFile : public InputFile, private Descriptor {
 public:
  explicit PosixInputFile(int fd) : Descriptor(fd) {}
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
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      *result = OpenResult::kFailed;
      return nullptr;
    }
    *result = OpenResult::kOpened;
    return std::make_unique<PosixInputFile>(fd);
  }

  std::unique_ptr<OutputFile> CreateForWriting(const std::string& path) override {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixOutputFile>(fd);
  }

  bool Rename(const std::string& from, const std::string& to) override {
    return std::rename(from.c_str(), to.c_str()) == 0;
  }

  bool Remove(const std::string& path) override { return ::unlink(path.c_str()) == 0; }
};

}  // namespace

FileSystem& DiskFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

}  // namespace q836
