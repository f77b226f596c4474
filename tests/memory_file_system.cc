#include "tests/memory_file_system.h"

#include <algorithm>
#include <cstring>

namespace q836 {

namespace {

class MemoryInput : public InputFile {
 public:
  MemoryInput(MemoryFileSystem& fs, std::string bytes, long failAfter)
      : fs_(fs), bytes_(std::move(bytes)), failAfter_(failAfter) {}
  std::ptrdiff_t Read(char* buffer, size_t size) override {
    if (failAfter_ >= 0 && position_ >= static_cast<size_t>(failAfter_)) {
      fs_.lastError = FileError::kIoError;
      return -1;
    }
    size_t n = std::min(size, bytes_.size() - position_);
    if (failAfter_ >= 0) n = std::min(n, static_cast<size_t>(failAfter_) - position_);
    std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return static_cast<std::ptrdiff_t>(n);
  }
  bool Close() override { return true; }

 private:
  MemoryFileSystem& fs_;
  std::string bytes_;
  size_t position_ = 0;
  long failAfter_;
};

class MemoryOutput : public OutputFile {
 public:
  MemoryOutput(MemoryFileSystem& fs, std::map<std::string, std::string>& files, std::string path)
      : fs_(fs), files_(files), path_(std::move(path)) {}
  bool Write(const char* data, size_t size) override {
    if (fs_.Fails()) {
      // A disk that fills up keeps part of what was written.
      files_[path_].append(data, size / 2);
      return false;
    }
    files_[path_].append(data, size);
    return true;
  }
  bool CopyMetadata(const WriteTarget&) override { return !fs_.metadataFails; }
  bool Sync() override { return !fs_.Fails(); }
  bool Close() override {
    if (closed_) return true;
    closed_ = true;
    return !fs_.Fails();
  }

 private:
  MemoryFileSystem& fs_;
  std::map<std::string, std::string>& files_;
  std::string path_;
  bool closed_ = false;
};

}  // namespace

std::unique_ptr<InputFile> MemoryFileSystem::OpenForReading(const std::string& path,
                                                            OpenResult* result) {
  auto it = files.find(path);
  if (it == files.end()) {
    *result = OpenResult::kMissing;
    return nullptr;
  }
  if (unreadable.count(path)) {
    *result = OpenResult::kFailed;
    lastError = FileError::kAccessDenied;
    return nullptr;
  }
  *result = OpenResult::kOpened;
  return std::make_unique<MemoryInput>(*this, it->second, failReadAfter);
}

std::string MemoryFileSystem::Beside(const WriteTarget& target, const std::string& name) {
  const size_t slash = target.path.find_last_of('/');
  return (slash == std::string::npos ? std::string() : target.path.substr(0, slash + 1)) + name;
}

std::unique_ptr<OutputFile> MemoryFileSystem::CreateNew(const WriteTarget& beside,
                                                        const std::string& name) {
  if (Fails()) return nullptr;
  const std::string path = Beside(beside, name);
  if (files.count(path) || links.count(path) || folders.count(path)) {
    lastError = FileError::kExists;
    return nullptr;
  }
  // As on a real disk, running out of memory cannot leave a created file
  // without its handle.
  auto file = std::make_unique<MemoryOutput>(*this, files, path);
  files[path].clear();
  return file;
}

std::unique_ptr<OutputFile> MemoryFileSystem::OpenForWriting(const WriteTarget& target) {
  if (Fails()) return nullptr;
  const std::string& path = target.path;
  if (!specials.count(path)) {
    lastError = FileError::kFolderMissing;
    return nullptr;
  }
  return std::make_unique<MemoryOutput>(*this, specials, path);
}

WriteTarget MemoryFileSystem::ResolveForWriting(const std::string& path) {
  WriteTarget target{WriteTarget::Kind::kReplace, path, FileError::kNone, {}, {}};
  for (int level = 0; links.count(target.path); ++level) {
    if (level == 40) return WriteTarget::Refused(FileError::kUnresolvedLink);
    target.path = links[target.path];
  }
  if (specials.count(target.path)) target.kind = WriteTarget::Kind::kDirect;
  if (folders.count(target.path)) return WriteTarget::Refused(FileError::kFolderInTheWay);
  if (readOnly.count(target.path)) return WriteTarget::Refused(FileError::kReadOnlyFile);
  const size_t slash = target.path.find_last_of('/');
  target.name = slash == std::string::npos ? target.path : target.path.substr(slash + 1);
  return target;
}

bool MemoryFileSystem::Replace(const WriteTarget& target, const std::string& name) {
  if (Fails()) return false;
  const std::string from = Beside(target, name);
  const std::string& to = target.path;
  auto it = files.find(from);
  if (it == files.end()) {
    lastError = FileError::kFolderMissing;
    return false;
  }
  files[to] = std::move(it->second);
  files.erase(from);
  return true;
}

}  // namespace q836
