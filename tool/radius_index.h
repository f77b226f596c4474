// The radii of the candidate figures, sorted once after loading, so that the
// preview answers each edit of the controls with binary searches: how many
// figures of a kind lie at or below the limit, and which radii lie nearest
// to it on either side.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace q836 {

/// The candidate kinds, in the order of their check boxes.
enum CandidateKind {
  kCircleCandidates,
  kArcCandidates,
  kCircleSolidCandidates,
  kRimSolidCandidates,
  kRingSolidCandidates,
  kCandidateKinds
};

/// The distinct radii of one kind, ascending, with their counts.
class RadiusTable {
 public:
  /// Takes the radii of `count` records of `table` (NaN, never converted, is left out).
  template <typename Table>
  void Add(const Table& table, int32_t count);
  /// Sorts and groups what was added; equal doubles are one radius.
  void Finish();

  /// How many figures have a radius at or below `limit`.
  int64_t CountAtOrBelow(double limit) const;
  /// How many figures have a radius from `from` up to `limit`, both included.
  int64_t CountBetween(double from, double limit) const;
  /// The first distinct radius above `limit`.
  size_t UpperBound(double limit) const;
  size_t Size() const { return radii_.size(); }
  double Radius(size_t i) const { return radii_[i]; }
  int64_t Count(size_t i) const { return cumulative_[i] - (i > 0 ? cumulative_[i - 1] : 0); }

 private:
  std::vector<double> radii_;
  std::vector<int64_t> cumulative_;  // figures with a radius up to radii_[i]
};

/// One distinct radius of the chosen kinds and how many figures have it.
struct RadiusCount {
  double Radius;
  int64_t Count;
};

/// The radii nearest to a limit on one side, nearest first.
struct RadiusSide {
  std::vector<RadiusCount> Nearest;
  bool More = false;  // more distinct radii lie on this side than Nearest holds
};

/// The radius tables of the five candidate kinds of the loaded drawing.
class RadiusIndex {
 public:
  /// Builds the tables from the drawing tables.
  void Build();
  const RadiusTable& Kind(CandidateKind kind) const { return kinds_[kind]; }
  /// Up to `most` distinct radii of the chosen kinds at or below `limit`
  /// (the largest) and above it (the smallest), equal radii of different
  /// kinds merged into one.
  void Around(const std::array<bool, kCandidateKinds>& chosen, double limit, size_t most,
              RadiusSide* below, RadiusSide* above) const;

 private:
  std::array<RadiusTable, kCandidateKinds> kinds_;
};

template <typename Table>
void RadiusTable::Add(const Table& table, int32_t count) {
  radii_.reserve(radii_.size() + static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const double r = table[i].Radius;
    if (r == r) radii_.push_back(r);
  }
}

}  // namespace q836
