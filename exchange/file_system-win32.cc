#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

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
         error == ERROR_ACCESS_DENIED;
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
  if (GetLastError() != ERROR_ACCESS_DENIED) return;
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

  std::unique_ptr<OutputFile> CreateForWriting(const std::string& path) override {
    const std::wstring wide = Wide(path);
    auto file = std::make_unique<Win32OutputFile>();
    const bool created = Retrying(wide, [&] {
      return file->Take(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    });
    if (!created) return nullptr;
    return file;
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
    const std::wstring source = Wide(from), target = Wide(to);
    const bool renamed = Retrying(target, [&] {
      return MoveFileExW(source.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    });
    if (!renamed) ReportHeldFile(target);
    return renamed;
  }

  bool Remove(const std::string& path) override {
    const std::wstring wide = Wide(path);
    return Retrying(wide, [&] { return DeleteFileW(wide.c_str()) != 0; });
  }

  WriteTarget ResolveForWriting(const std::string& path) override {
    WriteTarget target{WriteTarget::Kind::kReplace, path, FileError::kNone};
    const std::wstring wide = Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
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
        return FileError::kInUse;
      case ERROR_PATH_NOT_FOUND:
        return FileError::kFolderMissing;
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
