#include "exchange/read_ahead.h"

#include <bit>
#include <cstring>
#include <system_error>
#include <utility>

#include "text/text_convert.h"

namespace q836 {

namespace {

// Room of a block for the words of its lines and for its pieces. A block of
// short lines that needs more leaves the rest of its bytes to the caller.
constexpr size_t kWordCapacity = 8192;
constexpr size_t kPieceCapacity = 2048;

// Bytes of a plain line's words: printable ASCII but the double quote and
// the equals sign, which change how the rest of a line is cut.
struct PlainBytes {
  bool is[256];
  constexpr PlainBytes() : is() {
    for (int b = 0x21; b < 0x7f; ++b) is[b] = b != '"' && b != '=';
  }
};
constexpr PlainBytes kPlain;

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

constexpr uint64_t kOnes = 0x0101010101010101, kTops = 0x8080808080808080;

// The top bit of each byte of `x` that is zero: exact up to the first such
// byte (the first byte lowest); a borrow may mark bytes after it.
constexpr uint64_t ZeroBytes(uint64_t x) { return (x - kOnes) & ~x & kTops; }

// A word read from the eight bytes at its start, when they hold its end.
struct WordInEight {
  int length = 8;             ///< bytes before the first up to 0x20; 8: none in the eight
  bool plain = false;         ///< none of them a quote, an equals sign or above 0x7E
  bool shortDecimal = false;  ///< a sign, digits and at most one point, a digit at least
  bool negative = false;
  int fraction = -1;  ///< digits after the point, -1 without one
  uint64_t mantissa = 0;
};

// Reads the word at `q` from the eight bytes there, all at once, as the
// reading byte by byte reads it. Where it ends is found first and alone,
// so that the next word's reading need not wait for this one's number.
WordInEight ReadWordInEight(const char* q) {
  WordInEight word;
  uint64_t bytes;
  std::memcpy(&bytes, q, 8);
  const uint64_t ends = (bytes - 0x21 * kOnes) & ~bytes & kTops;
  if (ends == 0) return word;
  word.length = std::countr_zero(ends) / 8;
  if (word.length == 0) {
    word.plain = true;  // an empty word
    return word;
  }
  const uint64_t inWord = kTops >> (8 * (8 - word.length));
  word.plain = ((ZeroBytes(bytes ^ ('"' * kOnes)) | ZeroBytes(bytes ^ ('=' * kOnes)) |
                 ZeroBytes(bytes ^ (0x7F * kOnes)) | bytes) &
                inWord) == 0;
  if (!word.plain) return word;
  const char first = static_cast<char>(bytes);
  word.negative = first == '-';
  const int sign = first == '-' || first == '+';
  // The word's bytes minus '0' lie below 0x80, so adding 0x76 sets the top
  // bit exactly where the byte is no digit, carrying nothing into the next.
  const uint64_t values = bytes ^ (0x30 * kOnes);
  uint64_t other = ((values + 0x76 * kOnes) | values) & inWord & ~(uint64_t{0x80} * sign);
  int point = -1;
  if (other != 0) {
    point = std::countr_zero(other) / 8;
    if (static_cast<char>(bytes >> (8 * point)) != '.' || (other & (other - 1)) != 0) return word;
  }
  const int count = word.length - sign - (point >= 0);
  if (count == 0) return word;
  // The digits without sign and point, as the last `count` of eight with
  // leading zeros, combined in pairs, fours and eights.
  uint64_t lanes = values >> (8 * sign);
  if (point >= 0) {
    const uint64_t below = (uint64_t{1} << (8 * (point - sign))) - 1;
    lanes = (lanes & below) | ((lanes >> 8) & ~below);
  }
  lanes <<= 8 * (8 - count);
  lanes = (lanes * 2561) >> 8 & 0x00FF00FF00FF00FF;
  lanes = (lanes * 6553601) >> 16 & 0x0000FFFF0000FFFF;
  word.mantissa = (lanes * 42949672960001) >> 32;
  word.fraction = point >= 0 ? word.length - 1 - point : -1;
  word.shortDecimal = true;
  return word;
}

// Cuts the line at `p` when it is plain: words of plain bytes between
// blanks, ended by LF or CR LF in the block. Such a line's words are its
// own bytes, so they are taken where they stand, and each word's number is
// read as it is cut: a short decimal (a sign, at most 15 digits, a point)
// at once, as TextToFloat reads it, any other word by TextToFloat. Gives
// the line's end (its CR or LF), or null for any other line, which the
// general cutting takes.
const char* CutPlainLine(const char* p, const char* const end, std::string_view* words,
                         double* values, size_t* count) {
  size_t w = 0;
  const char* q = p;
  for (;;) {
    while (q != end && *q == ' ') ++q;
    if (q == end) return nullptr;
    const char* const start = q;
    bool shortDecimal = false, negative = false;
    int fraction = -1;
    uint64_t mantissa = 0;
    // Most words end within eight bytes and are read at once; the others
    // byte by byte.
    if (const WordInEight eight = end - q >= 8 ? ReadWordInEight(q) : WordInEight();
        eight.length < 8) {
      if (!eight.plain) return nullptr;
      q += eight.length;
      shortDecimal = eight.shortDecimal;
      negative = eight.negative;
      fraction = eight.fraction;
      mantissa = eight.mantissa;
    } else {
      // The short decimal the word starts with.
      negative = *q == '-';
      if (*q == '-' || *q == '+') ++q;
      int digits = 0;
      for (; q != end; ++q) {
        const unsigned d = static_cast<unsigned char>(*q) - '0';
        if (d <= 9) {
          mantissa = mantissa * 10 + d;
          ++digits;
          fraction += fraction >= 0;
        } else if (*q == '.' && fraction < 0) {
          fraction = 0;
        } else {
          break;
        }
      }
      // The rest of a word that is no short decimal.
      shortDecimal = digits > 0 && digits <= 15;
      for (; q != end && kPlain.is[static_cast<unsigned char>(*q)]; ++q) shortDecimal = false;
    }
    if (q == end) return nullptr;
    const char b = *q;
    if (b != ' ' && b != '\n' && !(b == '\r' && q + 1 < end && q[1] == '\n')) return nullptr;
    if (q != start && w < ExchangeWords::kMaxWords) {
      const std::string_view word(start, q - start);
      words[w] = word;
      if (shortDecimal) {
        // Without a branch on the point or the sign, which a drawing's
        // numbers take at random: dividing by 1 changes no value, and a
        // zero is positive whatever its sign.
        const double v = static_cast<double>(mantissa) / kPowersOfTen[fraction > 0 ? fraction : 0];
        const uint64_t sign = static_cast<uint64_t>(negative && mantissa != 0) << 63;
        values[w] = std::bit_cast<double>(std::bit_cast<uint64_t>(v) | sign);
      } else {
        values[w] = TextToFloatOrNan(word);
      }
    }
    if (b != ' ') {
      // The line's last word, empty when the line ends in a blank.
      if (q == start && w < ExchangeWords::kMaxWords) {
        words[w] = std::string_view();
        values[w] = 0.0;
      }
      *count = w + 1;
      return q;
    }
    if (q != start) ++w;
  }
}

// Whether a line whose first word is `word` is no keyword line.
bool IsBareStart(std::string_view word) { return !word.empty() && !MayStartKeyword(word[0]); }

}  // namespace

ReadAhead::ReadAhead(bool lineStart, Reader read) : read_(std::move(read)), lineStart_(lineStart) {
  // Words never hold more bytes than their lines: kBlockBytes of them.
  constexpr size_t kWordsAt = 2 * kBlockBytes;
  constexpr size_t kValuesAt = kWordsAt + kWordCapacity * sizeof(std::string_view);
  constexpr size_t kPiecesAt = kValuesAt + kWordCapacity * sizeof(double);
  constexpr size_t kStorage = kPiecesAt + kPieceCapacity * sizeof(Piece);
  static_assert(kValuesAt % alignof(double) == 0 && kPiecesAt % alignof(Piece) == 0);
  for (Block& block : ring_) {
    block.storage = std::make_unique_for_overwrite<char[]>(kStorage);
    char* const at = block.storage.get();
    block.bytes = at;
    block.wordBytes = at + kBlockBytes;
    block.words = reinterpret_cast<std::string_view*>(at + kWordsAt);
    block.values = reinterpret_cast<double*>(at + kValuesAt);
    block.pieces = reinterpret_cast<Piece*>(at + kPiecesAt);
  }
}

ReadAhead::~ReadAhead() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  released_.notify_one();
  thread_.join();
}

