// The conversion itself: figures of a candidate table within the radius
// range become points or markers at their centres.
#pragma once

#include <cstdint>
#include <limits>

#include "exchange/drawing.h"
#include "tool/settings.h"

namespace q836 {

/// The radii OK converts: from `from` up to `to`, both included; without a
/// lower limit `from` is minus infinity, so that every radius up to `to` is in.
struct RadiusRange {
  double from = -std::numeric_limits<double>::infinity();
  double to = 0.0;
  /// Whether a figure of `radius` is converted (false for NaN).
  bool Contains(double radius) const { return radius >= from && radius <= to; }
};

/// The range of the settings: the lower limit, when there is one, to RadiusLimit.
inline RadiusRange RangeOf(const TForm1Settings& s) {
  RadiusRange range;
  if (s.RadiusFrom) range.from = *s.RadiusFrom;
  range.to = s.RadiusLimit;
  return range;
}

/// How many of the first `count` records of `table` ConvertTable would convert.
template <typename T>
int32_t CountConvertible(const ChunkedTable<T>& table, int32_t count, RadiusRange range) {
  int32_t n = 0;
  ForEachEntry(table, count,
               [&](int32_t, const T& record) { n += range.Contains(record.Radius) ? 1 : 0; });
  return n;
}

/// Picks for `drop` the records of `table` that ConvertTable converts.
template <typename T>
void PickConverted(const TForm1Settings& s, int32_t kind, const ChunkedTable<T>& table,
                   int32_t count, OrderDrop& drop) {
  const RadiusRange range = RangeOf(s);
  drop.PickEntries(kind, table, count,
                   [&](const T& figure) { return range.Contains(figure.Radius); });
}

/// Appends, in table order, a point (AsPoint) or a marker with the header
/// and centre of every record of `table` whose Radius lies in the range of
/// the settings. Unless KeepOriginals says they stay where they were, those
/// records are dropped from Order before, all kinds at once (PickConverted).
/// A solid whose colour is its solid colour (LineColor 10) gives a point of
/// colour 1.
template <typename T>
void ConvertTable(const TForm1Settings& s, const ChunkedTable<T>& table, int32_t count,
                  bool solidSource) {
  const RadiusRange range = RangeOf(s);
  const int32_t m = CountConvertible(table, count, range);
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
  ForEachEntry(table, count, [&](int32_t, const T& figure) {
    if (!range.Contains(figure.Radius)) return;
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
  });
}

}  // namespace q836
