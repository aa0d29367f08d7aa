// On-disk layout of the pitch files: a map file of 32-bit little-endian cell
// byte offsets into the same pitch's pattern file, and a pattern file of
// 16x16 one-byte-per-pixel tiles. The editor's save and the demo data
// generator both write through here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavu {

inline constexpr int kPitchCount = 6;
inline constexpr int kPitchColumns = 42;
inline constexpr int kPitchRows = 55;                           // rows 0-54; 1-53 are visible
inline constexpr int kPitchCells = kPitchColumns * kPitchRows;  // 2310
inline constexpr int kPatternSide = 16;
inline constexpr std::size_t kPatternSize = 256;

// "pitch1.dat" .. "pitch6.dat" and "pitch1.blk" .. "pitch6.blk" for
// pitch numbers 1-6 (the index plus one).
std::string pitch_map_name(int pitch_number);
std::string pitch_pattern_name(int pitch_number);

// The cell showing pattern k holds k * 256.
inline constexpr std::uint32_t cell_for_pattern(std::uint32_t pattern) {
  return pattern * static_cast<std::uint32_t>(kPatternSize);
}

// Map file bytes from cells, and back. Decoding takes size / 4 cells and
// ignores a trailing partial cell.
std::vector<std::uint8_t> encode_pitch_map(std::span<const std::uint32_t> cells);
std::vector<std::uint32_t> decode_pitch_map(std::span<const std::uint8_t> bytes);

// Pattern file bytes: whole patterns only, so a trailing partial pattern is
// never written.
std::size_t pattern_count_for_size(std::size_t file_size);
std::vector<std::uint8_t> encode_patterns(std::span<const std::uint8_t> pattern_bytes);

// True when `cell` names a pattern that lies wholly inside the pattern data.
bool cell_in_patterns(std::uint32_t cell, std::size_t pattern_bytes);

}  // namespace tavu
