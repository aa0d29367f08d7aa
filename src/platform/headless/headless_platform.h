// A backend without a display for tests and scripted runs. Its clock is
// virtual and moves only when told, so every run is deterministic: timers and
// frames fall due exactly as they would in real time.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/platform.h"

namespace tavu::platform {

class HeadlessPlatform : public Platform {
 public:
  static constexpr std::uint64_t kFrequency = 1'000'000;  // counter ticks per second

  explicit HeadlessPlatform(ScreenSize screen);

  // Queues an input message; `key_change` (vk, down) takes effect when the
  // message is handed to the program, as key state follows the messages.
  void push_input(const Message& message, std::optional<std::pair<std::uint32_t, bool>> key_change);
  // Called whenever the program is idle and no virtual time is to pass: the
  // script runner feeds its next line from here.
  void set_idle_handler(std::function<void()> handler) { idle_ = std::move(handler); }
  // Lets virtual time run until `ms` milliseconds have passed.
  void advance(std::uint32_t ms);
  void request_exit(int code) { exit_code_ = code; }

  const std::vector<std::uint8_t>& last_frame() const { return frame_; }
  const PaletteBytes& last_palette() const { return palette_; }
  // Frames presented so far, in the window and in full screen.
  std::uint64_t presents() const { return presents_; }
  bool fullscreen() const { return fullscreen_; }
  bool topmost() const { return topmost_; }

  // The user switching to another program and back: activation messages as
  // Windows sends them; the keyboard device loses its input meanwhile.
  void set_active(bool active);

  // Fault injection for tests.
  void set_fullscreen_fails(bool fails) { fullscreen_fails_ = fails; }
  // The keyboard device loses its input once (it is acquired again while
  // the window is active) or breaks for good.
  void lose_key_device_input() { key_device_lost_ = true; }
  void break_key_device() { key_device_broken_ = true; }
  void set_window_key_state_fails(bool fails) { window_key_state_fails_ = fails; }

  bool acquire_single_instance(const std::string&) override { return true; }
  std::uint64_t counter() override { return now_; }
  std::uint64_t counter_frequency() override { return kFrequency; }
  std::uint32_t tick_count() override { return static_cast<std::uint32_t>(now_ / 1000); }
  std::optional<Message> next_input() override;
  void wait(std::optional<std::uint64_t> deadline) override;
  bool key_down(std::uint32_t vk) override;
  std::optional<int> exit_requested() override { return exit_code_; }
  ScreenSize screen_size() override { return screen_; }
  ScreenSize client_size_for(ScreenSize) override { return {1280, 800}; }
  bool create_window(const std::string&, int, int, int, int) override;
  void move_window(int, int, int, int) override {}
  void show_window(ShowCommand command) override;
  bool window_shown_normally() override { return shown_normally_; }
  void set_topmost(bool topmost) override { topmost_ = topmost; }
  void capture_mouse(bool) override {}
  void set_cursor(Cursor) override {}
  void show_cursor(bool) override {}
  void present(const std::uint8_t* pixels, int stride, const PaletteBytes& palette) override;
  bool window_active() override { return active_; }
  bool enter_fullscreen() override;
  void leave_fullscreen() override { fullscreen_ = false; }
  bool open_key_device() override;
  KeyDeviceRead read_key_device(KeyStates& state) override;
  bool acquire_key_device() override;
  void close_key_device() override { key_device_open_ = false; }
  bool read_window_key_state(KeyStates& state) override;
  void message_box(const std::string& caption, const std::string& text,
                   MessageBoxIcon icon) override;
  // "Fatal error: TEXT" on standard error.
  void fatal_error_box(const char* text) override;

 private:
  struct Input {
    Message message;
    std::optional<std::pair<std::uint32_t, bool>> key_change;
  };
  ScreenSize screen_;
  std::uint64_t now_ = 0;
  std::uint64_t wait_until_ = 0;
  std::deque<Input> input_;
  std::array<bool, 256> keys_{};
  std::function<void()> idle_;
  std::optional<int> exit_code_;
  std::vector<std::uint8_t> frame_;
  PaletteBytes palette_{};
  bool created_ = false;
  bool shown_normally_ = false;
  bool topmost_ = false;
  bool active_ = true;
  std::uint64_t presents_ = 0;
  bool fullscreen_ = false;
  bool fullscreen_fails_ = false;
  bool key_device_open_ = false;
  bool key_device_lost_ = false;
  bool key_device_broken_ = false;
  bool window_key_state_fails_ = false;
};

}  // namespace tavu::platform
