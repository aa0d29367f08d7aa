// Pitch mode (F7): a scrolling view of one pitch, with edit mode.
#pragma once

#include <cstdint>
#include <string>

#include "shell/modes.h"

namespace tavu {

extern const char* const kPitchModeHelp;

inline constexpr int kMaxScrollX = 352;
inline constexpr int kMaxScrollY = 648;       // Page Down and End
inline constexpr int kMaxArrowScrollY = 647;  // the Down arrow stops one short
inline constexpr int kMaxCursorX = 304;
inline constexpr int kMaxCursorY = 192;
inline constexpr std::uint32_t kBlinkTimer = 2;
inline constexpr std::uint32_t kBlinkMs = 100;

struct PitchModeState {
  std::int16_t scroll_x = 0;
  std::int16_t scroll_y = 0;
  std::int16_t cursor_x = 0;  // tile-buffer pixels, multiples of 16
  std::int16_t cursor_y = 0;
  std::uint8_t blink = 0;  // 0-7
  std::int8_t pitch_index = 0;
  bool edit_mode = false;
  bool show_numbers = false;
  bool blink_timer_running = false;
  bool smooth_scrolling = true;  // cleared for good when the key state cannot be read
  std::uint8_t max_step = 5;
  std::int32_t scroll_step = 1;
};

PitchModeState& pitch_mode_state();

// The key table; `ctrl` is whether Ctrl is held. The Frame callback passes
// lParam -1 for the arrows it polls.
int pitch_mode_key(std::uint32_t vk, std::int64_t lparam, bool ctrl);
// The mouse wheel: the view 16 pixels up per step away from the user (steps
// > 0), down per step towards the user. Edit mode keeps it on whole tiles.
int pitch_mode_wheel(int steps);
// The Frame callback of smooth scrolling.
void scroll_pitch_frame();
// Window timer 2 in edit mode.
void blink_tick();
// "PITCH 3 - wet (edit mode)"
std::string pitch_mode_title();
std::uint8_t* draw_pitch_mode(std::uint8_t* framebuffer, int stride);
// The leave slot, which test mode shares: stops the Frame callback (and the
// blink timer, which starts again when pitch mode is entered in edit mode).
void leave_pitch_mode();

ModeDescriptor pitch_mode_descriptor();

}  // namespace tavu
