#include "platform/sdl/sdl_input.h"

#include <SDL2/SDL_mouse.h>

#include <algorithm>
#include <cmath>

namespace tavu::platform::sdl {
namespace {

// Codes Windows has for keys the program itself never names.
constexpr std::uint32_t VK_CAPITAL = 0x14;
constexpr std::uint32_t VK_SNAPSHOT = 0x2C;
constexpr std::uint32_t VK_APPS = 0x5D;
constexpr std::uint32_t VK_NUMLOCK = 0x90;
constexpr std::uint32_t VK_SCROLL = 0x91;
constexpr std::uint32_t VK_OEM_1 = 0xBA;  // ;:
constexpr std::uint32_t VK_OEM_COMMA = 0xBC;
constexpr std::uint32_t VK_OEM_PERIOD = 0xBE;
constexpr std::uint32_t VK_OEM_2 = 0xBF;  // /?
constexpr std::uint32_t VK_OEM_3 = 0xC0;  // `~
constexpr std::uint32_t VK_OEM_4 = 0xDB;  // [{
constexpr std::uint32_t VK_OEM_5 = 0xDC;  // \|
constexpr std::uint32_t VK_OEM_6 = 0xDD;  // ]}
constexpr std::uint32_t VK_OEM_7 = 0xDE;  // '"
constexpr std::uint32_t VK_OEM_102 = 0xE2;

constexpr KeyCode same(std::uint32_t vk) {
  return {vk, vk};
}

// Keys whose meaning is their position on the keyboard.
KeyCode by_scancode(SDL_Scancode sc) {
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return same('1' + (sc - SDL_SCANCODE_1));
  if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9)
    return same(VK_NUMPAD0 + 1 + (sc - SDL_SCANCODE_KP_1));
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return same(VK_F1 + (sc - SDL_SCANCODE_F1));
  if (sc >= SDL_SCANCODE_F13 && sc <= SDL_SCANCODE_F24)
    return same(VK_F1 + 12 + (sc - SDL_SCANCODE_F13));
  switch (sc) {
    case SDL_SCANCODE_0:
      return same('0');
    case SDL_SCANCODE_KP_0:
      return same(VK_NUMPAD0);
    case SDL_SCANCODE_KP_PLUS:
      return same(VK_ADD);
    case SDL_SCANCODE_KP_MINUS:
      return same(VK_SUBTRACT);
    case SDL_SCANCODE_KP_MULTIPLY:
      return same(VK_MULTIPLY);
    case SDL_SCANCODE_KP_DIVIDE:
      return same(VK_DIVIDE);
    case SDL_SCANCODE_KP_PERIOD:
      return same(VK_DECIMAL);
    case SDL_SCANCODE_KP_ENTER:
      return same(VK_RETURN);
    case SDL_SCANCODE_RETURN:
      return same(VK_RETURN);
    case SDL_SCANCODE_ESCAPE:
      return same(VK_ESCAPE);
    case SDL_SCANCODE_BACKSPACE:
      return same(VK_BACK);
    case SDL_SCANCODE_TAB:
      return same(VK_TAB);
    case SDL_SCANCODE_SPACE:
      return same(VK_SPACE);
    case SDL_SCANCODE_PAUSE:
      return same(VK_PAUSE);
    case SDL_SCANCODE_INSERT:
      return same(VK_INSERT);
    case SDL_SCANCODE_DELETE:
      return same(VK_DELETE);
    case SDL_SCANCODE_HOME:
      return same(VK_HOME);
    case SDL_SCANCODE_END:
      return same(VK_END);
    case SDL_SCANCODE_PAGEUP:
      return same(VK_PRIOR);
    case SDL_SCANCODE_PAGEDOWN:
      return same(VK_NEXT);
    case SDL_SCANCODE_LEFT:
      return same(VK_LEFT);
    case SDL_SCANCODE_RIGHT:
      return same(VK_RIGHT);
    case SDL_SCANCODE_UP:
      return same(VK_UP);
    case SDL_SCANCODE_DOWN:
      return same(VK_DOWN);
    case SDL_SCANCODE_CAPSLOCK:
      return same(VK_CAPITAL);
    case SDL_SCANCODE_NUMLOCKCLEAR:
      return same(VK_NUMLOCK);
    case SDL_SCANCODE_SCROLLLOCK:
      return same(VK_SCROLL);
    case SDL_SCANCODE_PRINTSCREEN:
      return same(VK_SNAPSHOT);
    case SDL_SCANCODE_APPLICATION:
      return same(VK_APPS);
    case SDL_SCANCODE_NONUSBACKSLASH:
      return same(VK_OEM_102);
    case SDL_SCANCODE_LSHIFT:
      return {VK_SHIFT, VK_LSHIFT};
    case SDL_SCANCODE_RSHIFT:
      return {VK_SHIFT, VK_RSHIFT};
    case SDL_SCANCODE_LCTRL:
      return {VK_CONTROL, VK_LCONTROL};
    case SDL_SCANCODE_RCTRL:
      return {VK_CONTROL, VK_RCONTROL};
    case SDL_SCANCODE_LALT:
      return {VK_MENU, VK_LMENU};
    case SDL_SCANCODE_RALT:
      return {VK_MENU, VK_RMENU};
    case SDL_SCANCODE_LGUI:
      return same(VK_LWIN);
    case SDL_SCANCODE_RGUI:
      return same(VK_RWIN);
    default:
      return {};
  }
}

// Punctuation follows the layout, as Windows' OEM codes do.
KeyCode by_keycode(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return same('A' + (key - SDLK_a));
  switch (key) {
    case SDLK_SEMICOLON:
      return same(VK_OEM_1);
    case SDLK_EQUALS:
    case SDLK_PLUS:
      return same(VK_OEM_PLUS);
    case SDLK_COMMA:
      return same(VK_OEM_COMMA);
    case SDLK_MINUS:
      return same(VK_OEM_MINUS);
    case SDLK_PERIOD:
      return same(VK_OEM_PERIOD);
    case SDLK_SLASH:
      return same(VK_OEM_2);
    case SDLK_BACKQUOTE:
      return same(VK_OEM_3);
    case SDLK_LEFTBRACKET:
      return same(VK_OEM_4);
    case SDLK_BACKSLASH:
      return same(VK_OEM_5);
    case SDLK_RIGHTBRACKET:
      return same(VK_OEM_6);
    case SDLK_QUOTE:
      return same(VK_OEM_7);
    default:
      return {};
  }
}

bool is_modifier_pair(std::uint32_t vk) {
  return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU;
}

std::uint64_t ticks_for_ms(std::uint64_t frequency, std::uint64_t ms) {
  return std::max<std::uint64_t>(1, frequency * ms / 1000);
}

}  // namespace

