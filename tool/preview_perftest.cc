// Times the dialog's preview, which runs on every edit of the controls, on
// drawings of 100 000 and 1 000 000 candidate figures (all five kinds
// chosen): the radius index built once after loading, then the preview of
// each edit. Prints the median of repeated runs in milliseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "exchange/drawing.h"
#include "tool/headless_host.h"
#include "tool/preview.h"
#include "tool/radius_index.h"

namespace {

struct NoKey : q836::EscapeKey {
  bool IsDown() override { return false; }
};

template <typename T>
void Fill(q836::ChunkedTable<T>& table, int32_t& count, int32_t n, std::mt19937& random) {
  std::uniform_real_distribution<double> radius(0.0, 10.0);
  for (int32_t i = 0; i < n; ++i) q836::AppendEntry(table, count).Radius = radius(random);
}

}  // namespace

int main() {
  NoKey key;
  q836::HeadlessHost host("q836.exe", key);
  for (q836::Control c :
       {q836::Control::CheckBox1, q836::Control::CheckBox2, q836::Control::CheckBox3,
        q836::Control::CheckBox4, q836::Control::CheckBox5, q836::Control::RadioButton1}) {
    host.SetChecked(c, true);
  }
  for (int32_t candidates : {100000, 1000000}) {
    q836::InitDrawingTables();
    std::mt19937 random(1);
    // The mix of a host-like drawing: mostly circles and arcs.
    Fill(q836::Circles, q836::CircleCount, candidates / 2, random);
    Fill(q836::Arcs, q836::ArcCount, candidates / 5, random);
    Fill(q836::CircleSolids, q836::CircleSolidCount, candidates / 10, random);
    Fill(q836::RimSolids, q836::RimSolidCount, candidates / 10, random);
    Fill(q836::RingSolids, q836::RingSolidCount, candidates / 10, random);
    auto since = [](std::chrono::steady_clock::time_point start) {
      return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
          .count();
    };
    const auto built = std::chrono::steady_clock::now();
    q836::RadiusIndex radii;
    radii.Build();
    const double buildMs = since(built);
    std::vector<double> ms;
    size_t lines = 0;
    for (int run = 0; run < 51; ++run) {
      host.SetText(q836::Control::Edit1, std::to_string(run * 0.2));  // an edit of the radius
      const auto start = std::chrono::steady_clock::now();
      lines += q836::ConversionPreview(host, &radii).size();
      ms.push_back(since(start));
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "preview of %d candidates: index built in %.1f ms; per edit median %.4f ms, worst %.4f ms "
        "(%zu lines)\n",
        candidates, buildMs, ms[ms.size() / 2], ms.back(), lines);
    q836::FreeDrawingTables();
  }
  return 0;
}
