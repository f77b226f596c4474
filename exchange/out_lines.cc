#include "exchange/out_lines.h"

#include <cstring>

namespace q836 {

void OutLineList::Append(int32_t& count, std::string_view text, bool joinsNext) {
  if (blockUsed_ + 1 + text.size() > kBlockBytes) {
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockBytes));
    blockUsed_ = 0;
  }
  char* at = blocks_.back().get() + blockUsed_;
  at[0] = static_cast<char>(static_cast<uint8_t>(text.size()));
  std::memcpy(at + 1, text.data(), text.size());
  const uint64_t position = (blocks_.size() - 1) * kBlockBytes + blockUsed_;
  blockUsed_ += 1 + text.size();
  AppendEntry(refs_, count) = position << 1 | (joinsNext ? 1 : 0);
}

std::string_view OutLineList::operator[](int32_t i) const {
  const uint64_t position = refs_[i] >> 1;
  const char* at =
      blocks_[static_cast<size_t>(position / kBlockBytes)].get() + position % kBlockBytes;
  return std::string_view(at + 1, static_cast<uint8_t>(at[0]));
}

void OutLineList::Release() {
  blocks_.clear();
  blocks_.shrink_to_fit();
  blockUsed_ = kBlockBytes;
  refs_.Release();
}

}  // namespace q836
