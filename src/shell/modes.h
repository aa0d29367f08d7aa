// The six editor modes, the key-to-mode table, key dispatch and the frame
// composition.
#pragma once

#include <array>
#include <cstdint>

#include "display/display.h"

namespace tavu {

struct ModeDescriptor {
  int (*init)();
  void (*enter)(int previous);
  void (*leave)();
  int (*keys)(std::uint32_t vk, std::int64_t lparam);
  std::uint8_t* (*draw)(std::uint8_t* framebuffer, int stride);
  const Palette* (*palette)();
  const char* help;
  const char* name;
  std::uint32_t hot_key;
  std::uint32_t modifiers;
};

inline constexpr int kModeCount = 6;
enum ModeIndex { kSpriteMode = 0, kPictureMode, kPitchMode, kPatternMode, kReplayMode, kTestMode };

extern const char* const kCommonHelp;

// The Mode table; replay mode rewrites its own draw slot during playback.
std::array<ModeDescriptor, kModeCount>& mode_table();
int current_mode();

void build_key_to_mode_table();
void switch_mode(int index);
// Out of the quit flow, back into the current mode (its enter slot again,
// its name shown); no change is lost.
void return_to_mode();
// Key dispatch of one WM_KEYDOWN.
void dispatch_key(std::uint32_t vk, std::int64_t lparam);
// One frame: the mode's draw, the help overlay and the Status message.
void compose_frame();

// Text colour of the overlays: the picture's label colour in picture mode.
void set_overlay_colour_source(int (*source)());

}  // namespace tavu
