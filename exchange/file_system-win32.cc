#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "exchange/file_system.h"
#include "text/wide_text.h"

namespace q836 {

namespace {

std::wstring Wide(const std::string& utf8) { return Utf16(utf8); }

// An open file handle, closed once. The object exists before the file is
// opened, so that running out of memory cannot leave an unowned handle.
class Handle {
 public:
  ~Handle() { CloseHandleOnce(); }
  bool CloseHandleOnce() {
    if (h_ == INVALID_HANDLE_VALUE) return true;
    const BOOL ok = CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok != 0;
  }
  bool Take(HANDLE h) {
    h_ = h;
    return h_ != INVALID_HANDLE_VALUE;
  }
  HANDLE Native() const { return h_; }

 protected:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

class Win32InputFile : public InputFile, public Handle {
 public:
  std::ptrdiff_t Read(char* buffer, size_t size) override {
    DWORD got = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(h_, buffer, want, &got, nullptr)) return -1;
    return static_cast<std::ptrdiff_t>(got);
  }
  bool Close() override { return CloseHandleOnce(); }
};

class Win32OutputFile : public OutputFile, public Handle {
 public:
  // The replace (ReplaceFileW) gives the new file the old one's attributes,
  // security descriptor and creation time.
  bool CopyMetadata(const WriteTarget&) override { return true; }
  bool Write(const char* data, size_t size) override {
    while (size > 0) {
      const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
      DWORD written = 0;
      if (!WriteFile(h_, data, chunk, &written, nullptr) || written == 0) return false;
      data += written;
      size -= written;
    }
    return true;
  }
  bool Sync() override { return FlushFileBuffers(h_) != 0; }
  bool Close() override { return CloseHandleOnce(); }
};

// A virus scanner, a backup or an indexing program often opens a freshly
// written file for a few milliseconds. Creating, renaming or deleting then
// fails as if the file were in use or access were denied: such an operation
// is tried again with growing delays, about 2 s in all, before it fails.
constexpr DWORD kRetryDelays[] = {25, 50, 100, 150, 200, 300, 400, 400, 400};

bool Transient(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

template <typename Operation>
bool Retrying(const std::wstring& path, Operation operation) {
  for (DWORD delay : kRetryDelays) {
    if (operation()) return true;
    const DWORD error = GetLastError();
    if (!Transient(error)) return false;
    // A folder in the way or a read-only file stays so: no waiting.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
      SetLastError(error);
      return false;
    }
    Sleep(delay);
  }
  return operation();
}

// Access denied on a file that another program holds open is reported as
// the file being in use, which is what the user can act on.
void ReportHeldFile(const std::wstring& path) {
  const DWORD error = GetLastError();
  if (error != ERROR_ACCESS_DENIED && error != ERROR_UNABLE_TO_REMOVE_REPLACED) return;
  HANDLE h = CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    SetLastError(ERROR_ACCESS_DENIED);
  } else if (GetLastError() != ERROR_SHARING_VIOLATION) {
    SetLastError(ERROR_ACCESS_DENIED);
  }
}

// Which file a handle is open on: its volume and index.
struct FileIdentity {
  DWORD volume = 0, high = 0, low = 0;
  bool operator==(const FileIdentity&) const = default;
};

bool IdentityOf(HANDLE h, FileIdentity* id) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(h, &info)) return false;
  *id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  return true;
}

