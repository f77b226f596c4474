// The exchange-file reader: cuts each line of JWC_TEMP.TXT into words and
// applies it to the drawing tables at once, in file order, in one pass.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "exchange/file_system.h"

namespace q836 {

/// The words of one exchange-file line. Only the first 32 are kept; Count is
/// the true number of words, so that every count condition reads it exactly.
class ExchangeWords {
 public:
  static constexpr int kMaxWords = 32;

  /// Word i, empty when it is missing or beyond the 32 kept.
  std::string_view operator[](size_t i) const {
    return i < kept_ && i < kMaxWords ? word_[i] : std::string_view();
  }

  /// Number of words, the empty last word of a line ending in a blank included.
  size_t Count() const { return count_; }

 private:
  friend void SplitExchangeLine(std::string_view line, ExchangeWords& words);
  friend void ParseExchangeLine(std::string_view line);
  std::string_view word_[kMaxWords];
  size_t kept_ = 0;
  size_t count_ = 0;
  std::unique_ptr<char[]> bytes_;  // the word bytes, reused from line to line
  size_t capacity_ = 0;
};

/// Cuts `line` into words: blanks and TABs separate, a double quote or an
/// equals sign turns splitting off, two-byte characters stay whole.
void SplitExchangeLine(std::string_view line, ExchangeWords& words);

/// Cuts `line` as SplitExchangeLine does, into `out` (room for line.size()
/// bytes) and `word` (room for kMaxWords); returns the number of words and
/// sets `kept`, the number stored.
size_t CutExchangeWords(std::string_view line, char* out, std::string_view* word, size_t* kept);

/// The words of one line as they are applied: the kept words and, when they
/// were read beforehand, their numbers (NaN for one beyond the range of a
/// double, which never reads as NaN).
struct LineWords {
  const std::string_view* word = nullptr;
  const double* value = nullptr;  ///< null: each number is read when used
  size_t kept = 0;
  size_t count = 0;
};

/// Applies the words of one non-empty line. Throws FloatOverflowError when
/// a number it uses is beyond the range of a double.
void ApplyExchangeWords(const LineWords& line);

/// Whether a word starting with `first` may be a keyword: every keyword
/// starts with a letter or "#".
inline bool MayStartKeyword(char first) {
  return (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z') || first == '#';
}

/// Applies a line of four words whose first is no keyword and holds no
/// equals sign, as ApplyExchangeWords does, without looking at its words.
void ApplyBareLine(const LineWords& line);

/// Applies one line (without its line end) to the drawing tables. Throws
/// FloatOverflowError on a real number beyond the range of a double.
void ParseExchangeLine(std::string_view line);

/// Reads the exchange file at `path` and applies every line. Returns false
/// when there is no file, on an input/output error, or when a line failed;
/// then `failedLine` (if given) receives the 1-based number of that line, or
/// 0 when the file could not be opened, and `reason` (if given) why the
/// file could not be read: kFileMissing, the disk's reason, kInterrupted
/// after a stop request, or kNone for a line that failed.
bool LoadExchangeFile(const std::string& path, int64_t* failedLine = nullptr,
                      FileSystem& fs = DiskFileSystem(), FileError* reason = nullptr);

}  // namespace q836
