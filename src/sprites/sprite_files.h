// The game's sprites in memory: the Sprite table, the seven graphics files
// they come from, loading at start-up, saving on quit, revert and the team
// file switch. Files are read whole and written back atomically, so no file
// handle stays open between those moments.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "shell/saving.h"
#include "sprites/sprite_format.h"

namespace tavu {

// One graphics file of the Sprite file table.
struct SpriteFileEntry {
  std::string name;  // entry 3's fifth character is the team digit
  int count = 0;
  int first = 0;
  // Bytes of the file as it would be written now: the sum of 24 + data
  // length over the entry's sprites.
  std::uint32_t current_size = 0;
  std::vector<std::uint8_t> image;  // the file as loaded or last saved
  bool modified = false;
};

// Bits of the flag byte shared with sprite mode.
inline constexpr std::uint8_t kSpritesModifiedMark = 1;
inline constexpr std::uint8_t kInfoOverlayBit = 2;

inline constexpr int kTeamEntry = 3;
inline constexpr std::size_t kTeamDigitAt = 4;  // "TEAM3.DAT"
// Larger graphics files are refused rather than read.
inline constexpr std::size_t kMaxSpriteFileSize = 64u << 20;

struct SpriteFilesState {
  std::vector<SpriteRecord> sprites = std::vector<SpriteRecord>(kSpriteCount);
  std::array<SpriteFileEntry, kSpriteFileCount> entries = initial_entries();
  std::uint8_t flags = 0;  // kSpritesModifiedMark, kInfoOverlayBit

  static std::array<SpriteFileEntry, kSpriteFileCount> initial_entries();
};

SpriteFilesState& sprite_files();
// Back to the state before loading (tests run several loads in one process).
void reset_sprite_files();

// The Sprite table; empty records before loading.
std::span<SpriteRecord> sprite_table();
// Sprite `number`, or nullptr outside 0..1333.
SpriteRecord* sprite_at(int number);
// '3' or '2': which team file entry 3 holds.
char team_file_digit();
// Entry of the Sprite file table holding sprite `number` (-1 outside).
int sprite_file_entry_of(int number);

// Bytes that `count` sprites take at the start of `image` (headers plus
// pixel data), or nothing when a header or its pixels run past the end.
std::optional<std::uint32_t> measure_file_image(std::span<const std::uint8_t> image, int count);
// Rebuilds `sprites` (bit-plane pixels) from `image`, marking each with
// `entry`. Leaves them untouched and returns false when they do not fit.
bool parse_file_image(std::span<const std::uint8_t> image, std::span<SpriteRecord> sprites,
                      std::uint16_t entry);

// A new graphics file image of `entry` from its chunky sprites, with `base`
// added to each header's data offset. The sprites themselves stay chunky.
std::vector<std::uint8_t> rebuild_file_image(const SpriteFilesState& state, int entry,
                                             std::uint32_t base);
// The new index file from the sprites' data lengths.
std::vector<std::uint8_t> build_sprite_index(const SpriteFilesState& state);

// The files a save writes: every modified entry (entry 4 is left out when
// entry 5, the same file, is modified too) and then SPRITE.DAT.
struct SpriteSavePlan {
  std::vector<int> entries;                       // entries written, in order
  std::vector<std::vector<std::uint8_t>> images;  // one per written entry
  std::vector<std::uint8_t> index;
};
SpriteSavePlan plan_sprite_save(const SpriteFilesState& state);

// Mode init slot: loads SPRITE.DAT and the seven graphics files of the
// current directory; on failure records a start-up reason and returns 0.
int load_sprite_files();
// The sprite half of the save on quit: every changed graphics file and the
// index, nothing when no sprite was replaced.
SaveContribution plan_sprite_files_save();
// Writes the sprite files alone as one atomic group; returns 0 and shows
// "Failed to save %s" on failure, with every original file left whole.
int save_sprite_files();
// Ctrl+T: exchanges TEAM3.DAT and TEAM2.DAT in entry 3.
void switch_team_file();
// Back to the sprites as loaded or last saved.
void revert_sprites();

// Marks a sprite of `entry` as replaced: the entry's modified flag, the
// sprite-modified mark and the unsaved_changes Application flag.
void mark_sprite_modified(int entry);
// Recomputes unsaved_changes from the other editors' changes and, when
// `count_sprite_entries`, the entries still modified.
void recompute_unsaved_changes(bool count_sprite_entries);
// The pitch files register whether they hold unsaved changes.
void set_pitch_changes_query(bool (*query)());
// Whether a sprite was replaced since loading or the last revert.
bool sprite_changes_pending();

}  // namespace tavu
