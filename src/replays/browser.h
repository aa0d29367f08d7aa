// The replay browser: over the title picture a "SELECT VIEW" menu, then the
// list of the directory's highlight or replay files; Enter on a file starts
// its playback.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "replays/menus.h"
#include "replays/recording_format.h"

namespace tavu {

inline constexpr std::size_t kMaxListedFiles = 45;
inline constexpr std::uint32_t kAnimationTimer = 3;
// Menu tags: ".HIL" and ".RPL" as 32-bit values, first character highest.
inline constexpr std::uint32_t kHighlightTag = 0x2E48494Cu;
inline constexpr std::uint32_t kReplayTag = 0x2E52504Cu;

// The files of one pattern: each listed file's name for the menu (without
// its last four characters) and its full name, which is what is opened.
struct RecordingList {
  std::vector<std::string> names;
  std::vector<std::string> files;
  bool too_many = false;  // a 46th file was found: 44 are kept
};

// Takes the matches in the order the directory returned them.
RecordingList list_recordings(std::span<const std::string> matches);

struct BrowserState {
  RecordingList highlights;
  RecordingList replays;
  Menu* highlight_menu = nullptr;
  Menu* replay_menu = nullptr;
  Menu* main_menu = nullptr;
  std::uint32_t animation_interval = 70;
  bool return_pending = false;
  int return_mode = 0;
};

BrowserState& browser();
// Forgets the lists, the menus and the warnings (tests start afresh).
void reset_browser();

// The mode's slots.
int browser_init();
void browser_enter(int previous);
void browser_leave();
int browser_keys(std::uint32_t vk, std::int64_t lparam);
std::uint8_t* draw_browser(std::uint8_t* fb, int stride);

void start_animation_timer();
void stop_animation_timer();

}  // namespace tavu
