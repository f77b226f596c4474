// The output lines of a write-back, stored as the bytes the exchange file
// will hold: each line ended by CR LF, a joining line without. The file is
// written straight from these blocks, and a line costs no bytes beyond its
// own and its line end.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "exchange/chunked_table.h"

namespace q836 {

/// Growable list of lines of at most 255 bytes each. Storage() follows the
/// chunk rule of the drawing tables; the bytes are packed, not slotted.
class OutLineList {
 public:
  /// Takes the blocks that are full while lines are still being added (the
  /// exchange file written as the lines come).
  class BlockSink {
   public:
    virtual ~BlockSink() = default;
    /// A full block of file bytes, in order.
    virtual void Take(std::unique_ptr<char[]> bytes, size_t size) = 0;
    /// The list was emptied: everything taken so far is void.
    virtual void Abandon() = 0;
  };

  /// From now on, hands each full block to `sink` (null: keep every block).
  /// Blocks handed on are no longer in the list: ForEach and ForEachBlock
  /// see only the lines kept.
  void SetSink(BlockSink* sink) { sink_ = sink; }

  /// Appends `text` (at most 255 bytes, no CR or LF). `joinsNext` marks a
  /// line that the file holds together with the line after it; the line
  /// after a joining line always ends the file line.
  void Append(int32_t& count, std::string_view text, bool joinsNext);

  /// Room for `bytes` bytes at the end of the list, in which a line may be
  /// built in place; AppendBuilt must follow before anything else is added.
  char* Room(int32_t count, size_t bytes);
  /// Appends the line of `size` bytes (at most 255, no CR or LF) built in
  /// Room, as Append would with `joinsNext` false.
  void AppendBuilt(int32_t& count, size_t size) {
    Block& block = blocks_.back();
    char* const at = block.bytes.get() + block.used;
    at[size] = '\r';
    at[size + 1] = '\n';
    block.used += size + 2;
    joinPending_ = false;
    Counted(count);
  }

  /// Calls f(line, joinsNext) for every line, in order.
  template <typename F>
  void ForEach(F f) const;

  /// Calls f(bytes) for each stored block of file bytes, in order.
  template <typename F>
  void ForEachBlock(F f) const {
    for (const Block& block : blocks_) f(std::string_view(block.bytes.get(), block.used));
  }

  /// Whether line i is joined with the line after it in the file.
  bool JoinsNext(int32_t i) const {
    return std::binary_search(joins_.begin(), joins_.end(), Join{i, 0},
                              [](const Join& a, const Join& b) { return a.line < b.line; });
  }

  /// Number of lines the storage holds.
  int32_t Storage() const { return storage_; }

  /// Frees all storage.
  void Release();

 private:
  // Counts a line added, and the storage the tables' chunk rule gives.
  void Counted(int32_t& count) {
    ++count;
    if (count > storage_) storage_ = (count + TableChunk - 1) / TableChunk * TableChunk;
  }

  struct Block {
    std::unique_ptr<char[]> bytes;
    size_t used, capacity;
  };
  // A joining line that took effect: its number and its length.
  struct Join {
    int32_t line;
    uint8_t length;
  };
  std::vector<Block> blocks_;
  std::vector<Join> joins_;
  int32_t storage_ = 0;
  int32_t firstKept_ = 0;     // number of the first line kept, after those handed on
  bool joinPending_ = false;  // the last line joins the next
  BlockSink* sink_ = nullptr;
};

template <typename F>
void OutLineList::ForEach(F f) const {
  int32_t line = firstKept_;
  auto join = joins_.begin();
  for (const Block& block : blocks_) {
    std::string_view rest(block.bytes.get(), block.used);
    while (!rest.empty()) {
      size_t end = rest.find("\r\n");
      const std::string_view fileLine = rest.substr(0, end);
      rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
      if (join != joins_.end() && join->line == line) {
        f(fileLine.substr(0, join->length), true);
        ++line;
        if (fileLine.size() > join->length || end != std::string_view::npos) {
          f(fileLine.substr(join->length), false);
          ++line;
        }
        ++join;
      } else {
        f(fileLine, false);
        ++line;
      }
    }
  }
}

}  // namespace q836
