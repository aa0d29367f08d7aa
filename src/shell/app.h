// Process-wide state of the shell: the Application flags, the window
// placement, the message queue with its timers, and the main loop.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

#include "platform/platform.h"

namespace tavu {

// Application flags (one word of switches).
enum AppFlag : std::uint32_t {
  fullscreen = 1u << 0,
  fatal = 1u << 2,
  unsaved_changes = 1u << 3,
  minimised = 1u << 4,
  help_visible = 1u << 5,
  nt_family = 1u << 6,
  keyboard_device = 1u << 7,
};

inline constexpr int kClientWidth = 1280;
inline constexpr int kClientHeight = 800;
inline constexpr const char* kProgramTitle = "TAVU Picture Editor";
inline constexpr const char* kProgramVersion = "v0.9";
inline constexpr const char* kInstanceMutexName = "KADU_mutex";
inline constexpr int kEdgeSnap = 9;
inline constexpr std::uint32_t kHotKeyId = 0xBEEF;
inline constexpr std::uint32_t MSG_SAVE_ALL_SPRITES = 2024;
inline constexpr std::uint32_t MSG_INSERT_ALL_SPRITES = 2025;
// Ctrl+F2 during playback: the GIF is made once "Please wait..." shows.
inline constexpr std::uint32_t MSG_SAVE_RECORDING_GIF = 2026;

struct WindowPlacement {
  int x = 0;
  int y = 0;
  int width = kClientWidth;
  int height = kClientHeight;
};

using TimerProc = void (*)();

struct Timer {
  std::uint32_t id = 0;
  std::uint64_t interval = 0;  // in counter ticks
  std::uint64_t due = 0;       // counter value when it next fires
  TimerProc proc = nullptr;
};

struct AppState {
  std::uint32_t flags = 0;
  WindowPlacement placement;
  platform::ScreenSize screen;
  std::uint16_t drag_anchor_x = 0;
  std::uint16_t drag_anchor_y = 0;
  std::deque<platform::Message> queue;  // posted messages
  std::deque<Timer> timers;             // window timers by identifier
  bool paint_pending = false;           // the window's invalid region
  std::uint64_t paints = 0;             // frame compositions run by WM_PAINT
  // Handlers that other subsystems install: the window procedure runs them for
  // the private messages, for arrow-key releases and at shutdown.
  void (*save_all_sprites)() = nullptr;
  void (*insert_all_sprites)() = nullptr;
  void (*save_recording_gif)() = nullptr;
  void (*arrow_key_released)() = nullptr;
  void (*release_pictures)() = nullptr;
};

AppState& app();
inline bool app_flag(std::uint32_t f) {
  return (app().flags & f) != 0;
}
inline void set_app_flag(std::uint32_t f, bool on) {
  if (on)
    app().flags |= f;
  else
    app().flags &= ~f;
}

// PostMessageA to the program's window.
void post_message(std::uint32_t message, std::uint64_t wparam = 0, std::int64_t lparam = 0);
// SendMessageA: runs the window procedure at once.
std::int64_t send_message(std::uint32_t message, std::uint64_t wparam = 0, std::int64_t lparam = 0);
// SetTimer / KillTimer on the program's window (identifiers 1, 2, 3).
void set_timer(std::uint32_t id, std::uint32_t interval_ms, TimerProc proc);
void kill_timer(std::uint32_t id);
// InvalidateRect(window, NULL, FALSE).
void invalidate_window();

// The window procedure.
std::int64_t window_procedure(std::uint32_t message, std::uint64_t wparam, std::int64_t lparam);

// The message loop: dispatches posted and input messages, paints, fires
// timers and runs the Frame callback when due; waits on the platform when
// idle. Returns the exit code of WM_QUIT (or the platform's exit request).
int run_message_loop();

// Process start: single-instance guard, window creation (which runs the
// modes' init slots) and the message loop. Returns the process exit code.
int run_program();

// Pure pieces of the window behaviour.
// Moves the placement by the cursor's offset from the drag anchor and snaps
// it to the screen edges within kEdgeSnap pixels.
void drag_window(WindowPlacement& placement, platform::ScreenSize screen, std::uint16_t anchor_x,
                 std::uint16_t anchor_y, std::int64_t lparam);
// Centring offset: (screen - window) / 2, truncated toward zero.
int centre_offset(int screen, int window);

}  // namespace tavu
