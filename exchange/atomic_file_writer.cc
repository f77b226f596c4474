#include <cstring>
#include <string_view>

#include "exchange/file_system.h"

namespace q836 {

namespace {
// Small writes are gathered up to this size; larger ones go straight through.
constexpr size_t kBufferBytes = size_t{1} << 14;
}  // namespace

std::string_view FileErrorText(FileError error) {
  switch (error) {
    case FileError::kNone:
      return "";
    case FileError::kDiskFull:
      return "ディスクの空き容量が足りません";
    case FileError::kAccessDenied:
      return "書き込みが許可されていません";
    case FileError::kInUse:
      return "ほかのプログラムが使用中です";
    case FileError::kFolderMissing:
      return "保存先のフォルダがありません";
    case FileError::kUnresolvedLink:
      return "リンク先のファイルを確かめられません";
    case FileError::kOther:
      break;
  }
  return "書き込みに失敗しました";
}

AtomicFileWriter::AtomicFileWriter(FileSystem& fs, std::string target) : fs_(fs) {
  // Everything that allocates comes before the file is created, so that an
  // allocation failure cannot leave a temporary file behind.
  target_ = fs_.ResolveForWriting(target);
  if (target_.kind == WriteTarget::Kind::kFailed) {
    error_ = target_.error == FileError::kNone ? FileError::kOther : target_.error;
    return;
  }
  if (target_.kind == WriteTarget::Kind::kReplace) temporary_ = target_.path + ".q836-new";
  buffer_ = std::make_unique_for_overwrite<char[]>(kBufferBytes);
  file_ = temporary_.empty() ? fs_.OpenForWriting(target_.path) : fs_.CreateForWriting(temporary_);
  if (!file_) RecordError();
}

AtomicFileWriter::~AtomicFileWriter() { Abandon(); }

void AtomicFileWriter::RecordError() {
  if (error_ != FileError::kNone) return;
  error_ = fs_.LastError();
  if (error_ == FileError::kNone) error_ = FileError::kOther;
}

void AtomicFileWriter::Write(const char* data, size_t size) {
  if (error_ != FileError::kNone || done_) return;
  if (used_ + size > kBufferBytes) {
    if (!Flush()) return;
    if (size > kBufferBytes) {
      if (!file_->Write(data, size)) RecordError();
      return;
    }
  }
  std::memcpy(buffer_.get() + used_, data, size);
  used_ += size;
}

bool AtomicFileWriter::Flush() {
  if (used_ > 0 && !file_->Write(buffer_.get(), used_)) RecordError();
  used_ = 0;
  return error_ == FileError::kNone;
}

bool AtomicFileWriter::Commit() {
  if (done_) return error_ == FileError::kNone;
  if (error_ == FileError::kNone && Flush()) {
    if (temporary_.empty()) {
      // A FIFO or a device takes the bytes as they come; there is nothing to
      // sync or rename.
      done_ = true;
      const bool closed = file_->Close();
      file_.reset();
      if (closed) return true;
      RecordError();
      return false;
    }
    if (file_->Sync()) {
      const bool closed = file_->Close();
      file_.reset();
      if (closed && fs_.Rename(temporary_, target_.path)) {
        done_ = true;
        return true;
      }
    }
    RecordError();
  }
  RemoveTemporary();
  return false;
}

void AtomicFileWriter::RemoveTemporary() {
  done_ = true;
  if (file_) {
    file_->Close();
    file_.reset();
  }
  if (!temporary_.empty()) fs_.Remove(temporary_);
}

void AtomicFileWriter::Abandon() {
  if (!done_) RemoveTemporary();
}

}  // namespace q836
