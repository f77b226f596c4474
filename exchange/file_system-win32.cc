#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>

#include "exchange/file_system.h"
#include "text/wide_text.h"

namespace q836 {

namespace {

std::wstring Wide(const std::string& utf8) { return Utf16(utf8); }

// The full form of a path (ReplaceFileW refuses relative names under some
// implementations).
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
  bool CopyMetadata(const std::string&) override { return true; }
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

class Win32FileSystem : public FileSystem {
 public:
  std::unique_ptr<InputFile> OpenForReading(const std::string& path, OpenResult* result) override {
    const std::wstring wide = Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      const DWORD error = GetLastError();
      const bool missing = attributes != INVALID_FILE_ATTRIBUTES || error == ERROR_FILE_NOT_FOUND ||
                           error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
      *result = missing ? OpenResult::kMissing : OpenResult::kFailed;
      return nullptr;
    }
    auto file = std::make_unique<Win32InputFile>();
    if (!file->Take(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr))) {
      *result = OpenResult::kFailed;
      return nullptr;
    }
    *result = OpenResult::kOpened;
    return file;
  }

  std::unique_ptr<OutputFile> CreateNew(const std::string& path) override {
    const std::wstring wide = Wide(path);
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

  std::unique_ptr<OutputFile> OpenForWriting(const std::string& path) override {
    const std::wstring wide = Wide(path);
    auto file = std::make_unique<Win32OutputFile>();
    if (!file->Take(CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr))) {
      return nullptr;
    }
    return file;
  }

  bool Rename(const std::string& from, const std::string& to) override {
    const std::wstring source = FullPath(Wide(from)), target = FullPath(Wide(to));
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
    const std::wstring backup = (slash == std::wstring::npos ? L"" : target.substr(0, slash + 1)) +
                                L"q836-" + Utf16(RunTag()) + L"-b.tmp~";
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

  bool Remove(const std::string& path) override {
    const std::wstring wide = Wide(path);
    return Retrying(wide, [&] { return DeleteFileW(wide.c_str()) != 0; });
  }

  void RemoveLeftovers(const std::string& target) override {
    const std::wstring wide = Wide(target);
    const size_t slash = wide.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : wide.substr(0, slash + 1);
    const std::string name = Utf8(slash == std::wstring::npos ? wide : wide.substr(slash + 1));
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
      if (!(found.dwFileAttributes &
            (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY)) &&
          written < hourAgo && IsTemporaryNameOf(Utf8(found.cFileName), name)) {
        DeleteFileW((folder + found.cFileName).c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }

  std::string RunTag() override {
    char text[16];
    std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(GetCurrentProcessId()));
    return text;
  }

  WriteTarget ResolveForWriting(const std::string& path) override {
    WriteTarget target{WriteTarget::Kind::kReplace, path, FileError::kNone};
    const std::wstring wide = Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return {WriteTarget::Kind::kFailed, std::string(), FileError::kFolderInTheWay};
      }
      if (attributes & FILE_ATTRIBUTE_READONLY) {
        return {WriteTarget::Kind::kFailed, std::string(), FileError::kReadOnlyFile};
      }
    }
    // A device name (NUL, CON, a pipe) has no attributes of a file on disk
    // or is not one: it is opened to ask.
    HANDLE h = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      // A link whose file is gone, or a loop: its file cannot be found out.
      if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return {WriteTarget::Kind::kFailed, std::string(), FileError::kUnresolvedLink};
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
        target = {WriteTarget::Kind::kFailed, std::string(), FileError::kUnresolvedLink};
      } else {
        final.resize(n);
        target.path = Utf8(final);
      }
    }
    CloseHandle(h);
    return target;
  }

  FileError LastError() override {
    switch (GetLastError()) {
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

FileSystem& DiskFileSystem() {
  static Win32FileSystem fs;
  return fs;
}

}  // namespace q836
