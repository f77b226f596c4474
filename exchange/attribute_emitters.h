// Attribute lines of the output: each emitter writes its line only when the
// value differs from the one last written or was not written yet.
#pragma once

#include <cstdint>
#include <string_view>

namespace q836 {

/// "lg" and the group as one hexadecimal digit; makes the next layer due.
void EmitLayerGroup(int32_t group);
/// "ly" and the layer as one hexadecimal digit.
void EmitLayer(int32_t layer);
/// "lc" and the line colour.
void EmitLineColor(int32_t color);
/// "lt" and the line type.
void EmitLineType(int32_t lineType);
/// "lw" and the line width (-1 for the first width read, out of range gives 0).
void EmitLineWidth(int32_t width);
/// "cn" and a text type, or "cn0 " and an explicit size and colour.
void EmitTextType(int32_t textType, int32_t color, double width, double height, double spacing);
/// "cc" and a digit 0..8.
void EmitTextCc(int32_t cc);
/// The font line: cn, a double quote, "$" and the name.
void EmitFontName(std::string_view name);
/// "pn" and the point colour.
void EmitPointColor(int32_t color);
/// "lc10 " and the solid colour value.
void EmitSolidColor(int32_t value);
/// "z1" to "z5" for the mark bits, always written.
void EmitMarks(int32_t marks);

}  // namespace q836
