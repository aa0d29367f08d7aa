// F12 in every mode: what the screen shows (320x200 in the palette shown)
// as the next "shot0001.png", "shot0002.png" ... of the game directory.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "display/display.h"

namespace tavu {

// The frame composition keeps what it drew last, before it is shown.
void remember_shown_screen(const std::uint8_t* target, int stride);
// The last composed screen (all 0 before the first).
std::span<const std::uint8_t> shown_screen();

// "shot%04d.png" one past the highest number there (ignoring case), from 1;
// empty when 9999 is taken.
std::string next_shot_name(const std::vector<std::string>& existing);

// F12: writes the screen through the shared writer and shows "Saved NAME
// OK" (or "Save failed" and why). An open prompt or question stays on
// screen under the message.
void save_screenshot();

}  // namespace tavu
