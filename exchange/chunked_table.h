// Storage of a growing table: the count is kept apart, and storage is
// enlarged in chunks of 1000 entries without moving what is stored.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace q836 {

/// Entries by which a growing table is enlarged.
inline constexpr int32_t TableChunk = 1000;

/// Zero-filled storage of T in blocks of TableChunk entries. Storage() is the
/// number of entries the table may hold; entries never move once stored.
template <typename T>
class ChunkedTable {
 public:
  /// Entry i, which must lie below Storage().
  T& operator[](int32_t i) { return blocks_[i / TableChunk][i % TableChunk]; }
  const T& operator[](int32_t i) const { return blocks_[i / TableChunk][i % TableChunk]; }

  /// Number of entries the storage holds.
  int32_t Storage() const { return storage_; }

  /// Sets the storage to exactly `entries`; new entries are zero-filled.
  void SetStorage(int32_t entries) {
    const size_t blocksNeeded = (static_cast<size_t>(entries) + TableChunk - 1) / TableChunk;
    if (blocksNeeded < blocks_.size()) blocks_.resize(blocksNeeded);
    // Entries that return to use inside a kept block are cleared again.
    const int32_t keptEnd = static_cast<int32_t>(blocks_.size()) * TableChunk;
    for (int32_t i = storage_; i < entries && i < keptEnd; ++i) (*this)[i] = T{};
    while (blocks_.size() < blocksNeeded) blocks_.push_back(std::make_unique<T[]>(TableChunk));
    storage_ = entries;
  }

  /// Frees all storage.
  void Release() {
    blocks_.clear();
    blocks_.shrink_to_fit();
    storage_ = 0;
  }

 private:
  std::vector<std::unique_ptr<T[]>> blocks_;
  int32_t storage_ = 0;
};

/// Appends one zero-filled entry by the growth rule: the count goes up first,
/// and a count beyond the storage enlarges it to the next multiple of 1000
/// (so 1, 1001, 2001, ... give 1000, 2000, 3000, ...).
template <typename T>
T& AppendEntry(ChunkedTable<T>& table, int32_t& count) {
  ++count;
  if (count > table.Storage()) {
    table.SetStorage((count + TableChunk - 1) / TableChunk * TableChunk);
  }
  return table[count - 1];  // storage past the count is always zero-filled
}

}  // namespace q836
