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

}  // namespace

std::vector<PreviewLine> ConversionPreview(FormHost& host) {
  std::vector<PreviewLine> lines;
  double limit = 0;
  try {
    limit = ClampRadiusLimit(TextToFloat(host.Text(Control::Edit1)));
  } catch (const FloatOverflowError&) {
    lines.push_back({"変換対象：半径の値が大きすぎて読めません", true});
  }
  if (lines.empty()) {
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
