#include "text/sjis.h"

namespace q836 {

size_t WholeCharPrefix(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text.size();
  size_t i = 0;
  while (i < limit) {
    if (IsLeadByte(static_cast<unsigned char>(text[i]))) {
      if (i + 2 > limit) break;  // the pair would straddle the limit
      i += 2;
    } else {
      ++i;
    }
  }
  return i;
}

size_t FindOnCharBoundary(std::string_view text, std::string_view needle) {
  if (needle.empty()) return 0;
  size_t i = 0;
  while (i + needle.size() <= text.size()) {
    if (text.compare(i, needle.size(), needle) == 0) return i;
    i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  }
  return std::string_view::npos;
}

}  // namespace q836
