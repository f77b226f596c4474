// An output line of numbers kept as its values, so that it can be written
// out as text later, on another thread, exactly as at once.
#pragma once

#include <cstdint>
#include <string_view>

#include "exchange/line_builder.h"

namespace q836 {

/// A keyword, up to nine reals separated by blanks (the first without one
/// when there is no keyword), an optional integer code and a fixed tail.
/// `keyword` and `tail` must be texts that live for the whole program.
struct NumberLine {
  static constexpr int kMaxValues = 9;

  std::string_view keyword;
  std::string_view tail;
  uint8_t count = 0;
  bool hasCode = false;
  bool joinsNext = false;  ///< a text keyword line, joined with the text after it
  int32_t code = 0;
  double values[kMaxValues];  ///< last, so that a copy can leave out those unused

  /// Writes the line's text into `out`.
  void Build(LineBuilder& out) const {
    if (!keyword.empty()) out.Add(keyword);
    for (int i = 0; i < count; ++i) {
      if (i == 0 && keyword.empty()) {
        out.Real(values[0]);
      } else {
        out.SpaceReal(values[i]);
      }
    }
    if (hasCode) out.Add(" ").Int(code);
    if (!tail.empty()) out.Add(tail);
  }
};

}  // namespace q836
