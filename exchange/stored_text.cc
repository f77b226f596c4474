#include "exchange/stored_text.h"

#include <cstring>
#include <memory>
#include <vector>

#include "text/sjis.h"

namespace q836 {

namespace {

// Blocks of text bytes; a text never spans two blocks. The first block is
// small so that a drawing with a few texts costs little.
constexpr uint64_t kBlockShift = 20;
constexpr size_t kFirstBlockBytes = size_t{1} << 12;
constexpr size_t kBlockBytes = size_t{1} << kBlockShift;

struct TextStore {
  std::vector<std::unique_ptr<char[]>> blocks;
  size_t used = 0;      // bytes used in the last block
  size_t capacity = 0;  // bytes of the last block
};

TextStore store;

}  // namespace

void StoredText::Assign(std::string_view text) {
  const size_t n = WholeCharPrefix(text, kShortStringCapacity);
  Length = static_cast<uint8_t>(n);
  if (n == 0) {
    Position = 0;
    return;
  }
  if (store.used + n > store.capacity) {
    store.capacity = store.blocks.empty() ? kFirstBlockBytes : kBlockBytes;
    store.blocks.push_back(std::make_unique_for_overwrite<char[]>(store.capacity));
    store.used = 0;
  }
  std::memcpy(store.blocks.back().get() + store.used, text.data(), n);
  const uint64_t position =
      (static_cast<uint64_t>(store.blocks.size() - 1) << kBlockShift) | store.used;
  Position = position & ((uint64_t{1} << 56) - 1);
  store.used += n;
}

std::string_view StoredText::View() const {
  if (Length == 0) return {};
  const char* block = store.blocks[static_cast<size_t>(Position >> kBlockShift)].get();
  return std::string_view(block + (Position & (kBlockBytes - 1)), Length);
}

void ReleaseStoredTexts() {
  store.blocks.clear();
  store.blocks.shrink_to_fit();
  store.used = store.capacity = 0;
}

}  // namespace q836
