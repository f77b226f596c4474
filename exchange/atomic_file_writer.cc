#include <cstring>
#include <string_view>

#include "exchange/file_system.h"

namespace q836 {

namespace {
// Small writes are gathered up to this size; larger ones go straight through.
constexpr size_t kBufferBytes = size_t{1} << 14;
}  // namespace

AtomicFileWriter::AtomicFileWriter(FileSystem& fs, std::string target)
    : fs_(fs), target_(std::move(target)), temporary_(target_ + ".q836-new") {
  file_ = fs_.CreateForWriting(temporary_);
  if (!file_) {
    failed_ = true;
    return;
  }
  buffer_ = std::make_unique_for_overwrite<char[]>(kBufferBytes);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (!done_) Fail();
}

void AtomicFileWriter::Write(const char* data, size_t size) {
  if (failed_) return;
  if (used_ + size > kBufferBytes) {
    if (!Flush()) return;
    if (size > kBufferBytes) {
      if (!file_->Write(data, size)) failed_ = true;
      return;
    }
  }
  std::memcpy(buffer_.get() + used_, data, size);
  used_ += size;
}

bool AtomicFileWriter::Flush() {
  if (used_ > 0 && !file_->Write(buffer_.get(), used_)) failed_ = true;
  used_ = 0;
  return !failed_;
}

bool AtomicFileWriter::Commit() {
  if (done_) return !failed_;
  if (!failed_ && Flush() && file_->Sync()) {
    bool closed = file_->Close();
    file_.reset();
    if (closed && fs_.Rename(temporary_, target_)) {
      done_ = true;
      return true;
    }
    failed_ = true;
  }
  Fail();
  return false;
}

void AtomicFileWriter::RemoveTemporary() {
  done_ = true;
  if (file_) {
    file_->Close();
    file_.reset();
  }
  fs_.Remove(temporary_);
}

void AtomicFileWriter::Abandon() {
  if (!done_) RemoveTemporary();
}

void AtomicFileWriter::Fail() {
  failed_ = true;
  RemoveTemporary();
  // No file is better than a partial one: the host must not read half a selection.
  fs_.Remove(target_);
}

}  // namespace q836
