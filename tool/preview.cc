#include "tool/preview.h"

#include <algorithm>
#include <array>
#include <cmath>
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

// Figures of a kind in `range`, by a pass over its tables: the preview's
// way when the radius index could not be built.
int64_t CountConvertible(CandidateKind kind, RadiusRange range) {
  switch (kind) {
    case kCircleCandidates:
      return CountConvertible(Circles, CircleCount, range);
    case kArcCandidates:
      return CountConvertible(Arcs, ArcCount, range);
    case kCircleSolidCandidates:
      return CountConvertible(CircleSolids, CircleSolidCount, range);
    case kRimSolidCandidates:
      return CountConvertible(RimSolids, RimSolidCount, range);
    default:
      return int64_t{CountConvertible(RingSolids, RingSolidCount, range)} +
             CountConvertible(RingSolids2, RingSolid2Count, range);
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

// Nothing but blanks, half- or full-width: what a user sees as an empty box.
bool IsBlank(std::string_view text) {
  while (!text.empty()) {
    if (text[0] == ' ' || text[0] == '\t') {
      text.remove_prefix(1);
    } else if (text.starts_with("\u3000")) {
      text.remove_prefix(3);
    } else {
      return false;
    }
  }
  return true;
}

// When OK takes another value than the text of the edit `name` reads as:
// red words naming the text, why, and `usedText` (the value OK takes,
// `used`) followed by `verb`; nothing when OK takes the text as it stands.
void ValueUsed(std::vector<PreviewLine>& out, const std::string& name, const std::string& text,
               double used, const std::string& usedText, const char* verb) {
  if (IsBlank(text)) {
    out.push_back({name + "が空欄のため " + usedText + verb, true});
    return;
  }
  const double typed = TextToFloat(text);
  std::string reason;
  if (!IsDecimalText(text)) {
    reason = "は数値でないため";
  } else if (typed < used) {
    reason = "は小さすぎるため";
  } else if (typed > used) {
    reason = "は大きすぎるため";
  } else {
    return;
  }
  Wrap(out, name + "「", "　　", {{"", text + "」" + reason}, {" ", usedText + verb}}, true);
}

// The count line in one line: the total and the kinds abbreviated, or the
// total alone where even that does not fit.
void ShortCountLine(std::vector<PreviewLine>& out, const std::vector<std::string>& shortKinds,
                    int64_t total, const std::string& result) {
  std::string line = "変換対象：計 " + std::to_string(total) + "（";
  for (size_t i = 0; i < shortKinds.size(); ++i) line += (i ? " " : "") + shortKinds[i];
  line += "）" + (total > 0 ? " " + result : std::string());
  if (Columns(line) > kPreviewColumns) {
    line = "変換対象：計 " + std::to_string(total) + (total > 0 ? " " + result : std::string());
  }
  out.push_back({line, false});
}

// "0.05×12": a radius and how many figures have it.
std::string RadiusToken(const RadiusCount& r) {
  return NumberToText(r.Radius) + "×" + std::to_string(r.Count);
}

// The radius line: the radii `below` the limits (nearest first), `middle`
// (the bar at the limit, or the range between two bars), the radii `above`,
// and "…" where more lie beyond. When it would take more than `budget`
// lines, the radii farthest out give way first, from the side that shows
// more.
void RadiusLine(std::vector<PreviewLine>& out, const RadiusSide& below,
                const std::vector<Piece>& middle, const RadiusSide& above, size_t budget) {
  size_t shownBelow = below.Nearest.size(), shownAbove = above.Nearest.size();
  for (;;) {
    std::vector<Piece> pieces;
    if (below.More || shownBelow < below.Nearest.size()) pieces.push_back({" ", "…"});
    for (size_t i = shownBelow; i-- > 0;) pieces.push_back({" ", RadiusToken(below.Nearest[i])});
    pieces.insert(pieces.end(), middle.begin(), middle.end());
    for (size_t i = 0; i < shownAbove; ++i) pieces.push_back({" ", RadiusToken(above.Nearest[i])});
    if (above.More || shownAbove < above.Nearest.size()) pieces.push_back({" ", "…"});
    std::vector<PreviewLine> lines;
    Wrap(lines, "半径：", "　　　", pieces, false);
    if (lines.size() <= budget) {
      out.insert(out.end(), lines.begin(), lines.end());
      return;
    }
    if (shownBelow == 0 && shownAbove == 0) return;  // not even the middle fits
    if (shownBelow >= shownAbove && shownBelow > 0) {
      --shownBelow;
    } else {
      --shownAbove;
    }
  }
}

// The radius line around `limit`: up to three radii on each side of "｜".
void RadiusLine(std::vector<PreviewLine>& out, const RadiusIndex& radii,
                const std::array<bool, kCandidateKinds>& chosen, double limit, size_t budget) {
  RadiusSide below, above;
  radii.Around(chosen, limit, 3, &below, &above);
  if (below.Nearest.empty() && above.Nearest.empty()) return;  // no candidates
  RadiusLine(out, below, {{" ", "｜"}}, above, budget);
}

// The radii of the chosen kinds from `from` up to `limit`, ascending, as
// far as the three nearest to each limit show them; `gap` is set when more
// lie between those near the lower limit and those near the upper one.
std::vector<RadiusCount> RadiiBetween(const RadiusIndex& radii,
                                      const std::array<bool, kCandidateKinds>& chosen,
                                      const RadiusSide& fromUp, const RadiusSide& limitDown,
                                      double from, double limit, bool* gap) {
  std::vector<RadiusCount> low, high;  // ascending, in the range
  for (const RadiusCount& r : fromUp.Nearest)
    if (r.Radius <= limit) low.push_back(r);
  for (size_t i = limitDown.Nearest.size(); i-- > 0;)
    if (limitDown.Nearest[i].Radius >= from) high.push_back(limitDown.Nearest[i]);
  *gap = false;
  // Either side holds the whole range when its list reached past the other
  // limit or held every radius on its side.
  if (!fromUp.More || low.size() < fromUp.Nearest.size()) return low;
  if (!limitDown.More || high.size() < limitDown.Nearest.size()) return high;
  if (low.back().Radius >= high.front().Radius) {
    // The two lists meet: one list without the radii both hold.
    for (const RadiusCount& r : high)
      if (r.Radius > low.back().Radius) low.push_back(r);
    return low;
  }
  RadiusSide below, next;
  radii.Around(chosen, low.back().Radius, 1, &below, &next);
  *gap = next.Nearest.empty() || next.Nearest[0].Radius != high.front().Radius;
  low.insert(low.end(), high.begin(), high.end());
  return low;
}

// The radius line with a lower limit: the radii below it, "｜", the radii
// OK converts, "｜", the radii above the limit.
void RangeRadiusLine(std::vector<PreviewLine>& out, const RadiusIndex& radii,
                     const std::array<bool, kCandidateKinds>& chosen, double from, double limit,
                     size_t budget) {
  RadiusSide belowFrom, fromUp, limitDown, above;
  radii.Around(chosen, std::nextafter(from, -HUGE_VAL), 3, &belowFrom, &fromUp);
  radii.Around(chosen, limit, 3, &limitDown, &above);
  if (belowFrom.Nearest.empty() && fromUp.Nearest.empty()) return;  // no candidates
  bool gap = false;
  const std::vector<RadiusCount> inside =
      RadiiBetween(radii, chosen, fromUp, limitDown, from, limit, &gap);
  const size_t gapAt = gap ? std::min<size_t>(3, inside.size()) : inside.size();
  std::vector<Piece> middle = {{" ", "｜"}};
  for (size_t i = 0; i < inside.size(); ++i) {
    if (i == gapAt) middle.push_back({" ", "…"});
    middle.push_back({" ", RadiusToken(inside[i])});
  }
  middle.push_back({" ", "｜"});
  RadiusLine(out, belowFrom, middle, above, budget);
}

}  // namespace

LowerLimitText ReadLowerLimit(std::string_view text) {
  LowerLimitText lower;
  if (IsBlank(text)) return lower;
  if (!IsDecimalText(text)) {
    lower.state = LowerLimitText::kNotNumber;
    return lower;
  }
  try {
    lower.value = TextToFloat(text);
    lower.state = LowerLimitText::kNumber;
  } catch (const FloatOverflowError&) {
    lower.state = LowerLimitText::kTooLarge;
  }
  return lower;
}

std::optional<Control> UnreadableEdit(FormHost& host) {
  for (Control edit : {Control::Edit1, Control::Edit2}) {
    if (Overflows(host.Text(edit))) return edit;
  }
  const LowerLimitText lower = ReadLowerLimit(host.Text(Control::Edit3));
  if (lower.state != LowerLimitText::kNone && lower.state != LowerLimitText::kNumber)
    return Control::Edit3;
  return std::nullopt;
}

ConversionChoice ChoiceFromControls(FormHost& host) {
  ConversionChoice c;
  const Control boxes[kCandidateKinds] = {Control::CheckBox1, Control::CheckBox2,
                                          Control::CheckBox3, Control::CheckBox4,
                                          Control::CheckBox5};
  for (int k = 0; k < kCandidateKinds; ++k) c.chosen[k] = host.Checked(boxes[k]);
  c.refused = UnreadableEdit(host).has_value();
  if (!c.refused) {
    c.limit = ClampRadiusLimit(TextToFloat(host.Text(Control::Edit1)));
    c.magnification = ClampMagnification(TextToFloat(host.Text(Control::Edit2)));
    const LowerLimitText lower = ReadLowerLimit(host.Text(Control::Edit3));
    if (lower.state == LowerLimitText::kNumber) c.from = lower.value;
  }
  c.asPoint = host.Checked(Control::RadioButton1);
  c.markerIndex = host.ItemIndex(Control::ComboBox1);
  c.keepOriginals = host.Checked(Control::CheckBox6);
  return c;
}

std::vector<PreviewLine> ConversionPreview(FormHost& host, const RadiusIndex* radii) {
  std::vector<PreviewLine> lines;
  // A number beyond a double in either edit box stops OK before it starts.
  for (const auto& [edit, name] : {std::pair{Control::Edit1, "半径"}, {Control::Edit2, "倍率"}}) {
    if (Overflows(host.Text(edit))) {
      lines.push_back({std::string(name) + "の値が大きすぎて読めないため、ＯＫできません", true});
    }
  }
  // A lower limit that is no number must not be taken for none: that would
  // convert more than the user asked for.
  const std::string lowerText = host.Text(Control::Edit3);
  const LowerLimitText lower = ReadLowerLimit(lowerText);
  if (lower.state == LowerLimitText::kTooLarge) {
    lines.push_back({"下限の値が大きすぎて読めないため、ＯＫできません", true});
  } else if (lower.state == LowerLimitText::kNotNumber) {
    Wrap(lines, "下限「", "　　",
         {{"", lowerText + "」は数値でないため、"}, {"", "ＯＫできません"}}, true);
  }
  std::vector<PreviewLine> warnings;  // red lines after the conversion
  if (BlockCount > 0) {
    Wrap(warnings, "", "　",
         {{"", "ブロック図形" + std::to_string(BlockCount) + "個はＯＫで消え作図されません。"},
          {"", "キャンセルで選び直し"}},
         true);
  }
  if (!lines.empty()) {
    lines.insert(lines.end(), warnings.begin(), warnings.end());
    return lines;
  }
  const std::string radiusText = host.Text(Control::Edit1);
  const double limit = ClampRadiusLimit(TextToFloat(radiusText));
  RadiusRange range;
  range.to = limit;
  if (lower.state == LowerLimitText::kNumber) range.from = lower.value;
  const bool markers = !host.Checked(Control::RadioButton1);
  // Red lines for every value OK would take otherwise than typed; the scale
  // only where markers use it.
  std::vector<PreviewLine> used;
  ValueUsed(used, "半径", radiusText, limit,
            limit <= kMinRadiusLimit   ? "0.000001"
            : limit >= kMaxRadiusLimit ? "100000000"
                                       : NumberToText(limit),
            " として扱います");
  if (markers) {
    // The scale every marker line will carry, as the writer decides it.
    const double scale = MarkerScaleOf(host.Text(Control::Edit2));
    ValueUsed(used, "倍率", host.Text(Control::Edit2), scale, NumberToText(scale), " で作図します");
  }
  warnings.insert(warnings.begin(), used.begin(), used.end());

  const struct {
    Control box;
    const char* name;
    const char* shortName;
    CandidateKind kind;
  } kinds[] = {
      {Control::CheckBox1, "円", "円", kCircleCandidates},
      {Control::CheckBox2, "円弧・楕円", "弧", kArcCandidates},
      {Control::CheckBox3, "円ソリッド", "円ソ", kCircleSolidCandidates},
      {Control::CheckBox4, "円周ソリッド", "周ソ", kRimSolidCandidates},
      {Control::CheckBox5, "円環ソリッド", "環ソ", kRingSolidCandidates},
  };
  std::array<bool, kCandidateKinds> chosen{};
  std::vector<Piece> pieces;
  std::vector<std::string> shortKinds;
  int64_t total = 0;
  for (const auto& kind : kinds) {
    chosen[kind.kind] = host.Checked(kind.box);
    if (!chosen[kind.kind]) continue;
    const int64_t count = radii ? radii->Kind(kind.kind).CountBetween(range.from, range.to)
                                : CountConvertible(kind.kind, range);
    pieces.push_back({"、", std::string(kind.name) + " " + std::to_string(count)});
    shortKinds.push_back(std::string(kind.shortName) + std::to_string(count));
    total += count;
  }
  std::string result = "→ 点";
  if (markers) {
    const int32_t shape = host.ItemIndex(Control::ComboBox1);
    result = "→ 点マーカー";
    if (shape >= 0 && shape <= kLastMarkerIndex) result += kMarkerShapes[shape];
  }
  if (host.Checked(Control::CheckBox6)) result += "（元の図形も残します）";
  if (pieces.empty()) {
    lines.push_back({"変換対象：0（対象図形が選ばれていません）", false});
  } else if (!(range.from <= range.to)) {
    // Nothing lies from the lower limit up to a smaller limit: said in red,
    // as OK would otherwise change nothing without a word.
    Wrap(lines, "変換対象：0（", "　　　　　",
         {{"", "下限 " + NumberToText(range.from) + " が半径 " + NumberToText(limit)},
          {" ", "より大きく、変換されません）"}},
         true);
    if (lines.size() + warnings.size() > kPreviewLines) {
      lines.clear();
      lines.push_back({"変換対象：0（下限が半径より大きく、変換されません）", true});
    }
  } else {
    pieces.push_back(total == 0 ? Piece{"", "（変換される図形はありません）"} : Piece{" ", result});
    Wrap(lines, "変換対象：", "　　　　　", pieces, false);
    // Lines that inform give way to warnings, which are never cut.
    if (lines.size() + warnings.size() > kPreviewLines) {
      lines.clear();
      ShortCountLine(lines, shortKinds, total, result);
    }
  }
  const size_t taken = lines.size() + warnings.size();
  if (radii && taken < kPreviewLines) {
    if (range.from <= range.to && lower.state == LowerLimitText::kNumber) {
      RangeRadiusLine(lines, *radii, chosen, range.from, limit, kPreviewLines - taken);
    } else {
      RadiusLine(lines, *radii, chosen, limit, kPreviewLines - taken);
    }
  }
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
