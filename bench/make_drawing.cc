// Writes a realistic host-like exchange file of a chosen number of entities,
// the same bytes for the same seed: the host's header lines, then a mix of
// lines, polylines, circles (a third small enough to convert), arcs and
// ellipses, texts with Japanese characters in several fonts, points and
// markers, dimensions and solids, with attribute changes every few entities.
//   make_drawing ENTITIES [SEED] > JWC_TEMP.TXT
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

std::mt19937_64 random_engine;

double Uniform(double low, double high) {
  return std::uniform_real_distribution<double>(low, high)(random_engine);
}
int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_engine); }

// A coordinate as the host writes it: up to 4 decimals.
std::string Coordinate(double low = -5000, double high = 5000) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.4g", Uniform(low, high));
  return buffer;
}

void Line(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fputs("\r\n", stdout);
}

// Shift-JIS words for texts.
const char* const kWords[] = {"\x92\x8c",                  // 柱
                              "\x95\xc7",                  // 壁
                              "\x8a\x4b\x92\x69",          // 階段
                              "\x90\x7d\x96\xca",          // 図面
                              "\x83\x5e\x83\x43\x83\x8b",  // タイル
                              "W900",
                              "H2100",
                              "\x81\x40",  // full-width blank
                              "\x88\xea\x8a\x4b",
                              "FL+50"};
const char* const kFonts[] = {
    "cn\"$\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e",  // ＭＳ ゴシック
    "cn\"$\x82\x6c\x82\x72 \x96\xbe\x92\xa9",                  // ＭＳ 明朝
    "cn$Arial"};

void Header() {
  Line("hd");
  Line("file=C:\\jww\\\x83\x54\x83\x93\x83\x76\x83\x8b \x95\xbd\x96\xca\x90\x7d.jww");
  Line("hk 0");
  Line("hs 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1");
  Line("hzs 420 297");
  Line("hcw 2 2.5 3 4 5 6 7 8 9 10");
  Line("hch 2 2.5 3 4 5 6 7 8 9 10");
  Line("hcd 0 0 0 0 0 0 0 0 0 0");
  Line("hcc 1 2 3 4 5 6 7 8 9 10");
  Line("lg0 2");
  Line("ly0 2");
}

void Attributes() {
  switch (Pick(6)) {
    case 0:
      Line("lg" + std::string(1, "0123456789ABCDEF"[Pick(16)]));
      [[fallthrough]];
    case 1:
      Line("ly" + std::string(1, "0123456789ABCDEF"[Pick(16)]));
      break;
    case 2:
      Line("lc" + std::to_string(1 + Pick(9)));
      break;
    case 3:
      Line("lt" + std::to_string(1 + Pick(9)));
      break;
    case 4:
      Line("lw" + std::to_string(Pick(4)));
      break;
    default:
      Line("pn" + std::to_string(1 + Pick(9)));
      break;
  }
}

void Entity() {
  const int roll = Pick(1000);
  if (Pick(40) == 0) Line(Pick(2) ? "z1" : "z5");
  if (roll < 500) {
    Line(Coordinate() + " " + Coordinate() + " " + Coordinate() + " " + Coordinate());
  } else if (roll < 600) {
    Line("pl");
    for (int i = 0, n = 3 + Pick(4); i < n; ++i) {
      Line(Coordinate() + " " + Coordinate() + " " + Coordinate() + " " + Coordinate());
    }
    Line("#");
  } else if (roll < 750) {
    const std::string radius = Pick(3) == 0 ? Coordinate(0.01, 0.1) : Coordinate(1, 900);
    Line("ci " + Coordinate() + " " + Coordinate() + " " + radius);
  } else if (roll < 800) {
    Line("ci " + Coordinate() + " " + Coordinate() + " " + Coordinate(0.01, 300) + " " +
         Coordinate(0.2, 1) + " " + Coordinate(0, 6.28) + " " + Coordinate(0.1, 6.28) + " " +
         Coordinate(0, 3));
  } else if (roll < 900) {
    if (Pick(5) == 0) Line(kFonts[Pick(3)]);
    if (Pick(4) == 0) Line("cn" + std::to_string(1 + Pick(10)));
    std::string text;
    for (int i = 0, n = 1 + Pick(4); i < n; ++i)
      text += std::string(i ? " " : "") + kWords[Pick(10)];
    static const char* const kKeys[] = {"ch", "cv", "cs", "cr"};
    Line(std::string(kKeys[Pick(4)]) + " " + Coordinate() + " " + Coordinate() + " 1 0 \"" + text);
  } else if (roll < 930) {
    if (Pick(2)) {
      Line("pt " + Coordinate() + " " + Coordinate());
    } else {
      Line("pt " + Coordinate() + " " + Coordinate() + " 1 0 -" + std::to_string(1 + Pick(7)));
    }
  } else if (roll < 950) {
    const std::string x1 = Coordinate(), y = Coordinate(), x2 = Coordinate();
    Line("msg");
    Line(x1 + " " + y + " " + x2 + " " + y);
    Line("cs " + x1 + " " + y + " 1 0 \"" + (Pick(3) ? "" : "1820"));
  } else {
    if (Pick(3) == 0) Line("lc10 " + std::to_string(Pick(16777216)));
    const std::string x = Coordinate(), y = Coordinate();
    switch (Pick(6)) {
      case 0:
        Line("sl " + x + " " + y + " " + Coordinate() + " " + Coordinate());
        break;
      case 1:
        Line("sl " + x + " " + y + " " + Coordinate() + " " + Coordinate() + " " + Coordinate() +
             " " + Coordinate() + " " + Coordinate() + " " + Coordinate());
        break;
      case 2:
        Line("sc " + x + " " + y + " " + Coordinate(0.01, 50) + " 1 0 6.28318530717959 0 0");
        break;
      case 3:
        Line("se " + x + " " + y + " " + Coordinate(0.01, 50) + " 1 0 3.14159265358979 0 100");
        break;
      case 4:
        Line("so " + x + " " + y + " 50 1 0 6.28318530717959 0 " + Coordinate(1, 40));
        break;
      default:
        Line("sg " + x + " " + y + " 0.08 1 0 6.28318530717959 0 0.02");
        break;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: make_drawing ENTITIES [SEED] > JWC_TEMP.TXT\n", stderr);
    return 2;
  }
  const long entities = std::atol(argv[1]);
  random_engine.seed(argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 836);
  static char buffer[1 << 20];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  Header();
  for (long i = 0; i < entities; ++i) {
    if (Pick(4) == 0) Attributes();
    Entity();
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
