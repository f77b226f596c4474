// Reading the exchange file, cutting its lines into words and reading their
// numbers on a second thread, while the first applies the lines before
// them: the two halves of reading take turns on two cores, and the file's
// bytes stay on the core that cuts them.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "exchange/reader.h"

namespace q836 {

/// Blocks of file bytes read and cut by a second thread and handed back, in
/// order, in a fixed ring: nothing is allocated once it runs.
class ReadAhead {
 public:
  /// Bytes read into one block.
  static constexpr size_t kBlockBytes = size_t{1} << 15;

  /// A run of a block's bytes: whole lines cut into words, or bytes left to
  /// the caller's own line cutting.
  struct Piece {
    /// kBareLine: a line of kWords that holds four words, the first of
    /// them no keyword (a line of two points).
    enum Kind : uint8_t { kBytes, kEmptyLine, kWords, kBareLine };
    uint32_t begin, end;  ///< bytes of the block; for words, the line without its end
    uint32_t firstWord;   ///< words: index of its first word in the block
    uint32_t count;       ///< words: number of words
    uint8_t kept;         ///< words: words stored
    Kind kind;
  };

  /// One block of the ring.
  struct Block {
    /// All of the arrays below in one allocation, which goes back to the
    /// system as a whole when the file is read.
    std::unique_ptr<char[]> storage;
    char* bytes = nullptr;  ///< kBlockBytes read from the file
    size_t size = 0;
    Piece* pieces = nullptr;
    size_t pieceCount = 0;
    char* wordBytes = nullptr;
    std::string_view* words = nullptr;
    double* values = nullptr;
    bool lineStartAfter = true;  ///< the next block starts a line

    /// The words of piece `p` (a kWords or kBareLine piece).
    LineWords Words(const Piece& p) const {
      return {words + p.firstWord, values + p.firstWord, p.kept, p.count};
    }
  };

  /// Reads up to `size` bytes into `into`: the count, 0 at the end of the
  /// file, -1 when reading failed.
  using Reader = std::function<std::ptrdiff_t(char* into, size_t size)>;

  /// Allocates the ring; the next block read starts a line when `lineStart`.
  ReadAhead(bool lineStart, Reader read);
  /// Stops the thread; a block being read or cut is finished first.
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  /// Starts the reading thread; false when there is none to be had, and
  /// each block is then read and cut when it is taken.
  bool Start();

  /// Waits for the next block read and cut, in the file's order, and gives
  /// it; null after the last (the end of the file, or a read that failed).
  const Block* Take();
  /// The block taken last may be read into again.
  void Release();
  /// Whether a read failed (once Take gave null).
  bool Failed() const { return failed_; }

  /// Cuts `block`'s bytes into pieces (the thread's work, also for tests).
  /// `lineStart`: the block starts a line.
  static void CutBlock(Block& block, bool lineStart);

 private:
  static constexpr size_t kBlocks = 3;

  // Reads the next block into its place of the ring and cuts it; false at
  // the end.
  bool ReadAndCut(Block& block);
  void Run();

  Block ring_[kBlocks];
  Reader read_;
  bool lineStart_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable released_, cut_;
  // Counts of blocks, each position of the ring taken in turn.
  uint64_t done_ = 0, taken_ = 0, freed_ = 0;
  bool ended_ = false, failed_ = false, stop_ = false;
};

}  // namespace q836
