// Pattern mode (F8): the 16x16 patterns of the six pitches.
#pragma once

#include <cstdint>
#include <string>

#include "pitch/pitch_files.h"
#include "shell/modes.h"

namespace tavu {

extern const char* const kPatternModeHelp;

struct PatternModeState {
  std::int8_t pitch_index = 0;
  std::int32_t pattern = 0;  // may run past either end until the range rule
  std::int8_t zoom = 1;      // 1-10
};

PatternModeState& pattern_mode_state();

// Brings the pitch index into 0..5 and then the pattern number into the
// pitch's patterns (0 when it has none).
void apply_range_rule(PatternModeState& st);

// Removes pattern n: the later patterns move one place down, cells showing
// n show pattern 0 and cells above n keep their graphics one number lower.
// False (nothing changes) when n is not a pattern of the pitch.
bool delete_pattern(PitchRecord& pitch, int n);
// Exchanges the graphics of patterns a and b; the cells stay as they are.
bool swap_patterns(PitchRecord& pitch, int a, int b);

// Ctrl matters only for F2 (Ctrl+F2 exports PNG).
int pattern_mode_key(std::uint32_t vk, bool ctrl = false);
// "PITCH 1 - PATTERN 0"
std::string pattern_mode_title();
std::uint8_t* draw_pattern_mode(std::uint8_t* framebuffer, int stride);

ModeDescriptor pattern_mode_descriptor();

}  // namespace tavu