// The folder of a target, held open without delete sharing from the start
// of the run, so that it cannot be renamed or removed meanwhile; its
// identity is compared again before each step of the write.
class Win32Folder : public FolderHold {
 public:
  ~Win32Folder() override {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  HANDLE handle = INVALID_HANDLE_VALUE;
  std::wstring path;  // with its final separator
  FileIdentity id;
};

// The path of the file `name` in the target's folder.
std::wstring InFolder(const WriteTarget& target, const std::string& name) {
  const auto* folder = static_cast<const Win32Folder*>(target.folder.get());
  if (folder) return folder->path + Utf16(name);
  const std::wstring wide = Utf16(target.path);
  const size_t slash = wide.find_last_of(L"\\/");
  return (slash == std::wstring::npos ? std::wstring() : wide.substr(0, slash + 1)) + Utf16(name);
}

// Whether the folder found out at the start is still the one its path
// names, and the target not a link that came since (false: the error is
// set to a moved folder).
bool StillInPlace(const WriteTarget& target) {
  const auto* folder = static_cast<const Win32Folder*>(target.folder.get());
  if (!folder) return true;
  HANDLE h =
      CreateFileW(folder->path.c_str(), FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  FileIdentity now;
  const bool same = h != INVALID_HANDLE_VALUE && IdentityOf(h, &now) && now == folder->id;
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  const DWORD attributes = GetFileAttributesW(InFolder(target, target.name).c_str());
  if (same &&
      (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))) {
    return true;
  }
  SetLastError(ERROR_INVALID_DATA);  // told as a moved folder
  return false;
}

// The user the run belongs to, for the owner check of left-overs.
bool IsOwnedByRunner(const std::wstring& path) {
  static const std::unique_ptr<char[]> user = [] {
    std::unique_ptr<char[]> buffer;
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return buffer;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size > 0) {
      buffer = std::make_unique<char[]>(size);
      if (!GetTokenInformation(token, TokenUser, buffer.get(), size, &size)) buffer.reset();
    }
    CloseHandle(token);
    return buffer;
  }();
  if (!user) return false;
  DWORD size = 0;
  GetFileSecurityW(path.c_str(), OWNER_SECURITY_INFORMATION, nullptr, 0, &size);
  if (size == 0) return false;
  auto descriptor = std::make_unique<char[]>(size);
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  return GetFileSecurityW(path.c_str(), OWNER_SECURITY_INFORMATION, descriptor.get(), size,
                          &size) &&
         GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted) && owner &&
         EqualSid(owner, reinterpret_cast<TOKEN_USER*>(user.get())->User.Sid);
}

