#include "exchange/read_ahead.h"

#include <cstring>
#include <system_error>

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

ReadAhead::ReadAhead(bool lineStart) : lineStart_(lineStart) {
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
  handedOver_.notify_one();
  thread_.join();
}

bool ReadAhead::Start() {
  try {
    thread_ = std::thread([this] { Run(); });
    return true;
  } catch (const std::exception&) {
    // No thread to be had (no memory, no more threads): each block is cut
    // when it is handed over.
    return false;
  }
}

ReadAhead::Block* ReadAhead::Free() {
  return handed_ - released_ < kBlocks ? &ring_[handed_ % kBlocks] : nullptr;
}

void ReadAhead::Cut(Block* block, size_t size) {
  block->size = size;
  if (!thread_.joinable()) {
    CutBlock(*block, lineStart_);
    lineStart_ = block->lineStartAfter;
    ++handed_;
    ++done_;
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++handed_;
  }
  handedOver_.notify_one();
}

const ReadAhead::Block& ReadAhead::Take() {
  if (thread_.joinable()) {
    std::unique_lock<std::mutex> lock(mutex_);
    cut_.wait(lock, [this] { return done_ > taken_; });
  }
  return ring_[taken_++ % kBlocks];
}

void ReadAhead::Run() {
  for (;;) {
    size_t index;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      handedOver_.wait(lock, [this] { return stop_ || handed_ > done_; });
      if (stop_) return;
      index = static_cast<size_t>(done_ % kBlocks);
    }
    CutBlock(ring_[index], lineStart_);
    lineStart_ = ring_[index].lineStartAfter;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++done_;
    }
    cut_.notify_one();
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
