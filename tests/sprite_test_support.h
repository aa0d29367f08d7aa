// Shared by the sprite tests: a complete set of 1334 generated sprites
// written as a game directory, a working directory per test, and a headless
// backend so Status messages and timers work without a window.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "shell/app.h"
#include "shell/files.h"
#include "shell/status.h"
#include "sprites/sprite_bitmaps.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_format.h"
#include "support/run_editor.h"

namespace tavu::test {

// Sprite k: width 1..40, height 1..20, random chunky pixels (padding
// included), header fields derived from k. Both GOAL1.DAT entries load the
// same file, so their sprites are equal.
inline SpriteRecord make_test_sprite(int k, std::uint32_t seed = 1) {
  if (k >= kSpriteFiles[5].first && k < kSpriteFiles[6].first) k -= kSpriteFiles[5].count;
  SpriteRecord s;
  s.width = static_cast<std::int16_t>(1 + (k * 7) % 40);
  s.height = static_cast<std::int16_t>(1 + (k * 3) % 20);
  s.width_words = static_cast<std::int16_t>((s.width + 15) / 16);
  s.centre_x = static_cast<std::int16_t>(s.width / 2);
  s.centre_y = static_cast<std::int16_t>(s.height - 1);
  s.field9 = static_cast<std::uint8_t>(k * 5);
  s.field20 = static_cast<std::uint8_t>(k);
  s.field21 = static_cast<std::uint8_t>(s.height / 4);
  s.ordinal = static_cast<std::int16_t>(k);
  s.data_length = sprite_data_length(s.width_words, s.height);
  std::mt19937 rng(seed * 7919u + static_cast<std::uint32_t>(k));
  s.pixels.resize(s.data_length);
  for (auto& b : s.pixels) b = static_cast<std::uint8_t>(rng());
  return s;
}

inline std::vector<SpriteRecord> make_test_sprites(std::uint32_t seed = 1) {
  std::vector<SpriteRecord> v;
  for (int k = 0; k < kSpriteCount; ++k) v.push_back(make_test_sprite(k, seed));
  return v;
}

// A replacement image of one colour, `value` in every pixel.
inline DecodedSprite new_image(int width, int height, int value) {
  DecodedSprite d;
  d.width = static_cast<std::int16_t>(width);
  d.height = static_cast<std::int16_t>(height);
  d.width_words = static_cast<std::int16_t>((width + 15) / 16);
  d.pixels.assign(static_cast<std::size_t>(d.width_words) * 8 * height,
                  static_cast<std::uint8_t>(value * 17));
  return d;
}

inline void write_bytes(const std::filesystem::path& p, std::span<const std::uint8_t> bytes) {
  std::ofstream(p, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// The graphics file of `entry` for chunky sprites.
inline std::vector<std::uint8_t> file_image_of(const std::vector<SpriteRecord>& chunky, int entry,
                                               std::uint32_t base = 0) {
  const auto& f = kSpriteFiles[entry];
  std::vector<SpriteRecord> planar(chunky.begin() + f.first, chunky.begin() + f.first + f.count);
  for (auto& s : planar) chunky_to_planar(&s);
  return build_file_image(planar, base);
}

// Writes SPRITE.DAT and the seven graphics files (TEAM2.DAT too, from
// `team2` when given) into `dir`.
inline void write_sprite_dir(const std::filesystem::path& dir,
                             const std::vector<SpriteRecord>& chunky,
                             const std::vector<SpriteRecord>* team2 = nullptr) {
  // BENCH.DAT's header offsets count from the start of SCORE.DAT.
  std::uint32_t base = 0;
  for (int e = 1; e <= 5; ++e) base += static_cast<std::uint32_t>(file_image_of(chunky, e).size());
  for (int e = 0; e < kSpriteFileCount; ++e)
    write_bytes(dir / kSpriteFiles[e].name, file_image_of(chunky, e, e == 6 ? base : 0));
  if (team2) write_bytes(dir / "TEAM2.DAT", file_image_of(*team2, kTeamEntry));
  std::array<std::uint32_t, kSpriteCount> lengths{};
  for (int k = 0; k < kSpriteCount; ++k) lengths[k] = chunky[k].data_length;
  write_bytes(dir / kSpriteIndexName, encode_sprite_index(compute_sprite_index(lengths)));
}

// Each test runs in its own directory with the headless backend installed
// and the sprite state and Application flags reset.
class SpriteDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::set_current(&headless_);
    old_ = std::filesystem::current_path();
    dir_ = make_temp_dir("sprites");
    std::filesystem::current_path(dir_);
    reset_sprite_files();
    app().flags = 0;
    status_state() = StatusState{};
  }
  void TearDown() override {
    clear_file_faults_for_tests();
    std::filesystem::current_path(old_);
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(dir_, ec);
    reset_sprite_files();
    app().flags = 0;
    status_state() = StatusState{};
    platform::set_current(nullptr);
  }
  const std::string& status_text() const { return status_state().text; }

  platform::HeadlessPlatform headless_{platform::ScreenSize{1920, 1080}};
  std::filesystem::path old_, dir_;
};

}  // namespace tavu::test
