// Test mode (F10): one player of the first team steered with the arrow keys
// over a fixed view of pitch 1, with its running and standing animation.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "display/keyboard_device.h"
#include "shell/modes.h"

namespace tavu {

extern const char* const kTestModeHelp;

// A frame list: values 0 and up are frames (sprite base + value); the
// negative values are codes.
using FrameList = std::span<const std::int32_t>;
inline constexpr std::int32_t kFrameRestart = -999;  // continue at the start
inline constexpr std::int32_t kFrameHold = -101;     // stay on the previous frame
// -1..-99: the current step lasts that many frames, then the next entry.
// -102 and below: jump back by (-value - 100) entries.

struct AnimationSet {
  std::int32_t initial_delay;
  std::array<FrameList, 8> lists;  // one per direction
};

const AnimationSet& standing_set();
const AnimationSet& running_set();

// Directions: 0 up, 1 up-right, 2 right, ... 7 up-left (y grows downward).
inline constexpr int kDirectionCount = 8;
inline constexpr int kViewX = 176;  // pitch pixel of the view's top-left corner
inline constexpr int kViewY = 324;
inline constexpr int kTestPitch = 0;
inline constexpr int kTestPitchType = 0;

struct TestPlayer {
  const std::array<std::int32_t, 7>* attributes;  // skill values; [5] is speed
  std::int32_t sprite_base = 0;
  const AnimationSet* animation_set;
  FrameList frame_list;
  std::int32_t frame_index = 0;
  std::int32_t step_delay = 0;
  std::int32_t countdown = 0;
  std::int32_t x = 336 << 16;  // 16.16 fixed point, pitch pixels
  std::int32_t y = 409 << 16;
  std::int32_t height = 0;  // 16.16, subtracted from y when drawing
  std::int32_t direction = 4;
  std::int32_t speed;           // from the speed table
  std::int32_t x_velocity = 0;  // 16.16 per frame
  std::int32_t y_velocity = 0;
  std::int32_t target_x = 336;  // 16-bit values
  std::int32_t target_y = 409;
  std::int32_t heading = 0;  // 0 up, 64 right, 128 down, 192 left; -1 at the target
  std::int32_t moving = 0;
  std::int32_t previous_moving = 0;
  std::int32_t sprite = 344;  // negative: none

  TestPlayer();
};

TestPlayer& test_player();

// The whole pixel of a 16.16 coordinate, read as a signed 16-bit value.
inline int whole_part(std::int32_t v) {
  return static_cast<std::int16_t>(v >> 16);
}

// 32767 x sin(2 pi k / 256), rounded, with the fourteen entries the game
// keeps one unit off.
const std::array<std::int32_t, 256>& sine_table();
// Angle of (dx, dy) within a quarter turn in 256ths of a turn, indexed
// [dy][dx]; [0][0] is -1.
const std::array<std::array<std::int32_t, 32>, 32>& angle_table();
// Speed by speed skill / 2, clamped to 0..7.
const std::array<std::int32_t, 8>& speed_table();

// Up + 2 x Right + 4 x Down + 8 x Left of the held arrow keys (VK-indexed
// state, top bit = down).
unsigned arrow_code(const KeyStateBytes& state);
// The direction an arrow code asks for, -1 for none.
int requested_direction(unsigned code);
// Bit d set: direction d would leave the allowed rectangle from (x, y).
unsigned blocked_directions(int x, int y);

// One animation advance: moves through the frame list until a frame (or a
// hold) is reached.
void advance_animation(TestPlayer& player);
// The player's part of a frame: target, velocity, animation set, speed,
// animation and movement, for a requested direction (-1 for none).
void step_test_player(TestPlayer& player, int requested);
// Pitch, player and the direction number into 320x200 at `stride`.
std::uint8_t* draw_test_mode(std::uint8_t* framebuffer, int stride);
// The Frame callback: reads the arrows, steps the player, asks for a redraw.
void test_mode_frame();

ModeDescriptor test_mode_descriptor();

}  // namespace tavu
