// Cutting the lines of the exchange file into words and reading their
// numbers on a second thread, while the thread that reads the file applies
// the lines before them: the two halves of reading take turns on two cores.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "exchange/reader.h"

namespace q836 {

/// Blocks of file bytes handed to a cutting thread and back, in order, in a
/// fixed ring: nothing is allocated once it runs.
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

  /// Allocates the ring; the next block read starts a line when `lineStart`.
  explicit ReadAhead(bool lineStart);
  /// Stops the thread; a block being cut is finished first.
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  /// Starts the cutting thread; false when there is none to be had.
  bool Start();

  /// A free block to read into, or null while every block is in use.
  Block* Free();
  /// Hands a block read into `block` (of `size` bytes, at least one) to the thread.
  void Cut(Block* block, size_t size);
  /// Whether a block handed over has not been taken back yet.
  bool Busy() const { return handed_ > taken_; }
  /// Waits for the oldest block handed over to be cut and gives it back.
  const Block& Take();
  /// The block taken last may be read into again.
  void Release() { ++released_; }

  /// Cuts `block`'s bytes into pieces (the thread's work, also for tests).
  /// `lineStart`: the block starts a line.
  static void CutBlock(Block& block, bool lineStart);

 private:
  static constexpr size_t kBlocks = 3;

  void Run();

  Block ring_[kBlocks];
  bool lineStart_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable handedOver_, cut_;
  // Counts of blocks, each position of the ring taken in turn.
  uint64_t handed_ = 0, done_ = 0, taken_ = 0, released_ = 0;
  bool stop_ = false;
};

}  // namespace q836
