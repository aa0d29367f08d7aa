// Six pitches drawn as one 672x880 picture each, then cut into 16x16 tiles
// with equal tiles shared. Grass uses only the pitch-colour entries so the
// pitch types recolour it; lines and goals use fixed Game palette colours.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>

#include "demo_data/canvas.h"
#include "demo_data/demo_data.h"
#include "pitch/pitch_format.h"

namespace tavu::demo {

namespace {

// Pitch-colour entries.
constexpr std::uint8_t kGrassA = 0, kGrassB = 7, kTuftYellow = 9, kPale = 78, kTuftLight = 79;
constexpr std::uint8_t kEdgeDark = 80, kTuftDark = 81, kWorn = 106, kWornLight = 107;
// Fixed colours: white lines, grey net, black posts' shadow.
constexpr std::uint8_t kLine = 2, kNet = 17, kNetDark = 1, kPostShadow = 8;

constexpr int kWidth = kPitchColumns * kPatternSide;  // 672
constexpr int kHeight = kPitchRows * kPatternSide;    // 880
constexpr int kTop = 16;                              // map row 1 starts here

// Field lines in visible pitch pixels (map row 1 = y 0).
constexpr int kLeft = 72, kRight = 599, kGoalTop = 48, kGoalBottom = 799;
constexpr int kMidX2 = kLeft + kRight + 1;  // doubled centre x (672)
constexpr int kMidY = 424;
constexpr int kCircle = 68;
constexpr int kBoxHalf = 151, kBoxDepth = 124, kSixHalf = 68, kSixDepth = 41, kSpot = 82;
constexpr int kGoalHalf = 28, kGoalDepth = 18;

struct Style {
  int kind;  // 0 horizontal bands, 1 checks, 2 vertical bands, 3 diagonal
  int band;
  bool worn;
  std::uint32_t seed;
};

constexpr std::array<Style, kPitchCount> kStyles = {{
    {0, 64, false, 11},
    {0, 32, false, 23},
    {1, 64, false, 37},
    {0, 48, true, 41},
    {2, 48, false, 53},
    {3, 32, false, 67},
}};

std::uint8_t grass(const Style& s, int x, int y) {
  // x, y in canvas pixels; bands follow tile boundaries so tiles repeat.
  const int vy = y - kTop;
  int band = 0;
  switch (s.kind) {
    case 0:
      band = ((vy + 1024) / s.band) % 2;
      break;
    case 1:
      band = (((vy + 1024) / s.band) + (x / s.band)) % 2;
      break;
    case 2:
      band = (x / s.band) % 2;
      break;
    default:
      band = ((x + vy + 1024) / s.band) % 2;
      break;
  }
  std::uint8_t v = band ? kGrassB : kGrassA;
  // Tufts repeat every tile; two tile variants keep the count of patterns low.
  const std::uint32_t variant =
      hash2(static_cast<std::uint32_t>(x / 16), static_cast<std::uint32_t>(y / 16), s.seed) % 2;
  const std::uint32_t h = hash2(static_cast<std::uint32_t>(x % 16),
                                static_cast<std::uint32_t>(y % 16), s.seed + variant);
  if (h % 17 == 0)
    v = band ? kTuftDark : kTuftLight;
  else if (h % 29 == 0)
    v = kTuftYellow;
  return v;
}

bool in_worn_patch(const Style& s, int x, int vy) {
  if (!s.worn) return false;
  // Goalmouths and the centre spot, ragged at the edge.
  const int x2 = 2 * x + 1 - kMidX2;
  const auto near = [&](int cy, int rx, int ry) {
    const long dx = x2 / 2, dy = vy - cy;
    const long d = dx * dx * ry * ry + dy * dy * rx * rx;
    const long r = static_cast<long>(rx) * rx * ry * ry;
    const long jitter = static_cast<long>(hash2(static_cast<std::uint32_t>(x / 3),
                                                static_cast<std::uint32_t>(vy / 3), s.seed) %
                                          40) *
                        r / 100;
    return d < r - jitter;
  };
  return near(kGoalTop + 22, 52, 26) || near(kGoalBottom - 22, 52, 26) || near(kMidY, 26, 20);
}

class PitchPainter {
 public:
  explicit PitchPainter(const Style& style) : style_(style), c_(kWidth, kHeight) {}

  Canvas paint() {
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        std::uint8_t v = grass(style_, x, y);
        const int vy = y - kTop;
        if (in_worn_patch(style_, x, vy))
          v = hash2(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), style_.seed) %
                          5 ==
                      0
                  ? kWornLight
                  : kWorn;
        // Shade beyond the field, darkest under the stands.
        if (x < 32 || x >= kWidth - 32 || vy < 16 || vy >= 832)
          v = (x + y) % 2 ? kEdgeDark : kTuftDark;
        else if (x < 40 || x >= kWidth - 40 || vy < 24 || vy >= 824)
          v = kTuftDark;
        c_.set(x, y, v);
      }
    lines();
    goal(kGoalTop, -1);
    goal(kGoalBottom, 1);
    return std::move(c_);
  }

 private:
  void rect(int x0, int y0, int x1, int y1) {
    hline(x0, x1, y0);
    hline(x0, x1, y1);
    vline(x0, y0, y1);
    vline(x1, y0, y1);
  }
  // Lines two pixels wide, going right of / below the given coordinate.
  void hline(int x0, int x1, int vy) { c_.fill_rect(x0, vy + kTop, x1 - x0 + 2, 2, kLine); }
  void vline(int x, int vy0, int vy1) { c_.fill_rect(x, vy0 + kTop, 2, vy1 - vy0 + 2, kLine); }

