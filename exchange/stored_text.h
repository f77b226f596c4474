// Texts of text records, kept in one store of the drawing: a record holds a
// small reference instead of room for the longest text, so that tables of
// many short texts stay small and their storage need not be cleared.
#pragma once

#include <cstdint>
#include <string_view>

namespace q836 {

/// Most bytes a stored text (and an output line) holds.
inline constexpr size_t kShortStringCapacity = 255;

/// A text of at most 255 bytes; a longer value keeps its whole characters up
/// to the limit, so it never ends on a lone lead byte.
struct StoredText {
  // No default values: records are value-initialised when appended, and
  // table storage is then never written before use.
  uint64_t Position : 56;  // block << 20 | offset in the block
  uint64_t Length : 8;

  /// Stores `text`, cut to at most 255 bytes of whole characters.
  void Assign(std::string_view text);
  /// The stored bytes; valid until the stored texts are released.
  std::string_view View() const;
};

/// Forgets every stored text (with the drawing tables).
void ReleaseStoredTexts();

}  // namespace q836
