#include "exchange/write_back.h"

#include <optional>

#include "exchange/attribute_emitters.h"
#include "exchange/background_format.h"
#include "exchange/drawing.h"
#include "exchange/entity_formatters.h"
#include "exchange/line_builder.h"
#include "exchange/output.h"
#include "exchange/processors.h"

namespace q836 {

namespace {

struct Overrides {
  int32_t Group, Layer, Color, LineType, Width, TextColor, Cc, SolidColorValue;
};

class Writer {
 public:
  explicit Writer(const Overrides& o) : o_(o) {}

  void Item(int32_t i, const TJwwOrderItem& item) {
    const int32_t k = item.Index;
    switch (item.Kind) {
      case kLine:
        return WriteEntLine(k, i);
      case kCircle:
        return WriteEntCircle(k);
      case kArc:
        return WriteEntArc(k);
      case kText:
        return WriteEntText(k);
      case kPoint:
        return WriteEntPoint(k);
      case kMarker:
        return WriteEntMarker(k);
      case kDim:
        return WriteEntDim(k);
      case kSolid2:
        return WriteEntSolid2(k);
      case kSolid3:
        return WriteEntSolid3(k);
      case kSolid4:
        return WriteEntSolid4(k);
      case kCircleSolid:
        return WriteEntCircleSolid(k);
      case kRimSolid:
        return WriteEntRimSolid(k);
      case kRingSolid:
        return WriteEntRingSolid(k);
      case kRingSolid2:
        return WriteEntRingSolid2(k);
      default:
        return;  // dropped, block insertions, unknown kinds
    }
  }

 private:
  void LG(const TJwwEntHeader& h) {
    EmitLayerGroup(o_.Group >= 0 && o_.Group <= 15 ? o_.Group : h.LayerGroup);
  }
  void LY(const TJwwEntHeader& h) {
    EmitLayer(o_.Layer >= 0 && o_.Layer <= 15 ? o_.Layer : h.Layer);
  }
  void LC(const TJwwEntHeader& h) { EmitLineColor(o_.Color != -1 ? o_.Color : h.LineColor); }
  void LT(const TJwwEntHeader& h) { EmitLineType(o_.LineType != -1 ? o_.LineType : h.LineType); }
  void LW(const TJwwEntHeader& h) { EmitLineWidth(o_.Width != -1 ? o_.Width : h.LineWidth); }
  void PN(const TJwwEntHeader& h) { EmitPointColor(o_.Color != -1 ? o_.Color : h.LineColor); }
  void SC(const TJwwEntHeader& h, int32_t solidColor) {  // EmitSolidColorAttr
    if (o_.Color == -1) {
      if (h.LineColor == 10) {
        EmitSolidColor(solidColor);
      } else {
        EmitLineColor(h.LineColor);
      }
    } else if (o_.Color == 10) {
      EmitSolidColor(o_.SolidColorValue);
    } else {
      EmitLineColor(o_.Color);
    }
  }
  void TextAttributes(const TJwwEntText& t) {  // CN, CC, FN
    if (o_.TextColor == -1) {
      EmitTextType(t.TextType, t.Header.LineColor, t.Width, t.Height, t.Spacing);
    } else {
      EmitTextType(0, o_.TextColor, t.Width, t.Height, t.Spacing);
    }
    EmitTextCc(o_.Cc != -1 ? o_.Cc : t.Cc);
    EmitFontName(t.FontName.View());
  }
  void LineAttributes(const TJwwEntHeader& h) {  // LG, LY, LC, LT, LW
    LG(h), LY(h), LC(h), LT(h), LW(h);
  }

