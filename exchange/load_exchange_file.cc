#include <cstring>
#include <string>

#include "exchange/processors.h"
#include "exchange/read_ahead.h"
#include "exchange/reader.h"
#include "text/text_convert.h"

namespace q836 {

namespace {

// Cuts the file's bytes into lines, block after block, and applies each: a
// line may span blocks, CRs are dropped, a 0x1A at the start of a line ends
// the input.
class LineCutter {
 public:
  /// Applies the lines of bytes [p, end); a line left open waits for the
  /// next bytes.
  void Scan(const char* p, const char* const end) {
    while (p < end) {
      if (lineStart_ && *p == '\x1a') {
        ended_ = true;
        return;
      }
      lineStart_ = false;
      const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
      const char* stop = lf ? lf : end;
      const char* cr = static_cast<const char*>(std::memchr(p, '\r', stop - p));
      const bool hasCr = cr != nullptr;
      if (lf && pending_.empty() && (!hasCr || cr == stop - 1)) {
        // A whole line in the block, ended by LF or CR LF: no copy.
        ++lineNumber_;
        ParseExchangeLine(std::string_view(p, (hasCr ? cr : stop) - p));
      } else {
        if (hasCr) {
          for (const char* q = p; q < stop; ++q) {
            if (*q != '\r') pending_.push_back(*q);
          }
        } else {
          pending_.append(p, stop);
        }
        if (lf) {
          ++lineNumber_;
          ParseExchangeLine(pending_);
          pending_.clear();
        }
      }
      if (!lf) return;
      p = lf + 1;
      lineStart_ = true;
    }
  }

  /// Applies the pieces of a block cut ahead, up to the end of the input.
  void Apply(const ReadAhead::Block& block) {
    for (size_t i = 0; i < block.pieceCount && !ended_; ++i) {
      const ReadAhead::Piece& piece = block.pieces[i];
      if (piece.kind == ReadAhead::Piece::kBytes) {
        Scan(block.bytes + piece.begin, block.bytes + piece.end);
        continue;
      }
      // A whole line that starts a line and ends in the block.
      ++lineNumber_;
      if (piece.kind == ReadAhead::Piece::kBareLine) {
        ApplyBareLine(block.Words(piece));
      } else if (piece.kind == ReadAhead::Piece::kWords) {
        ApplyExchangeWords(block.Words(piece));
      }
    }
  }

  /// Applies a last line without a line end.
  void Finish() {
    if (pending_.empty()) return;
    ++lineNumber_;
    ParseExchangeLine(pending_);
  }

  int64_t LineNumber() const { return lineNumber_; }
  bool Ended() const { return ended_; }

 private:
  int64_t lineNumber_ = 0;
  std::string pending_;    // a line that spans blocks, CRs already removed
  bool lineStart_ = true;  // the next byte is the first of a line
  bool ended_ = false;     // a 0x1A at the start of a line ended the input
};

}  // namespace

bool LoadExchangeFile(const std::string& path, int64_t* failedLine, FileSystem& fs,
                      FileError* reason) {
  LineCutter cutter;
  auto fail = [&](int64_t number, FileError why = FileError::kNone) {
    if (failedLine) *failedLine = number;
    if (reason) *reason = why;
    return false;
  };
  FileSystem::OpenResult opened;
  std::unique_ptr<InputFile> file = fs.OpenForReading(path, &opened);
  if (!file) {
    if (opened == FileSystem::OpenResult::kMissing) return fail(0, FileError::kFileMissing);
    return fail(0, fs.FailureReason());
  }
  // Reads up to `size` bytes; -1 with `failure` set when the read failed
  // or a stop was requested.
  FileError failure = FileError::kNone;
  auto read = [&](char* into, size_t size) -> std::ptrdiff_t {
    const std::ptrdiff_t got = FileWaitsInterrupted() ? -1 : file->Read(into, size);
    if (got < 0) failure = FileWaitsInterrupted() ? FileError::kInterrupted : fs.FailureReason();
    return got;
  };

  // A small first block keeps small files cheap. A file that fills it is
  // read on in large blocks; where there is a second processor, a second
  // thread reads them and cuts them into words while this one applies the
  // lines before them. Nothing of a block is kept between reads.
  constexpr size_t kFirstBlockBytes = size_t{1} << 14;
  bool readFailed = false;
  try {
    std::unique_ptr<char[]> first = std::make_unique_for_overwrite<char[]>(kFirstBlockBytes);
    std::ptrdiff_t got = 0;
    while ((got = read(first.get(), kFirstBlockBytes)) > 0 &&
           got < static_cast<std::ptrdiff_t>(kFirstBlockBytes)) {
      cutter.Scan(first.get(), first.get() + got);
    }
    readFailed = got < 0;
    if (got > 0 && UsableProcessors() < 2) {
      cutter.Scan(first.get(), first.get() + kFirstBlockBytes);
      constexpr size_t kBlockBytes = size_t{1} << 16;
      std::unique_ptr<char[]> block = std::make_unique_for_overwrite<char[]>(kBlockBytes);
      while (!cutter.Ended() && (got = read(block.get(), kBlockBytes)) > 0) {
        cutter.Scan(block.get(), block.get() + got);
      }
      readFailed = got < 0;
    } else if (got > 0) {
      // The reading thread calls `read`: nothing else touches the file
      // until it has ended.
      ReadAhead ahead(first[kFirstBlockBytes - 1] == '\n', read);
      ahead.Start();
      cutter.Scan(first.get(), first.get() + kFirstBlockBytes);
      while (!cutter.Ended()) {
        const ReadAhead::Block* block = ahead.Take();
        if (!block) {
          readFailed = ahead.Failed();
          break;
        }
        cutter.Apply(*block);
        ahead.Release();
      }
    }
    if (readFailed && !cutter.Ended()) {
      file->Close();
      return fail(cutter.LineNumber() + 1, failure);
    }
    cutter.Finish();
  } catch (const FloatOverflowError&) {
    file->Close();
    return fail(cutter.LineNumber());
  }
  if (!file->Close()) return fail(cutter.LineNumber() + 1, fs.FailureReason());
  return true;
}

}  // namespace q836
