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

// Reads the digits and the point that start the 8 bytes at `q` (a short
// decimal's, after its sign) all at once: gives the bytes they take, with
// their value as a whole number, their count and the digits after the
// point (-1 without one), as the reading byte by byte gives them; 0 when
// the 8 bytes hold no digit or do not end them.
int EightByteDecimal(const char* q, uint64_t& mantissa, int& digits, int& fraction) {
  uint64_t bytes;
  std::memcpy(&bytes, q, 8);
  // Byte by byte (the first byte lowest), minus '0'; the top bit of each
  // byte of `other` is set where the byte is no digit. A carry runs only
  // from a byte above 0x89 into those after it, past the first non-digit
  // or the point, whose own lanes are exact.
  const uint64_t values = bytes ^ 0x3030303030303030;
  uint64_t other = ((values + 0x7676767676767676) | values) & 0x8080808080808080;
  if (other == 0) return 0;
  int stop = std::countr_zero(other) / 8;
  int point = 8;
  if (static_cast<char>(bytes >> (8 * stop)) == '.') {
    point = stop;
    other &= other - 1;
    if (other == 0) return 0;
    stop = std::countr_zero(other) / 8;
  }
  uint64_t lanes = values;
  if (point < stop) {
    // The digits after the point move down over it.
    const uint64_t below = (uint64_t{1} << (8 * point)) - 1;
    lanes = (values & below) | ((values >> 8) & ~below);
  }
  const int count = point < stop ? stop - 1 : stop;
  if (count == 0) return 0;
  // The digits as the last `count` of eight, leading zeros before them,
  // combined in pairs, fours and eights.
  lanes <<= 8 * (8 - count);
  lanes = (lanes * 2561) >> 8 & 0x00FF00FF00FF00FF;
  lanes = (lanes * 6553601) >> 16 & 0x0000FFFF0000FFFF;
  mantissa = (lanes * 42949672960001) >> 32;
  digits = count;
  fraction = point < stop ? stop - 1 - point : -1;
  return stop;
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
    // The short decimal the word starts with.
    const bool negative = *q == '-';
    if (*q == '-' || *q == '+') ++q;
    uint64_t mantissa = 0;
    int digits = 0, fraction = -1;
    // Most words are read eight bytes at once; a word that these do not
    // end, or that goes on with other bytes, is read byte by byte.
    const char* const digitsStart = q;
    const int taken = end - q >= 8 ? EightByteDecimal(q, mantissa, digits, fraction) : 0;
    q += taken;
    if (taken == 0 || (*q != ' ' && *q != '\n' && *q != '\r')) {
      q = digitsStart;
      mantissa = 0;
      digits = 0;
      fraction = -1;
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
    }
    // The rest of a word that is no short decimal.
    bool shortDecimal = digits > 0 && digits <= 15;
    for (; q != end && kPlain.is[static_cast<unsigned char>(*q)]; ++q) shortDecimal = false;
    if (q == end) return nullptr;
    const char b = *q;
    if (b != ' ' && b != '\n' && !(b == '\r' && q + 1 < end && q[1] == '\n')) return nullptr;
    if (q != start && w < ExchangeWords::kMaxWords) {
      const std::string_view word(start, q - start);
      words[w] = word;
      if (shortDecimal) {
        double v = static_cast<double>(mantissa);
        if (fraction > 0) v /= kPowersOfTen[fraction];
        values[w] = mantissa == 0 ? 0.0 : negative ? -v : v;
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
bool IsBareStart(std::string_view word) {
  if (word.empty()) return false;
  const char first = word[0];
  return first != '#' && !(first >= 'a' && first <= 'z') && !(first >= 'A' && first <= 'Z');
}

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
