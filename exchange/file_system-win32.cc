#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "exchange/file_system.h"
#include "text/wide_text.h"

namespace q836 {

namespace {

std::wstring Wide(const std::string& utf8) { return Utf16(utf8); }

// An open file handle, closed once.
class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { CloseHandleOnce(); }
  bool CloseHandleOnce() {
    if (h_ == INVALID_HANDLE_VALUE) return true;
    const BOOL ok = CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok != 0;
  }

 protected:
  HANDLE h_;
};

class Win32InputFile : public InputFile, private Handle {
 public:
  explicit Win32InputFile(HANDLE h) : Handle(h) {}
  std::ptrdiff_t Read(char* buffer, size_t size) override {
    DWORD got = 0;
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(h_, buffer, want, &got, nullptr)) return -1;
    return static_cast<std::ptrdiff_t>(got);
  }
  bool Close() override { return CloseHandleOnce(); }
};

class Win32OutputFile : public OutputFile, private Handle {
 public:
  explicit Win32OutputFile(HANDLE h) : Handle(h) {}
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
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      *result = OpenResult::kFailed;
      return nullptr;
    }
    *result = OpenResult::kOpened;
    return std::make_unique<Win32InputFile>(h);
  }

  std::unique_ptr<OutputFile> CreateForWriting(const std::string& path) override {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32OutputFile>(h);
  }

  bool Rename(const std::string& from, const std::string& to) override {
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }

  bool Remove(const std::string& path) override { return DeleteFileW(Wide(path).c_str()) != 0; }
};

}  // namespace

FileSystem& DiskFileSystem() {
  static Win32FileSystem fs;
  return fs;
}

}  // namespace q836
