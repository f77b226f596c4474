// An in-memory disk for tests, with failures that can be injected at any
// chosen operation.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "exchange/file_system.h"

namespace q836 {

class MemoryFileSystem : public FileSystem {
 public:
  std::map<std::string, std::string> files;
  /// Number of operations (Write, Sync, Close of an output file, Rename) so far.
  int operations = 0;
  /// The operation with this number fails (1-based); 0 for none.
  int failAt = 0;
  /// Reads of input files fail after this many bytes; -1 for never.
  long failReadAfter = -1;
  /// Paths that exist but cannot be opened.
  std::map<std::string, bool> unreadable;
  /// Symbolic links: the path a link names, as stored in the link.
  std::map<std::string, std::string> links;
  /// Special files (FIFOs, devices): what was written into each.
  std::map<std::string, std::string> specials;
  /// Paths that are folders.
  std::map<std::string, bool> folders;
  /// Files that forbid writing.
  std::map<std::string, bool> readOnly;
  /// The reason a failed operation reports.
  FileError failError = FileError::kDiskFull;
  /// Whether giving a new file its original's metadata fails.
  bool metadataFails = false;
  /// This process's tag in temporary names.
  std::string tag = "t";

  bool Fails() {
    if (++operations != failAt) return false;
    lastError = failError;
    return true;
  }

  std::unique_ptr<InputFile> OpenForReading(const std::string& path, OpenResult* result) override;
  std::unique_ptr<OutputFile> CreateNew(const WriteTarget& beside,
                                        const std::string& name) override;
  std::unique_ptr<OutputFile> OpenForWriting(const WriteTarget& target) override;
  bool Replace(const WriteTarget& target, const std::string& name) override;
  bool Remove(const WriteTarget& beside, const std::string& name) override {
    return files.erase(Beside(beside, name)) > 0;
  }
  void RemoveLeftovers(const WriteTarget&) override {}
  std::string RunTag() override { return tag; }
  WriteTarget ResolveForWriting(const std::string& path) override;
  FileError LastError() override { return lastError; }

  /// The path of the file `name` in the folder of `target`.
  static std::string Beside(const WriteTarget& target, const std::string& name);

  /// What LastError tells: the reason of the last failure.
  FileError lastError = FileError::kNone;
};

}  // namespace q836
