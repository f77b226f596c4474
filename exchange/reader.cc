#include "exchange/reader.h"

#include <cmath>
#include <cstring>

#include "exchange/drawing.h"
#include "text/sjis.h"
#include "text/text_convert.h"

namespace q836 {

namespace {

// What the word cutter does with each byte while splitting is on.
enum ByteClass : uint8_t { kKeep, kLead, kQuote, kEquals, kBlank, kDrop };

struct ByteClasses {
  ByteClass of[256];
  constexpr ByteClasses() : of() {
    for (int b = 0; b < 256; ++b) {
      of[b] = b < 0x20 || b > 0xFD ? kDrop : kKeep;
      if ((b >= 0x80 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFD)) of[b] = kLead;
    }
    of[static_cast<int>('"')] = kQuote;
    of[static_cast<int>('=')] = kEquals;
    of[static_cast<int>(' ')] = kBlank;
    of[static_cast<int>('\t')] = kBlank;
  }
};
constexpr ByteClasses kClasses;

}  // namespace

size_t CutExchangeWords(std::string_view line, char* out, std::string_view* word, size_t* kept) {
  size_t starts[ExchangeWords::kMaxWords + 1];
  size_t used = 0;        // bytes stored for the kept words
  size_t w = 0;           // current word number
  size_t wordLength = 0;  // bytes of word w, kept or not
  starts[0] = 0;
  const unsigned char* const bytes = reinterpret_cast<const unsigned char*>(line.data());
  const size_t n = line.size();
  size_t i = 0;
  // Splitting on: blanks separate words, a quote or an equals sign ends it.
  for (; i < n; ++i) {
    const unsigned char b = bytes[i];
    const ByteClass c = kClasses.of[b];
    if (c == kKeep) {
      if (w < ExchangeWords::kMaxWords) out[used++] = static_cast<char>(b);
      ++wordLength;
    } else if (c == kBlank) {
      if (wordLength > 0) {
        ++w;
        if (w <= ExchangeWords::kMaxWords) starts[w] = used;
        wordLength = 0;
      }
    } else if (c == kLead) {
      if (i + 1 == n) break;  // a lone lead byte at the end is dropped
      if (w < ExchangeWords::kMaxWords) {
        out[used++] = static_cast<char>(b);
        out[used++] = static_cast<char>(bytes[i + 1]);
      }
      wordLength += 2;
      ++i;
    } else if (c == kQuote) {
      ++i;
      break;
    } else if (c == kEquals) {
      if (w < ExchangeWords::kMaxWords) out[used++] = '=';
      ++wordLength;
      ++i;
      break;
    }  // kDrop: control bytes, 0xFE, 0xFF
  }
  // Splitting off: the rest of the line is one word, without control bytes.
  for (; i < n; ++i) {
    const unsigned char b = bytes[i];
    const ByteClass c = kClasses.of[b];
    if (c == kLead) {
      if (i + 1 == n) break;
      if (w < ExchangeWords::kMaxWords) {
        out[used++] = static_cast<char>(b);
        out[used++] = static_cast<char>(bytes[i + 1]);
      }
      ++i;
    } else if (c != kDrop && b != '\t') {
      if (w < ExchangeWords::kMaxWords) out[used++] = static_cast<char>(b);
    }
  }
  *kept = w < ExchangeWords::kMaxWords ? w + 1 : ExchangeWords::kMaxWords;
  starts[*kept] = used;
  for (size_t k = 0; k < *kept; ++k) {
    word[k] = std::string_view(out + starts[k], starts[k + 1] - starts[k]);
  }
  return w + 1;
}

void SplitExchangeLine(std::string_view line, ExchangeWords& words) {
  if (words.capacity_ < line.size()) {
    // Words never hold more bytes than their line; small lines get room to spare.
    words.capacity_ = line.size() > (size_t{1} << 20) ? line.size() : 2 * line.size() + 256;
    words.bytes_ = std::make_unique_for_overwrite<char[]>(words.capacity_);
  }
  words.count_ = CutExchangeWords(line, words.bytes_.get(), words.word_, &words.kept_);
}

namespace {

// Words of a line cut here, reused from line to line.
ExchangeWords words;

// The line being applied.
LineWords current;

std::string_view Word(size_t i) { return i < current.kept ? current.word[i] : std::string_view(); }

double Real(size_t i) {
  if (i >= current.kept) return 0.0;  // a missing word reads as zero
  if (!current.value) return TextToFloat(current.word[i]);
  const double value = current.value[i];
  if (std::isnan(value)) throw FloatOverflowError();
  return value;
}

int32_t Int(size_t i) { return TextToInt(Word(i)); }

// Keywords are compared byte by byte: they are a few bytes long, shorter
// than a library comparison's call.
bool StartsWith(std::string_view word, std::string_view keyword) {
  if (word.size() < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    if (word[i] != keyword[i]) return false;
  }
  return true;
}

bool Is(std::string_view word, std::string_view keyword) {
  return word.size() == keyword.size() && StartsWith(word, keyword);
}

bool HasEquals(std::string_view word) {
  for (char c : word) {
    if (c == '=') return true;
  }
  return false;
}

// Value 0..15 of the one hexadecimal digit that starts `rest`, else 0.
int32_t GroupDigit(std::string_view rest) {
  if (rest.empty()) return 0;
  const char digit[2] = {'$', rest[0]};
  const int32_t v = TextToInt(std::string_view(digit, 2));
  return (v >= 0 && v <= 15) ? v : 0;
}

size_t Position1(std::string_view word, std::string_view needle) {  // 1-based, 0 = none
  size_t p = FindOnCharBoundary(word, needle);
  return p == std::string_view::npos ? 0 : p + 1;
}

// Appends a record of `kind` by the reader's pattern: Order entry, record,
// header. The caller fills the fields and then calls EndEntity.
template <typename T>
T& BeginEntity(int32_t kind, ChunkedTable<T>& table, int32_t& count) {
  AddToOrder(kind, count);
  T& record = AppendEntry(table, count);
  SetEntityHeader(record.Header);
  return record;
}

void EndEntity() {
  CurMarks = 0;
  InPolyline = false;
  InDimension = false;
}

// Two corners are the same when both coordinates differ by at most 1e-10.
struct Corner {
  double X, Y;
};
bool Same(Corner a, Corner b) {
  return std::fabs(a.X - b.X) <= 1e-10 && std::fabs(a.Y - b.Y) <= 1e-10;
}

void StoreSolid2(Corner a, Corner b) {
  TJwwEntSolid2& s = BeginEntity(kSolid2, Solids2, Solid2Count);
  s.SolidColor = CurSolidColor;
  s.X1 = a.X, s.Y1 = a.Y, s.X2 = b.X, s.Y2 = b.Y;
  EndEntity();
}

void StoreSolid3(Corner a, Corner b, Corner c) {
  TJwwEntSolid3& s = BeginEntity(kSolid3, Solids3, Solid3Count);
  s.SolidColor = CurSolidColor;
  s.X1 = a.X, s.Y1 = a.Y, s.X2 = b.X, s.Y2 = b.Y, s.X3 = c.X, s.Y3 = c.Y;
  EndEntity();
}

void ReadThreeCornerSolid() {
  const Corner p1{Real(1), Real(2)}, p2{Real(3), Real(4)}, p3{Real(5), Real(6)};
  if (Same(p1, p2)) {
    StoreSolid2(p1, p3);
  } else if (Same(p2, p3)) {
    StoreSolid2(p1, p2);
  } else {
    StoreSolid3(p1, p2, p3);
  }
}

void ReadFourCornerSolid() {
  const Corner p1{Real(1), Real(2)}, p2{Real(3), Real(4)}, p3{Real(5), Real(6)},
      p4{Real(7), Real(8)};
  if (Same(p1, p2) && Same(p1, p3)) {
    StoreSolid2(p1, p4);
  } else if (Same(p2, p3) && Same(p2, p4)) {
    StoreSolid2(p1, p2);
  } else if (Same(p1, p2) && Same(p3, p4)) {
    StoreSolid2(p1, p3);
  } else if (Same(p4, p1) || Same(p4, p2) || Same(p4, p3)) {
    StoreSolid3(p1, p2, p3);
  } else if (Same(p3, p1) || Same(p3, p2)) {
    StoreSolid3(p1, p2, p4);
  } else if (Same(p2, p1)) {
    StoreSolid3(p1, p3, p4);
  } else {
    TJwwEntSolid4& s = BeginEntity(kSolid4, Solids4, Solid4Count);
    s.SolidColor = CurSolidColor;
    s.X1 = p1.X, s.Y1 = p1.Y, s.X2 = p2.X, s.Y2 = p2.Y;
    s.X3 = p3.X, s.Y3 = p3.Y, s.X4 = p4.X, s.Y4 = p4.Y;
    EndEntity();
  }
}

template <typename T>
void ReadCircleSolid(int32_t kind, ChunkedTable<T>& table, int32_t& count) {
  T& s = BeginEntity(kind, table, count);
  s.SolidColor = CurSolidColor;
  s.X = Real(1), s.Y = Real(2), s.Radius = Real(3);
  s.P4 = Real(4), s.P5 = Real(5), s.P6 = Real(6), s.P7 = Real(7);
  s.Code = Int(8);
  EndEntity();
}

template <typename T>
void ReadRingSolid(int32_t kind, ChunkedTable<T>& table, int32_t& count) {
  T& s = BeginEntity(kind, table, count);
  s.SolidColor = CurSolidColor;
  s.X = Real(1), s.Y = Real(2), s.Radius = Real(3);
  s.P4 = Real(4), s.P5 = Real(5), s.P6 = Real(6), s.P7 = Real(7), s.P8 = Real(8);
  EndEntity();
}

// The variant of a text keyword: ch cv cs cr co cp ct ck cz c2 give 0 to 9.
int32_t TextVariant(std::string_view word) {
  if (word.size() != 2 || word[0] != 'c') return -1;
  static constexpr char kSecond[] =
      "hvsropt"
      "kz2";
  for (int32_t v = 0; v < 10; ++v) {
    if (word[1] == kSecond[v]) return v;
  }
  return -1;
}

void FillText(TJwwEntText& t, int32_t variant) {
  SetEntityHeader(t.Header);
  t.Variant = variant;
  t.Cc = CurTextCc;
  t.TextType = CurTextType;
  if (t.TextType >= 1 && t.TextType <= 10) {
    const TJwwTextType& type = TextTypes[t.TextType];
    t.Width = type.Width, t.Height = type.Height, t.Spacing = type.Spacing;
    t.Header.LineColor = type.Color;
  } else {
    t.Width = CurTextWidth, t.Height = CurTextHeight, t.Spacing = CurTextSpacing;
    t.Header.LineColor = CurTextColor;
  }
  t.X = Real(1), t.Y = Real(2), t.P3 = Real(3), t.P4 = Real(4);
  t.FontName.Assign(CurFontName);
  t.Text.Assign(Word(5));
}

void ReadTextOrDimension(std::string_view word0, int32_t variant) {
  if (InDimension && Is(word0, "cs")) {
    TJwwEntDim& d = BeginEntity(kDim, Dims, DimCount);
    d.Line = PendingDimLine;
    d.Line.Polyline = 0;
    FillText(d.Text, 2);
  } else {
    AddToOrder(kText, TextCount);
    FillText(AppendEntry(Texts, TextCount), variant);
  }
  EndEntity();
}

void ReadBareLine() {
  if (InDimension) {
    SetEntityHeader(PendingDimLine.Header);
    PendingDimLine.Polyline = 0;
    PendingDimLine.X1 = Real(0), PendingDimLine.Y1 = Real(1);
    PendingDimLine.X2 = Real(2), PendingDimLine.Y2 = Real(3);
    CurMarks = 0;
    return;
  }
  TJwwEntLine& l = BeginEntity(kLine, Lines, LineCount);
  l.Polyline = InPolyline ? PolylineCount : 0;
  l.X1 = Real(0), l.Y1 = Real(1), l.X2 = Real(2), l.Y2 = Real(3);
  CurMarks = 0;
}

void ReadHp(std::string_view word0) {
  int32_t kind = 0;
  std::string_view number = word0.substr(2);
  static constexpr std::string_view kSuffixes[] = {"-", "ln", "ci", "ch"};
  for (int32_t k = 0; k < 4; ++k) {
    if (size_t p = Position1(word0, kSuffixes[k])) {
      kind = k + 1;
      number = word0.substr(2, p - 3);
    }
  }
  const int32_t n = TextToInt(number);
  if (n < 1 || n > 99) return;
  TJwwHpPoint& point = HpPoints[n];
  point.Defined = true;
  point.X = Real(1);
  point.Y = Real(2);
  point.Kind = kind;
  ++HpCount;
}

void ReadHhp(std::string_view word0) {
  size_t end = word0.size();
  for (std::string_view suffix :
       {std::string_view("ln"), std::string_view("ci"), std::string_view("ch")}) {
    size_t p = Position1(word0, suffix);
    if (p > 4) end = p - 4;
  }
  CurHhp = TextToInt(word0.substr(3, end));
}

// Whether a first word can start one of the rules of ReadNonEntityLine
// after "file=": each of them fixes its first byte, and for "c" and "p" its
// second. Rejecting the others first spares entity lines the whole chain.
bool MayBeNonEntityWord(std::string_view w0) {
  if (w0.empty()) return false;
  const char second = w0.size() > 1 ? w0[1] : '\0';
  switch (w0[0]) {
    case 'h':
    case 'b':
    case 'l':
    case 'z':
    case 'm':
    case '#':
      return true;
    case 'c':
      return second == 'n' || second == 'c';
    case 'p':
      return second == 'n' || second == 'l';
    default:
      return false;
  }
}

// Header, name and attribute lines (rules 1 to 27). True when one took the line.
bool ReadNonEntityLine(std::string_view w0, size_t count) {
  if (HasEquals(w0) && FindOnCharBoundary(w0, "file=") != std::string_view::npos) {
    DrawingFileName.assign(w0.substr(5));
    return true;
  }
  if (!MayBeNonEntityWord(w0)) return false;
  if (Is(w0, "hk") && count >= 2) {
    HkValue = Real(1);
  } else if (Is(w0, "hs") && count >= 17) {
    for (int i = 0; i < 16; ++i) GroupScale[i] = Real(i + 1);
  } else if (Is(w0, "hzs") && count >= 3) {
    PaperWidth = Real(1);
    PaperHeight = Real(2);
  } else if (Is(w0, "hcw") && count >= 11) {
    for (int i = 1; i <= 10; ++i) TextTypes[i].Width = Real(i);
  } else if (Is(w0, "hch") && count >= 11) {
    for (int i = 1; i <= 10; ++i) TextTypes[i].Height = Real(i);
  } else if (Is(w0, "hcd") && count >= 11) {
    for (int i = 1; i <= 10; ++i) TextTypes[i].Spacing = Real(i);
  } else if (Is(w0, "hcc") && count >= 11) {
    for (int i = 1; i <= 10; ++i) TextTypes[i].Color = Int(i);
  } else if (Is(w0, "bz")) {
    BzFlag = true;
  } else if (Is(w0, "hn") && count >= 5) {
    for (int i = 0; i < 4; ++i) HnValues[i] = Real(i + 1);
  } else if (StartsWith(w0, "lgn")) {
    GroupName[CurLayerGroup].assign(w0.substr(3));
  } else if (StartsWith(w0, "lyn")) {
    LayerName[CurLayerGroup * 16 + CurLayer].assign(w0.substr(3));
  } else if (StartsWith(w0, "lg")) {
    const int32_t v = GroupDigit(w0.substr(2));
    if (LgPending) FirstLayerGroup = v, LgPending = false;
    CurLayerGroup = v;
    if (count >= 2) GroupStatus[v] = Int(1);
    InPolyline = false;
  } else if (StartsWith(w0, "ly")) {
    const int32_t v = GroupDigit(w0.substr(2));
    if (LyPending) FirstLayer = v, LyPending = false;
    CurLayer = v;
    if (count >= 2) LayerStatus[CurLayerGroup * 16 + v] = Int(1);
    InPolyline = false;
  } else if (StartsWith(w0, "lc")) {
    const int32_t v = TextToInt(w0.substr(2));
    if (LcPending) FirstLineColor = v, LcPending = false;
    CurLineColor = v;
    if (v == 10 && count >= 2) CurSolidColor = Int(1);
    InPolyline = false;
  } else if (StartsWith(w0, "lt")) {
    const int32_t v = TextToInt(w0.substr(2));
    if (LtPending) FirstLineType = v, LtPending = false;
    CurLineType = v;
    InPolyline = false;
  } else if (StartsWith(w0, "lw")) {
    const int32_t v = TextToInt(w0.substr(2));
    if (LwPending) FirstLineWidth = v, LwPending = false;
    CurLineWidth = v;
    InPolyline = false;
  } else if (StartsWith(w0, "cn$")) {
    if (FirstFontName.empty()) FirstFontName.assign(w0.substr(3));
    CurFontName.assign(w0.substr(3));
    InPolyline = false;
  } else if (StartsWith(w0, "cn")) {
    const int32_t v = TextToInt(w0.substr(2));
    const bool explicitSize = v == 0 && count >= 5;
    if (CnPending) {
      FirstTextType = v;
      if (explicitSize) {
        FirstTextWidth = Real(1), FirstTextHeight = Real(2), FirstTextSpacing = Real(3);
        FirstTextColor = Int(4);
      }
      CnPending = false;
    }
    CurTextType = v;
    if (explicitSize) {
      CurTextWidth = Real(1), CurTextHeight = Real(2), CurTextSpacing = Real(3);
      CurTextColor = Int(4);
    }
    InPolyline = false;
  } else if (StartsWith(w0, "cc")) {
    const int32_t v = TextToInt(w0.substr(2, 1));
    CurTextCc = (v >= 0 && v <= 8) ? v : 0;
    InPolyline = false;
  } else if (w0.size() == 2 && w0[0] == 'z' && w0[1] >= '1' && w0[1] <= '5') {
    CurMarks |= 1 << (w0[1] - '1');
  } else if (StartsWith(w0, "pn")) {
    CurPointColor = TextToInt(w0.substr(2));
    InPolyline = false;
  } else if (Is(w0, "pl")) {
    ++PolylineCount;
    InPolyline = true;
    InDimension = false;
  } else if (Is(w0, "msg")) {
    InDimension = true;
    InPolyline = false;
  } else if (Is(w0, "#")) {
    InPolyline = false;
    InDimension = false;
  } else if (StartsWith(w0, "hp") && count >= 3) {
    ReadHp(w0);
  } else if (StartsWith(w0, "hhp")) {
    ReadHhp(w0);
  } else {
    return false;
  }
  return true;
}

// Entity lines (rules 28 to 41). True when one took the line.
bool ReadEntityLine(std::string_view w0, size_t count) {
  if (Is(w0, "ci") && count == 4) {
    TJwwEntCircle& c = BeginEntity(kCircle, Circles, CircleCount);
    c.X = Real(1), c.Y = Real(2), c.Radius = Real(3);
    EndEntity();
  } else if (Is(w0, "ci") && count >= 8) {
    TJwwEntArc& a = BeginEntity(kArc, Arcs, ArcCount);
    a.X = Real(1), a.Y = Real(2), a.Radius = Real(3);
    a.P4 = Real(4), a.P5 = Real(5), a.P6 = Real(6), a.P7 = Real(7);
    EndEntity();
  } else if (int32_t variant = count >= 6 ? TextVariant(w0) : -1; variant >= 0) {
    ReadTextOrDimension(w0, variant);
  } else if (Is(w0, "pt") && count == 3) {
    TJwwEntPoint& p = BeginEntity(kPoint, Points, PointCount);
    p.Header.LineColor = CurPointColor;
    p.X = Real(1), p.Y = Real(2);
    EndEntity();
  } else if (Is(w0, "pt") && count >= 6) {
    TJwwEntMarker& m = BeginEntity(kMarker, Markers, MarkerCount);
    m.Header.LineColor = CurPointColor;
    m.X = Real(1), m.Y = Real(2), m.Scale = Real(3), m.P4 = Real(4);
    m.Code = Int(5);
    EndEntity();
  } else if (Is(w0, "BL") && count >= 4) {
    TJwwEntBlk& b = BeginEntity(kBlock, Blocks, BlockCount);
    b.X = Real(1), b.Y = Real(2);
    b.Name.assign(Word(3));
    EndEntity();
  } else if (Is(w0, "sl") && count == 5) {
    TJwwEntSolid2& s = BeginEntity(kSolid2, Solids2, Solid2Count);
    s.SolidColor = CurSolidColor;
    s.X1 = Real(1), s.Y1 = Real(2), s.X2 = Real(3), s.Y2 = Real(4);
    EndEntity();
  } else if (Is(w0, "sl") && count == 7) {
    ReadThreeCornerSolid();
  } else if (Is(w0, "sl") && count >= 9) {
    ReadFourCornerSolid();
  } else if (Is(w0, "sc") && count >= 9) {
    ReadCircleSolid(kCircleSolid, CircleSolids, CircleSolidCount);
  } else if (Is(w0, "se") && count >= 9) {
    ReadCircleSolid(kRimSolid, RimSolids, RimSolidCount);
  } else if (Is(w0, "so") && count >= 9) {
    ReadRingSolid(kRingSolid, RingSolids, RingSolidCount);
  } else if (Is(w0, "sg") && count >= 9) {
    ReadRingSolid(kRingSolid2, RingSolids2, RingSolid2Count);
  } else if (count == 4) {
    ReadBareLine();
  } else {
    return false;
  }
  return true;
}

}  // namespace

namespace {

// Field by field: a copy as a whole reads the caller's fields in wider
// pieces than they were stored, which stalls.
void SetCurrent(const LineWords& line) {
  current.word = line.word;
  current.value = line.value;
  current.kept = line.kept;
  current.count = line.count;
}

}  // namespace

void ApplyBareLine(const LineWords& line) {
  SetCurrent(line);
  ReadBareLine();
}

void ApplyExchangeWords(const LineWords& line) {
  SetCurrent(line);
  const std::string_view w0 = Word(0);
  const size_t count = line.count;
  if (count == 1 && w0.empty()) return;
  // Every keyword starts with a letter or "#": a line that starts otherwise
  // can only be a bare line (or hold "file=").
  if (!MayStartKeyword(w0.empty() ? ' ' : w0[0]) && !HasEquals(w0)) {
    if (count == 4) ReadBareLine();
    return;
  }
  if (!ReadNonEntityLine(w0, count)) ReadEntityLine(w0, count);
}

void ParseExchangeLine(std::string_view line) {
  if (line.empty()) return;
  SplitExchangeLine(line, words);
  ApplyExchangeWords(LineWords{words.word_, nullptr, words.kept_, words.count_});
}

}  // namespace q836
