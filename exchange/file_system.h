// The disk, behind a small interface so that it can be mocked out for tests
// (a failing write, a full disk, a rename that does not happen).
#pragma once

#include <cstddef>
#include <functional>
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
  kFolderInTheWay,  // the path names a folder
  kNameTooLong,
  kReadOnlyFile,    // the file itself forbids writing
  kReadOnlyFolder,  // the folder forbids making a file in it
  kFileMissing,     // reading: no such file
  kIoError,         // the disk or the network failed
  kTooLarge,        // beyond the size a file may have here
  kNoPartner,       // a FIFO without a reader or writer, or whose other end went away
  kMetadata,        // the file's permissions, owner or attributes cannot be kept
  kInterrupted,     // a wait was ended by Ctrl+C or a signal to stop
  kExists,          // an exclusive create found a file of that name
  kOthersInSticky,  // another user's file in a folder where only owners may replace files
  kFolderMoved,     // the folder was moved or replaced after the run found it out
  kOther,
};

/// The reason of a failed write as a short Japanese phrase, for messages.
std::string_view FileErrorText(FileError error);
/// The reason of a failed read as a short Japanese phrase.
std::string_view ReadErrorText(FileError error);

/// Asks every wait and long step of the run to end (a FIFO's other end,
/// reading, the pictures), now and later (false: the run goes on again);
/// safe to call from a signal handler.
void InterruptFileWaits(bool stop = true);
/// Whether InterruptFileWaits was called.
bool FileWaitsInterrupted();

/// Whether `name` (without its folder) is exactly the name of a temporary
/// file that a write to a file named `targetName` makes: "TARGET.P-N.q836-new"
/// or "q836-P-N.tmp~", P a process id in lowercase hexadecimal and N a
/// decimal counter, both without leading zeros.
bool IsTemporaryNameOf(std::string_view name, std::string_view targetName);

struct WriteTarget;

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
  /// Gives the new file the permissions (without set-user-ID and
  /// set-group-ID), owner, group, extended attributes and exactly the ACLs
  /// of the file `original` names (where the runner may set them), or the
  /// defaults of a new file when there is none; false when one of them
  /// cannot be kept. Where the platform's replace keeps them, nothing to do.
  virtual bool CopyMetadata(const WriteTarget& original) = 0;
  /// Writes all `size` bytes; false on an error.
  virtual bool Write(const char* data, size_t size) = 0;
  /// Forces the written bytes to the disk; false on an error.
  virtual bool Sync() = 0;
  /// Closes the file; false on an error.
  virtual bool Close() = 0;
};

/// The platform's hold on the folder of a file to be written (an open
/// descriptor or handle): every later step of the write happens in that
/// folder, wherever its path leads by then.
class FolderHold {
 public:
  virtual ~FolderHold() = default;
};

/// What writing a whole file to a path has to do, found out once before
/// anything is read or written.
struct WriteTarget {
  enum class Kind {
    kReplace,  // a plain file or none: write a new file beside it and rename it over
    kDirect,   // a FIFO, a device or another special file: write into it
    kFailed,   // cannot be written (see error)
  };
  Kind kind = Kind::kReplace;
  /// The file to replace or write into, for messages and path-based file
  /// systems: the path itself, or where a symbolic link leads.
  std::string path;
  FileError error = FileError::kNone;  // for kFailed
  /// The file's name inside its folder.
  std::string name;
  /// The folder, held from the start (none on a file system of paths).
  std::shared_ptr<FolderHold> folder;

  /// A target that cannot be written, for `why`.
  static WriteTarget Refused(FileError why) { return {Kind::kFailed, {}, why, {}, {}}; }
};

/// File operations on paths given in UTF-8.
class FileSystem {
 public:
  enum class OpenResult { kOpened, kMissing, kFailed };

