#include "exchange/output.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "exchange/background_format.h"
#include "exchange/drawing.h"
#include "text/sjis.h"

namespace q836 {

namespace {

void Store(std::string_view text, bool joinsNext) {
  text = text.substr(0, WholeCharPrefix(text, kShortStringCapacity));
  if (ActiveFormat) {
    ActiveFormat->Text(text, joinsNext);
  } else {
    OutLines.Append(OutLineCount, text, joinsNext);
  }
}

}  // namespace

void EmitLine(std::string_view text) { Store(text, false); }

void EmitKeywordLine(std::string_view text) { Store(text, true); }

void EmitNumberLine(const NumberLine& line) {
  if (ActiveFormat) {
    ActiveFormat->Numbers(line);
    return;
  }
  StoreNumberLine(line);
}

std::string_view NumberLineText(const NumberLine& line, char* buffer) {
  const std::string_view text(buffer, static_cast<size_t>(line.Write(buffer) - buffer));
  return text.substr(0, WholeCharPrefix(text, kShortStringCapacity));
}

void StoreNumberLine(const NumberLine& line) {
  if (line.joinsNext) {
    char buffer[NumberLine::kMaxBytes];
    OutLines.Append(OutLineCount, NumberLineText(line, buffer), true);
    return;
  }
  // Built where it is kept.
  char* const at = OutLines.Room(OutLineCount, NumberLine::kMaxBytes + 2);
  OutLines.AppendBuilt(OutLineCount, NumberLineText(line, at).size());
}

namespace {

// The exchange file written while the write-back goes on: full blocks are
// queued to a thread that writes them. Nothing happens until the first
// block is full, so a small write-back costs no thread and no early file.
class ExchangeSpill : public OutLineList::BlockSink {
 public:
  ExchangeSpill(FileSystem& fs, WriteTarget target) : fs_(fs), target_(std::move(target)) {}
  ~ExchangeSpill() override { Abandon(); }

  const WriteTarget& Target() const { return target_; }
  bool Started() const { return writer_ != nullptr; }

  void Take(std::unique_ptr<char[]> bytes, size_t size) override {
    if (!writer_) {
      writer_ = std::make_unique<AtomicFileWriter>(fs_, target_);
      try {
        thread_ = std::thread([this] { WriteQueued(); });
      } catch (const std::exception&) {
        // No thread to be had (no memory, no more threads): the blocks are
        // written here, as they come.
      }
    }
    if (!thread_.joinable()) {
      writer_->Write(bytes.get(), size);
      return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    queue_.push_back({std::move(bytes), size});
    ready_.notify_one();
    // Lines come faster than the disk takes them: the blocks waiting are
    // kept few, so that the lines never pile up in memory.
    written_.wait(lock, [this] { return queue_.size() <= kMaxQueued; });
  }

  void Abandon() override {
    Stop();
    if (writer_) writer_->Abandon();
    writer_.reset();
  }

  /// Writes what is still queued, then `rest`, and makes the file the target's.
  template <typename Rest>
  bool Finish(Rest rest, FileError* error, const AtomicFileWriter::RetryQuestion& retry) {
    Stop();
    rest(*writer_);
    const bool ok = writer_->Commit(retry);
    *error = writer_->Error();
    writer_.reset();
    return ok;
  }

 private:
  struct Block {
    std::unique_ptr<char[]> bytes;
    size_t size;
  };

  void WriteQueued() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      ready_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      if (queue_.empty()) return;  // stopped, and everything written
      Block block = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      writer_->Write(block.bytes.get(), block.size);
      block.bytes.reset();
      lock.lock();
      written_.notify_one();
    }
  }

  // Lets the thread write what is queued, then ends it.
  void Stop() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
      ready_.notify_one();
    }
    thread_.join();
  }

  FileSystem& fs_;
  const WriteTarget target_;
  std::unique_ptr<AtomicFileWriter> writer_;
  std::thread thread_;
  std::mutex mutex_;
  static constexpr size_t kMaxQueued = 2;
  std::condition_variable ready_, written_;
  std::deque<Block> queue_;
  bool stop_ = false;
};

std::unique_ptr<ExchangeSpill> spill;

}  // namespace

void BeginExchangeFile(const WriteTarget& target, FileSystem& fs) {
  OutLines.SetSink(nullptr);
  spill = std::make_unique<ExchangeSpill>(fs, target);
  OutLines.SetSink(spill.get());
}

void AbandonExchangeFile() {
  OutLines.SetSink(nullptr);
  spill.reset();
}

bool WriteExchangeFile(const std::string& path, FileSystem& fs, FileError* error,
                       const AtomicFileWriter::RetryQuestion& retry) {
  return WriteExchangeFile(fs.ResolveForWriting(path), fs, error, retry);
}

bool WriteExchangeFile(const WriteTarget& target, FileSystem& fs, FileError* error,
                       const AtomicFileWriter::RetryQuestion& retry) {
  OutLines.SetSink(nullptr);
  std::unique_ptr<ExchangeSpill> started = std::move(spill);
  FileError failure = FileError::kNone;
  bool ok;
  if (started && started->Started() && started->Target().folder == target.folder &&
      started->Target().path == target.path && OutLineCount > 0) {
    ok = started->Finish(
        [](AtomicFileWriter& out) {
          OutLines.ForEachBlock([&](std::string_view bytes) { out.Write(bytes); });
        },
        &failure, retry);
  } else {
    started.reset();  // a file begun elsewhere is given up
    AtomicFileWriter out(fs, target);
    if (OutLineCount == 0) {
      out.Write("hq\r\n");
    } else {
      OutLines.ForEachBlock([&](std::string_view bytes) { out.Write(bytes); });
    }
    ok = out.Commit(retry);
    failure = out.Error();
  }
  if (error) *error = failure;
  return ok;
}

}  // namespace q836
