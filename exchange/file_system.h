// The disk, behind a small interface so that it can be mocked out for tests
// (a failing write, a full disk, a rename that does not happen).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace q836 {

/// Why a file operation failed, in the terms a user can act on.
enum class FileError {
  kNone,
  kDiskFull,
  kAccessDenied,
  kInUse,           // held open by another program
  kFolderMissing,   // the folder of the file does not exist
  kUnresolvedLink,  // a link whose file cannot be found out safely
  kOther,
};

/// The reason as a short Japanese phrase, for messages to the user.
std::string_view FileErrorText(FileError error);

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

/// What writing a whole file to a path has to do.
struct WriteTarget {
  enum class Kind {
    kReplace,  // a plain file or none: write a new file beside it and rename it over
    kDirect,   // a FIFO, a device or another special file: write into it
    kFailed,   // cannot be found out (a link loop, an unresolvable link)
  };
  Kind kind = Kind::kReplace;
  /// The file to replace or write into: the path itself, or the file that a
  /// symbolic link names, every level resolved.
  std::string path;
  FileError error = FileError::kNone;  // for kFailed
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
  /// Opens an existing special file (a FIFO, a device) for writing, without
  /// creating or truncating anything; null on an error.
  virtual std::unique_ptr<OutputFile> OpenForWriting(const std::string& path) = 0;
  /// Renames `from` to `to`, replacing an existing `to`; false on an error.
  virtual bool Rename(const std::string& from, const std::string& to) = 0;
  /// Deletes a file; false when it could not be deleted.
  virtual bool Remove(const std::string& path) = 0;
  /// Finds out what a write to `path` must do (see WriteTarget).
  virtual WriteTarget ResolveForWriting(const std::string& path) = 0;
  /// Why the last operation that failed on the calling thread failed.
  virtual FileError LastError() = 0;
};

/// The real disk of this platform.
FileSystem& DiskFileSystem();

/// Writes a whole file so that the target holds either its complete new
/// content or, after a failure, exactly its old content (or stays absent):
/// the bytes go to a temporary file beside the target, which is then renamed
/// over it. A symbolic link is written through (the file it names is
/// replaced and the link stays); a special file is written into directly.
class AtomicFileWriter {
 public:
  AtomicFileWriter(FileSystem& fs, std::string target);
  /// Without Commit or Abandon: as Abandon.
  ~AtomicFileWriter();

  /// Appends bytes to the new content.
  void Write(const char* data, size_t size);
  void Write(std::string_view text) { Write(text.data(), text.size()); }

  /// Makes the new content the target's. On any failure the temporary file
  /// is deleted, the target is left as it was, and the result is false.
  bool Commit();

  /// Gives up the new content: the temporary file is deleted and the target
  /// stays as it was.
  void Abandon();

  /// Why the write failed; kNone while it has not.
  FileError Error() const { return error_; }

 private:
  bool Flush();
  void RecordError();  // records the reason of the operation that just failed
  void RemoveTemporary();

  FileSystem& fs_;
  WriteTarget target_;
  std::string temporary_;  // empty when writing directly
  std::unique_ptr<OutputFile> file_;
  std::unique_ptr<char[]> buffer_;
  size_t used_ = 0;
  FileError error_ = FileError::kNone;
  bool done_ = false;
};

}  // namespace q836