  void WriteEntLine(int32_t k, int32_t i) {
    const TJwwEntLine& l = Lines[k];
    LineAttributes(l.Header);
    if (l.Polyline > 0 && l.Polyline != polylineState_) {
      EmitPolylineStart();
      polylineState_ = l.Polyline;
    }
    EmitMarks(l.Header.Marks);
    EmitBareLine(l.X1, l.Y1, l.X2, l.Y2);
    if (i + 1 < OrderCount && polylineState_ > 0) {
      const TJwwOrderItem& next = Order[i + 1];
      if (next.Kind == kLine && Lines[next.Index].Polyline == polylineState_) return;
    }
    if (polylineState_ > 0) EmitPolylineEnd();
    polylineState_ = 0;
  }
  void WriteEntCircle(int32_t k) {
    const TJwwEntCircle& c = Circles[k];
    LineAttributes(c.Header);
    EmitMarks(c.Header.Marks);
    EmitCircle(c.X, c.Y, c.Radius);
  }
  void WriteEntArc(int32_t k) {
    const TJwwEntArc& a = Arcs[k];
    LineAttributes(a.Header);
    EmitMarks(a.Header.Marks);
    EmitArc(a.X, a.Y, a.Radius, a.P4, a.P5, a.P6, a.P7);
  }
  void WriteEntText(int32_t k) {
    const TJwwEntText& t = Texts[k];
    LG(t.Header), LY(t.Header);
    TextAttributes(t);
    EmitMarks(t.Header.Marks);
    EmitText(t.Variant, t.Text.View(), t.X, t.Y, t.P3, t.P4);
  }
  void WriteEntPoint(int32_t k) {
    const TJwwEntPoint& p = Points[k];
    LG(p.Header), LY(p.Header), PN(p.Header), LW(p.Header);
    EmitMarks(p.Header.Marks);
    EmitPoint(p.X, p.Y);
  }
  void WriteEntMarker(int32_t k) {
    const TJwwEntMarker& m = Markers[k];
    LG(m.Header), LY(m.Header), PN(m.Header), LW(m.Header);
    EmitMarks(m.Header.Marks);
    EmitMarker(m.Code, m.X, m.Y, m.Scale, m.P4);
  }
  void WriteEntDim(int32_t k) {
    const TJwwEntDim& d = Dims[k];
    LG(d.Header), LY(d.Header);
    LC(d.Line.Header), LT(d.Line.Header), LW(d.Line.Header);
    TextAttributes(d.Text);
    EmitMarks(d.Header.Marks);
    EmitDimension(d.Text.Text.View(), d.Line.X1, d.Line.Y1, d.Line.X2, d.Line.Y2, d.Text.X,
                  d.Text.Y, d.Text.P3, d.Text.P4);
  }
  void WriteEntSolid2(int32_t k) {
    const TJwwEntSolid2& s = Solids2[k];
    LG(s.Header), LY(s.Header), SC(s.Header, s.SolidColor), LW(s.Header);
    EmitMarks(s.Header.Marks);
    EmitSolid2(s.X1, s.Y1, s.X2, s.Y2);
  }
  void WriteEntSolid3(int32_t k) {
    const TJwwEntSolid3& s = Solids3[k];
    LG(s.Header), LY(s.Header), SC(s.Header, s.SolidColor);
    EmitMarks(s.Header.Marks);
    EmitSolid3(s.X1, s.Y1, s.X2, s.Y2, s.X3, s.Y3);
  }
  void WriteEntSolid4(int32_t k) {
    const TJwwEntSolid4& s = Solids4[k];
    LG(s.Header), LY(s.Header), SC(s.Header, s.SolidColor);
    EmitMarks(s.Header.Marks);
    EmitSolid4(s.X1, s.Y1, s.X2, s.Y2, s.X3, s.Y3, s.X4, s.Y4);
  }
  void WriteEntCircleSolid(int32_t k) {
    const TJwwEntCircleSolid& s = CircleSolids[k];
    LG(s.Header), LY(s.Header), SC(s.Header, s.SolidColor);
    EmitMarks(s.Header.Marks);
    EmitCircleSolid(s.X, s.Y, s.Radius, s.P4, s.P5, s.P6, s.P7, s.Code);
  }
  void WriteEntRimSolid(int32_t k) {
    const TJwwEntRimSolid& s = RimSolids[k];
    LG(s.Header), LY(s.Header), SC(s.Header, s.SolidColor), LW(s.Header);
    EmitMarks(s.Header.Marks);
    EmitRimSolid(s.X, s.Y, s.Radius, s.P4, s.P5, s.P6, s.P7, s.Code);
  }
  void WriteEntRingSolid(int32_t k) {
    const TJwwEntRingSolid& s = RingSolids[k];
    LG(s.Header), LY(s.Header), SC(s.Header, s.SolidColor);
    EmitMarks(s.Header.Marks);
    EmitRingSolid(s.X, s.Y, s.Radius, s.P4, s.P5, s.P6, s.P7, s.P8);
  }
  void WriteEntRingSolid2(int32_t k) {
    const TJwwEntRingSolid2& s = RingSolids2[k];
    LG(s.Header), LY(s.Header), SC(s.Header, s.SolidColor);
    EmitMarks(s.Header.Marks);
    EmitRingSolid2(s.X, s.Y, s.Radius, s.P4, s.P5, s.P6, s.P7, s.P8);
  }

  const Overrides o_;
  int32_t polylineState_ = 0;  // polyline whose "pl" is written and whose "#" is due
};

}  // namespace

int32_t BackgroundFormatItems = 4096;

void WriteAllEntities(int32_t GroupOverride, int32_t LayerOverride, int32_t ColorOverride,
                      int32_t LineTypeOverride, int32_t WidthOverride, int32_t TextColorOverride,
                      int32_t CcOverride, int32_t SolidColorValue, ProgressControl* progress,
                      EscapeKey* escape) {
  const int32_t n = OrderCount;
  // A large drawing's numbers are written as text on a second processor
  // while this one decides the lines.
  std::optional<BackgroundFormat> format;
  if (n >= BackgroundFormatItems && UsableProcessors() > 1) {
    format.emplace();
    if (format->Start()) {
      ActiveFormat = &*format;
    } else {
      format.reset();
    }
  }
  struct Inactive {
    ~Inactive() { ActiveFormat = nullptr; }
  } inactive;
  auto finish = [&] {
    ActiveFormat = nullptr;
    if (format) format->Finish();
  };

  if (BzFlag) EmitLine("bz");
  Writer writer({GroupOverride, LayerOverride, ColorOverride, LineTypeOverride, WidthOverride,
                 TextColorOverride, CcOverride, SolidColorValue});
  for (int32_t i = 0; i < n; ++i) {
    if (i % 100 == 0) {
      if (progress) {
        LineBuilder caption;
        caption.Add("処理中(ESC:中断)：").Int(i + 1).Add("／").Int(n);
        progress->SetCaptionAndRepaint(caption.View());
      }
      if (escape && escape->IsDown()) {
        // Stopped: nothing at all is written back, not even the closing
        // layer lines, which the host would take as a change of its
        // current layer. An empty output becomes "hq".
        finish();
        ClearOutLines();
        return;
      }
    }
    writer.Item(i, Order[i]);
  }
  EmitLayerGroup(FirstLayerGroup);
  EmitLayer(FirstLayer);
  finish();
}

}  // namespace q836