  virtual ~FileSystem() = default;
  /// Opens an existing file; a missing path or a folder gives kMissing. A
  /// FIFO is waited for (about 10 s) until a writer has written.
  virtual std::unique_ptr<InputFile> OpenForReading(const std::string& path,
                                                    OpenResult* result) = 0;
  /// Finds out what a write to `path` must do and holds its folder. Links
  /// are followed by the system with its own rules.
  virtual WriteTarget ResolveForWriting(const std::string& path) = 0;
  /// Creates the file `name` in the folder of `beside` exclusively: never
  /// an existing file, never through a link (kExists then); null on an error.
  virtual std::unique_ptr<OutputFile> CreateNew(const WriteTarget& beside,
                                                const std::string& name) = 0;
  /// Opens the special file `target` (a FIFO, a device) for writing,
  /// without creating or truncating anything; a FIFO is waited for (about
  /// 10 s) until it has a reader. Null on an error.
  virtual std::unique_ptr<OutputFile> OpenForWriting(const WriteTarget& target) = 0;
  /// Puts the file `name` of the target's folder in the target's place, in
  /// one step; false on an error, and the target is then as it was.
  virtual bool Replace(const WriteTarget& target, const std::string& name) = 0;
  /// Deletes the file `name` of the folder of `beside`; false when it
  /// could not be deleted.
  virtual bool Remove(const WriteTarget& beside, const std::string& name) = 0;
  /// Deletes the temporary files that killed runs left beside `target`:
  /// only regular files of exactly the writer's names (IsTemporaryNameOf),
  /// never through a link, of the running user, unchanged for an hour (so
  /// that no running write loses its file), and never the target itself
  /// or a file this process has read.
  virtual void RemoveLeftovers(const WriteTarget& target) = 0;
  /// A text unique to this process among those running (its id).
  virtual std::string RunTag() = 0;
  /// Why the last operation that failed on the calling thread failed.
  virtual FileError LastError() = 0;
  /// The reason of a failure that just happened: LastError, or kOther where
  /// the platform gave none.
  FileError FailureReason() {
    const FileError error = LastError();
    return error == FileError::kNone ? FileError::kOther : error;
  }
};

/// The real disk of this platform.
FileSystem& DiskFileSystem();

#ifdef _WIN32
/// The full form of a path as Windows resolves it against the current
/// folder (ReplaceFileW refuses relative names under some
/// implementations); the path itself where it cannot.
std::wstring FullPath(const std::wstring& path);
#endif

/// Writes a whole file so that the target holds either its complete new
/// content or, after a failure, exactly its old content (or stays absent):
/// the bytes go to a temporary file of this run's own beside the target,
/// created exclusively and given the target's metadata, which then replaces
/// it. A symbolic link is written through (the file it names is replaced
/// and the link stays); a special file is written into directly; a folder
/// or a read-only file is refused.
class AtomicFileWriter {
 public:
  AtomicFileWriter(FileSystem& fs, const std::string& target);
  /// For a target found out earlier (its folder held since).
  AtomicFileWriter(FileSystem& fs, WriteTarget target);
  /// Without Commit or Abandon: as Abandon.
  ~AtomicFileWriter();

  /// Appends bytes to the new content.
  void Write(const char* data, size_t size);
  void Write(std::string_view text) { Write(text.data(), text.size()); }

  /// Asked when the target is in use as the new content is put in its
  /// place: true tries again (the user closed the other program).
  using RetryQuestion = std::function<bool(FileError)>;

  /// Makes the new content the target's. On any failure the temporary file
  /// is deleted, the target is left as it was, and the result is false.
  bool Commit(const RetryQuestion& retry = nullptr);

  /// Gives up the new content: the temporary file is deleted and the target
  /// stays as it was.
  void Abandon();

  /// Why the write failed; kNone while it has not.
  FileError Error() const { return error_; }

 private:
  bool Flush();
  void RecordError();  // records the reason of the operation that just failed
  void CreateTemporary();
  void RemoveTemporary();

  FileSystem& fs_;
  WriteTarget target_;
  std::string temporary_;  // its name in the target's folder; empty when writing directly
  std::unique_ptr<OutputFile> file_;
  std::unique_ptr<char[]> buffer_;
  size_t used_ = 0;
  FileError error_ = FileError::kNone;
  bool done_ = false;
};

}  // namespace q836
