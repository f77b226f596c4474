#include "tool/preview.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "exchange/drawing.h"
#include "text/number_text.h"
#include "text/text_convert.h"
#include "tool/convert_table.h"
#include "tool/form1.h"
#include "tool/radius_index.h"
#include "tool/settings.h"

namespace q836 {

namespace {

// Columns of a UTF-8 text in the fixed-pitch font: ASCII one, others two.
size_t Columns(std::string_view text) {
  size_t columns = 0;
  for (unsigned char b : text) {
    if (b < 0x80) {
      ++columns;
    } else if ((b & 0xC0) != 0x80) {
      columns += 2;
    }
  }
  return columns;
}

// One piece of a preview line: `joiner` stands before it when it follows
// another piece on the same line, and ends the line when the piece wraps.
struct Piece {
  std::string joiner;
  std::string text;
};

// Lays out `pieces` after `head` on as few lines as fit in the strip; lines
// after the first are indented to stand under the first piece.
void Wrap(std::vector<PreviewLine>& out, const std::string& head, const std::string& indent,
          const std::vector<Piece>& pieces, bool warning) {
  std::string line = head;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const Piece& piece = pieces[i];
    if (i == 0) {
      line += piece.text;
    } else if (Columns(line) + Columns(piece.joiner) + Columns(piece.text) > kPreviewColumns) {
      std::string end = piece.joiner;
      while (!end.empty() && end.back() == ' ') end.pop_back();
      out.push_back({line + end, warning});
      line = indent + piece.text;
    } else {
      line += piece.joiner + piece.text;
    }
  }
  out.push_back({line, warning});
}

// Figures of a kind at or below `limit`, by a pass over its tables: the
// preview's way when the radius index could not be built.
int64_t CountConvertible(CandidateKind kind, double limit) {
  switch (kind) {
    case kCircleCandidates:
      return CountConvertible(Circles, CircleCount, limit);
    case kArcCandidates:
      return CountConvertible(Arcs, ArcCount, limit);
    case kCircleSolidCandidates:
      return CountConvertible(CircleSolids, CircleSolidCount, limit);
    case kRimSolidCandidates:
      return CountConvertible(RimSolids, RimSolidCount, limit);
    default:
      return int64_t{CountConvertible(RingSolids, RingSolidCount, limit)} +
             CountConvertible(RingSolids2, RingSolid2Count, limit);
  }
}

bool Overflows(const std::string& text) {
  try {
    TextToFloat(text);
    return false;
  } catch (const FloatOverflowError&) {
    return true;
  }
}

// The radius OK uses when it cannot take the typed text as it stands: red
// words naming the text and the value used; nothing when it can.
void RadiusUsed(std::vector<PreviewLine>& out, const std::string& text, double typed) {
  std::string reason, used;
  if (!IsDecimalText(text)) {
    reason = "は数値でないため", used = "0.000001";
  } else if (typed < kMinRadiusLimit) {
    reason = "は小さすぎるため", used = "0.000001";
  } else if (typed > kMaxRadiusLimit) {
    reason = "は大きすぎるため", used = "100000000";
  } else {
    return;
  }
  Wrap(out, "半径「", "　　", {{"", text + "」" + reason}, {" ", used + " として扱います"}}, true);
}

// "0.05×12": a radius and how many figures have it.
std::string RadiusToken(const RadiusCount& r) {
  return NumberToText(r.Radius) + "×" + std::to_string(r.Count);
}

// The radius line: the distinct radii of the chosen kinds nearest to the
// limit, up to three on each side of "｜", "…" where more lie beyond. When
// it would take more than `budget` lines, the radii farthest from the limit
// give way first, from the side that shows more.
void RadiusLine(std::vector<PreviewLine>& out, const RadiusIndex& radii,
                const std::array<bool, kCandidateKinds>& chosen, double limit, size_t budget) {
  RadiusSide below, above;
  radii.Around(chosen, limit, 3, &below, &above);
  if (below.Nearest.empty() && above.Nearest.empty()) return;  // no candidates
  size_t shownBelow = below.Nearest.size(), shownAbove = above.Nearest.size();
  for (;;) {
    std::vector<Piece> pieces;
    if (below.More || shownBelow < below.Nearest.size()) pieces.push_back({" ", "…"});
    for (size_t i = shownBelow; i-- > 0;) pieces.push_back({" ", RadiusToken(below.Nearest[i])});
    pieces.push_back({" ", "｜"});
    for (size_t i = 0; i < shownAbove; ++i) pieces.push_back({" ", RadiusToken(above.Nearest[i])});
    if (above.More || shownAbove < above.Nearest.size()) pieces.push_back({" ", "…"});
    std::vector<PreviewLine> lines;
    Wrap(lines, "半径：", "　　　", pieces, false);
    if (lines.size() <= budget) {
      out.insert(out.end(), lines.begin(), lines.end());
      return;
    }
    if (shownBelow == 0 && shownAbove == 0) return;  // not even the bar fits
    if (shownBelow >= shownAbove && shownBelow > 0) {
      --shownBelow;
    } else {
      --shownAbove;
    }
  }
}

}  // namespace

