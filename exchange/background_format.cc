#include "exchange/background_format.h"

#include <cstddef>
#include <cstring>
#include <system_error>

#include "exchange/drawing.h"
#include "exchange/stored_text.h"
#include "text/sjis.h"

namespace q836 {

BackgroundFormat* ActiveFormat = nullptr;

namespace {

enum Tag : uint8_t { kTextLine, kJoiningTextLine, kNumberLine };

// Blocks handed over and not yet stored from which the thread counts as
// behind.
constexpr uint64_t kBehind = 2;

// The text of `line`, built in `out`, as an output line stores it: at most
// 255 bytes of whole characters.
std::string_view LineText(const NumberLine& line, LineBuilder& out) {
  line.Build(out);
  const std::string_view view = out.View();
  return view.substr(0, WholeCharPrefix(view, kShortStringCapacity));
}

}  // namespace

BackgroundFormat::BackgroundFormat() {
  for (auto& block : blocks_) block = std::make_unique_for_overwrite<char[]>(kBlockBytes);
}

BackgroundFormat::~BackgroundFormat() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  handedOver_.notify_one();
  thread_.join();
}

bool BackgroundFormat::Start() {
  try {
    thread_ = std::thread([this] { Run(); });
    return true;
  } catch (const std::exception&) {
    return false;  // no thread to be had: the caller formats at once
  }
}

char* BackgroundFormat::Room(size_t bytes) {
  const size_t current = handed_ % kBlocks;
  if (used_[current] + bytes > kBlockBytes) HandOver();
  const size_t next = handed_ % kBlocks;
  return blocks_[next].get() + used_[next];
}

void BackgroundFormat::HandOver() {
  std::unique_lock<std::mutex> lock(mutex_);
  ++handed_;
  handedOver_.notify_one();
  // The next block of the ring must be stored and free again.
  stored_.wait(lock, [this] { return handed_ - done_ < kBlocks; });
  used_[handed_ % kBlocks] = 0;
}

void BackgroundFormat::Text(std::string_view text, bool joinsNext) {
  char* at = Room(2 + text.size());
  at[0] = static_cast<char>(joinsNext ? kJoiningTextLine : kTextLine);
  at[1] = static_cast<char>(static_cast<uint8_t>(text.size()));
  if (!text.empty()) std::memcpy(at + 2, text.data(), text.size());
  used_[handed_ % kBlocks] += 2 + text.size();
}

void BackgroundFormat::Numbers(const NumberLine& line) {
  if (handed_ - done_.load(std::memory_order_relaxed) >= kBehind) {
    LineBuilder text;
    Text(LineText(line, text), line.joinsNext);
    return;
  }
  // The line without its unused values.
  const size_t size = offsetof(NumberLine, values) + line.count * sizeof(double);
  char* at = Room(1 + sizeof(NumberLine));
  at[0] = static_cast<char>(kNumberLine);
  std::memcpy(at + 1, &line, size);
  used_[handed_ % kBlocks] += 1 + size;
}

void BackgroundFormat::Finish() {
  if (used_[handed_ % kBlocks] > 0) HandOver();
  {
    std::unique_lock<std::mutex> lock(mutex_);
    stored_.wait(lock, [this] { return done_ == handed_; });
    stop_ = true;
  }
  handedOver_.notify_one();
  thread_.join();
  if (failure_) std::rethrow_exception(failure_);
}

void BackgroundFormat::Run() {
  for (;;) {
    size_t index;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      handedOver_.wait(lock, [this] { return stop_ || handed_ > done_; });
      if (handed_ == done_) return;  // stopped, and everything stored
      index = done_ % kBlocks;
    }
    // After a failure the rest is dropped: the caller learns of it at the end.
    if (!failure_) {
      try {
        StoreBlock(blocks_[index].get(), blocks_[index].get() + used_[index]);
      } catch (...) {
        failure_ = std::current_exception();
      }
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++done_;
    }
    stored_.notify_one();
  }
}

void BackgroundFormat::StoreBlock(const char* p, const char* end) {
  while (p < end) {
    const auto tag = static_cast<Tag>(*p++);
    if (tag != kNumberLine) {
      const size_t size = static_cast<uint8_t>(*p++);
      OutLines.Append(OutLineCount, std::string_view(p, size), tag == kJoiningTextLine);
      p += size;
      continue;
    }
    NumberLine line;
    std::memcpy(static_cast<void*>(&line), p, offsetof(NumberLine, values));
    std::memcpy(line.values, p + offsetof(NumberLine, values), line.count * sizeof(double));
    p += offsetof(NumberLine, values) + line.count * sizeof(double);
    LineBuilder text;
    OutLines.Append(OutLineCount, LineText(line, text), line.joinsNext);
  }
}

}  // namespace q836
