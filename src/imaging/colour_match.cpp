#include "imaging/colour_match.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

namespace tavu {
namespace {

constexpr int kNoNumber = -1;
// A used index whose choice depends on the pixel (several entries of its
// colour, none of them the file's own number).
constexpr int kPerPixel = -2;

std::uint32_t entry_key(std::span<const std::uint8_t> palette, int e) {
  const auto at = static_cast<std::size_t>(e) * 3;
  return colour_key(palette[at], palette[at + 1], palette[at + 2]);
}

// The target's entries sorted by colour, one list per palette, so a colour's
// entries are found by binary search.
class EntryIndex {
 public:
  explicit EntryIndex(const ColourTarget& t) : target_(t) {
    for (const auto& p : t.palettes) {
      std::vector<std::pair<std::uint32_t, int>> sorted;
      const int n = std::min<int>(t.entries, static_cast<int>(p.size() / 3));
      sorted.reserve(static_cast<std::size_t>(n));
      for (int e = 0; e < n; ++e) sorted.emplace_back(entry_key(p, e), e);
      std::sort(sorted.begin(), sorted.end());
      lists_.push_back(std::move(sorted));
    }
  }

  // Whether entry e has colour `key` in any palette.
  bool same_in_any(int e, std::uint32_t key) const {
    if (e < 0 || e >= target_.entries) return false;
    for (const auto& p : target_.palettes)
      if (static_cast<std::size_t>(e) * 3 + 2 < p.size() && entry_key(p, e) == key) return true;
    return false;
  }

  // Looks colours up in the first palette that has all of `keys` (the
  // palette, e.g. the pitch type, the picture was made with), or, when none
  // has them all, each in the first palette that has it.
  void choose_palette(const std::vector<std::uint32_t>& keys) {
    only_ = -1;
    for (std::size_t p = 0; p < lists_.size() && only_ < 0; ++p)
      if (std::all_of(keys.begin(), keys.end(), [&](std::uint32_t k) { return has(p, k); }))
        only_ = static_cast<int>(p);
  }

  // The entries of colour `key`, lowest first.
  void candidates(std::uint32_t key, std::vector<int>& out) const {
    out.clear();
    for (std::size_t p = 0; p < lists_.size(); ++p) {
      if (only_ >= 0 && p != static_cast<std::size_t>(only_)) continue;
      const auto& list = lists_[p];
      auto it = std::lower_bound(list.begin(), list.end(), std::make_pair(key, -1));
      for (; it != list.end() && it->first == key; ++it) out.push_back(it->second);
      if (!out.empty()) return;
    }
  }

 private:
  bool has(std::size_t p, std::uint32_t key) const {
    const auto& list = lists_[p];
    auto it = std::lower_bound(list.begin(), list.end(), std::make_pair(key, -1));
    return it != list.end() && it->first == key;
  }

  const ColourTarget& target_;
  std::vector<std::vector<std::pair<std::uint32_t, int>>> lists_;
  int only_ = -1;
};

// Distinct colours, collected in a bitmap of all 2^18 six-bit colours.
class ColourSet {
 public:
  void add(std::uint32_t key) {
    std::uint64_t& word = bits_[key >> 6];
    const std::uint64_t bit = std::uint64_t{1} << (key & 63);
    if (word & bit) return;
    word |= bit;
    keys_.push_back(key);
  }
  const std::vector<std::uint32_t>& keys() const { return keys_; }