std::optional<Control> UnreadableEdit(FormHost& host) {
  for (Control edit : {Control::Edit1, Control::Edit2}) {
    if (Overflows(host.Text(edit))) return edit;
  }
  return std::nullopt;
}

std::vector<PreviewLine> ConversionPreview(FormHost& host, const RadiusIndex* radii) {
  std::vector<PreviewLine> lines;
  // A number beyond a double in either edit box stops OK before it starts.
  for (const auto& [edit, name] : {std::pair{Control::Edit1, "半径"}, {Control::Edit2, "倍率"}}) {
    if (Overflows(host.Text(edit))) {
      lines.push_back({std::string(name) + "の値が大きすぎて読めないため、OKできません", true});
    }
  }
  std::vector<PreviewLine> warnings;  // red lines after the conversion
  if (BlockCount > 0) {
    Wrap(warnings, "", "　",
         {{"", "ブロック図形" + std::to_string(BlockCount) + "個はOKで消え作図されません。"},
          {"", "キャンセルで選び直し"}},
         true);
  }
  if (!lines.empty()) {
    lines.insert(lines.end(), warnings.begin(), warnings.end());
    return lines;
  }
  const std::string radiusText = host.Text(Control::Edit1);
  const double typed = TextToFloat(radiusText);
  const double limit = ClampRadiusLimit(typed);
  std::vector<PreviewLine> used;
  RadiusUsed(used, radiusText, typed);
  warnings.insert(warnings.begin(), used.begin(), used.end());

  const struct {
    Control box;
    const char* name;
    CandidateKind kind;
  } kinds[] = {
      {Control::CheckBox1, "円", kCircleCandidates},
      {Control::CheckBox2, "円弧・楕円", kArcCandidates},
      {Control::CheckBox3, "円ソリッド", kCircleSolidCandidates},
      {Control::CheckBox4, "円周ソリッド", kRimSolidCandidates},
      {Control::CheckBox5, "円環ソリッド", kRingSolidCandidates},
  };
  std::array<bool, kCandidateKinds> chosen{};
  std::vector<Piece> pieces;
  int64_t total = 0;
  for (const auto& kind : kinds) {
    chosen[kind.kind] = host.Checked(kind.box);
    if (!chosen[kind.kind]) continue;
    const int64_t count =
        radii ? radii->Kind(kind.kind).CountAtOrBelow(limit) : CountConvertible(kind.kind, limit);
    pieces.push_back({"、", std::string(kind.name) + " " + std::to_string(count)});
    total += count;
  }
  if (pieces.empty()) {
    lines.push_back({"変換対象：0（対象図形が選ばれていません）", false});
  } else if (total == 0) {
    pieces.push_back({"", "（変換される図形はありません）"});
    Wrap(lines, "変換対象：", "　　　　　", pieces, false);
  } else {
    std::string result = "→ 点";
    if (!host.Checked(Control::RadioButton1)) {
      const int32_t shape = host.ItemIndex(Control::ComboBox1);
      result = "→ 点マーカー";
      if (shape >= 0 && shape <= kLastMarkerIndex) result += kMarkerShapes[shape];
    }
    pieces.push_back({" ", result});
    Wrap(lines, "変換対象：", "　　　　　", pieces, false);
  }
  const size_t taken = lines.size() + warnings.size();
  if (radii && taken < kPreviewLines)
    RadiusLine(lines, *radii, chosen, limit, kPreviewLines - taken);
  lines.insert(lines.end(), warnings.begin(), warnings.end());
  return lines;
}

std::string PreviewText(const std::vector<PreviewLine>& lines, const char* separator) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += separator;
    text += lines[i].Text;
  }
  return text;
}

}  // namespace q836
