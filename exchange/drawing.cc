#include "exchange/drawing.h"

#include <vector>

namespace q836 {

double HkValue;
std::string DrawingFileName;
double GroupScale[16];
double PaperWidth, PaperHeight;
TJwwTextType TextTypes[11];
bool BzFlag;
double HnValues[4];

int32_t GroupStatus[16];
std::string GroupName[16];
int32_t LayerStatus[256];
std::string LayerName[256];

TJwwHpPoint HpPoints[100];
int32_t HpCount;

int32_t FirstLayerGroup, FirstLayer, FirstLineColor, FirstLineType, FirstLineWidth;
int32_t FirstTextType;
double FirstTextWidth, FirstTextHeight, FirstTextSpacing;
int32_t FirstTextColor;
std::string FirstFontName;

bool LgPending, LyPending, LcPending, LtPending, LwPending, CnPending;
bool CcPending, FontPending, PnPending, SolidColorPending;

int32_t CurHhp, CurLayerGroup, CurLayer, CurLineColor, CurLineType, CurLineWidth;
int32_t CurTextType;
double CurTextWidth, CurTextHeight, CurTextSpacing;
int32_t CurTextColor, CurTextCc;
std::string CurFontName;
int32_t CurMarks, CurPointColor, CurSolidColor;

int32_t PolylineCount;
bool InPolyline, InDimension;
TJwwEntLine PendingDimLine;

ChunkedTable<TJwwEntLine> Lines;
ChunkedTable<TJwwEntCircle> Circles;
ChunkedTable<TJwwEntArc> Arcs;
ChunkedTable<TJwwEntText> Texts;
ChunkedTable<TJwwEntPoint> Points;
ChunkedTable<TJwwEntMarker> Markers;
ChunkedTable<TJwwEntDim> Dims;
ChunkedTable<TJwwEntBlk> Blocks;
ChunkedTable<TJwwEntSolid2> Solids2;
ChunkedTable<TJwwEntSolid3> Solids3;
ChunkedTable<TJwwEntSolid4> Solids4;
ChunkedTable<TJwwEntCircleSolid> CircleSolids;
ChunkedTable<TJwwEntRimSolid> RimSolids;
ChunkedTable<TJwwEntRingSolid> RingSolids;
ChunkedTable<TJwwEntRingSolid2> RingSolids2;
int32_t LineCount, CircleCount, ArcCount, TextCount, PointCount, MarkerCount, DimCount, BlockCount,
    Solid2Count, Solid3Count, Solid4Count, CircleSolidCount, RimSolidCount, RingSolidCount,
    RingSolid2Count;

ChunkedTable<TJwwOrderItem> Order;
int32_t OrderCount;

// Written by the formatting thread while the write-back reads the tables:
// each on cache lines of its own.
alignas(64) OutLineList OutLines;
alignas(64) int32_t OutLineCount;

namespace {

// Position in Order of the item naming each record, per kind, so that
// dropping a figure costs no scan of Order. A kind's index is built by one
// pass over Order the first time one of its records is dropped, and kept up
// to date from then on; kinds that are never dropped (lines, texts, most of
// a drawing) cost nothing.
std::vector<int32_t> orderPosition[16];
bool orderIndexed[16];

void RecordOrderPosition(int32_t position, int32_t kind, int32_t index) {
  if (kind < 1 || kind > 15 || index < 0 || !orderIndexed[kind]) return;
  std::vector<int32_t>& positions = orderPosition[kind];
  if (static_cast<size_t>(index) >= positions.size()) {
    positions.resize(static_cast<size_t>(index) + 1, -1);
  }
  // The first item naming a record is the one that dropping changes.
  if (positions[index] < 0 || positions[index] > position) positions[index] = position;
}

void IndexOrder(int32_t kind) {
  orderIndexed[kind] = true;
  // Sized once to the largest record number, so that the index holds no
  // spare capacity (a drawing may have hundreds of thousands of circles).
  int32_t largest = -1;
  ForEachEntry(Order, OrderCount, [&](int32_t, const TJwwOrderItem& item) {
    if (item.Kind == kind && item.Index > largest) largest = item.Index;
  });
  orderPosition[kind].assign(static_cast<size_t>(largest + 1), -1);
  ForEachEntry(Order, OrderCount, [&](int32_t position, const TJwwOrderItem& item) {
    if (item.Kind == kind) RecordOrderPosition(position, kind, item.Index);
  });
}

void ReleaseEntityTables() {
  Lines.Release();
  Circles.Release();
  Arcs.Release();
  Texts.Release();
  Points.Release();
  Markers.Release();
  Dims.Release();
  Blocks.Release();
  Solids2.Release();
  Solids3.Release();
  Solids4.Release();
  CircleSolids.Release();
  RimSolids.Release();
  RingSolids.Release();
  RingSolids2.Release();
  Order.Release();
  ReleaseOrderIndex();
  ReleaseFontNames();
  ReleaseStoredTexts();
  ClearOutLines();
}

void SetCurrentDefaults() {
  CurLayerGroup = 0;
  CurLayer = 0;
  CurLineColor = 1;
  CurLineType = 1;
  CurLineWidth = 0;
  CurTextType = 1;
  CurTextWidth = 2.0;
  CurTextHeight = 2.0;
  CurTextSpacing = 0.0;
  CurTextColor = 1;
  CurTextCc = 0;
  CurFontName = "<\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e>";  // <ＭＳ ゴシック>
  CurPointColor = 1;
  CurSolidColor = 0;
}

}  // namespace

void ReleaseOrderIndex() {
  for (auto& positions : orderPosition) std::vector<int32_t>().swap(positions);
  for (bool& indexed : orderIndexed) indexed = false;
}

void InitDrawingTables() {
  HkValue = 0.0;
  DrawingFileName.clear();
  for (double& scale : GroupScale) scale = 1.0;
  PaperWidth = 1189.0;
  PaperHeight = 841.0;
  for (TJwwTextType& type : TextTypes) type = {3.0, 3.0, 0.0, 2};
  BzFlag = false;
  for (double& value : HnValues) value = 0.0;

  for (int i = 0; i < 16; ++i) {
    GroupStatus[i] = 0;
    GroupName[i].clear();
  }
  for (int i = 0; i < 256; ++i) {
    LayerStatus[i] = 0;
    LayerName[i].clear();
  }
  for (TJwwHpPoint& point : HpPoints) point = {};
  HpCount = 0;

  FirstLayerGroup = 0;
  FirstLayer = 0;
  FirstLineColor = 1;
  FirstLineType = 1;
  FirstLineWidth = 0;
  FirstTextType = 1;
  FirstTextWidth = 2.0;
  FirstTextHeight = 2.0;
  FirstTextSpacing = 0.0;
  FirstTextColor = 1;
  FirstFontName.clear();

  LgPending = LyPending = LcPending = LtPending = LwPending = CnPending = true;

  SetCurrentDefaults();
  CurHhp = 0;
  CurMarks = 0;
  PolylineCount = 0;
  InPolyline = false;
  InDimension = false;
  PendingDimLine = {};
  PendingDimLine.Header = {0, 0, 0, 1, 1, 0, 0};
  PendingDimLine.X2 = 1.0;

  ReleaseEntityTables();
  LineCount = CircleCount = ArcCount = TextCount = PointCount = MarkerCount = DimCount =
      BlockCount = Solid2Count = Solid3Count = Solid4Count = CircleSolidCount = RimSolidCount =
          RingSolidCount = RingSolid2Count = 0;
  OrderCount = 0;
}

void FreeDrawingTables() {
  for (std::string& name : GroupName) std::string().swap(name);
  for (std::string& name : LayerName) std::string().swap(name);
  ReleaseEntityTables();
}

void ResetAttrState() {
  LgPending = LyPending = LcPending = LtPending = LwPending = CnPending = true;
  CcPending = FontPending = PnPending = SolidColorPending = true;
  SetCurrentDefaults();
}

void AddToOrder(int32_t kind, int32_t index) {
  AppendEntry(Order, OrderCount) = {kind, index};
  RecordOrderPosition(OrderCount - 1, kind, index);
}

void SetOrderItem(int32_t position, int32_t kind, int32_t index) {
  Order[position] = {kind, index};
  RecordOrderPosition(position, kind, index);
}

void SetEntityHeader(TJwwEntHeader& header) {
  header = {CurHhp, CurLayerGroup, CurLayer, CurLineColor, CurLineType, CurLineWidth, CurMarks};
}

void DropFromOrder(int32_t kind, int32_t index) {
  if (kind < 1 || kind > 15 || index < 0) return;
  if (!orderIndexed[kind]) IndexOrder(kind);
  const std::vector<int32_t>& positions = orderPosition[kind];
  if (static_cast<size_t>(index) >= positions.size()) return;
  const int32_t position = positions[index];
  if (position < 0 || position >= OrderCount) return;
  TJwwOrderItem& item = Order[position];
  if (item.Kind == kind && item.Index == index) item.Kind = kDropped;
}

void OrderDrop::Apply() {
  // Sizes and bytes by kind, so that an item of a kind not picked fails the
  // one comparison with its size (0), as does a negative index.
  uint32_t size[16];
  uint8_t* state[16];
  bool any = false;
  for (int kind = 0; kind < 16; ++kind) {
    size[kind] = static_cast<uint32_t>(state_[kind].size());
    state[kind] = state_[kind].data();
    any = any || size[kind] > 0;
  }
  if (!any) return;
  ForEachEntry(Order, OrderCount, [&](int32_t, TJwwOrderItem& item) {
    const auto kind = static_cast<uint32_t>(item.Kind);
    if (kind > 15) return;
    const auto record = static_cast<uint32_t>(item.Index);
    if (record >= size[kind] || (state[kind][record] & kSeen)) return;
    // Only the first item naming a record counts.
    if (state[kind][record] & kPicked) item.Kind = kDropped;
    state[kind][record] |= kSeen;
  });
}

void ClearOutLines() {
  OutLineCount = 0;
  OutLines.Release();
}

}  // namespace q836
