#include "exchange/background_format.h"

#include <cstddef>
#include <cstring>
#include <system_error>

#include "exchange/drawing.h"
#include "exchange/output.h"

namespace q836 {

BackgroundFormat* ActiveFormat = nullptr;

namespace {

enum Tag : uint8_t { kTextLine, kJoiningTextLine, kNumberLine };

// A line of numbers is recorded as its tag, its count of values, these
// flags, then only the parts it has: the keyword and the tail (each the
// address of a text that lives for the whole program and its length), the
// code, the values.
enum Flag : uint8_t { kHasCode = 1, kJoins = 2, kHasKeyword = 4, kHasTail = 8 };
constexpr size_t kTextBytes = sizeof(const char*) + 1;
constexpr size_t kLargestRecord =
    3 + 2 * kTextBytes + sizeof(int32_t) + NumberLine::kMaxValues * sizeof(double);

char* PutText(char* at, std::string_view text) {
  const char* data = text.data();
  std::memcpy(at, &data, sizeof data);
  at[sizeof data] = static_cast<char>(static_cast<uint8_t>(text.size()));
  return at + kTextBytes;
}

// A line's values: always as many bytes as the most values take (there is
// room for them), so that the copy is a few moves of fixed size; a copy of
// a size known only here becomes a call or a string instruction whose
// start costs more than the copy. The bytes past the line's own values are
// carried along unused.
char* PutValues(char* at, const double* values, int count) {
  std::memcpy(at, values, NumberLine::kMaxValues * sizeof(double));
  return at + count * sizeof(double);
}

const char* TakeValues(const char* at, double* values, int count) {
  std::memcpy(values, at, NumberLine::kMaxValues * sizeof(double));
  return at + count * sizeof(double);
}

const char* TakeText(const char* at, std::string_view& text) {
  const char* data;
  std::memcpy(&data, at, sizeof data);
  text = std::string_view(data, static_cast<uint8_t>(at[sizeof data]));
  return at + kTextBytes;
}

// Blocks handed over and not yet stored from which the thread counts as
// behind.
constexpr uint64_t kBehind = 2;

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
    char buffer[NumberLine::kMaxBytes];
    Text(NumberLineText(line, buffer), line.joinsNext);
    return;
  }
  // The record holds only what the line has: the blocks pass from core to
  // core, and every byte of them costs on the way.
  char* const start = Room(kLargestRecord);
  char* at = start;
  *at++ = static_cast<char>(kNumberLine);
  *at++ = static_cast<char>(line.count);
  *at++ = static_cast<char>((line.hasCode ? kHasCode : 0) | (line.joinsNext ? kJoins : 0) |
                            (line.keyword.empty() ? 0 : kHasKeyword) |
                            (line.tail.empty() ? 0 : kHasTail));
  if (!line.keyword.empty()) at = PutText(at, line.keyword);
  if (!line.tail.empty()) at = PutText(at, line.tail);
  if (line.hasCode) {
    std::memcpy(at, &line.code, sizeof line.code);
    at += sizeof line.code;
  }
  at = PutValues(at, line.values, line.count);
  used_[handed_ % kBlocks] += static_cast<size_t>(at - start);
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
    line.count = static_cast<uint8_t>(*p++);
    const auto flags = static_cast<uint8_t>(*p++);
    line.hasCode = (flags & kHasCode) != 0;
    line.joinsNext = (flags & kJoins) != 0;
    if (flags & kHasKeyword) p = TakeText(p, line.keyword);
    if (flags & kHasTail) p = TakeText(p, line.tail);
    if (line.hasCode) {
      std::memcpy(&line.code, p, sizeof line.code);
      p += sizeof line.code;
    }
    p = TakeValues(p, line.values, line.count);
    StoreNumberLine(line);
  }
}

}  // namespace q836
