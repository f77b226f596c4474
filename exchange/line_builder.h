// Builds one output line on the stack, without heap allocation.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "text/number_text.h"

namespace q836 {

/// A line of keywords and numbers; text longer than the buffer is dropped
/// (the output line keeps 255 bytes anyway).
class LineBuilder {
 public:
  /// Leaves the buffer as it is: written before it is read. (A defaulted
  /// constructor would have `LineBuilder()` clear all of it on every line.)
  LineBuilder() {}  // NOLINT(modernize-use-equals-default)
  /// Appends bytes as they are.
  LineBuilder& Add(std::string_view text) {
    const size_t n = text.size() < Room() ? text.size() : Room();
    std::memcpy(end_, text.data(), n);
    end_ += n;
    return *this;
  }
  /// Appends a real in the 15-digit format.
  LineBuilder& Real(double value) {
    if (Room() >= kMaxNumberText) end_ = AppendNumberText(end_, value);
    return *this;
  }
  /// Appends an integer in decimal.
  LineBuilder& Int(int32_t value) {
    if (Room() >= 12) end_ = std::to_chars(end_, end_ + 12, value).ptr;
    return *this;
  }
  /// Appends a blank and a real.
  LineBuilder& SpaceReal(double value) { return Add(" ").Real(value); }
  /// The line so far.
  std::string_view View() const { return std::string_view(buffer_, end_ - buffer_); }

 private:
  size_t Room() const { return static_cast<size_t>(buffer_ + sizeof buffer_ - end_); }
  char buffer_[320];
  char* end_ = buffer_;
};

}  // namespace q836
