// Writing the numbers of a write-back as text on a second thread: the
// thread that decides the lines records each as its values, and the second
// thread turns the records into text and stores the lines in OutLines, in
// the same order and with the same bytes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "exchange/number_line.h"

namespace q836 {

/// Records of lines in a fixed ring of blocks, handed to the formatting
/// thread block by block. Nothing is allocated once it runs on this side.
class BackgroundFormat {
 public:
  BackgroundFormat();
  /// Ends the thread; records not yet stored are dropped.
  ~BackgroundFormat();
  BackgroundFormat(const BackgroundFormat&) = delete;
  BackgroundFormat& operator=(const BackgroundFormat&) = delete;

  /// Starts the thread; false when there is none to be had.
  bool Start();

  /// Records a line of text (at most 255 bytes), as EmitLine or
  /// EmitKeywordLine would store it.
  void Text(std::string_view text, bool joinsNext);
  /// Records a line of numbers; while the thread is behind, writes its text
  /// here instead (the same bytes), so that both threads format.
  void Numbers(const NumberLine& line);

  /// Waits until every recorded line is stored in OutLines and ends the
  /// thread; throws what storing a line threw there (out of memory).
  void Finish();

 private:
  static constexpr size_t kBlocks = 4;
  static constexpr size_t kBlockBytes = size_t{1} << 14;
  char* Room(size_t bytes);
  void HandOver();
  void Run();
  static void StoreBlock(const char* p, const char* end);

  std::unique_ptr<char[]> blocks_[kBlocks];
  size_t used_[kBlocks] = {};
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable handedOver_, stored_;
  // Counts of blocks, each position of the ring taken in turn.
  uint64_t handed_ = 0;
  std::atomic<uint64_t> done_ = 0;  // also read without the lock, as a hint
  bool stop_ = false;
  std::exception_ptr failure_;
};

/// The formatting that EmitLine, EmitKeywordLine and EmitNumberLine record
/// into while one runs, else null.
extern BackgroundFormat* ActiveFormat;

}  // namespace q836
