// The conversion itself: figures of a candidate table up to the radius
// limit become points or markers at their centres.
#pragma once

#include <cstdint>

#include "exchange/drawing.h"
#include "tool/settings.h"

namespace q836 {

/// Whether a figure of `radius` is converted under `limit` (false for NaN).
inline bool Converts(double radius, double limit) { return radius <= limit; }

/// How many of the first `count` records of `table` ConvertTable would convert.
template <typename T>
int32_t CountConvertible(const ChunkedTable<T>& table, int32_t count, double limit) {
  int32_t n = 0;
  ForEachEntry(table, count,
               [&](int32_t, const T& record) { n += Converts(record.Radius, limit) ? 1 : 0; });
  return n;
}

/// Drops from Order every record of `table` whose Radius is at most
/// RadiusLimit and appends, in table order, a point (AsPoint) or a marker
/// with the record's header and centre. A solid whose colour is its solid
/// colour (LineColor 10) gives a point of colour 1.
template <typename T>
void ConvertTable(const TForm1Settings& s, int32_t kind, const ChunkedTable<T>& table,
                  int32_t count, bool solidSource) {
  const int32_t m = CountConvertible(table, count, s.RadiusLimit);
  DropFromOrderWhere(kind, count,
                     [&](int32_t i) { return Converts(table[i].Radius, s.RadiusLimit); });
  int32_t base;
  if (s.AsPoint) {
    base = PointCount;
    PointCount += m;
    Points.SetStorage(PointCount);
  } else {
    base = MarkerCount;
    MarkerCount += m;
    Markers.SetStorage(MarkerCount);
  }
  int32_t next = OrderCount;
  OrderCount += m;
  Order.SetStorage(OrderCount);
  for (int32_t i = 0; i < count; ++i) {
    const T& figure = table[i];
    if (!Converts(figure.Radius, s.RadiusLimit)) continue;
    TJwwEntHeader header = figure.Header;
    if (solidSource && header.LineColor == 10) header.LineColor = 1;
    if (s.AsPoint) {
      Points[base] = {header, figure.X, figure.Y};
      SetOrderItem(next, kPoint, base);
    } else {
      Markers[base] = {header, figure.X, figure.Y, s.Magnification, 0.0, -(s.MarkerIndex + 1)};
      SetOrderItem(next, kMarker, base);
    }
    ++base;
    ++next;
  }
}

}  // namespace q836
