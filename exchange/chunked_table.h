// Storage of a growing table: the count is kept apart, and storage is
// enlarged in chunks of 1000 entries without moving what is stored.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace q836 {

/// Entries by which a growing table is enlarged.
inline constexpr int32_t TableChunk = 1000;

/// Storage of T in blocks of TableChunk entries. Storage() is the number of
/// entries the table may hold; entries never move once stored. Blocks are
/// not cleared in advance: an entry is written before it is read (AppendEntry
/// clears the entry it hands out), so storage that is never used is never
/// touched, and large tables cost no page faults beyond their count.
template <typename T>
class ChunkedTable {
 public:
  /// Entry i, which must lie below Storage().
  T& operator[](int32_t i) { return blocks_[i / TableChunk][i % TableChunk]; }
  const T& operator[](int32_t i) const { return blocks_[i / TableChunk][i % TableChunk]; }

  /// Number of entries the storage holds.
  int32_t Storage() const { return storage_; }

  /// Sets the storage to exactly `entries`; entries beyond the old storage
  /// hold unspecified values until they are written.
  void SetStorage(int32_t entries) {
    const size_t blocksNeeded = (static_cast<size_t>(entries) + TableChunk - 1) / TableChunk;
    if (blocksNeeded < blocks_.size()) blocks_.resize(blocksNeeded);
    while (blocks_.size() < blocksNeeded) {
      blocks_.push_back(std::make_unique_for_overwrite<T[]>(TableChunk));
    }
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

/// Calls f(i, entry) for the first `count` entries, block by block, so that
/// the loop is a plain pass over contiguous entries.
template <typename Table, typename F>
void ForEachEntry(Table& table, int32_t count, F f) {
  for (int32_t start = 0; start < count; start += TableChunk) {
    auto* block = &table[start];
    const int32_t size = count - start < TableChunk ? count - start : TableChunk;
    for (int32_t i = 0; i < size; ++i) f(start + i, block[i]);
  }
}

/// Appends one value-initialised entry by the growth rule: the count goes up first,
/// and a count beyond the storage enlarges it to the next multiple of 1000
/// (so 1, 1001, 2001, ... give 1000, 2000, 3000, ...).
template <typename T>
T& AppendEntry(ChunkedTable<T>& table, int32_t& count) {
  ++count;
  if (count > table.Storage()) {
    table.SetStorage((count + TableChunk - 1) / TableChunk * TableChunk);
  }
  T& entry = table[count - 1];
  entry = T{};
  return entry;
}

}  // namespace q836
