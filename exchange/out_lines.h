// The output lines of a write-back, stored compactly: the bytes of all lines
// in large blocks, one 8-byte reference per line.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "exchange/chunked_table.h"

namespace q836 {

/// Growable list of lines of at most 255 bytes each. Storage follows the
/// chunk rule of the drawing tables; the bytes are packed, not slotted.
class OutLineList {
 public:
  /// Appends `text` (at most 255 bytes). `joinsNext` marks a line that the
  /// file writer joins with the line after it.
  void Append(int32_t& count, std::string_view text, bool joinsNext);

  /// Line i.
  std::string_view operator[](int32_t i) const;

  /// Whether line i is joined with the line after it in the file.
  bool JoinsNext(int32_t i) const { return refs_[i] & 1; }

  /// Number of lines the storage holds.
  int32_t Storage() const { return refs_.Storage(); }

  /// Frees all storage.
  void Release();

 private:
  static constexpr size_t kBlockBytes = size_t{1} << 20;
  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t blockUsed_ = kBlockBytes;  // bytes used in the last block
  ChunkedTable<uint64_t> refs_;     // (byte position << 1) | joinsNext
};

}  // namespace q836
