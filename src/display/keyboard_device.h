// The keyboard state that pitch-mode scrolling polls every frame: the
// keyboard device (indexed by DirectInput key codes) where the platform has
// one, else the window's key state (indexed by virtual-key codes). In both a
// byte with its top bit set means the key is down.
#pragma once

#include <array>
#include <cstdint>

namespace tavu {

using KeyStateBytes = std::array<std::uint8_t, 256>;

// DirectInput codes of the arrow keys.
inline constexpr std::uint8_t DIK_UP = 0xC8;
inline constexpr std::uint8_t DIK_LEFT = 0xCB;
inline constexpr std::uint8_t DIK_RIGHT = 0xCD;
inline constexpr std::uint8_t DIK_DOWN = 0xD0;

// Window creation opens the device; its result sets `keyboard_device`.
bool open_keyboard_device();
// Fills `state` by DirectInput code; false when the device cannot be read.
bool read_keyboard_state(KeyStateBytes& state);
void close_keyboard_device();
// GetKeyboardState: fills `state` by virtual-key code; false on failure.
bool get_keyboard_state(KeyStateBytes& state);

}  // namespace tavu
