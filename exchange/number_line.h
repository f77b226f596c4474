// An output line of numbers kept as its values, so that it can be written
// out as text later, on another thread, exactly as at once.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "text/number_text.h"

namespace q836 {

/// A keyword, up to nine reals separated by blanks (the first without one
/// when there is no keyword), an optional integer code and a fixed tail.
/// `keyword` and `tail` must be texts of at most kMaxFixedBytes that live
/// for the whole program.
struct NumberLine {
  static constexpr int kMaxValues = 9;
  static constexpr size_t kMaxFixedBytes = 16;
  /// The most bytes Write writes.
  static constexpr size_t kMaxBytes =
      2 * kMaxFixedBytes + kMaxValues * (1 + kMaxNumberText) + 1 + 11;

  std::string_view keyword;
  std::string_view tail;
  uint8_t count = 0;
  bool hasCode = false;
  bool joinsNext = false;  ///< a text keyword line, joined with the text after it
  int32_t code = 0;
  double values[kMaxValues];  ///< last, so that a copy can leave out those unused

  /// Writes the line's text at `out`, which has room for kMaxBytes, and
  /// gives its end.
  char* Write(char* out) const {
    if (!keyword.empty()) {
      std::memcpy(out, keyword.data(), keyword.size());
      out += keyword.size();
    }
    for (int i = 0; i < count; ++i) {
      if (i > 0 || !keyword.empty()) *out++ = ' ';
      out = AppendNumberText(out, values[i]);
    }
    if (hasCode) {
      *out++ = ' ';
      out = std::to_chars(out, out + 11, code).ptr;
    }
    if (!tail.empty()) {
      std::memcpy(out, tail.data(), tail.size());
      out += tail.size();
    }
    return out;
  }
};

}  // namespace q836
