// A fixed-capacity byte string of at most 255 bytes, stored inline.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "text/sjis.h"

namespace q836 {

/// Most bytes a fixed-capacity string (and an output line) holds.
inline constexpr size_t kShortStringCapacity = 255;

/// Inline string of at most 255 bytes; a longer value keeps its whole
/// characters up to the limit, so it never ends on a lone lead byte.
struct ShortString {
  uint8_t Length = 0;
  char Bytes[kShortStringCapacity] = {};

  /// Stores `text`, cut to at most 255 bytes of whole characters.
  void Assign(std::string_view text) {
    size_t n = WholeCharPrefix(text, kShortStringCapacity);
    std::memcpy(Bytes, text.data(), n);
    Length = static_cast<uint8_t>(n);
  }

  /// The stored bytes.
  std::string_view View() const { return std::string_view(Bytes, Length); }
};

}  // namespace q836
