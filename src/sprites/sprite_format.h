// On-disk layout of the game's sprite graphics files and index file, and the
// conversion between the files' bit-planes and the in-memory chunky pixels.
// The editor's save and the demo data generator both write through here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavu {

inline constexpr int kSpriteCount = 1334;
inline constexpr std::size_t kSpriteHeaderSize = 24;
inline constexpr std::size_t kSpriteIndexSize = 5340;  // 1335 32-bit values
inline constexpr int kSpriteFileCount = 7;

// One sprite. Pixels are chunky (two 4-bit pixels per byte, high nibble left)
// except while a save converts them to bit-planes.
struct SpriteRecord {
  std::vector<std::uint8_t> pixels;
  std::uint32_t data_length = 0;  // width_words * height * 8
  std::uint16_t file_entry = 0;   // Sprite file table entry holding the sprite
  std::uint8_t replaced = 0;      // set when the image came from a bitmap
  std::uint8_t field9 = 0;        // kept as read
  std::int16_t width = 0;
  std::int16_t height = 0;
  std::int16_t width_words = 0;
  std::int16_t centre_x = 0;
  std::int16_t centre_y = 0;
  std::uint8_t field20 = 0;  // shown as "Field 20", never changed
  std::uint8_t field21 = 0;  // height / 4 when replaced
  std::int16_t ordinal = 0;
};

struct SpriteFileSpec {
  const char* name;
  int count;
  int first;
};

// Sprite file table: the seven graphics files in index order. Entries 4 and 5
// name the same file.
inline constexpr std::array<SpriteFileSpec, kSpriteFileCount> kSpriteFiles = {{
    {"CHARSET.DAT", 227, 0},
    {"SCORE.DAT", 114, 227},
    {"TEAM1.DAT", 303, 341},
    {"TEAM3.DAT", 303, 644},
    {"GOAL1.DAT", 116, 947},
    {"GOAL1.DAT", 116, 1063},
    {"BENCH.DAT", 155, 1179},
}};
inline constexpr const char* kSpriteIndexName = "SPRITE.DAT";

// Pixel bytes of a sprite from its header: width in words * height * 8, with
// both read as unsigned 16-bit values. Negative fields therefore give large
// sizes that callers check against the file, never a negative size.
std::uint32_t sprite_data_length(std::int16_t width_words, std::int16_t height);

// Decodes a 24-byte header (the offset field is ignored). Pixels stay empty.
SpriteRecord parse_sprite_header(std::span<const std::uint8_t, kSpriteHeaderSize> bytes);

// Encodes a header as saved: `data_offset` in bytes 0-3, bytes 4-8 zero.
void write_sprite_header(const SpriteRecord& sprite, std::uint32_t data_offset,
                         std::span<std::uint8_t, kSpriteHeaderSize> out);

// In-place conversions of one sprite's pixel buffer (height rows of
// width_words * 8 bytes); exact inverses. Height or width 0 leaves it alone.
void planar_to_chunky(std::span<std::uint8_t> pixels, std::uint16_t height,
                      std::uint16_t width_words);
void chunky_to_planar(std::span<std::uint8_t> pixels, std::uint16_t height,
                      std::uint16_t width_words);
void planar_to_chunky(SpriteRecord* sprite);
void chunky_to_planar(SpriteRecord* sprite);

// Builds a graphics file image from sprites whose pixels are in bit-plane
// form: each header (offset field = position of its pixel data + base) then
// its pixel data.
std::vector<std::uint8_t> build_file_image(std::span<const SpriteRecord> sprites,
                                           std::uint32_t base);

// The 1335 index values from the 1334 data lengths: sprites 0-226 count from
// the start of CHARSET.DAT, 227-1333 run on across SCORE, TEAM1, team file,
// GOAL1, GOAL1, BENCH; value 1334 is 0.
std::array<std::uint32_t, kSpriteCount + 1> compute_sprite_index(
    std::span<const std::uint32_t, kSpriteCount> data_lengths);
std::vector<std::uint8_t> encode_sprite_index(
    const std::array<std::uint32_t, kSpriteCount + 1>& values);

}  // namespace tavu