  // Arc of radius r around (cx2 / 2, cy), kept where `keep` says.
  template <typename Keep>
  void arc(int cx2, int cy, int r, Keep keep) {
    const int cy2 = 2 * (cy + kTop) + 2;
    for (int y = cy - r - 2; y <= cy + r + 2; ++y)
      for (int x = cx2 / 2 - r - 2; x <= cx2 / 2 + r + 2; ++x) {
        const long dx = 2 * x + 1 - cx2, dy = 2 * (y + kTop) + 1 - cy2;
        const long d = dx * dx + dy * dy;
        if (d <= 4L * (r + 1) * (r + 1) && d > 4L * (r - 1) * (r - 1) && keep(x, y))
          c_.set(x, y + kTop, kLine);
      }
  }

  void spot(int cx2, int cy, int r) { c_.disc2(cx2, 2 * (cy + kTop) + 2, 2 * r, kLine); }

  void lines() {
    rect(kLeft, kGoalTop, kRight - 1, kGoalBottom - 1);
    hline(kLeft, kRight - 1, kMidY - 1);
    arc(kMidX2, kMidY, kCircle, [](int, int) { return true; });
    spot(kMidX2, kMidY - 1, 4);
    for (int end = 0; end < 2; ++end) {
      const int dir = end == 0 ? 1 : -1;
      const int line = end == 0 ? kGoalTop : kGoalBottom - 1;
      const int box = line + dir * kBoxDepth, six = line + dir * kSixDepth;
      const int cx = kMidX2 / 2;
      rect(cx - kBoxHalf, std::min(line, box), cx + kBoxHalf, std::max(line, box));
      rect(cx - kSixHalf, std::min(line, six), cx + kSixHalf, std::max(line, six));
      const int spot_y = line + dir * kSpot;
      spot(kMidX2, spot_y, 4);
      arc(kMidX2, spot_y + 1, kCircle, [=](int, int y) { return dir > 0 ? y > box + 1 : y < box; });
    }
    // Corner arcs.
    for (int cx2 : {2 * kLeft + 2, 2 * kRight})
      for (int cy : {kGoalTop + 1, kGoalBottom - 1}) {
        const int in_x = cx2 / 2, in_y = cy;
        arc(cx2, cy, 9, [=](int x, int y) {
          return (cx2 < kMidX2 ? x >= in_x : x < in_x) && (cy < kMidY ? y >= in_y : y <= in_y);
        });
      }
  }

  // A goal seen from above: net behind the goal line, posts and crossbar.
  void goal(int line, int dir) {
    const int cx = kMidX2 / 2;
    const int back = line + dir * kGoalDepth;
    const int y0 = std::min(line, back), y1 = std::max(line, back);
    for (int y = y0; y <= y1; ++y)
      for (int x = cx - kGoalHalf; x <= cx + kGoalHalf; ++x) {
        const bool mesh = (x + y) % 4 == 0 || (x - y + 1024) % 4 == 0;
        if (mesh)
          c_.set(x, y + kTop, (y - y0) * 2 < (y1 - y0) ? kNet : kNetDark);
        else if (c_.at(x, y + kTop) != kLine)
          c_.set(x, y + kTop, kPale);
      }
    // Frame of the net, posts and their shadow on the grass.
    c_.fill_rect(cx - kGoalHalf, back + kTop, 2 * kGoalHalf + 1, 1, kNetDark);
    c_.fill_rect(cx - kGoalHalf, y0 + kTop, 1, y1 - y0 + 1, kNetDark);
    c_.fill_rect(cx + kGoalHalf, y0 + kTop, 1, y1 - y0 + 1, kNetDark);
    const int bar = dir < 0 ? line - 1 : line;
    c_.fill_rect(cx - kGoalHalf - 2, bar + kTop, 2 * kGoalHalf + 5, 3, kLine);
    c_.fill_rect(cx - kGoalHalf - 1, bar + 3 + kTop, 2 * kGoalHalf + 5, 1, kPostShadow);
    c_.fill_rect(cx + kGoalHalf + 3, bar + 1 + kTop, 1, 3, kPostShadow);
  }

  Style style_;
  Canvas c_;
};

}  // namespace

bool build_pitch_files(std::vector<NamedFile>* files, std::string* error) {
  for (int p = 0; p < kPitchCount; ++p) {
    const Canvas picture = PitchPainter(kStyles[static_cast<std::size_t>(p)]).paint();
    using Tile = std::array<std::uint8_t, kPatternSize>;
    std::map<Tile, std::uint32_t> known;
    std::vector<std::uint8_t> patterns(kPatternSize, 0);  // pattern 0: blank
    known.emplace(Tile{}, 0);
    std::vector<std::uint32_t> cells(kPitchCells);
    for (int r = 0; r < kPitchRows; ++r)
      for (int col = 0; col < kPitchColumns; ++col) {
        Tile tile{};
        for (int y = 0; y < kPatternSide; ++y)
          for (int x = 0; x < kPatternSide; ++x)
            tile[static_cast<std::size_t>(y * kPatternSide + x)] =
                picture.at(col * kPatternSide + x, r * kPatternSide + y);
        auto [it, added] = known.emplace(tile, static_cast<std::uint32_t>(known.size()));
        if (added) patterns.insert(patterns.end(), tile.begin(), tile.end());
        cells[static_cast<std::size_t>(r * kPitchColumns + col)] = cell_for_pattern(it->second);
      }
    // Pitch mode and the bitmap import handle at most 295 patterns.
    if (known.size() >= 296) {
      if (error)
        *error = pitch_pattern_name(p + 1) + " needs " + std::to_string(known.size()) + " patterns";
      return false;
    }
    files->push_back({pitch_map_name(p + 1), encode_pitch_map(cells)});
    files->push_back({pitch_pattern_name(p + 1), encode_patterns(patterns)});
  }
  return true;
}

}  // namespace tavu::demo
