#include "tool/radius_index.h"

#include <algorithm>

#include "exchange/drawing.h"

namespace q836 {

void RadiusTable::Finish() {
  std::sort(radii_.begin(), radii_.end());
  // Group in place: radii_[k] the k-th distinct radius, cumulative_[k] the
  // figures up to it.
  cumulative_.clear();
  size_t k = 0;
  for (size_t i = 0; i < radii_.size(); ++i) {
    if (k > 0 && radii_[i] == radii_[k - 1]) {
      ++cumulative_.back();
      continue;
    }
    radii_[k++] = radii_[i];
    cumulative_.push_back((cumulative_.empty() ? 0 : cumulative_.back()) + 1);
  }
  radii_.resize(k);
  radii_.shrink_to_fit();
  cumulative_.shrink_to_fit();
}

size_t RadiusTable::UpperBound(double limit) const {
  return static_cast<size_t>(std::upper_bound(radii_.begin(), radii_.end(), limit) -
                             radii_.begin());
}

int64_t RadiusTable::CountAtOrBelow(double limit) const {
  const size_t n = UpperBound(limit);
  return n == 0 ? 0 : cumulative_[n - 1];
}

int64_t RadiusTable::CountBetween(double from, double limit) const {
  if (!(from <= limit)) return 0;
  // Those at or below the limit, less those below `from`.
  const size_t below =
      static_cast<size_t>(std::lower_bound(radii_.begin(), radii_.end(), from) - radii_.begin());
  return CountAtOrBelow(limit) - (below == 0 ? 0 : cumulative_[below - 1]);
}

void RadiusIndex::Build() {
  kinds_[kCircleCandidates].Add(Circles, CircleCount);
  kinds_[kArcCandidates].Add(Arcs, ArcCount);
  kinds_[kCircleSolidCandidates].Add(CircleSolids, CircleSolidCount);
  kinds_[kRimSolidCandidates].Add(RimSolids, RimSolidCount);
  kinds_[kRingSolidCandidates].Add(RingSolids, RingSolidCount);
  kinds_[kRingSolidCandidates].Add(RingSolids2, RingSolid2Count);
  for (RadiusTable& table : kinds_) table.Finish();
}

void RadiusIndex::Around(const std::array<bool, kCandidateKinds>& chosen, double limit, size_t most,
                         RadiusSide* below, RadiusSide* above) const {
  // A merge of the chosen kinds outwards from the limit: each kind keeps its
  // next position on either side, and each step takes the nearest radius of
  // all, with the counts of every kind that has it.
  std::array<size_t, kCandidateKinds> down{}, up{};
  for (int k = 0; k < kCandidateKinds; ++k) down[k] = up[k] = kinds_[k].UpperBound(limit);
  auto walk = [&](RadiusSide* side, bool downwards) {
    side->Nearest.clear();
    side->More = false;
    for (;;) {
      bool found = false;
      double nearest = 0;
      for (int k = 0; k < kCandidateKinds; ++k) {
        if (!chosen[k]) continue;
        const RadiusTable& t = kinds_[k];
        if (downwards ? down[k] == 0 : up[k] == t.Size()) continue;
        const double r = t.Radius(downwards ? down[k] - 1 : up[k]);
        if (!found || (downwards ? r > nearest : r < nearest)) nearest = r, found = true;
      }
      if (!found) return;
      if (side->Nearest.size() == most) {
        side->More = true;
        return;
      }
      int64_t count = 0;
      for (int k = 0; k < kCandidateKinds; ++k) {
        if (!chosen[k]) continue;
        const RadiusTable& t = kinds_[k];
        if (downwards && down[k] > 0 && t.Radius(down[k] - 1) == nearest) {
          count += t.Count(--down[k]);
        } else if (!downwards && up[k] < t.Size() && t.Radius(up[k]) == nearest) {
          count += t.Count(up[k]++);
        }
      }
      side->Nearest.push_back({nearest, count});
    }
  };
  walk(below, true);
  walk(above, false);
}

}  // namespace q836
