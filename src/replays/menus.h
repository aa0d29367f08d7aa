// Replay mode's two small facilities: menus (a titled grid of text entries
// walked with the arrow keys) and warnings (messages shown one at a time in a
// box with an "OK" button, each waiting for Enter).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "shell/modes.h"
#include "sprites/sprite_format.h"

namespace tavu {

inline constexpr std::uint8_t kNoNeighbour = 255;

struct MenuEntry {
  // Top-left of the box on screen. Signed: the box of a very long name may
  // start left of the screen, and drawing clips it.
  int x = 0;
  int y = 0;
  std::string text;
  std::int32_t index = 0;  // position of the text in the list the menu was made from
  int text_width = 0;
  std::uint8_t up = kNoNeighbour;
  std::uint8_t down = kNoNeighbour;
  std::uint8_t left = kNoNeighbour;
  std::uint8_t right = kNoNeighbour;
  std::uint8_t colour = 0;  // texture colour index of the box
};

struct Menu;
using MenuCallback = void (*)(const Menu& menu, const MenuEntry& entry, std::uint32_t tag);

// Menu flags.
inline constexpr std::uint8_t kMenuVisible = 1;
inline constexpr std::uint8_t kMenuLargeFont = 2;
inline constexpr std::uint8_t kMenuHasBack = 4;

// Creation flags.
inline constexpr std::uint32_t kCreateHidden = 1;
inline constexpr std::uint32_t kCreateBack = 2;
inline constexpr std::uint32_t kCreateSorted = 4;
inline constexpr std::uint32_t kCreateLargeFont = 8;

struct Menu {
  int box_width = 0;
  int box_height = 0;
  std::string title;
  std::uint8_t flags = 0;
  std::uint8_t mode = 0;
  std::uint32_t tag = 0;
  MenuCallback callback = nullptr;
  std::uint8_t entry_count = 0;  // "BACK" included
  std::uint8_t selected = 0;
  std::uint8_t entry_colour = 0;
  Menu* parent = nullptr;
  Menu* next = nullptr;
  std::vector<MenuEntry> entries;

  bool has_back() const { return (flags & kMenuHasBack) != 0; }
  bool visible() const { return (flags & kMenuVisible) != 0; }
};

// At most this many texts, so that every index and "BACK" fit the 8-bit
// fields; later texts are left out.
inline constexpr std::size_t kMaxMenuTexts = 254;

// The layout of a new menu (sorting, box size, columns, rows, neighbours,
// "BACK"), measured with the glyphs of `font`. Nothing for no texts.
std::unique_ptr<Menu> layout_menu(std::span<const SpriteRecord> font, const std::string& title,
                                  std::vector<std::string> texts, std::uint8_t mode,
                                  MenuCallback callback, std::uint8_t entry_colour,
                                  std::uint32_t creation_flags, std::uint32_t tag);

// The colour a texture colour index adds to the "fill.256" pixel below.
std::uint8_t texture_offset(std::uint8_t colour_index);
// Palette index of the selection frame for animation step 0..7.
std::uint8_t animation_colour(int step);

// A queued warning.
struct Warning {
  std::string text;
  int mode = 0;
};

// Every menu (newest first), the current one, the warning queue and the
// animation step.
struct MenuSystem {
  std::vector<std::unique_ptr<Menu>> owned;
  Menu* head = nullptr;
  Menu* current = nullptr;
  std::deque<Warning> warnings;
  int animation_step = 0;
};

MenuSystem& menu_system();
void reset_menu_system();

// Makes a menu from the loaded character set, links it at the head of the
// list and makes it current; nullptr for no texts.
Menu* make_menu(const std::string& title, std::vector<std::string> texts, std::uint8_t mode,
                MenuCallback callback, std::uint8_t entry_colour, std::uint32_t creation_flags,
                std::uint32_t tag);
void open_menu(Menu* menu);
void close_current_menu();
void back_to_parent();
// The browser keys other than Enter's warning and pending-return cases.
int menu_keys(std::uint32_t vk);

// Appends a copy of `text` for `mode`. Every message of the recordings, the
// browser and the team sprites is a warning of replay mode.
void queue_warning(const std::string& text, int mode = kReplayMode);
// The first warning of `mode`, or nullptr.
const Warning* first_warning(int mode);
void remove_first_warning(int mode);

// Drawing. `fill` is the "fill.256" pixels (nullptr draws as if they were
// all 0); everything is clipped to the 320x200 screen.
void fill_textured(std::uint8_t* fb, int stride, const std::uint8_t* fill, int x0, int y0, int x1,
                   int y1, std::uint8_t colour_index);
void draw_frame_rect(std::uint8_t* fb, int stride, int x0, int y0, int x1, int y1,
                     std::uint8_t colour);
void draw_menu(const Menu& menu, std::uint8_t* fb, int stride, const std::uint8_t* fill,
               int animation_step);
// The first warning of `mode` in its box; a text too large for the screen
// is dropped from the queue instead. False when none was drawn.
bool draw_first_warning(int mode, std::uint8_t* fb, int stride, const std::uint8_t* fill,
                        int animation_step);

}  // namespace tavu
