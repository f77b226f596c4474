#include "exchange/attribute_emitters.h"

#include "exchange/drawing.h"
#include "exchange/line_builder.h"
#include "exchange/output.h"

namespace q836 {

namespace {

char HexDigit(int32_t v) { return "0123456789ABCDEF"[v & 15]; }

void EmitKeywordAndInt(std::string_view keyword, int32_t value) {
  EmitLine(LineBuilder().Add(keyword).Int(value).View());
}

}  // namespace

void EmitLayerGroup(int32_t group) {
  if (!LgPending && group == CurLayerGroup) return;
  const char line[3] = {'l', 'g', HexDigit(group)};
  EmitLine(std::string_view(line, 3));
  CurLayerGroup = group;
  LgPending = false;
  LyPending = true;
}

void EmitLayer(int32_t layer) {
  if (!LyPending && layer == CurLayer) return;
  const char line[3] = {'l', 'y', HexDigit(layer)};
  EmitLine(std::string_view(line, 3));
  CurLayer = layer;
  LyPending = false;
}

void EmitLineColor(int32_t color) {
  if (!LcPending && color == CurLineColor) return;
  EmitKeywordAndInt("lc", color);
  CurLineColor = color;
  LcPending = false;
  SolidColorPending = false;
}

void EmitLineType(int32_t lineType) {
  if (!LtPending && lineType == CurLineType) return;
  EmitKeywordAndInt("lt", lineType);
  CurLineType = lineType;
  LtPending = false;
}

void EmitLineWidth(int32_t width) {
  if (width == -1) width = FirstLineWidth;
  if (width < 0 || width > 30000) width = 0;
  if (!LwPending && width == CurLineWidth) return;
  EmitKeywordAndInt("lw", width);
  CurLineWidth = width;
  LwPending = false;
}

void EmitTextType(int32_t textType, int32_t color, double width, double height, double spacing) {
  if (textType < 0 || textType > 10) {
    textType = FirstTextType;
    if (textType == 0) {
      width = FirstTextWidth;
      height = FirstTextHeight;
      spacing = FirstTextSpacing;
      color = FirstTextColor;
    }
  }
  const bool sizeChanged = textType == 0 && (width != CurTextWidth || height != CurTextHeight ||
                                             spacing != CurTextSpacing || color != CurTextColor);
  if (!CnPending && textType == CurTextType && !sizeChanged) return;
  if (textType != 0) {
    EmitKeywordAndInt("cn", textType);
  } else {
    EmitLine(LineBuilder()
                 .Add("cn0 ")
                 .Real(width)
                 .SpaceReal(height)
                 .SpaceReal(spacing)
                 .Add(" ")
                 .Int(color)
                 .View());
    CurTextWidth = width;
    CurTextHeight = height;
    CurTextSpacing = spacing;
    CurTextColor = color;
  }
  CurTextType = textType;
  CnPending = false;
}

void EmitTextCc(int32_t cc) {
  if (cc < 0 || cc > 8) cc = 0;
  if (!CcPending && cc == CurTextCc) return;
  EmitKeywordAndInt("cc", cc);
  CurTextCc = cc;
  CcPending = false;
}

void EmitFontName(std::string_view name) {
  if (name.empty() || name == "<>") name = FirstFontName;
  if (!FontPending && name == CurFontName) return;
  EmitLine(LineBuilder().Add("cn\"$").Add(name).View());
  CurFontName.assign(name);
  FontPending = false;
}

void EmitPointColor(int32_t color) {
  if (!PnPending && color == CurPointColor) return;
  EmitKeywordAndInt("pn", color);
  CurPointColor = color;
  PnPending = false;
}

void EmitSolidColor(int32_t value) {
  if (value < 0 || value > 0xFFFFFF) value = 0;
  if (!LcPending && CurLineColor == 10 && !SolidColorPending && value == CurSolidColor) return;
  EmitKeywordAndInt("lc10 ", value);
  CurSolidColor = value;
  SolidColorPending = false;
  CurLineColor = 10;
  LcPending = false;
}

void EmitMarks(int32_t marks) {
  if (marks & 1) EmitLine("z1");
  if (marks & 2) EmitLine("z2");
  if (marks & 4) EmitLine("z3");
  if ((marks & 8) && !(marks & 16)) EmitLine("z4");
  if (marks & 16) EmitLine("z5");
}

}  // namespace q836
