#include "replays/team_sprites.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "replays/menus.h"
#include "shell/files.h"
#include "sprites/sprite_files.h"

namespace tavu {

namespace {

constexpr int kSecondTeamSet = 644;  // sprites of the team file held by entry 3
constexpr const char* kNoMemoryForTeams = "Not enough memory to load teams";

// Entries 4, 5, 6, 9, 12 and 13 of the three appearance lists.
constexpr std::array<std::uint8_t, 6> kAppearanceEntries = {4, 5, 6, 9, 12, 13};
constexpr std::array<std::array<std::uint8_t, 6>, 3> kAppearanceLists = {{
    {4, 5, 6, 3, 3, 3},
    {4, 5, 6, 5, 4, 6},
    {3, 4, 4, 3, 3, 3},
}};

std::vector<SpriteRecord> copy_sprites(int first, int count) {
  const auto table = sprite_table();
  std::vector<SpriteRecord> out;
  if (first < 0 || static_cast<std::size_t>(first + count) > table.size()) return out;
  out.assign(table.begin() + first, table.begin() + first + count);
  return out;
}

// One team's 303 player sprites; false after queueing the warnings.
bool load_team_set(const TeamRecord& team, std::vector<SpriteRecord>& out) {
  const std::optional<char> digit = team_set_digit(team.kit_code);
  if (!digit) {
    queue_warning("Could not load " + team_sprite_file_name('?'));
    return false;
  }
  if (*digit == '1') {
    out = copy_sprites(kFirstTeamSprite, kTeamSetSprites);
    return true;
  }
  if ((*digit == '2' || *digit == '3') && *digit == team_file_digit()) {
    out = copy_sprites(kSecondTeamSet, kTeamSetSprites);
    return true;
  }
  const std::string name = team_sprite_file_name(*digit);
  std::vector<std::uint8_t> image;
  switch (read_whole_file(name, image, kMaxSpriteFileSize)) {
    case ReadStatus::ok:
      break;
    case ReadStatus::cannot_open:
      queue_warning("Could not load " + name);
      return false;
    case ReadStatus::too_large:
      queue_warning("Not enough memory to load file");
      queue_warning(kNoMemoryForTeams);
      return false;
    case ReadStatus::read_error:
      queue_warning("Error reading team file");
      return false;
  }
  out.assign(kTeamSetSprites, SpriteRecord{});
  // A file too short for its 303 records is no team sprite file.
  if (!parse_file_image(image, out, static_cast<std::uint16_t>(kTeamEntry))) {
    out.clear();
    queue_warning("Could not load " + name);
    return false;
  }
  for (SpriteRecord& s : out) planar_to_chunky(&s);
  return true;
}

// Both pixels of a byte at once.
std::array<std::uint8_t, 256> byte_map(const ColourMap& map) {
  std::array<std::uint8_t, 256> out{};
  for (int b = 0; b < 256; ++b)
    out[b] = static_cast<std::uint8_t>((map[b >> 4] << 4) | map[b & 15]);
  return out;
}

void recolour_bytes(SpriteRecord& s, const std::array<std::uint8_t, 256>& bytes) {
  const std::size_t n =
      std::min<std::size_t>(s.pixels.size(), sprite_data_length(s.width_words, s.height));
  for (std::size_t k = 0; k < n; ++k) s.pixels[k] = bytes[s.pixels[k]];
}

void recolour_range(std::vector<SpriteRecord>& sprites, std::size_t first, std::size_t count,
                    const ColourMap& map) {
  const auto bytes = byte_map(map);
  for (std::size_t i = first; i < first + count && i < sprites.size(); ++i)
    recolour_bytes(sprites[i], bytes);
}

void recolour_team(const TeamRecord& team, std::vector<SpriteRecord>& players,
                   std::vector<SpriteRecord>& keepers) {
  ColourMap map = team_colour_map(team);
  for (int list = 0; list < 3; ++list) {
    apply_appearance(map, list);
    recolour_range(players, static_cast<std::size_t>(list * kAppearanceGroup), kAppearanceGroup,
                   map);
  }
  const KeeperAppearances look = goalkeeper_appearances(team);
  apply_appearance(map, look.a);
  recolour_range(keepers, 0, kKeeperHalf, map);
  if (look.b >= 0) {
    apply_appearance(map, look.b);
    recolour_range(keepers, kKeeperHalf, kKeeperHalf, map);
  }
}

}  // namespace

ColourMap team_colour_map(const TeamRecord& team) {
  ColourMap map{};
  for (std::uint8_t i = 0; i < 16; ++i) map[i] = i;
  map[7] = 0;
  std::uint8_t first = static_cast<std::uint8_t>(team.first_colour & 15);
  std::uint8_t second = static_cast<std::uint8_t>(team.second_colour & 15);
  if (team.kit_code == 2) std::swap(first, second);
  map[11] = first;
  map[10] = second;
  map[14] = static_cast<std::uint8_t>(team.third_colour & 15);
  map[15] = static_cast<std::uint8_t>(team.fourth_colour & 15);
  apply_appearance(map, 0);
  return map;
}

void apply_appearance(ColourMap& map, int appearance) {
  const auto& list = kAppearanceLists[appearance >= 0 && appearance < 3 ? appearance : 0];
  for (std::size_t i = 0; i < kAppearanceEntries.size(); ++i) map[kAppearanceEntries[i]] = list[i];
}

void recolour_sprite(SpriteRecord& sprite, const ColourMap& map) {
  recolour_bytes(sprite, byte_map(map));
}

KeeperAppearances goalkeeper_appearances(const TeamRecord& team) {
  KeeperAppearances out;
  int count = 0;
  for (int i = 0; i < kTeamPlayers; ++i) {
    const int v = team.appearances[i];
    const bool keeper = team.roles[i] == 0;
    if (out.a >= 0 && v == out.a) continue;
    if (!keeper && out.b >= 0 && v == out.b) continue;
    (count == 0 ? out.a : out.b) = v;
    if (i == 0 || keeper) {
      if (++count == 2) break;
    }
  }
  return out;
}

std::optional<char> team_set_digit(std::uint16_t kit_code) {
  const int k = kit_code & 0xFF;
  if (k < 4) return "1213"[k];
  const int c = '0' + k;
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
    return static_cast<char>(c);
  return std::nullopt;
}

std::string team_sprite_file_name(char digit) {
  std::string name = "team4.dat";
  name[4] = digit;
  return name;
}

TeamSprites& team_sprites() {
  static TeamSprites s;
  return s;
}

bool prepare_team_sprites(const TeamRecord& first, const TeamRecord& second) {
  release_team_sprites();
  TeamSprites built;
  try {
    if (!load_team_set(first, built.groups[0]) || !load_team_set(second, built.groups[1]))
      return false;
    built.groups[2] = copy_sprites(kKeeperFirst, kKeeperSprites);
    built.groups[3] = copy_sprites(kKeeperFirst + kKeeperSprites, kKeeperSprites);
  } catch (const std::bad_alloc&) {
    queue_warning(kNoMemoryForTeams);
    return false;
  } catch (const std::length_error&) {
    queue_warning(kNoMemoryForTeams);
    return false;
  }
  recolour_team(first, built.groups[0], built.groups[2]);
  recolour_team(second, built.groups[1], built.groups[3]);
  built.ready = true;
  team_sprites() = std::move(built);
  return true;
}

const SpriteRecord* team_sprite(int number) {
  const TeamSprites& s = team_sprites();
  if (!s.ready || number < kFirstTeamSprite || number > kLastTeamSprite) return nullptr;
  int slot = number - kFirstTeamSprite;
  std::size_t group = 0;
  if (slot >= 2 * kTeamSetSprites) {
    slot -= 2 * kTeamSetSprites;
    group = 2 + static_cast<std::size_t>(slot / kKeeperSprites);
    slot %= kKeeperSprites;
  } else {
    group = static_cast<std::size_t>(slot / kTeamSetSprites);
    slot %= kTeamSetSprites;
  }
  const auto& g = s.groups[group];
  return static_cast<std::size_t>(slot) < g.size() ? &g[slot] : nullptr;
}

void release_team_sprites() {
  team_sprites() = TeamSprites{};
}

}  // namespace tavu
