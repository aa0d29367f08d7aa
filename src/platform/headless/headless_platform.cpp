#include "platform/headless/headless_platform.h"

#include <algorithm>
#include <cstdio>

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

void HeadlessPlatform::present(const std::uint8_t* pixels, const PaletteBytes& palette) {
  std::copy_n(pixels, frame_.size(), frame_.begin());
  palette_ = palette;
}

void HeadlessPlatform::message_box(const std::string& caption, const std::string& text,
                                   MessageBoxIcon) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
}

}  // namespace tavu::platform