bool ReadAhead::Start() {
  try {
    thread_ = std::thread([this] { Run(); });
    return true;
  } catch (const std::exception&) {
    // No thread to be had (no memory, no more threads): each block is read
    // and cut when it is taken.
    return false;
  }
}

bool ReadAhead::ReadAndCut(Block& block) {
  const std::ptrdiff_t got = read_(block.bytes, kBlockBytes);
  if (got <= 0) {
    failed_ = got < 0;
    return false;
  }
  block.size = static_cast<size_t>(got);
  CutBlock(block, lineStart_);
  lineStart_ = block.lineStartAfter;
  return true;
}

const ReadAhead::Block* ReadAhead::Take() {
  if (!thread_.joinable()) {
    if (ended_) return nullptr;
    Block& block = ring_[done_ % kBlocks];
    if (!ReadAndCut(block)) {
      ended_ = true;
      return nullptr;
    }
    ++done_;
    ++taken_;
    return &block;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  cut_.wait(lock, [this] { return done_ > taken_ || ended_; });
  if (done_ == taken_) return nullptr;
  return &ring_[taken_++ % kBlocks];
}

void ReadAhead::Release() {
  if (!thread_.joinable()) {
    ++freed_;
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++freed_;
  }
  released_.notify_one();
}

void ReadAhead::Run() {
  for (;;) {
    size_t index;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      released_.wait(lock, [this] { return stop_ || done_ - freed_ < kBlocks; });
      if (stop_) return;
      index = static_cast<size_t>(done_ % kBlocks);
    }
    // The block is free: the taking thread touches it again only once it
    // is counted as done.
    const bool more = ReadAndCut(ring_[index]);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (more) {
        ++done_;
      } else {
        ended_ = true;
      }
    }
    cut_.notify_one();
    if (!more) return;
  }
}

