#include <atomic>
#include <cstring>
#include <string_view>

#include "exchange/file_system.h"

namespace q836 {

namespace {

// Small writes are gathered up to this size; larger ones go straight through.
constexpr size_t kBufferBytes = size_t{1} << 14;

// The temporary file's name: "NAME.TAG-N.q836-new" beside the target, or,
// where that name would be too long, the short "q836-TAG-N.tmp~".
constexpr std::string_view kLongSuffix = ".q836-new";
constexpr std::string_view kShortPrefix = "q836-";
constexpr std::string_view kShortSuffix = ".tmp~";
// Names tried before giving up on a folder full of others' files.
constexpr int kNameAttempts = 100;

// Set from a signal handler or another thread: a lock-free atomic is safe
// for both.
std::atomic<int> fileWaitsInterrupted = 0;
static_assert(std::atomic<int>::is_always_lock_free);

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
    case FileError::kFolderInTheWay:
      return "同じ名前のフォルダがあります";
    case FileError::kNameTooLong:
      return "ファイル名が長すぎます";
    case FileError::kReadOnlyFile:
      return "読み取り専用のファイルです。ファイルのプロパティで読み取り専用を外すと書き込めます";
    case FileError::kReadOnlyFolder:
      return "保存先のフォルダにファイルを作ることが許可されていません";
    case FileError::kFileMissing:
      return "ファイルがありません";
    case FileError::kIoError:
      return "ディスクまたはネットワークの入出力エラーです";
    case FileError::kTooLarge:
      return "ファイルの大きさが上限を超えます";
    case FileError::kNoPartner:
      return "相手のプログラムが応答しません";
    case FileError::kMetadata:
      return "ファイルのアクセス許可や属性を引き継げません";
    case FileError::kInterrupted:
      return "中断されました";
    case FileError::kExists:
      return "同じ名前のファイルがあります";
    case FileError::kFolderMoved:
      return "保存先のフォルダが途中で移動されたか置き換えられました";
    case FileError::kOthersInSticky:
      return "保存先のフォルダでは、ほかのユーザーのファイルを置き換えることが許可されていません";
    case FileError::kOther:
      break;
  }
  return "書き込みに失敗しました";
}

std::string_view ReadErrorText(FileError error) {
  switch (error) {
    case FileError::kAccessDenied:
    case FileError::kReadOnlyFolder:
      return "読み取りが許可されていません";
    case FileError::kFolderMissing:
      return "ファイルがありません";
    case FileError::kNone:
    case FileError::kOther:
      return "読み込みに失敗しました";
    default:
      return FileErrorText(error);
  }
}

void InterruptFileWaits(bool stop) { fileWaitsInterrupted.store(stop ? 1 : 0); }

bool FileWaitsInterrupted() { return fileWaitsInterrupted.load() != 0; }

bool IsTemporaryNameOf(std::string_view name, std::string_view targetName) {
  // "P-N" exactly as the writer makes it: a process id in lowercase
  // hexadecimal and a decimal counter, neither with a leading zero.
  auto isUnique = [](std::string_view text) {
    const size_t dash = text.find('-');
    if (dash == std::string_view::npos) return false;
    const std::string_view id = text.substr(0, dash), count = text.substr(dash + 1);
    auto digits = [](std::string_view part, bool hex) {
      if (part.empty() || part.size() > 16 || (part[0] == '0' && part.size() > 1)) return false;
      for (char c : part) {
        if (!((c >= '0' && c <= '9') || (hex && c >= 'a' && c <= 'f'))) return false;
      }
      return true;
    };
    return digits(id, true) && id != "0" && digits(count, false);
  };
  if (name.size() > kShortPrefix.size() + kShortSuffix.size() && name.starts_with(kShortPrefix) &&
      name.ends_with(kShortSuffix)) {
    return isUnique(
        name.substr(kShortPrefix.size(), name.size() - kShortPrefix.size() - kShortSuffix.size()));
  }
  const size_t start = targetName.size();
  if (targetName.empty() || !name.starts_with(targetName) || !name.ends_with(kLongSuffix) ||
      name.size() < start + 1 + kLongSuffix.size() || name[start] != '.') {
    return false;
  }
  return isUnique(name.substr(start + 1, name.size() - start - 1 - kLongSuffix.size()));
}

AtomicFileWriter::AtomicFileWriter(FileSystem& fs, const std::string& target)
    : AtomicFileWriter(fs, fs.ResolveForWriting(target)) {}

AtomicFileWriter::AtomicFileWriter(FileSystem& fs, WriteTarget target)
    : fs_(fs), target_(std::move(target)) {
  // Everything that allocates comes before the file is created, so that an
  // allocation failure cannot leave a temporary file behind.
  if (target_.kind == WriteTarget::Kind::kFailed) {
    error_ = target_.error == FileError::kNone ? FileError::kOther : target_.error;
    return;
  }
  buffer_ = std::make_unique_for_overwrite<char[]>(kBufferBytes);
  if (target_.kind == WriteTarget::Kind::kReplace) {
    fs_.RemoveLeftovers(target_);
    CreateTemporary();
  } else {
    file_ = fs_.OpenForWriting(target_);
    if (!file_) RecordError();
  }
}

void AtomicFileWriter::CreateTemporary() {
  const std::string tag = fs_.RunTag();
  bool shortName = false;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name;
    const std::string unique = tag + "-" + std::to_string(attempt);
    if (shortName) {
      name.append(kShortPrefix).append(unique).append(kShortSuffix);
    } else {
      name.append(target_.name).append(".").append(unique).append(kLongSuffix);
    }
    file_ = fs_.CreateNew(target_, name);
    if (file_) {
      temporary_.swap(name);
      if (!file_->CopyMetadata(target_)) {
        RecordError();
        if (error_ != FileError::kMetadata) error_ = FileError::kMetadata;
      }
      return;
    }
    const FileError error = fs_.LastError();
    if (error == FileError::kNameTooLong && !shortName) {
      shortName = true;
      attempt = -1;
      continue;
    }
    if (error == FileError::kExists) continue;
    // Making a file in the folder is what failed, not writing the target.
    error_ = error == FileError::kAccessDenied ? FileError::kReadOnlyFolder
             : error == FileError::kNone       ? FileError::kOther
                                               : error;
    return;
  }
  error_ = FileError::kExists;
}

AtomicFileWriter::~AtomicFileWriter() { Abandon(); }

void AtomicFileWriter::RecordError() {
  if (error_ != FileError::kNone) return;
  error_ = fs_.FailureReason();
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

bool AtomicFileWriter::Commit(const RetryQuestion& retry) {
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
      if (closed) {
        for (;;) {
          if (fs_.Replace(target_, temporary_)) {
            done_ = true;
            return true;
          }
          RecordError();
          if (error_ != FileError::kInUse || !retry || !retry(error_)) break;
          error_ = FileError::kNone;
        }
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
  if (!temporary_.empty()) fs_.Remove(target_, temporary_);
}

void AtomicFileWriter::Abandon() {
  if (!done_) RemoveTemporary();
}

}  // namespace q836