class Win32FileSystem : public FileSystem {
 public:
  std::unique_ptr<InputFile> OpenForReading(const std::string& path, OpenResult* result) override {
    const std::wstring wide = Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      SetLastError(ERROR_DIRECTORY);  // a folder in the file's place says so
      *result = OpenResult::kFailed;
      return nullptr;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD error = GetLastError();
      const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                           error == ERROR_INVALID_NAME;
      *result = missing ? OpenResult::kMissing : OpenResult::kFailed;
      return nullptr;
    }
    auto file = std::make_unique<Win32InputFile>();
    if (!file->Take(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr))) {
      *result = OpenResult::kFailed;
      return nullptr;
    }
    // The clean-up of left-overs never takes a file that was read.
    FileIdentity id;
    if (IdentityOf(file->Native(), &id)) read_[readCount_++ % kReadKept] = id;
    *result = OpenResult::kOpened;
    return file;
  }

  std::unique_ptr<OutputFile> CreateNew(const WriteTarget& beside,
                                        const std::string& name) override {
    const std::wstring wide = InFolder(beside, name);
    if (!StillInPlace(beside)) return nullptr;
    auto file = std::make_unique<Win32OutputFile>();
    const bool created = Retrying(wide, [&] {
      return file->Take(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    });
    if (created) return file;
    // A path past MAX_PATH reads as a missing folder: when the folder is
    // there, the name is what is too long.
    if (GetLastError() == ERROR_PATH_NOT_FOUND && wide.size() >= MAX_PATH) {
      const size_t slash = wide.find_last_of(L"\\/");
      const std::wstring folder = slash == std::wstring::npos ? L"." : wide.substr(0, slash);
      const DWORD attributes = GetFileAttributesW(folder.c_str());
      SetLastError(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                       ? ERROR_FILENAME_EXCED_RANGE
                       : ERROR_PATH_NOT_FOUND);
    }
    return nullptr;
  }

  std::unique_ptr<OutputFile> OpenForWriting(const WriteTarget& target) override {
    const std::wstring wide = Wide(target.path);
    auto file = std::make_unique<Win32OutputFile>();
    if (!file->Take(CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr))) {
      return nullptr;
    }
    return file;
  }

  bool Replace(const WriteTarget& to, const std::string& name) override {
    if (!StillInPlace(to)) return false;
    const std::wstring source = FullPath(InFolder(to, name)),
                       target = FullPath(InFolder(to, to.name));
    if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
      const bool renamed = Retrying(target, [&] {
        return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
      });
      if (!renamed) ReportHeldFile(target);
      return renamed;
    }
    // The platform's safe save: the new file takes the old one's place and
    // its attributes, security descriptor and creation time. The old file
    // is moved aside under a name of this run's and deleted afterwards, so
    // that no failure part way can leave no file at all.
    const size_t slash = target.find_last_of(L"\\/");
    std::wstring backup =
        slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
    backup += L"q836-" + Utf16(RunTag()) + L"-b.tmp~";
    const bool replaced = Retrying(target, [&] {
      if (ReplaceFileW(target.c_str(), source.c_str(), backup.c_str(),
                       REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        return true;
      }
      const DWORD error = GetLastError();
      if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
        // The old file was moved aside but the new one not into its place:
        // the old one goes back.
        MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
        SetLastError(error);
      }
      return false;
    });
    if (!replaced) {
      ReportHeldFile(target);
      return false;
    }
    const DWORD error = GetLastError();
    Retrying(backup, [&] { return DeleteFileW(backup.c_str()) != 0; });
    SetLastError(error);
    return true;
  }

  bool Remove(const WriteTarget& beside, const std::string& name) override {
    const std::wstring wide = InFolder(beside, name);
    return Retrying(wide, [&] { return DeleteFileW(wide.c_str()) != 0; });
  }

  void RemoveLeftovers(const WriteTarget& target) override {
    const std::wstring folder = InFolder(target, std::string());
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG hour = 36000000000ULL;  // in 100 ns
    const ULONGLONG hourAgo = ((ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime) - hour;
    do {
      const ULONGLONG written = (ULONGLONG{found.ftLastWriteTime.dwHighDateTime} << 32) |
                                found.ftLastWriteTime.dwLowDateTime;
      const std::string name = Utf8(found.cFileName);
      if (found.dwFileAttributes &
              (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY) ||
          written >= hourAgo || name == target.name || !IsTemporaryNameOf(name, target.name)) {
        continue;
      }
      const std::wstring path = folder + found.cFileName;
      if (IsOwnedByRunner(path) && !WasRead(path)) DeleteFileW(path.c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }

  std::string RunTag() override {
    char text[16];
    std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(GetCurrentProcessId()));
    return text;
  }

  WriteTarget ResolveForWriting(const std::string& path) override {
    WriteTarget target = Found(path);
    if (target.kind == WriteTarget::Kind::kFailed) return target;
    const std::wstring full = FullPath(Wide(target.path));
    const size_t slash = full.find_last_of(L"\\/");
    target.name = Utf8(slash == std::wstring::npos ? full : full.substr(slash + 1));
    if (target.kind == WriteTarget::Kind::kReplace && slash != std::wstring::npos) {
      // Held without delete sharing: the folder cannot be renamed or
      // removed while the run goes on. One that cannot be opened is told
      // by the step that needs it.
      auto folder = std::make_shared<Win32Folder>();
      folder->path = full.substr(0, slash + 1);
      folder->handle = CreateFileW(folder->path.c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
      if (folder->handle != INVALID_HANDLE_VALUE && IdentityOf(folder->handle, &folder->id)) {
        target.folder = std::move(folder);
      }
    }
    return target;
  }

 private:
  static constexpr size_t kReadKept = 8;

  bool WasRead(const std::wstring& path) const {
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) return true;  // unknown: kept
    FileIdentity id;
    const bool known = IdentityOf(h, &id);
    CloseHandle(h);
    if (!known) return true;
    for (size_t i = 0; i < std::min(readCount_, kReadKept); ++i) {
      if (read_[i] == id) return true;
    }
    return false;
  }

  // What a write to `path` must do, before its folder is held.
  WriteTarget Found(const std::string& path) {
    WriteTarget target{WriteTarget::Kind::kReplace, path, FileError::kNone, {}, {}};
    const std::wstring wide = Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return WriteTarget::Refused(FileError::kFolderInTheWay);
      }
      if (attributes & FILE_ATTRIBUTE_READONLY) {
        return WriteTarget::Refused(FileError::kReadOnlyFile);
      }
    }
    // A device name (NUL, CON, a pipe) has no attributes of a file on disk
    // or is not one: it is opened to ask.
    HANDLE h = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      // A link whose file is gone, or a loop: its file cannot be found out.
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return WriteTarget::Refused(FileError::kUnresolvedLink);
      }
      return target;  // a new file, or one whose replacing will tell what is wrong
    }
    const DWORD type = GetFileType(h);
    if (type != FILE_TYPE_DISK) {
      target.kind = WriteTarget::Kind::kDirect;
    } else if (attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      // A symbolic link or junction: the file it names is replaced.
      std::wstring final(MAX_PATH, L'\0');
      DWORD n = GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
      if (n >= final.size()) {
        final.resize(n + 1);
        n = GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()),
                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
      }
      if (n == 0 || n >= final.size()) {
        target = WriteTarget::Refused(FileError::kUnresolvedLink);
      } else {
        final.resize(n);
        target.path = Utf8(final);
      }
    }
    CloseHandle(h);
    return target;
  }

  FileIdentity read_[kReadKept] = {};
  size_t readCount_ = 0;

 public:
  FileError LastError() override {
    switch (GetLastError()) {
      case ERROR_INVALID_DATA:
        return FileError::kFolderMoved;
      case ERROR_DIRECTORY:
        return FileError::kFolderInTheWay;
      case ERROR_SUCCESS:
        return FileError::kNone;
      case ERROR_DISK_FULL:
      case ERROR_HANDLE_DISK_FULL:
        return FileError::kDiskFull;
      case ERROR_ACCESS_DENIED:
      case ERROR_WRITE_PROTECT:
        return FileError::kAccessDenied;
      case ERROR_SHARING_VIOLATION:
      case ERROR_LOCK_VIOLATION:
      case ERROR_UNABLE_TO_REMOVE_REPLACED:
        return FileError::kInUse;
      case ERROR_PATH_NOT_FOUND:
        return FileError::kFolderMissing;
      case ERROR_FILE_NOT_FOUND:
        return FileError::kFileMissing;
      case ERROR_FILE_EXISTS:
      case ERROR_ALREADY_EXISTS:
        return FileError::kExists;
      case ERROR_FILENAME_EXCED_RANGE:
        return FileError::kNameTooLong;
      case ERROR_CRC:
      case ERROR_IO_DEVICE:
      case ERROR_NETNAME_DELETED:
        return FileError::kIoError;
      case ERROR_BROKEN_PIPE:
      case ERROR_NO_DATA:
        return FileError::kNoPartner;
      case ERROR_FILE_TOO_LARGE:
        return FileError::kTooLarge;
      case ERROR_CANT_RESOLVE_FILENAME:
        return FileError::kUnresolvedLink;
      default:
        return FileError::kOther;
    }
  }
};

}  // namespace

std::wstring FullPath(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n >= full.size()) {
    full.resize(n + 1);
    n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (n == 0 || n >= full.size()) return path;
  full.resize(n);
  return full;
}

FileSystem& DiskFileSystem() {
  static Win32FileSystem fs;
  return fs;
}

}  // namespace q836