KeyCode key_code_for(SDL_Scancode scancode, SDL_Keycode keycode) {
  if (KeyCode k = by_scancode(scancode); k.vk != 0) return k;
  if (KeyCode k = by_keycode(keycode); k.vk != 0) return k;
  // Layouts without Latin letters still give the letter keys their codes.
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
    return same('A' + (scancode - SDL_SCANCODE_A));
  return {};
}

bool KeyboardState::down(std::uint32_t vk) const {
  return vk < down_.size() && down_[vk];
}

Message KeyboardState::down_message(std::uint32_t vk, bool repeated) const {
  const bool alt = down(VK_MENU);
  Message m;
  m.message = (alt || vk == VK_F10) ? WM_SYSKEYDOWN : WM_KEYDOWN;
  m.wparam = vk;
  m.lparam = 1 | (alt ? kKeyAltBit : 0) | (repeated ? kKeyRepeatBit : 0);
  return m;
}

Message KeyboardState::press(const KeyCode& key) {
  if (key.vk < down_.size()) down_[key.vk] = true;
  if (key.side_vk < down_.size()) down_[key.side_vk] = true;
  return down_message(key.vk, false);
}

Message KeyboardState::repeat(const KeyCode& key) const {
  return down_message(key.vk, true);
}

Message KeyboardState::release(const KeyCode& key) {
  const bool alt_before = down(VK_MENU);
  if (key.side_vk < down_.size()) down_[key.side_vk] = false;
  if (key.vk < down_.size()) down_[key.vk] = false;
  if (is_modifier_pair(key.vk)) {
    // The generic code stays down while the other side is held.
    const std::uint32_t left = key.vk == VK_SHIFT     ? VK_LSHIFT
                               : key.vk == VK_CONTROL ? VK_LCONTROL
                                                      : VK_LMENU;
    down_[key.vk] = down_[left] || down_[left + 1];
  }
  const bool alt_after = down(VK_MENU);
  Message m;
  m.message = (alt_before || key.vk == VK_F10) ? WM_SYSKEYUP : WM_KEYUP;
  m.wparam = key.vk;
  m.lparam =
      static_cast<std::int64_t>(1u | (alt_after ? kKeyAltBit : 0) | kKeyRepeatBit | kKeyUpBit);
  return m;
}

KeyRepeater::KeyRepeater(std::uint64_t frequency)
    : delay_(ticks_for_ms(frequency, 250)), period_(ticks_for_ms(frequency, 33)) {}

