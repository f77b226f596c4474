// Font names of text records, kept once each: a drawing has thousands of
// texts but only a handful of fonts, so a record holds a small reference.
#pragma once

#include <cstdint>
#include <string_view>

namespace q836 {

/// A font name of at most 255 bytes (whole characters), shared between records.
struct FontNameRef {
  uint32_t Index;  // 0 is the empty name; value-initialised with its record

  /// Stores `name`, cut to at most 255 bytes of whole characters.
  void Assign(std::string_view name);
  /// The stored bytes; valid until the font names are released.
  std::string_view View() const;
};

/// Forgets every font name (with the drawing tables).
void ReleaseFontNames();

}  // namespace q836
