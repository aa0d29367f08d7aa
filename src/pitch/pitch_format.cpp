#include "pitch/pitch_format.h"

#include "shell/bytes.h"

namespace tavu {

std::string pitch_map_name(int pitch_number) {
  return "pitch" + std::to_string(pitch_number) + ".dat";
}

std::string pitch_pattern_name(int pitch_number) {
  return "pitch" + std::to_string(pitch_number) + ".blk";
}

std::vector<std::uint8_t> encode_pitch_map(std::span<const std::uint32_t> cells) {
  std::vector<std::uint8_t> out(cells.size() * 4);
  for (std::size_t i = 0; i < cells.size(); ++i) put_u32(out, i * 4, cells[i]);
  return out;
}

std::vector<std::uint32_t> decode_pitch_map(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint32_t> cells(bytes.size() / 4);
  for (std::size_t i = 0; i < cells.size(); ++i) cells[i] = get_u32(bytes, i * 4);
  return cells;
}

std::size_t pattern_count_for_size(std::size_t file_size) {
  return file_size / kPatternSize;
}

std::vector<std::uint8_t> encode_patterns(std::span<const std::uint8_t> pattern_bytes) {
  const std::size_t whole = pattern_count_for_size(pattern_bytes.size()) * kPatternSize;
  return {pattern_bytes.begin(), pattern_bytes.begin() + static_cast<std::ptrdiff_t>(whole)};
}

bool cell_in_patterns(std::uint32_t cell, std::size_t pattern_bytes) {
  return pattern_bytes >= kPatternSize && cell <= pattern_bytes - kPatternSize;
}

}  // namespace tavu
