// Shift-JIS byte handling: every text of the system is a byte string in
// code page 932, and a lead byte always stays with the byte after it.
#pragma once

#include <cstddef>
#include <string_view>

namespace q836 {

/// True for a byte that starts a two-byte character (0x80-0x9F, 0xE0-0xFD).
inline bool IsLeadByte(unsigned char b) {
  return (b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFD);
}

/// Length of the longest prefix of `text` of at most `limit` bytes that does
/// not end on the lead byte of a two-byte character.
size_t WholeCharPrefix(std::string_view text, size_t limit);

/// Position of the first occurrence of `needle` in `text` that starts on a
/// character boundary, or npos.
size_t FindOnCharBoundary(std::string_view text, std::string_view needle);

}  // namespace q836