 private:
  std::vector<std::uint64_t> bits_ = std::vector<std::uint64_t>((1u << 18) / 64, 0);
  std::vector<std::uint32_t> keys_;
};

// Between several entries of one colour: the preferred number when it is
// one of them, otherwise the lowest.
std::uint8_t choose(const std::vector<int>& c, int preferred) {
  if (c.size() > 1 && std::find(c.begin(), c.end(), preferred) != c.end())
    return static_cast<std::uint8_t>(preferred);
  return static_cast<std::uint8_t>(c.front());
}

int preferred_at(std::span<const std::uint8_t> preferred, std::size_t i) {
  return i < preferred.size() ? preferred[i] : kNoNumber;
}

void match_indexed(const Image& image, const ColourTarget& target, EntryIndex& index,
                   std::span<const std::uint8_t> preferred, ColourMatch& out) {
  std::array<bool, 256> used{};
  for (std::uint8_t v : image.indices) used[v] = true;

  // The colours that are looked up decide the palette they are looked up in.
  ColourSet looked_up;
  for (int i = 0; i < 256 && static_cast<std::size_t>(i) < image.palette.size(); ++i) {
    const auto& rgba = image.palette[static_cast<std::size_t>(i)];
    const std::uint32_t key = colour_key(rgba[0], rgba[1], rgba[2]);
    if (used[static_cast<std::size_t>(i)] && !(target.transparent >= 0 && rgba[3] < 128) &&
        !index.same_in_any(i, key))
      looked_up.add(key);
  }
  index.choose_palette(looked_up.keys());

  // Each used number's new number, or kPerPixel with its candidates.
  std::array<int, 256> map{};
  std::array<std::vector<int>, 256> ties;
  std::vector<int> c;
  for (int i = 0; i < 256; ++i) {
    if (!used[static_cast<std::size_t>(i)]) continue;
    if (static_cast<std::size_t>(i) >= image.palette.size()) {
      out.colours_matched = false;  // a number without a colour
      break;
    }
    const auto& rgba = image.palette[static_cast<std::size_t>(i)];
    if (target.transparent >= 0 && rgba[3] < 128) {
      map[static_cast<std::size_t>(i)] = target.transparent;
      continue;
    }
    const std::uint32_t key = colour_key(rgba[0], rgba[1], rgba[2]);
    if (index.same_in_any(i, key)) {
      map[static_cast<std::size_t>(i)] = i;
      continue;
    }
    index.candidates(key, c);
    if (c.empty()) {
      out.colours_matched = false;
      break;
    }
    if (c.size() == 1) {
      map[static_cast<std::size_t>(i)] = c.front();
    } else {
      map[static_cast<std::size_t>(i)] = kPerPixel;
      ties[static_cast<std::size_t>(i)] = c;
    }
  }
  if (!out.colours_matched) {
    out.numbers = image.indices;
    return;
  }
  out.numbers.resize(image.indices.size());
  for (std::size_t p = 0; p < image.indices.size(); ++p) {
    const std::uint8_t v = image.indices[p];
    const int m = map[v];
    out.numbers[p] =
        m == kPerPixel ? choose(ties[v], preferred_at(preferred, p)) : static_cast<std::uint8_t>(m);
  }
}

void match_true_colour(const Image& image, const ColourTarget& target, EntryIndex& index,
                       std::span<const std::uint8_t> preferred, ColourMatch& out) {
  const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
  if (image.rgba.size() < count * 4) {
    out.refusal = "picture data missing";
    return;
  }
  {
    ColourSet colours;
    for (std::size_t p = 0; p < count; ++p) {
      const std::uint8_t* px = image.rgba.data() + p * 4;
      if (!(target.transparent >= 0 && px[3] < 128)) colours.add(colour_key(px[0], px[1], px[2]));
    }
    index.choose_palette(colours.keys());
  }
  out.numbers.resize(count);
  // Neighbouring pixels mostly share their colour: the last lookup is kept.
  std::uint32_t last_key = 0xFFFFFFFFu;
  std::vector<int> c;
  for (std::size_t p = 0; p < count; ++p) {
    const std::uint8_t* px = image.rgba.data() + p * 4;
    if (target.transparent >= 0 && px[3] < 128) {
      out.numbers[p] = static_cast<std::uint8_t>(target.transparent);
      continue;
    }
    const std::uint32_t key = colour_key(px[0], px[1], px[2]);
    if (key != last_key) {
      index.candidates(key, c);
      last_key = key;
    }
    if (c.empty()) {
      char text[64];
      std::snprintf(text, sizeof text, "colour %02X%02X%02X at %d,%d not in the palette", px[0],
                    px[1], px[2], static_cast<int>(p % static_cast<std::size_t>(image.width)),
                    static_cast<int>(p / static_cast<std::size_t>(image.width)));
      out.refusal = text;
      out.numbers.clear();
      return;
    }
    out.numbers[p] = choose(c, preferred_at(preferred, p));
  }
}

}  // namespace

ColourMatch match_colours(const Image& image, const ColourTarget& target,
                          std::span<const std::uint8_t> preferred) {
  ColourMatch out;
  if (image.width <= 0 || image.height <= 0) {
    out.refusal = "empty picture";
    return out;
  }
  EntryIndex index(target);
  if (image.indexed) {
    if (image.indices.size() < static_cast<std::size_t>(image.width) * image.height) {
      out.refusal = "picture data missing";
      return out;
    }
    match_indexed(image, target, index, preferred, out);
  } else {
    match_true_colour(image, target, index, preferred, out);
  }
  return out;
}

}  // namespace tavu