void ReadAhead::CutBlock(Block& block, bool lineStart) {
  const char* const base = block.bytes;
  const char* const end = base + block.size;
  const char* p = base;
  size_t pieces = 0, words = 0, wordBytes = 0;
  auto offset = [base](const char* at) { return static_cast<uint32_t>(at - base); };
  // Bytes for the caller's line cutting, joined to such bytes just before.
  auto bytes = [&](const char* from, const char* to) {
    if (pieces > 0 && block.pieces[pieces - 1].kind == Piece::kBytes &&
        block.pieces[pieces - 1].end == offset(from)) {
      block.pieces[pieces - 1].end = offset(to);
    } else {
      block.pieces[pieces++] = {offset(from), offset(to), 0, 0, 0, Piece::kBytes};
    }
  };
  // A line [from, to) of `count` words, `kept` of them stored from `words` on.
  auto addWords = [&](const char* from, const char* to, size_t count, size_t kept) {
    block.pieces[pieces++] = {offset(from),
                              offset(to),
                              static_cast<uint32_t>(words),
                              static_cast<uint32_t>(count),
                              static_cast<uint8_t>(kept),
                              Piece::kWords};
    words += kept;
  };
  if (!lineStart) {
    // The end of a line begun in an earlier block.
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
    p = lf ? lf + 1 : end;
    bytes(base, p);
  }
  while (p < end) {
    // A 0x1A that starts a line ends the input: the caller finds it.
    if (*p == '\x1a') break;
    // Room for this line's piece and one of bytes after it.
    const bool room =
        pieces + 2 <= kPieceCapacity && words + ExchangeWords::kMaxWords <= kWordCapacity;
    size_t count = 0;
    if (const char* stop =
            room ? CutPlainLine(p, end, block.words + words, block.values + words, &count)
                 : nullptr;
        stop && stop != p) {
      addWords(p, stop, count, count < ExchangeWords::kMaxWords ? count : ExchangeWords::kMaxWords);
      // A keyword starts with a letter or "#", and a plain word holds no
      // equals sign: four words of another start are a bare line.
      if (count == 4 && IsBareStart(block.words[words - 4])) {
        block.pieces[pieces - 1].kind = Piece::kBareLine;
      }
      p = stop + (*stop == '\r' ? 2 : 1);
      continue;
    }
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
    if (!lf) break;
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', lf - p));
    if ((cr && cr != lf - 1) || !room) {
      bytes(p, lf + 1);  // a CR inside the line, or the block is full
    } else if (const char* stop = cr ? cr : lf; stop == p) {
      block.pieces[pieces++] = {offset(p), offset(p), 0, 0, 0, Piece::kEmptyLine};
    } else {
      size_t kept = 0;
      count = CutExchangeWords(std::string_view(p, stop - p), block.wordBytes + wordBytes,
                               block.words + words, &kept);
      wordBytes += static_cast<size_t>(stop - p);
      for (size_t k = 0; k < kept; ++k) {
        block.values[words + k] = TextToFloatOrNan(block.words[words + k]);
      }
      addWords(p, stop, count, kept);
    }
    p = lf + 1;
  }
  if (p < end) bytes(p, end);
  block.pieceCount = pieces;
  block.lineStartAfter = block.size > 0 && base[block.size - 1] == '\n';
}

}  // namespace q836
