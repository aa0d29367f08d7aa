// The team-coloured sprite copies that playback draws: sprite sets, colour
// maps, goalkeeper appearances and the warnings of a failed preparation.
#include <gtest/gtest.h>

#include <filesystem>

#include "replays/menus.h"
#include "replays/team_sprites.h"
#include "shell/app.h"
#include "shell/status.h"
#include "sprites/sprite_files.h"
#include "support/demo_dir.h"
#include "support/loaded_demo.h"

namespace fs = std::filesystem;
using namespace tavu;

namespace {

TeamRecord team(std::uint16_t kit, std::uint16_t first, std::uint16_t second, int appearance = 0) {
  TeamRecord t;
  t.kit_code = kit;
  t.first_colour = first;
  t.second_colour = second;
  t.third_colour = 6;
  t.fourth_colour = 9;
  t.roles.fill(1);
  t.roles[0] = 0;
  t.appearances.fill(static_cast<std::uint8_t>(appearance));
  return t;
}

TEST(TeamColours, MapsAndAppearanceLists) {
  ColourMap m = team_colour_map(team(0, 12, 13));
  EXPECT_EQ(m, (ColourMap{0, 1, 2, 3, 4, 5, 6, 0, 8, 3, 13, 12, 3, 3, 6, 9}));
  m = team_colour_map(team(2, 12, 13));
  EXPECT_EQ(m[11], 13) << "kit code 2 swaps the first two colours";
  EXPECT_EQ(m[10], 12);
  EXPECT_EQ(team_colour_map(team(0x102, 12, 13))[11], 12) << "only the value 2 swaps";
  EXPECT_EQ(team_colour_map(team(0, 0x1F, 13))[11], 15) << "a colour is a 4-bit number";
  const std::pair<int, std::array<int, 6>> lists[] = {
      {0, {4, 5, 6, 3, 3, 3}}, {1, {4, 5, 6, 5, 4, 6}},   {2, {3, 4, 4, 3, 3, 3}},
      {3, {4, 5, 6, 3, 3, 3}}, {255, {4, 5, 6, 3, 3, 3}}, {-1, {4, 5, 6, 3, 3, 3}}};
  for (const auto& [appearance, want] : lists) {
    apply_appearance(m, appearance);
    EXPECT_EQ((std::array<int, 6>{m[4], m[5], m[6], m[9], m[12], m[13]}), want) << appearance;
  }
  SpriteRecord s;
  s.width = 16;
  s.height = 1;
  s.width_words = 1;
  s.pixels = {0xAB, 0x07, 0x70, 0xEF, 0x00, 0x12, 0x34, 0x56, 0x99};  // last byte: past the data
  recolour_sprite(s, team_colour_map(team(0, 12, 13)));
  EXPECT_EQ(s.pixels,
            (std::vector<std::uint8_t>{0xDC, 0x00, 0x00, 0x69, 0x00, 0x12, 0x34, 0x56, 0x99}));
}

TEST(TeamColours, GoalkeeperAppearances) {
  struct Case {
    const char* what;
    std::array<std::uint8_t, 16> roles, appearances;
    int a, b;
  };
  const std::array<std::uint8_t, 16> keeper_0_and_12 = {0, 1, 1, 1, 1, 1, 1, 1,
                                                        1, 1, 1, 1, 0, 1, 1, 1};
  const Case cases[] = {
      {"everyone like player 0",
       keeper_0_and_12,
       {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
       1,
       -1},
      {"second keeper differs",
       keeper_0_and_12,
       {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1, 1, 1},
       1,
       2},
      {"an outfield player fills B until a keeper differs",
       keeper_0_and_12,
       {0, 2, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 2, 1, 1, 1},
       0,
       2},
      {"no later keeper differs: the last outfield difference stays",
       keeper_0_and_12,
       {0, 2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       0,
       1},
      {"player 0 counts even when not a keeper",
       {1, 1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
       {2, 2, 2, 2, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       2,
       1},
  };
  for (const Case& c : cases) {
    TeamRecord t;
    t.roles = c.roles;
    t.appearances = c.appearances;
    const KeeperAppearances k = goalkeeper_appearances(t);
    EXPECT_EQ(k.a, c.a) << c.what;
    EXPECT_EQ(k.b, c.b) << c.what;
  }
}

TEST(TeamColours, SetDigitsAndFileNames) {
  const std::pair<std::uint16_t, char> digits[] = {{0, '1'}, {1, '2'}, {2, '1'},      {3, '3'},
                                                   {4, '4'}, {9, '9'}, {0x0304, '4'}, {17, 'A'}};
  for (const auto& [kit, want] : digits) EXPECT_EQ(team_set_digit(kit), want) << kit;
  // 48 + k that is no letter or digit could name another file ("team/.dat").
  for (std::uint16_t kit : {10, 207, 208, 254, 255}) EXPECT_FALSE(team_set_digit(kit)) << kit;
  EXPECT_EQ(team_sprite_file_name('4'), "team4.dat");
}

// Preparation on the demo directory's sprites.
class TeamSpritesOnDemo : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(demo_.ok()); }
  // Sprite `number` of the table recoloured with `map`.
  static std::vector<std::uint8_t> recoloured(int number, const ColourMap& map) {
    SpriteRecord s = *sprite_at(number);
    recolour_sprite(s, map);
    return s.pixels;
  }
  static ColourMap with_list(const TeamRecord& t, int list) {
    ColourMap m = team_colour_map(t);
    apply_appearance(m, list);
    return m;
  }
  static std::string warnings() {
    std::string out;
    for (const auto& w : menu_system().warnings) out += w.text + ";";
    return out;
  }

  test::LoadedDemo demo_{"team-sprites", false};
};

TEST_F(TeamSpritesOnDemo, TwoTeamsOfOneSetInTheirOwnColours) {
  const TeamRecord red = team(0, 10, 2), blue = team(2, 2, 11);
  const std::vector<std::uint8_t> table_341 = sprite_at(341)->pixels;
  ASSERT_TRUE(prepare_team_sprites(red, blue)) << warnings();
  for (int i : {0, 100, 101, 202, 302}) {
    const int list = i / 101;
    EXPECT_EQ(team_sprite(341 + i)->pixels, recoloured(341 + i, with_list(red, list))) << i;
    EXPECT_EQ(team_sprite(644 + i)->pixels, recoloured(341 + i, with_list(blue, list))) << i;
  }
  EXPECT_NE(team_sprite(341)->pixels, team_sprite(644)->pixels);
  EXPECT_EQ(sprite_at(341)->pixels, table_341) << "the Sprite table is left as it was";
  EXPECT_EQ(team_sprite(340), nullptr);
  EXPECT_EQ(team_sprite(1179), nullptr);
  // Kit 2 is kit 0 with the first two colours exchanged.
  const TeamRecord swapped = team(0, 11, 2);
  const std::vector<std::uint8_t> blue_341 = team_sprite(644)->pixels;
  ASSERT_TRUE(prepare_team_sprites(red, swapped));
  EXPECT_EQ(team_sprite(644)->pixels, blue_341);
  release_team_sprites();
  release_team_sprites();
  EXPECT_EQ(team_sprite(341), nullptr);
}

TEST_F(TeamSpritesOnDemo, GoalkeepersLikePlayerZeroRecolourOnlyTheFirstHalf) {
  const TeamRecord t = team(0, 10, 2, 1);
  ASSERT_TRUE(prepare_team_sprites(t, t));
  ASSERT_NE(recoloured(947, with_list(t, 1)), sprite_at(947)->pixels) << "the demo keeper changes";
  for (int i : {0, 57})
    EXPECT_EQ(team_sprite(947 + i)->pixels, recoloured(947 + i, with_list(t, 1)));
  for (int i : {58, 115}) EXPECT_EQ(team_sprite(947 + i)->pixels, sprite_at(947 + i)->pixels);
  TeamRecord b = t;
  b.roles[12] = 0;
  b.appearances[12] = 2;
  ASSERT_TRUE(prepare_team_sprites(t, b));
  EXPECT_EQ(team_sprite(1063 + 58)->pixels, recoloured(1063 + 58, with_list(b, 2)));
}

TEST_F(TeamSpritesOnDemo, TeamSpriteFiles) {
  // The demo's team4.dat is read whole and converted.
  ASSERT_TRUE(prepare_team_sprites(team(4, 10, 2), team(3, 10, 2))) << warnings();
  EXPECT_NE(team_sprite(341)->pixels, recoloured(341, with_list(team(4, 10, 2), 0)));
  EXPECT_EQ(team_sprite(644)->pixels, recoloured(644, with_list(team(3, 10, 2), 0)))
      << "kit 3 takes the loaded TEAM3.DAT";
  const std::vector<std::uint8_t> team3 = team_sprite(644)->pixels;

  struct Case {
    const char* what;
    void (*spoil)(const fs::path& dir);
    const char* warnings;
  };
  const Case cases[] = {
      {"missing", [](const fs::path& d) { fs::remove(d / "team4.dat"); },
       "Could not load team4.dat;"},
      {"too short for 303 records",
       [](const fs::path& d) { test::truncate_by_one(d, "team4.dat"); },
       "Could not load team4.dat;"},
  };
  for (const Case& c : cases) {
    reset_menu_system();
    c.spoil(demo_.path());
    EXPECT_FALSE(prepare_team_sprites(team(0, 1, 2), team(4, 10, 2))) << c.what;
    EXPECT_EQ(warnings(), c.warnings) << c.what;
    EXPECT_EQ(team_sprite(341), nullptr) << "nothing is kept after a failure";
  }
  reset_menu_system();
  EXPECT_FALSE(prepare_team_sprites(team(10, 1, 2), team(0, 1, 2)));
  EXPECT_EQ(warnings(), "Could not load team?.dat;");

  // After Ctrl+T the team file digit is 2: kit 1 copies the loaded
  // TEAM2.DAT, kit 3 reads TEAM3.DAT (found ignoring case) from the disk.
  switch_team_file();
  ASSERT_EQ(team_file_digit(), '2');
  ASSERT_TRUE(prepare_team_sprites(team(1, 10, 2), team(3, 10, 2))) << warnings();
  EXPECT_EQ(team_sprite(341)->pixels, recoloured(644, with_list(team(1, 10, 2), 0)));
  EXPECT_EQ(team_sprite(644)->pixels, team3);
}

}  // namespace
