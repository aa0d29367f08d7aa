// A team sprite file from the fuzzer: read for a recording's team whose kit
// needs it (both teams, both orders) and recoloured, and read by Ctrl+T as
// the other team file of the Sprite table.
#include <vector>

#include "harness.h"
#include "replays/browser.h"
#include "replays/team_sprites.h"
#include "sprites/blit.h"
#include "sprites/sprite_files.h"

using namespace tavu;

namespace {

TeamRecord team_with_kit(std::uint16_t kit_code) {
  TeamRecord team;
  team.kit_code = kit_code;
  return team;
}

}  // namespace

bool fuzz::setup() {
  if (!fuzz::load_demo_sprites()) return false;
  // What the file system can do to a team file whatever its bytes, and a
  // kit code that names no file.
  fuzz::with_unreadable_file(team_sprite_file_name('4'), [] {
    (void)prepare_team_sprites(team_with_kit(4), team_with_kit(0));
    release_team_sprites();
  });
  (void)prepare_team_sprites(team_with_kit(0x7F), team_with_kit(0));
  release_team_sprites();
  fuzz::reset_messages();
  return true;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the kit and the colours.
  const std::uint8_t pick = data[0];
  const fuzz::Bytes file(data + 1, size - 1);
  fuzz::put_file(team_sprite_file_name('4'), file);
  TeamRecord first;
  first.kit_code = 4;
  first.first_colour = pick;
  first.third_colour = static_cast<std::uint8_t>(pick >> 1);
  for (int i = 0; i < kTeamPlayers; ++i) {
    first.roles[i] = static_cast<std::uint8_t>((pick + i) % 3);
    first.appearances[i] = static_cast<std::uint8_t>((pick >> 2) + i);
  }
  TeamRecord second;
  second.kit_code = static_cast<std::uint16_t>(pick & 3);
  std::vector<std::uint8_t> frame(320 * 200);
  for (int order = 0; order < 2; ++order) {
    if (order == 0 ? prepare_team_sprites(first, second) : prepare_team_sprites(second, first)) {
      for (int number = kFirstTeamSprite; number <= kLastTeamSprite; ++number)
        draw_sprite(150, 90, frame.data(), team_sprite(number), 320, kNaturalColours);
      // One sprite recoloured again with the other team's colours.
      if (const SpriteRecord* s = team_sprite(kFirstTeamSprite + pick % kTeamSetSprites)) {
        SpriteRecord copy = *s;
        recolour_sprite(copy, team_colour_map(order == 0 ? second : first));
        draw_sprite(-5, -5, frame.data(), &copy, 320, kNaturalColours);
      }
    }
    release_team_sprites();
  }
  // Ctrl+T reads TEAM2.DAT in place of TEAM3.DAT.
  fuzz::put_file("TEAM2.DAT", file);
  switch_team_file();
  if (team_file_digit() == '2') {
    for (int k = 0; k < kSpriteFiles[kTeamEntry].count; ++k)
      draw_sprite(-4, 190, frame.data(), sprite_at(kSpriteFiles[kTeamEntry].first + k), 320, 9);
    fuzz::restore_file("TEAM2.DAT");
    switch_team_file();
  }
  fuzz::restore_file("TEAM2.DAT");
  reset_browser();
  fuzz::reset_messages();
  return 0;
}
