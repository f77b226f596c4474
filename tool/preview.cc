#include "tool/preview.h"

#include <cstdint>
#include <string_view>

#include "exchange/drawing.h"
#include "text/text_convert.h"
#include "tool/convert_table.h"
#include "tool/form1.h"
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
    reason = "は数値として読めないため", used = "0.000001";
  } else if (typed < kMinRadiusLimit) {
    reason = "は 0.000001 より小さいため", used = "0.000001";
  } else if (typed > kMaxRadiusLimit) {
    reason = "は 100000000 より大きいため", used = "100000000";
  } else {
    return;
  }
  Wrap(out, "半径「", "　　", {{"", text + "」" + reason}, {" ", used + " として扱います"}}, true);
}

}  // namespace

std::optional<Control> UnreadableEdit(FormHost& host) {
  for (Control edit : {Control::Edit1, Control::Edit2}) {
    if (Overflows(host.Text(edit))) return edit;
  }
  return std::nullopt;
}

std::vector<PreviewLine> ConversionPreview(FormHost& host) {
  std::vector<PreviewLine> lines;
  // A number beyond a double in either edit box stops OK before it starts.
  for (const auto& [edit, name] : {std::pair{Control::Edit1, "半径"}, {Control::Edit2, "倍率"}}) {
    if (Overflows(host.Text(edit))) {
      lines.push_back({std::string(name) + "の値が大きすぎて読めないため、OKできません", true});
    }
  }
  if (lines.empty()) {
    const std::string radiusText = host.Text(Control::Edit1);
    const double typed = TextToFloat(radiusText);
    const double limit = ClampRadiusLimit(typed);
    const struct {
      Control box;
      const char* name;
      int32_t count;
    } kinds[] = {
        {Control::CheckBox1, "円", CountConvertible(Circles, CircleCount, limit)},
        {Control::CheckBox2, "円弧・楕円", CountConvertible(Arcs, ArcCount, limit)},
        {Control::CheckBox3, "円ソリッド", CountConvertible(CircleSolids, CircleSolidCount, limit)},
        {Control::CheckBox4, "円周ソリッド", CountConvertible(RimSolids, RimSolidCount, limit)},
        {Control::CheckBox5, "円環ソリッド",
         CountConvertible(RingSolids, RingSolidCount, limit) +
             CountConvertible(RingSolids2, RingSolid2Count, limit)},
    };
    std::vector<Piece> pieces;
    int64_t total = 0;
    for (const auto& kind : kinds) {
      if (!host.Checked(kind.box)) continue;
      pieces.push_back({"、", std::string(kind.name) + " " + std::to_string(kind.count)});
      total += kind.count;
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
    RadiusUsed(lines, radiusText, typed);
  }
  if (BlockCount > 0) {
    Wrap(lines, "注意：", "　　　",
         {{"", "ブロック図形 " + std::to_string(BlockCount) +
                   " 個が選択範囲にあり、OKで消去されます。"},
          {"", "作図し直されません。キャンセルして選択し直せます。"}},
         true);
  }
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