void KeyRepeater::pressed(const KeyCode& key, std::uint64_t now) {
  key_ = key;
  due_ = now + delay_;
}

void KeyRepeater::released(const KeyCode& key) {
  if (key_ && key_->side_vk == key.side_vk) key_.reset();
}

std::optional<std::uint64_t> KeyRepeater::next_due() const {
  if (!key_) return std::nullopt;
  return due_;
}

std::optional<KeyCode> KeyRepeater::take_due(std::uint64_t now) {
  if (!key_ || now < due_) return std::nullopt;
  due_ += period_;
  // After a stall, go on from now rather than firing a burst of repeats.
  if (due_ <= now) due_ = now + period_;
  return key_;
}

std::uint32_t mouse_button_message(std::uint8_t button, bool pressed, int clicks) {
  const bool second_click = clicks >= 2 && clicks % 2 == 0;
  if (button == SDL_BUTTON_LEFT) {
    if (!pressed) return WM_LBUTTONUP;
    return second_click ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
  }
  if (button == SDL_BUTTON_RIGHT) {
    if (!pressed) return WM_RBUTTONUP;
    return second_click ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN;
  }
  return 0;
}

int wheel_delta(int y, float precise_y, bool flipped) {
  // Older SDL leaves precise_y 0; a notch is then all there is.
  const float turned = precise_y != 0.0f ? precise_y : static_cast<float>(y);
  const long delta = std::lround(turned * WHEEL_DELTA);
  const long clamped = std::clamp(delta, -32768L, 32767L);
  return static_cast<int>(flipped ? -clamped : clamped);
}

namespace {
std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
}  // namespace

std::vector<std::uint32_t> icon_pixels(std::span<const std::uint8_t> ico, int& size) {
  size = 0;
  // ICONDIR (6 bytes), then a 16-byte entry per image: its bytes at 8, its
  // offset at 12. The image is a BITMAPINFOHEADER with twice the height
  // (colours, then the AND mask), then bottom-up rows.
  constexpr std::size_t kDir = 6, kEntry = 16, kInfo = 40;
  if (ico.size() < kDir + kEntry || le16(ico, 0) != 0 || le16(ico, 2) != 1 || le16(ico, 4) == 0)
    return {};
  const std::uint64_t bytes = le32(ico, kDir + 8);
  const std::uint64_t offset = le32(ico, kDir + 12);
  if (offset + bytes > ico.size() || bytes < kInfo) return {};
  const auto image = ico.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(bytes));
  const auto width = static_cast<std::int32_t>(le32(image, 4));
  const auto height = static_cast<std::int32_t>(le32(image, 8));
  if (le32(image, 0) != kInfo || le16(image, 14) != 32 || le32(image, 16) != 0 || width <= 0 ||
      width > 256 || height != 2 * width)
    return {};
  const auto side = static_cast<std::size_t>(width);
  if (kInfo + side * side * 4 > image.size()) return {};
  std::vector<std::uint32_t> argb(side * side);
  for (std::size_t y = 0; y < side; ++y)
    for (std::size_t x = 0; x < side; ++x) {
      const std::size_t at = kInfo + ((side - 1 - y) * side + x) * 4;
      // BGRA in the file is ARGB8888 read as a little-endian word.
      argb[y * side + x] = le32(image, at);
    }
  size = width;
  return argb;
}

std::uint8_t dik_for_scancode(SDL_Scancode scancode) {
  switch (scancode) {
    case SDL_SCANCODE_KP_ENTER:
      return 0x9C;
    case SDL_SCANCODE_MINUS:
      return 0x0C;
    case SDL_SCANCODE_EQUALS:
      return 0x0D;
    case SDL_SCANCODE_LEFTBRACKET:
      return 0x1A;
    case SDL_SCANCODE_RIGHTBRACKET:
      return 0x1B;
    case SDL_SCANCODE_SEMICOLON:
      return 0x27;
    case SDL_SCANCODE_APOSTROPHE:
      return 0x28;
    case SDL_SCANCODE_GRAVE:
      return 0x29;
    case SDL_SCANCODE_BACKSLASH:
      return 0x2B;
    case SDL_SCANCODE_COMMA:
      return 0x33;
    case SDL_SCANCODE_PERIOD:
      return 0x34;
    case SDL_SCANCODE_SLASH:
      return 0x35;
    default:
      // Letters by position too: no key code, so the scan code decides.
      return dik_for_vk(key_code_for(scancode, SDLK_UNKNOWN).side_vk);
  }
}

}  // namespace tavu::platform::sdl
