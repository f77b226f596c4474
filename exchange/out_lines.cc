#include "exchange/out_lines.h"

#include <cstring>

namespace q836 {

namespace {
// The first block is small so that a short write-back costs little.
constexpr size_t kFirstBlockBytes = size_t{1} << 12;
constexpr size_t kBlockBytes = size_t{1} << 16;
}  // namespace

char* OutLineList::Room(int32_t count, size_t bytes) {
  if (blocks_.empty() || blocks_.back().used + bytes > blocks_.back().capacity) {
    const size_t capacity = blocks_.empty() && storage_ == 0 ? kFirstBlockBytes : kBlockBytes;
    if (sink_ && !blocks_.empty()) {
      sink_->Take(std::move(blocks_.back().bytes), blocks_.back().used);
      blocks_.pop_back();
      // Nor are the joins of the lines handed on kept.
      joins_.clear();
      firstKept_ = count;
    }
    blocks_.push_back({std::make_unique_for_overwrite<char[]>(capacity), 0, capacity});
  }
  return blocks_.back().bytes.get() + blocks_.back().used;
}

void OutLineList::Append(int32_t& count, std::string_view text, bool joinsNext) {
  char* at = Room(count, text.size() + 2);
  std::memcpy(at, text.data(), text.size());
  if (!joinsNext || joinPending_) return AppendBuilt(count, text.size());
  // A line joined with the next: no line end, its length kept.
  blocks_.back().used += text.size();
  joins_.push_back({count, static_cast<uint8_t>(text.size())});
  joinPending_ = true;
  Counted(count);
}

void OutLineList::Release() {
  if (sink_) sink_->Abandon();
  sink_ = nullptr;
  blocks_.clear();
  blocks_.shrink_to_fit();
  joins_.clear();
  joins_.shrink_to_fit();
  storage_ = 0;
  firstKept_ = 0;
  joinPending_ = false;
}

}  // namespace q836
