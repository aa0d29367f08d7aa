// Pure pieces of the SDL backend: SDL keys to virtual-key codes, the key
// messages Windows would send, our own key repeat and mouse button messages. Nothing here
// touches the video subsystem.
#pragma once

#include <SDL2/SDL_keyboard.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/platform.h"

namespace tavu::platform::sdl {

// A physical key as the program sees it: the code its messages carry and the
// side-specific code key_down() can ask for (VK_LSHIFT for left Shift; the
// same as `vk` for keys without sides).
struct KeyCode {
  std::uint32_t vk = 0;
  std::uint32_t side_vk = 0;
  friend bool operator==(const KeyCode&, const KeyCode&) = default;
};

// Numeric pad, top-row digits, function, navigation and editing keys by
// position, letters by the layout; vk 0 for keys the program has no code for.
KeyCode key_code_for(SDL_Scancode scancode, SDL_Keycode keycode);

// Keys held, as far as the messages handed out say, and the messages Windows
// sends for presses, repeats and releases.
class KeyboardState {
 public:
  Message press(const KeyCode& key);
  Message repeat(const KeyCode& key) const;
  Message release(const KeyCode& key);
  bool down(std::uint32_t vk) const;
  void clear() { down_.fill(false); }

 private:
  Message down_message(std::uint32_t vk, bool repeated) const;
  std::array<bool, 256> down_{};
};

// Typematic repeat of the most recently pressed key, on the counter's clock:
// first after 250 ms, then every 33 ms.
class KeyRepeater {
 public:
  explicit KeyRepeater(std::uint64_t frequency);
  void pressed(const KeyCode& key, std::uint64_t now);
  void released(const KeyCode& key);
  void cancel() { key_.reset(); }
  std::optional<std::uint64_t> next_due() const;
  // The key to repeat when one is due at `now`; schedules the next repeat.
  std::optional<KeyCode> take_due(std::uint64_t now);

 private:
  std::uint64_t delay_;
  std::uint64_t period_;
  std::optional<KeyCode> key_;
  std::uint64_t due_ = 0;
};

// The mouse message for an SDL button event (0 for buttons the program does
// not use). Every second click of a run is a double click, as with
// CS_DBLCLKS: down, up, double click, up.
std::uint32_t mouse_button_message(std::uint8_t button, bool pressed, int clicks);

// WM_MOUSEWHEEL's distance (WHEEL_DELTA per notch, positive away from the
// user) for an SDL wheel event's vertical movement: whole notches from `y`,
// finer movement from `precise_y` where SDL has it; `flipped` when the
// system reverses the direction ("natural scrolling").
int wheel_delta(int y, float precise_y, bool flipped);

// The first image of a Windows icon file, when it is 32-bit BGRA: its
// pixels as ARGB8888, top row first, and its side in `size`. Empty for any
// other or damaged file.
std::vector<std::uint32_t> icon_pixels(std::span<const std::uint8_t> ico, int& size);

// The DirectInput key code of a key by its position; 0 for keys without one.
std::uint8_t dik_for_scancode(SDL_Scancode scancode);

}  // namespace tavu::platform::sdl
