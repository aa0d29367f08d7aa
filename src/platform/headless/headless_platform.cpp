#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/fd_io.h"

namespace tavu::platform {

HeadlessPlatform::HeadlessPlatform(ScreenSize screen)
    : screen_(screen), frame_(kFrameWidth * kFrameHeight, 0) {}

void HeadlessPlatform::push_input(const Message& message,
                                  std::optional<std::pair<std::uint32_t, bool>> key_change) {
  input_.push_back({message, key_change});
}

void HeadlessPlatform::advance(std::uint32_t ms) {
  wait_until_ = now_ + static_cast<std::uint64_t>(ms) * (kFrequency / 1000);
}

std::optional<Message> HeadlessPlatform::next_input() {
  if (input_.empty()) return std::nullopt;
  Input in = input_.front();
  input_.pop_front();
  if (in.key_change) keys_[in.key_change->first & 0xFF] = in.key_change->second;
  return in.message;
}

void HeadlessPlatform::wait(std::optional<std::uint64_t> deadline) {
  for (;;) {
    if (!input_.empty() || exit_code_) return;
    if (wait_until_ > now_) {
      now_ = deadline ? std::min(std::max(*deadline, now_), wait_until_) : wait_until_;
      return;
    }
    if (deadline && *deadline <= now_) return;
    if (!idle_) {
      exit_code_ = 0;
      return;
    }
    idle_();
  }
}

bool HeadlessPlatform::key_down(std::uint32_t vk) {
  switch (vk) {
    case VK_SHIFT:
      return keys_[VK_SHIFT] || keys_[VK_LSHIFT] || keys_[VK_RSHIFT];
    case VK_CONTROL:
      return keys_[VK_CONTROL] || keys_[VK_LCONTROL] || keys_[VK_RCONTROL];
    case VK_MENU:
      return keys_[VK_MENU] || keys_[VK_LMENU] || keys_[VK_RMENU];
    default:
      return vk < 256 && keys_[vk];
  }
}

bool HeadlessPlatform::create_window(const std::string&, int, int, int, int) {
  created_ = true;
  return true;
}

void HeadlessPlatform::show_window(ShowCommand command) {
  bool was = shown_normally_;
  shown_normally_ = command == ShowCommand::normal;
  // The window reports minimising and restoring as Windows does.
  if (created_ && was != shown_normally_ && command != ShowCommand::hide)
    push_input({WM_ACTIVATE, shown_normally_ ? 1u : (1u << 16), 0}, std::nullopt);
}

void HeadlessPlatform::present(const std::uint8_t* pixels, int stride,
                               const PaletteBytes& palette) {
  for (int y = 0; y < kFrameHeight; ++y)
    std::copy_n(pixels + static_cast<std::ptrdiff_t>(y) * stride, kFrameWidth,
                frame_.begin() + y * kFrameWidth);
  palette_ = palette;
  ++presents_;
}

void HeadlessPlatform::set_active(bool active) {
  if (active == active_) return;
  active_ = active;
  if (!active) key_device_lost_ = true;
  if (active) {
    push_input({WM_ACTIVATEAPP, 1, 0}, std::nullopt);
    push_input({WM_ACTIVATE, 1, 0}, std::nullopt);
  } else {
    push_input({WM_ACTIVATE, 0, 0}, std::nullopt);
    push_input({WM_ACTIVATEAPP, 0, 0}, std::nullopt);
  }
}

bool HeadlessPlatform::enter_fullscreen() {
  if (fullscreen_fails_) return false;
  fullscreen_ = true;
  return true;
}

bool HeadlessPlatform::open_key_device() {
  key_device_open_ = !key_device_broken_;
  return key_device_open_;
}

KeyDeviceRead HeadlessPlatform::read_key_device(KeyStates& state) {
  if (!key_device_open_ || key_device_broken_) return KeyDeviceRead::failed;
  // Like a device that only reads for the foreground window.
  if (key_device_lost_ || !active_) return KeyDeviceRead::lost;
  state.fill(0);
  for (std::uint32_t vk = 0; vk < keys_.size(); ++vk)
    if (keys_[vk])
      if (std::uint8_t code = dik_for_vk(vk)) state[code] = 0x80;
  return KeyDeviceRead::ok;
}

bool HeadlessPlatform::acquire_key_device() {
  if (!key_device_open_ || key_device_broken_ || !active_) return false;
  key_device_lost_ = false;
  return true;
}

bool HeadlessPlatform::read_window_key_state(KeyStates& state) {
  if (window_key_state_fails_) return false;
  return Platform::read_window_key_state(state);
}

void HeadlessPlatform::message_box(const std::string& caption, const std::string& text,
                                   MessageBoxIcon) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
}

void HeadlessPlatform::fatal_error_box(const char* text) {
  static constexpr char kCaption[] = "Fatal error: ";
  write_fully(2, kCaption, sizeof kCaption - 1);
  write_fully(2, text, std::strlen(text));
  write_fully(2, "\n", 1);
}

}  // namespace tavu::platform
