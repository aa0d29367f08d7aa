#include "shell/modes.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "display/fullscreen.h"
#include "history/undo.h"
#include "pictures/picture_mode.h"
#include "pitch/pattern_mode.h"
#include "pitch/pitch_mode.h"
#include "replays/replay_mode.h"
#include "shell/added_keys.h"
#include "shell/app.h"
#include "shell/screenshot.h"
#include "shell/status.h"
#include "sprites/sprite_mode.h"
#include "sprites/text.h"
#include "testmode/test_mode.h"

namespace tavu {

const char* const kCommonHelp =
    "F1\t\t\t\t\t- toggle help\nA\t\t\t\t\t- about\nAlt + enter\t\t\t- toggle fullscreen\n";

namespace {

constexpr int kNoMode = 6;
constexpr std::size_t kHelpBufferSize = 4108;
constexpr std::uint32_t kAboutDuration = 4000;
constexpr std::uint32_t kModeNameDuration = 700;

struct ModeState {
  std::array<ModeDescriptor, kModeCount> table;
  std::array<std::uint8_t, 256> key_to_mode{};
  int current = 0;
  int (*overlay_colour)() = nullptr;
  std::array<char, kHelpBufferSize> help_buffer{};
  bool composing = false;
  bool compose_again = false;
  bool added_keys_shown = false;  // the help overlay lists the added keys
  int wheel_rest = 0;             // wheel movement short of a whole step
};

ModeState& modes() {
  static ModeState s = [] {
    ModeState m{};
    m.table = {sprite_mode_descriptor(),  picture_mode_descriptor(), pitch_mode_descriptor(),
               pattern_mode_descriptor(), replay_mode_descriptor(),  test_mode_descriptor()};
    return m;
  }();
  return s;
}

// The about message's credit line, kept scrambled so it does not show up as
// plain text in the program file.
constexpr unsigned char kCreditKey = 0x5A;
constexpr unsigned char kScrambledCredit[] = {0x17, 0x3b, 0x3e, 0x3f, 0x7a, 0x38, 0x23, 0x7a, 0x37,
                                              0x35, 0x3e, 0x3e, 0x3f, 0x28, 0x29, 0x7a, 0x3c, 0x35,
                                              0x28, 0x7a, 0x37, 0x35, 0x3e, 0x3e, 0x3f, 0x28, 0x29};

std::string credit_line() {
  std::string s;
  for (unsigned char c : kScrambledCredit) s.push_back(static_cast<char>(c ^ kCreditKey));
  return s;
}

// Bits of the modifier mask that are held now: 1 Alt, 2 Ctrl, 4 Shift, 8 Windows.
std::uint32_t held_modifiers() {
  auto& p = platform::current();
  std::uint32_t m = 0;
  if (p.key_down(platform::VK_MENU)) m |= 1;
  if (p.key_down(platform::VK_CONTROL)) m |= 2;
  if (p.key_down(platform::VK_SHIFT)) m |= 4;
  if (p.key_down(platform::VK_LWIN) || p.key_down(platform::VK_RWIN)) m |= 8;
  return m;
}

// The wheel in the modes that use it: the keys a step away from the user
// and a step towards the user stand for. Pitch mode scrolls by itself.
struct WheelKeys {
  std::uint32_t away;
  std::uint32_t towards;
};
constexpr std::array<WheelKeys, kModeCount> kWheelKeys = {{
    {platform::VK_LEFT, platform::VK_RIGHT},  // previous, next sprite
    {platform::VK_LEFT, platform::VK_RIGHT},  // previous, next picture
    {0, 0},
    {platform::VK_UP, platform::VK_DOWN},  // previous, next pattern
    {0, 0},
    {0, 0},
}};

int wheel_steps(ModeState& s, int steps) {
  if (s.current == kPitchMode) return pitch_mode_wheel(steps);
  const WheelKeys& k = kWheelKeys[s.current];
  if (k.away == 0) return 0;
  int handled = 0;
  for (int i = 0; i < (steps < 0 ? -steps : steps); ++i)
    handled |= s.table[s.current].keys(steps > 0 ? k.away : k.towards, 0);
  return handled;
}

int small_text_width(const char* text) {
  return measure_text(text, true, 0).width;
}

}  // namespace

std::uint32_t keypad_equivalent(std::uint32_t vk) {
  // Laptops have no keypad: the main keyboard's + (=) and - stand in for it.
  if (vk == platform::VK_OEM_PLUS) return platform::VK_ADD;
  if (vk == platform::VK_OEM_MINUS) return platform::VK_SUBTRACT;
  return vk;
}

std::array<ModeDescriptor, kModeCount>& mode_table() {
  return modes().table;
}
int current_mode() {
  return modes().current;
}

void set_overlay_colour_source(int (*source)()) {
  modes().overlay_colour = source;
}

void build_key_to_mode_table() {
  ModeState& s = modes();
  s.key_to_mode.fill(kNoMode);
  for (int i = 0; i < kModeCount; ++i)
    s.key_to_mode[s.table[i].hot_key & 0xFF] = static_cast<std::uint8_t>(i);
}

void switch_mode(int index) {
  ModeState& s = modes();
  int previous = s.current;
  s.current = index;
  s.table[previous].leave();
  s.table[index].enter(previous);
  show_status(s.table[index].name, kModeNameDuration, kTextTopRight);
}

void return_to_mode() {
  ModeState& s = modes();
  StatusState& st = status_state();
  st.quit_question = false;
  st.save_failed = false;
  s.table[s.current].enter(s.current);
  show_status(s.table[s.current].name, kModeNameDuration, kTextTopRight);
}

void dispatch_key(std::uint32_t vk, std::int64_t lparam) {
  ModeState& s = modes();
  StatusState& st = status_state();
  vk = keypad_equivalent(vk);
  if (st.quit_question) {
    quit_flow_key(vk);
    return;
  }
  // F12 works in every mode, also during playback and over a prompt.
  if (vk == platform::VK_F12) {
    save_screenshot();
    request_redraw();
    return;
  }
  if (st.key_capture) {
    if (st.key_capture(vk, lparam)) request_redraw();
    return;
  }
  if (vk == platform::VK_ESCAPE) {
    st.quit_question = true;
    s.table[s.current].leave();
    quit_flow_key(vk);
    request_redraw();
    return;
  }
  if (vk == 'A') {
    char about[256];
    std::snprintf(about, sizeof about, "%s %s\n%s", kProgramTitle, kProgramVersion,
                  credit_line().c_str());
    show_status(about, kAboutDuration, kTextCentred);
    request_redraw();
    return;
  }
  if (vk == platform::VK_F1) {
    // F1 the help, Shift+F1 the added keys; either hides what it showed, or
    // takes the other's place.
    const bool added = platform::current().key_down(platform::VK_SHIFT);
    if (app_flag(help_visible) && s.added_keys_shown == added) {
      set_app_flag(help_visible, false);
    } else {
      set_app_flag(help_visible, true);
      s.added_keys_shown = added;
    }
    request_redraw();
    return;
  }
  if (vk == 'Z' || vk == 'Y') {
    const std::uint32_t held = held_modifiers();
    if (history_key(vk, held & 2, held & 4, held & 1)) {
      request_redraw();
      return;
    }
  }
  if (vk < 256) {
    int m = s.key_to_mode[vk];
    if (m < kModeCount && (s.table[m].modifiers == 0 || held_modifiers() == s.table[m].modifiers)) {
      switch_mode(m);
      request_redraw();
      return;
    }
  }
  if (s.table[s.current].keys(vk, lparam)) request_redraw();
}

void dispatch_wheel(int delta) {
  ModeState& s = modes();
  const StatusState& st = status_state();
  // While a prompt, a question or the quit flow has the keyboard, the wheel
  // does nothing either.
  if (st.quit_question || st.key_capture) {
    s.wheel_rest = 0;
    return;
  }
  s.wheel_rest += delta;
  const int steps = s.wheel_rest / platform::WHEEL_DELTA;
  s.wheel_rest %= platform::WHEEL_DELTA;
  if (steps != 0 && wheel_steps(s, steps)) request_redraw();
}

namespace {

void compose_one_frame() {
  ModeState& s = modes();
  const bool full = app_flag(fullscreen);
  std::uint8_t* target = nullptr;
  int stride = kScreenWidth;
  if (full) {
    // A surface that cannot be locked twice running drops the frame.
    if (!lock_back_surface(stride, target) && !lock_back_surface(stride, target)) return;
  } else {
    target = framebuffer();
  }
  target = s.table[s.current].draw(target, stride);
  int colour = (s.current == kPictureMode && s.overlay_colour) ? s.overlay_colour() : -1;
  if (app_flag(help_visible)) {
    if (s.added_keys_shown) {
      added_keys_text(s.current, s.help_buffer.data(), s.help_buffer.size(), small_text_width);
    } else {
      const char* help = s.table[s.current].help;
      std::size_t common = std::strlen(kCommonHelp);
      std::memcpy(s.help_buffer.data(), kCommonHelp, common);
      std::size_t room = kHelpBufferSize - common - 1;
      std::size_t n = std::min(std::strlen(help), room);
      std::memcpy(s.help_buffer.data() + common, help, n);
      s.help_buffer[common + n] = '\0';
    }
    draw_text(s.help_buffer.data(), 16, 16, target, stride, 0, colour,
              s.current == kReplayMode ? 0x60 : 0x20);
  }
  const StatusState& st = status_state();
  if (st.showing) draw_text(st.text.c_str(), 0, 0, target, stride, 1, colour, st.flags);
  remember_shown_screen(target, stride);
  if (full) {
    unlock_back_surface();
    if (const Palette* waiting = take_waiting_palette())
      set_device_palette(*waiting);
    else
      wait_vertical_blank();
    present_back_surface();
  } else {
    present_window();
  }
}

}  // namespace

void compose_frame() {
  ModeState& s = modes();
  // A redraw requested while a frame is being drawn (in full screen requests
  // compose at once) gets one more frame afterwards instead of a nested one.
  if (s.composing) {
    s.compose_again = true;
    return;
  }
  s.composing = true;
  compose_one_frame();
  if (s.compose_again) {
    s.compose_again = false;
    compose_one_frame();
  }
  s.compose_again = false;
  s.composing = false;
}

}  // namespace tavu
