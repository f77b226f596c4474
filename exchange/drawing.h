// The in-memory model of one exchange file: header values, layer tables,
// indicated points, the attribute state, one table per entity kind, the
// file order of all entities and the output lines. There is exactly one
// drawing per process; it lives from InitDrawingTables to FreeDrawingTables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exchange/chunked_table.h"
#include "exchange/font_names.h"
#include "exchange/out_lines.h"
#include "exchange/stored_text.h"

namespace q836 {

/// Attributes that every entity record begins with.
struct TJwwEntHeader {
  int32_t Hhp, LayerGroup, Layer, LineColor, LineType, LineWidth, Marks;
};

/// Entity kind codes as stored in Order; 0 marks a dropped entity.
enum TJwwEntKind : int32_t {
  kDropped = 0,
  kLine = 1,
  kCircle = 2,
  kArc = 3,
  kText = 4,
  kPoint = 5,
  kMarker = 6,
  kDim = 7,
  kBlock = 8,
  kSolid2 = 9,
  kSolid3 = 10,
  kSolid4 = 11,
  kCircleSolid = 12,
  kRimSolid = 13,
  kRingSolid = 14,
  kRingSolid2 = 15,
};

/// Size and colour of one of the text types 1 to 10.
struct TJwwTextType {
  double Width, Height, Spacing;
  int32_t Color;
};

/// One indicated point ("hp" line).
struct TJwwHpPoint {
  bool Defined;
  double X, Y;
  int32_t Kind;  // 0 none, 1 "-", 2 "ln", 3 "ci", 4 "ch"
};

/// Line segment; Polyline is the polyline number, 0 outside a polyline.
struct TJwwEntLine {
  TJwwEntHeader Header;
  int32_t Polyline;
  double X1, Y1, X2, Y2;
};

/// Circle.
struct TJwwEntCircle {
  TJwwEntHeader Header;
  double X, Y, Radius;
};

/// Arc, ellipse or elliptic arc, numbers in the order of the "ci" line.
struct TJwwEntArc {
  TJwwEntHeader Header;
  double X, Y, Radius, P4, P5, P6, P7;
};

/// Text; the header's LineColor holds the text colour.
struct TJwwEntText {
  TJwwEntHeader Header;
  int32_t Variant, Cc, TextType;
  double Width, Height, Spacing;
  double X, Y, P3, P4;
  FontNameRef FontName;
  StoredText Text;
};

/// Point; the header's LineColor holds the point colour.
struct TJwwEntPoint {
  TJwwEntHeader Header;
  double X, Y;
};

/// Point marker; the header's LineColor holds the point colour.
struct TJwwEntMarker {
  TJwwEntHeader Header;
  double X, Y, Scale, P4;
  int32_t Code;
};

/// Dimension: a line with its measurement text.
struct TJwwEntDim {
  TJwwEntHeader Header;
  TJwwEntLine Line;
  TJwwEntText Text;
};

/// Block insertion.
struct TJwwEntBlk {
  TJwwEntHeader Header;
  double X, Y;
  std::string Name;
};

/// Solid with two corners.
struct TJwwEntSolid2 {
  TJwwEntHeader Header;
  int32_t SolidColor;
  double X1, Y1, X2, Y2;
};

/// Solid with three corners.
struct TJwwEntSolid3 {
  TJwwEntHeader Header;
  int32_t SolidColor;
  double X1, Y1, X2, Y2, X3, Y3;
};

/// Solid with four corners.
struct TJwwEntSolid4 {
  TJwwEntHeader Header;
  int32_t SolidColor;
  double X1, Y1, X2, Y2, X3, Y3, X4, Y4;
};

/// Circle solid ("sc") and circumference solid ("se").
struct TJwwEntCircleSolid {
  TJwwEntHeader Header;
  int32_t SolidColor;
  double X, Y, Radius, P4, P5, P6, P7;
  int32_t Code;
};
using TJwwEntRimSolid = TJwwEntCircleSolid;

/// Ring solid ("so") and its second form ("sg").
struct TJwwEntRingSolid {
  TJwwEntHeader Header;
  int32_t SolidColor;
  double X, Y, Radius, P4, P5, P6, P7, P8;
};
using TJwwEntRingSolid2 = TJwwEntRingSolid;

/// One entity in file order: its kind and its index in the kind's table.
struct TJwwOrderItem {
  int32_t Kind;
  int32_t Index;
};

// Header values.
extern double HkValue;
extern std::string DrawingFileName;
extern double GroupScale[16];
extern double PaperWidth, PaperHeight;
extern TJwwTextType TextTypes[11];  // entries 1..10 are used
extern bool BzFlag;
extern double HnValues[4];

// Layer tables.
extern int32_t GroupStatus[16];
extern std::string GroupName[16];
extern int32_t LayerStatus[256];
extern std::string LayerName[256];

// Indicated points; entries 1..99 are used.
extern TJwwHpPoint HpPoints[100];
extern int32_t HpCount;

// First attribute values met while reading.
extern int32_t FirstLayerGroup, FirstLayer, FirstLineColor, FirstLineType, FirstLineWidth;
extern int32_t FirstTextType;
extern double FirstTextWidth, FirstTextHeight, FirstTextSpacing;
extern int32_t FirstTextColor;
extern std::string FirstFontName;

// Pending flags: while reading, the first six mean "first value not met yet";
// while writing, all ten mean "not emitted yet".
extern bool LgPending, LyPending, LcPending, LtPending, LwPending, CnPending;
extern bool CcPending, FontPending, PnPending, SolidColorPending;

// Current attribute values.
extern int32_t CurHhp, CurLayerGroup, CurLayer, CurLineColor, CurLineType, CurLineWidth;
extern int32_t CurTextType;
extern double CurTextWidth, CurTextHeight, CurTextSpacing;
extern int32_t CurTextColor, CurTextCc;
extern std::string CurFontName;
extern int32_t CurMarks, CurPointColor, CurSolidColor;

// Reading state of polylines and dimensions.
extern int32_t PolylineCount;
extern bool InPolyline, InDimension;
extern TJwwEntLine PendingDimLine;

// Entity tables and their counts.
extern ChunkedTable<TJwwEntLine> Lines;
extern ChunkedTable<TJwwEntCircle> Circles;
extern ChunkedTable<TJwwEntArc> Arcs;
extern ChunkedTable<TJwwEntText> Texts;
extern ChunkedTable<TJwwEntPoint> Points;
extern ChunkedTable<TJwwEntMarker> Markers;
extern ChunkedTable<TJwwEntDim> Dims;
extern ChunkedTable<TJwwEntBlk> Blocks;
extern ChunkedTable<TJwwEntSolid2> Solids2;
extern ChunkedTable<TJwwEntSolid3> Solids3;
extern ChunkedTable<TJwwEntSolid4> Solids4;
extern ChunkedTable<TJwwEntCircleSolid> CircleSolids;
extern ChunkedTable<TJwwEntRimSolid> RimSolids;
extern ChunkedTable<TJwwEntRingSolid> RingSolids;
extern ChunkedTable<TJwwEntRingSolid2> RingSolids2;
extern int32_t LineCount, CircleCount, ArcCount, TextCount, PointCount, MarkerCount, DimCount,
    BlockCount, Solid2Count, Solid3Count, Solid4Count, CircleSolidCount, RimSolidCount,
    RingSolidCount, RingSolid2Count;

// File order of all entities.
extern ChunkedTable<TJwwOrderItem> Order;
extern int32_t OrderCount;

// Output lines.
extern OutLineList OutLines;
extern int32_t OutLineCount;

/// Puts every table and value into its default state and releases the tables.
void InitDrawingTables();

/// Releases the storage of all tables; counts stay as they are.
void FreeDrawingTables();

/// Releases the index that dropping figures from Order keeps; a later drop
/// builds it again. The write-back needs none.
void ReleaseOrderIndex();

/// Sets all ten pending flags and the writer's default current values.
void ResetAttrState();

/// Appends {kind, index} to Order.
void AddToOrder(int32_t kind, int32_t index);

/// Copies the current attributes into the header of a freshly appended record.
void SetEntityHeader(TJwwEntHeader& header);

/// Marks the first Order item naming record `index` of `kind` as dropped.
void DropFromOrder(int32_t kind, int32_t index);

/// Records of several kinds picked to be dropped from Order, all in one
/// pass over it: with one byte per record instead of an index.
class OrderDrop {
 public:
  /// Picks every record of `kind` (1 to 15) below `count` that select(index)
  /// picks.
  template <typename Select>
  void Pick(int32_t kind, int32_t count, Select select) {
    std::vector<uint8_t>& state = state_[kind];
    state.resize(static_cast<size_t>(count > 0 ? count : 0));
    for (int32_t i = 0; i < count; ++i) state[static_cast<size_t>(i)] = select(i) ? kPicked : 0;
  }
  /// The same for the records of a table, passing over it block by block.
  template <typename Table, typename Select>
  void PickEntries(int32_t kind, const Table& table, int32_t count, Select select) {
    std::vector<uint8_t>& state = state_[kind];
    state.resize(static_cast<size_t>(count > 0 ? count : 0));
    ForEachEntry(table, count, [&](int32_t i, const auto& entry) {
      state[static_cast<size_t>(i)] = select(entry) ? kPicked : 0;
    });
  }
  /// Marks the first Order item naming each picked record as dropped, as
  /// DropFromOrder does record by record.
  void Apply();

 private:
  // A record's state: picked, and whether an item naming it has been seen.
  static constexpr uint8_t kPicked = 1, kSeen = 2;
  std::vector<uint8_t> state_[16];
};

/// Sets Order[position] to {kind, index}, for entries appended in bulk.
void SetOrderItem(int32_t position, int32_t kind, int32_t index);

/// Empties OutLines and releases its storage.
void ClearOutLines();

}  // namespace q836
