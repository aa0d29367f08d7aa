// Turns the sprite art into the seven graphics files, TEAM2.DAT, the index
// file and the team sprite file "team4.dat", through the one sprite file
// writer of the core library.
#include <algorithm>
#include <array>
#include <span>

#include "demo_data/art.h"
#include "demo_data/demo_data.h"
#include "sprites/sprite_format.h"

namespace tavu::demo {

namespace {

SpriteRecord to_record(const SpriteArt& a, int ordinal) {
  SpriteRecord s;
  const int w = a.image.width(), h = a.image.height();
  s.width = static_cast<std::int16_t>(w);
  s.height = static_cast<std::int16_t>(h);
  s.width_words = static_cast<std::int16_t>((w + 15) / 16);
  s.centre_x = static_cast<std::int16_t>(a.centre_x);
  s.centre_y = static_cast<std::int16_t>(a.centre_y);
  s.field20 = a.kind;
  s.field21 = static_cast<std::uint8_t>(h / 4);
  s.ordinal = static_cast<std::int16_t>(ordinal);
  s.data_length = sprite_data_length(s.width_words, s.height);
  s.pixels.assign(s.data_length, 0);
  const std::size_t row_bytes = static_cast<std::size_t>(s.width_words) * 8;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint8_t v = a.image.at(x, y) & 15;
      std::uint8_t& byte =
          s.pixels[static_cast<std::size_t>(y) * row_bytes + static_cast<std::size_t>(x) / 2];
      byte = static_cast<std::uint8_t>(x % 2 == 0 ? (byte & 0x0F) | (v << 4) : (byte & 0xF0) | v);
    }
  chunky_to_planar(&s);
  return s;
}

std::vector<SpriteRecord> to_records(std::span<const SpriteArt> arts) {
  std::vector<SpriteRecord> records;
  records.reserve(arts.size());
  for (std::size_t i = 0; i < arts.size(); ++i)
    records.push_back(to_record(arts[i], static_cast<int>(i)));
  return records;
}

std::uint32_t image_size(std::span<const SpriteRecord> records) {
  std::uint32_t total = 0;
  for (const auto& r : records)
    total += static_cast<std::uint32_t>(kSpriteHeaderSize) + r.data_length;
  return total;
}

}  // namespace

void build_sprite_files(std::vector<NamedFile>* files) {
  std::vector<SpriteArt> all(kSpriteCount);
  std::span<SpriteArt> a(all);
  draw_charset(a.subspan<0, 227>());
  draw_score(a.subspan<227, 114>());
  draw_team(KitStyle::kPlain, a.subspan<341, 303>());
  draw_team(KitStyle::kStripes, a.subspan<644, 303>());
  draw_goalkeepers(a.subspan<947, 116>());
  std::copy_n(all.begin() + 947, 116, all.begin() + 1063);  // GOAL1.DAT is read twice
  draw_bench(a.subspan<1179, 155>());

  // One record list per table entry; entry 5 repeats entry 4's file.
  std::array<std::vector<SpriteRecord>, kSpriteFileCount> entries;
  for (int e = 0; e < kSpriteFileCount; ++e)
    entries[e] = to_records(a.subspan(static_cast<std::size_t>(kSpriteFiles[e].first),
                                      static_cast<std::size_t>(kSpriteFiles[e].count)));

  std::array<std::uint32_t, kSpriteCount> lengths{};
  for (int e = 0; e < kSpriteFileCount; ++e)
    for (int i = 0; i < kSpriteFiles[e].count; ++i)
      lengths[static_cast<std::size_t>(kSpriteFiles[e].first + i)] =
          entries[e][static_cast<std::size_t>(i)].data_length;
  files->push_back({kSpriteIndexName, encode_sprite_index(compute_sprite_index(lengths))});

  // The header offsets of BENCH.DAT count on from the files before it, as the
  // editor writes them.
  std::uint32_t bench_base = 0;
  for (int e = 1; e <= 5; ++e) bench_base += image_size(entries[e]);
  for (int e = 0; e < kSpriteFileCount; ++e) {
    if (e == 5) continue;  // same file as entry 4
    files->push_back({kSpriteFiles[e].name, build_file_image(entries[e], e == 6 ? bench_base : 0)});
  }

  // TEAM2.DAT has the same sprite sizes as TEAM3.DAT, so the index fits
  // either team file; only the shirts differ. team4.dat is a playback set.
  std::vector<SpriteArt> team(303);
  draw_team(KitStyle::kHoops, std::span<SpriteArt, 303>(team));
  files->push_back({"TEAM2.DAT", build_file_image(to_records(team), 0)});
  draw_team(KitStyle::kSash, std::span<SpriteArt, 303>(team));
  files->push_back({"team4.dat", build_file_image(to_records(team), 0)});
}

}  // namespace tavu::demo
