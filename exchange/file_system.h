// The disk, behind a small interface so that it can be mocked out for tests
// (a failing write, a full disk, a rename that does not happen).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace q836 {

/// A file opened for reading.
class InputFile {
 public:
  virtual ~InputFile() = default;
  /// Reads up to `size` bytes; returns the count, 0 at the end, -1 on an error.
  virtual std::ptrdiff_t Read(char* buffer, size_t size) = 0;
  /// Closes the file; false on an error.
  virtual bool Close() = 0;
};

/// A file opened for writing.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  /// Writes all `size` bytes; false on an error.
  virtual bool Write(const char* data, size_t size) = 0;
  /// Forces the written bytes to the disk; false on an error.
  virtual bool Sync() = 0;
  /// Closes the file; false on an error.
  virtual bool Close() = 0;
};

/// File operations on paths given in UTF-8.
class FileSystem {
 public:
  enum class OpenResult { kOpened, kMissing, kFailed };

  virtual ~FileSystem() = default;
  /// Opens an existing file; a missing path or a folder gives kMissing.
  virtual std::unique_ptr<InputFile> OpenForReading(const std::string& path,
                                                    OpenResult* result) = 0;
  /// Creates or truncates a file; null on an error.
  virtual std::unique_ptr<OutputFile> CreateForWriting(const std::string& path) = 0;
  /// Renames `from` to `to`, replacing an existing `to`; false on an error.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  /// Deletes a file; false when it could not be deleted.
  virtual bool Remove(const std::string& path) = 0;
};

/// The real disk of this platform.
FileSystem& DiskFileSystem();

/// Writes a whole file so that the target holds either its complete new
/// content or, after a failure, nothing at all: the bytes go to a temporary
/// file beside the target, which is then renamed over it.
class AtomicFileWriter {
 public:
  AtomicFileWriter(FileSystem& fs, std::string target);
  ~AtomicFileWriter();

  /// Appends bytes to the new content.
  void Write(const char* data, size_t size);
  void Write(std::string_view text) { Write(text.data(), text.size()); }

  /// Makes the new content the target's. On any failure the temporary file
  /// and the target are deleted and the result is false.
  bool Commit();

  /// Gives up the new content: the temporary file is deleted and the target
  /// stays as it was.
  void Abandon();

 private:
  bool Flush();
  void Fail();
  void RemoveTemporary();

  FileSystem& fs_;
  std::string target_;
  std::string temporary_;
  std::unique_ptr<OutputFile> file_;
  std::unique_ptr<char[]> buffer_;
  size_t used_ = 0;
  bool failed_ = false;
  bool done_ = false;
};

}  // namespace q836
