// The six pitches in memory: the Pitch table, loading all twelve files at
// start-up, the change marks, and the pitch half of the save on quit.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "pitch/pitch_format.h"
#include "shell/saving.h"

namespace tavu {

struct PitchRecord {
  std::vector<std::uint32_t> cells;    // the map, as read
  std::vector<std::uint8_t> patterns;  // the pattern file, as read (whole block)
  std::int32_t cell_count = 0;
  std::int32_t pattern_count = 0;
  std::uint8_t modified = 0;  // bit 0: differs from its files

  // Bytes of the patterns in use: pattern_count whole patterns.
  std::size_t pattern_bytes() const {
    return pattern_count > 0 ? static_cast<std::size_t>(pattern_count) * kPatternSize : 0;
  }
  // The 256 bytes a cell offset names, or nullptr when they do not lie wholly
  // inside the patterns in use (such a cell is drawn in colour 0).
  const std::uint8_t* pattern_at(std::uint32_t offset) const {
    return cell_in_patterns(offset, pattern_bytes()) ? patterns.data() + offset : nullptr;
  }
};

inline constexpr std::uint8_t kPitchModifiedBit = 1;

struct PitchFilesState {
  std::array<PitchRecord, kPitchCount> pitches;
  bool patterns_modified = false;
  bool map_modified = false;
};

PitchFilesState& pitch_files();
// Back to the state before loading (tests load several times in one process).
void reset_pitch_files();
// Pitch `index`, or nullptr outside 0..5.
PitchRecord* pitch_at(int index);

// A pitch from its two file images. A map of fewer than 2310 cells is
// refused: every operation reads and writes cells 0 to 2309.
bool make_pitch_record(std::span<const std::uint8_t> map_file,
                       std::span<const std::uint8_t> pattern_file, PitchRecord& out);

// Mode init slot: loads "pitch1.dat"/"pitch1.blk" to "pitch6.dat"/"pitch6.blk"
// and prepares the drawing; on failure records the start-up reason and
// returns 0.
int load_pitches();

enum class PitchChange { patterns, map };
// Marks pitch `index` changed: its modified bit, the change mark of the kind
// and the unsaved_changes Application flag.
void mark_pitch_changed(int index, PitchChange kind);
// True while either change mark is set.
bool pitch_changes_pending();

// The map and pattern files of every modified pitch (nothing when neither
// change mark is set). Committing clears the modified bits and the marks.
SaveContribution plan_pitch_save();
// Writes the pitch files alone as one atomic group; 0 on failure.
int save_pitches();

}  // namespace tavu
