#include "shell/app.h"

#include <algorithm>

#include "display/display.h"
#include "display/fullscreen.h"
#include "display/keyboard_device.h"
#include "history/edit_history.h"
#include "pictures/picture_mode.h"
#include "platform/allocator.h"
#include "shell/crash_log.h"
#include "shell/frame_clock.h"
#include "shell/modes.h"
#include "shell/status.h"

namespace tavu {

using namespace platform;

namespace {

constexpr std::uint32_t WA_INACTIVE = 0;
constexpr std::uint32_t MB_ICONHAND = 0x10;

std::uint16_t low_word(std::uint64_t v) {
  return static_cast<std::uint16_t>(v & 0xFFFF);
}
std::uint16_t high_word(std::uint64_t v) {
  return static_cast<std::uint16_t>((v >> 16) & 0xFFFF);
}

// Runs the window-creation sequence; false refuses creation.
bool create_window_sequence() {
  set_app_flag(keyboard_device, open_keyboard_device());
  // The backend repeats held keys itself, so the user's settings stay as they are.
  reset_startup_failure_text();
  build_key_to_mode_table();
  current().set_cursor(Cursor::app_starting);
  find_fullscreen_device();
  auto& modes = mode_table();
  for (int i = 0; i < kModeCount; ++i) {
    if (!modes[i].init()) {
      current().message_box("Error", status_state().failure_text, MessageBoxIcon::error);
      return false;
    }
  }
  current().set_cursor(Cursor::arrow);
  modes[0].enter(0);
  show_status(modes[0].name, 700, kTextTopRight);
  return true;
}

void recentre(int screen_width, int screen_height);

const Palette* current_palette() {
  return mode_table()[current_mode()].palette();
}

// Leaves full screen for the window: centred (nothing reports a display
// change here, the screen mode never changed) and showing the current mode's
// colours again, also when the palette changed while in full screen.
void return_to_window() {
  AppState& a = app();
  a.flags &= ~static_cast<std::uint32_t>(fullscreen);
  leave_fullscreen();
  recentre(a.screen.width, a.screen.height);
  if (current_mode() == kPictureMode) picture_mode_display_switched();
  set_palette(current_palette(), nullptr, true);
  invalidate_window();
}

void toggle_fullscreen() {
  AppState& a = app();
  auto& p = current();
  a.flags ^= fullscreen;
  if (!(a.flags & fullscreen)) {
    return_to_window();
    p.set_topmost(true);
    return;
  }
  if (enter_fullscreen()) {
    set_palette(current_palette(), nullptr, true);
    compose_frame();
    return;
  }
  leave_fullscreen();
  a.flags &= ~static_cast<std::uint32_t>(fullscreen);
  p.message_beep(MB_ICONHAND);
  p.show_cursor(true);
  p.move_window(a.placement.x, a.placement.y, a.placement.width, a.placement.height);
  p.focus_window();
  p.message_box("Error", "Can't go fullscreen!", MessageBoxIcon::none);
  p.show_cursor(false);
  p.set_topmost(true);
}

void shutdown() {
  AppState& a = app();
  leave_fullscreen();
  close_keyboard_device();
  current().show_cursor(true);
  if (a.release_pictures) a.release_pictures();
  a.queue.push_back({WM_QUIT, 0, 0});
}

void recentre(int screen_width, int screen_height) {
  AppState& a = app();
  a.placement.x = centre_offset(screen_width, a.placement.width);
  a.placement.y = centre_offset(screen_height, a.placement.height);
  current().move_window(a.placement.x, a.placement.y, a.placement.width, a.placement.height);
}

std::int64_t default_window_procedure(std::uint32_t message, std::uint64_t wparam,
                                      std::int64_t lparam) {
  // Alt+F4 closes the window as the system menu would.
  if (message == WM_SYSKEYDOWN && wparam == VK_F4 && (lparam & kKeyAltBit))
    return send_message(WM_CLOSE);
  return 0;
}

}  // namespace

AppState& app() {
  static AppState state;
  return state;
}

int centre_offset(int screen, int window) {
  return (screen - window) / 2;
}

void drag_window(WindowPlacement& p, ScreenSize screen, std::uint16_t anchor_x,
                 std::uint16_t anchor_y, std::int64_t lparam) {
  auto dx = static_cast<std::int16_t>(static_cast<std::uint16_t>(low_word(lparam) - anchor_x));
  auto dy = static_cast<std::int16_t>(static_cast<std::uint16_t>(high_word(lparam) - anchor_y));
  p.x += dx;
  p.y += dy;
  if (p.x >= -kEdgeSnap && p.x <= kEdgeSnap) p.x = 0;
  if (p.y >= -kEdgeSnap && p.y <= kEdgeSnap) p.y = 0;
  int right = screen.width - p.x - p.width;
  if (right >= -kEdgeSnap && right <= kEdgeSnap) p.x = screen.width - p.width;
  int bottom = screen.height - p.y - p.height;
  if (bottom >= -kEdgeSnap && bottom <= kEdgeSnap) p.y = screen.height - p.height;
}

void post_message(std::uint32_t message, std::uint64_t wparam, std::int64_t lparam) {
  app().queue.push_back({message, wparam, lparam});
}

std::int64_t send_message(std::uint32_t message, std::uint64_t wparam, std::int64_t lparam) {
  return window_procedure(message, wparam, lparam);
}

void set_timer(std::uint32_t id, std::uint32_t interval_ms, TimerProc proc) {
  auto& p = current();
  std::uint64_t f = p.counter_frequency();
  Timer t{id, f ? interval_ms * f / 1000 : interval_ms, 0, proc};
  t.due = p.counter() + t.interval;
  auto& timers = app().timers;
  auto it = std::find_if(timers.begin(), timers.end(), [id](const Timer& x) { return x.id == id; });
  if (it != timers.end())
    *it = t;
  else
    timers.push_back(t);
}

void kill_timer(std::uint32_t id) {
  auto& timers = app().timers;
  timers.erase(
      std::remove_if(timers.begin(), timers.end(), [id](const Timer& x) { return x.id == id; }),
      timers.end());
}

void invalidate_window() {
  app().paint_pending = true;
}

std::int64_t window_procedure(std::uint32_t message, std::uint64_t wparam, std::int64_t lparam) {
  AppState& a = app();
  if (a.flags & fatal) return default_window_procedure(message, wparam, lparam);
  switch (message) {
    case WM_CREATE:
      return create_window_sequence() ? 0 : -1;
    case WM_DESTROY:
      shutdown();
      break;
    case WM_ACTIVATE:
      set_app_flag(minimised, (high_word(wparam) & 1) != 0);
      if (low_word(wparam) != WA_INACTIVE && !(a.flags & minimised)) invalidate_window();
      break;
    case WM_PAINT:
      a.paint_pending = false;
      // Full screen shows its own frames.
      if (a.flags & fullscreen) break;
      ++a.paints;
      compose_frame();
      return 0;
    case WM_CLOSE:
      post_message(WM_KEYDOWN, VK_ESCAPE, 0);
      return 0;
    case WM_ACTIVATEAPP:
      if (wparam != 0 && (a.flags & fullscreen)) {
        restore_surfaces();
        set_palette(current_palette(), nullptr, true);
        compose_frame();
      }
      break;
    case WM_DISPLAYCHANGE:
      a.screen = {low_word(static_cast<std::uint64_t>(lparam)),
                  high_word(static_cast<std::uint64_t>(lparam))};
      if (a.flags & fullscreen) return 1;
      recentre(a.screen.width, a.screen.height);
      invalidate_window();
      return 1;
    case WM_KEYDOWN:
      dispatch_key(static_cast<std::uint32_t>(wparam), lparam);
      break;
    case WM_KEYUP:
      if (wparam >= VK_LEFT && wparam <= VK_DOWN && a.arrow_key_released) a.arrow_key_released();
      break;
    case WM_SYSKEYDOWN:
      if (wparam == VK_RETURN && (lparam & kKeyAltBit)) {
        toggle_fullscreen();
        break;
      }
      if (wparam == VK_F10) {
        send_message(WM_KEYDOWN, VK_F10, lparam);
        return 0;
      }
      break;
    case WM_MOUSEMOVE:
      if ((wparam & MK_LBUTTON) && !(a.flags & fullscreen)) {
        drag_window(a.placement, a.screen, a.drag_anchor_x, a.drag_anchor_y, lparam);
        current().move_window(a.placement.x, a.placement.y, a.placement.width, a.placement.height);
      }
      break;
    case WM_LBUTTONDOWN:
      if (a.flags & fullscreen) break;
      current().capture_mouse(true);
      a.drag_anchor_x = low_word(static_cast<std::uint64_t>(lparam));
      a.drag_anchor_y = high_word(static_cast<std::uint64_t>(lparam));
      return 0;
    case WM_LBUTTONUP:
      if (a.flags & fullscreen) break;
      current().capture_mouse(false);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (current().key_down(VK_CONTROL)) {
        if (a.flags & fullscreen) return_to_window();
        current().show_window(ShowCommand::minimise);
      }
      break;
    case WM_MOUSEWHEEL:
      dispatch_wheel(static_cast<std::int16_t>(high_word(wparam)));
      return 0;
    case WM_RBUTTONDOWN:
      if (!(a.flags & fullscreen)) recentre(a.screen.width, a.screen.height);
      return 0;
    case WM_HOTKEY:
      if (wparam == kHotKeyId)
        current().show_window(current().window_shown_normally() ? ShowCommand::minimise
                                                                : ShowCommand::normal);
      break;
    case MSG_SAVE_ALL_SPRITES:
      if (a.save_all_sprites) a.save_all_sprites();
      break;
    case MSG_INSERT_ALL_SPRITES:
      if (a.insert_all_sprites) a.insert_all_sprites();
      break;
    case MSG_SAVE_RECORDING_GIF:
      if (a.save_recording_gif) a.save_recording_gif();
      break;
    default:
      break;
  }
  return default_window_procedure(message, wparam, lparam);
}

namespace {

// Fires the earliest due timer; false when none is due.
bool fire_due_timer(std::uint64_t now) {
  auto& timers = app().timers;
  auto it = std::min_element(timers.begin(), timers.end(),
                             [](const Timer& x, const Timer& y) { return x.due < y.due; });
  if (it == timers.end() || it->due > now) return false;
  it->due = now + it->interval;
  TimerProc proc = it->proc;
  if (proc) proc();
  return true;
}

std::optional<std::uint64_t> next_timer_due() {
  const auto& timers = app().timers;
  if (timers.empty()) return std::nullopt;
  return std::min_element(timers.begin(), timers.end(),
                          [](const Timer& x, const Timer& y) { return x.due < y.due; })
      ->due;
}

}  // namespace

int run_message_loop() {
  AppState& a = app();
  auto& p = current();
  for (;;) {
    if (auto code = p.exit_requested()) return *code;
    if (!a.queue.empty()) {
      Message m = a.queue.front();
      a.queue.pop_front();
      if (m.message == WM_QUIT) return static_cast<int>(m.wparam);
      window_procedure(m.message, m.wparam, m.lparam);
      continue;
    }
    if (auto m = p.next_input()) {
      window_procedure(m->message, m->wparam, m->lparam);
      continue;
    }
    if (a.paint_pending && !(a.flags & minimised)) {
      window_procedure(WM_PAINT, 0, 0);
      continue;
    }
    if (fire_due_timer(p.counter())) continue;
    std::optional<std::uint64_t> deadline = next_timer_due();
    if (FrameCallback callback = current_frame_callback(); callback && !(a.flags & minimised)) {
      if (frame_due()) {
        callback();
        continue;
      }
      std::uint64_t frame = next_frame_deadline();
      deadline = deadline ? std::min(*deadline, frame) : frame;
    }
    p.wait(deadline);
  }
}

int run_program() {
  AppState& a = app();
  auto& p = current();
  a.screen = p.screen_size();
  if (!p.acquire_single_instance(kInstanceMutexName)) return 0;
  install_crash_handler();
  // Room for the whole undo history and an import's work besides.
  keep_freed_memory(2 * kHistoryLimit);
  // Behave as the NT family: the replay browser animates at 70 ms.
  a.flags |= nt_family;
  std::uint64_t frequency = p.counter_frequency();
  init_frame_clock(frequency);
  if (frequency == 0)
    p.message_box("Warning",
                  "High precision timer is unavailable. Highlights mode will not function "
                  "optimally.",
                  MessageBoxIcon::warning);
  ScreenSize client = p.client_size_for(a.screen);
  a.placement = {centre_offset(a.screen.width, client.width),
                 centre_offset(a.screen.height, client.height), client.width, client.height};
  if (!p.create_window(kProgramTitle, a.placement.x, a.placement.y, a.placement.width,
                       a.placement.height))
    return -1;
  if (window_procedure(WM_CREATE, 0, 0) != 0) return -1;
  p.show_window(ShowCommand::normal);
  invalidate_window();
  return run_message_loop();
}

}  // namespace tavu
