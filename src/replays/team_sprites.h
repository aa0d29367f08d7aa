// The team-coloured copies of the player and goalkeeper sprites that
// playback draws for sprite numbers 341-1178: each team's sprite set, taken
// from the Sprite table or read from a team sprite file, recoloured from the
// team records of the recording's header.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "replays/recording_format.h"
#include "sprites/sprite_format.h"

namespace tavu {

inline constexpr int kFirstTeamSprite = 341;
inline constexpr int kLastTeamSprite = 1178;
inline constexpr int kTeamSetSprites = 303;
inline constexpr int kKeeperSprites = 116;
inline constexpr int kKeeperFirst = 947;  // first team's goalkeepers in the Sprite table
inline constexpr int kAppearanceGroup = 101;
inline constexpr int kKeeperHalf = 58;

// Colour map: entry = a 4-bit colour number, value = the colour it becomes.
using ColourMap = std::array<std::uint8_t, 16>;

// The team's map with the fixed entries and its four colours; the appearance
// entries (4, 5, 6, 9, 12, 13) are filled by apply_appearance().
ColourMap team_colour_map(const TeamRecord& team);
// Appearance lists 0, 1 and 2; any other value uses list 0.
void apply_appearance(ColourMap& map, int appearance);
// Rewrites both 4-bit pixels of every byte of the sprite's chunky pixels.
void recolour_sprite(SpriteRecord& sprite, const ColourMap& map);

struct KeeperAppearances {
  int a = -1;  // -1: unset
  int b = -1;
};
KeeperAppearances goalkeeper_appearances(const TeamRecord& team);

// The character of the team's sprite set: "1213" for kit codes 0-3, then
// 48 + k. Nothing when that is no letter or digit (it could not name a file).
std::optional<char> team_set_digit(std::uint16_t kit_code);
// "team4.dat" with the digit in place of the 4.
std::string team_sprite_file_name(char digit);

// The four groups: first team's players, second team's players, first
// team's goalkeepers, second team's goalkeepers.
struct TeamSprites {
  std::array<std::vector<SpriteRecord>, 4> groups;
  bool ready = false;
};

TeamSprites& team_sprites();

// Builds both teams' sprites from the loaded Sprite table and, where a kit
// needs one, a team sprite file of the current directory. On failure queues
// the warnings, keeps nothing and returns false.
bool prepare_team_sprites(const TeamRecord& first, const TeamRecord& second);
// The copy for sprite number 341-1178, or nullptr (none prepared, or
// another number).
const SpriteRecord* team_sprite(int number);
// Frees every group; safe to call when nothing is held.
void release_team_sprites();

}  // namespace tavu
