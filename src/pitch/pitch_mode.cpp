#include "pitch/pitch_mode.h"

#include <algorithm>
#include <cstdio>

#include "display/display.h"
#include "display/keyboard_device.h"
#include "history/undo.h"
#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_files.h"
#include "platform/platform.h"
#include "shell/app.h"
#include "shell/frame_clock.h"
#include "shell/status.h"
#include "sprites/blit.h"
#include "sprites/text.h"

namespace tavu {

const char* const kPitchModeHelp =
    "arrows\t\t\t\t- scroll pitch\n+/-\t\t\t\t- \rchange pitch type\n(frozen, muddy etc.)\nctrl + "
    "N\t\t\t- \rshow/hide pattern\nnumbers\nctrl + E\t\t\t- toggle edit mode\nspace/backspace\t\t- "
    "\rgo to next/previous\npitch\npage up/down\t\t- \rscroll up/down by\nabout half of "
    "screen\nhome/end\t\t\t- \rgo to up-left/\n\rdown-right corner of\npitch\nF2\t\t\t\t\t- save "
    "pitch to bitmap\ninsert\t\t\t\t- \rread pitch from\ncorresponding bitmap\nin edit mode:\nctrl "
    "+ arrows up/down\t- \rchange pattern number\nplus/minus one";

namespace {

constexpr std::uint32_t kPitchModeHotKey = 0x76;  // F7
constexpr int kPageScroll = 100;
constexpr int kSmoothMaxStep = 5;
constexpr int kKeyRepeatMaxStep = 15;
constexpr std::int64_t kPolledArrow = -1;

std::int16_t to16(int v) {
  return static_cast<std::int16_t>(v);
}

std::int16_t round_to_tile(int v) {
  return to16(v & ~(kPatternSide - 1));
}

// The accelerating step: grows by one per move, the move uses the grown
// value, and only then is it held to the maximum.
int next_step(PitchModeState& st) {
  const int step = ++st.scroll_step;
  st.scroll_step = std::min<std::int32_t>(st.scroll_step, st.max_step);
  return step;
}

void start_blink_timer(PitchModeState& st) {
  if (st.blink_timer_running) kill_timer(kBlinkTimer);
  set_timer(kBlinkTimer, kBlinkMs, blink_tick);
  st.blink_timer_running = true;
}

void stop_blink_timer(PitchModeState& st) {
  kill_timer(kBlinkTimer);
  st.blink_timer_running = false;
}

void toggle_edit_mode(PitchModeState& st) {
  st.edit_mode = !st.edit_mode;
  if (st.edit_mode) {
    st.scroll_x = round_to_tile(st.scroll_x);
    st.scroll_y = round_to_tile(st.scroll_y);
    st.cursor_x = st.cursor_y = 0;
    start_blink_timer(st);
  } else {
    stop_blink_timer(st);
    request_redraw();
  }
  invalidate_pitch_view();
  platform::current().message_beep(0);
}

// Ctrl+Up (+1) and Ctrl+Down (-1) on the cell under the cursor.
void step_cell_pattern(const PitchModeState& st, int direction) {
  PitchRecord* pitch = pitch_at(st.pitch_index);
  const int row = (st.scroll_y + st.cursor_y) / kPatternSide + 1;
  const int column = (st.scroll_x + st.cursor_x) / kPatternSide;
  const auto i = static_cast<std::size_t>(row * kPitchColumns + column);
  if (pitch && row < kPitchRows && column < kPitchColumns && i < pitch->cells.size()) {
    std::uint32_t& cell = pitch->cells[i];
    const std::int64_t k = cell / kPatternSize;
    bool changed = false;
    if (direction > 0 && k < static_cast<std::int64_t>(pitch->pattern_count) - 1) {
      cell += kPatternSize;
      changed = true;
    } else if (direction < 0 && k > 0) {
      cell -= kPatternSize;
      changed = true;
    }
    if (changed) mark_pitch_changed(st.pitch_index, PitchChange::map);
  }
  invalidate_pitch_view();
}

// The cell edit as one step of the history.
void recorded_cell_step(const PitchModeState& st, int direction) {
  const int row = (st.scroll_y + st.cursor_y) / kPatternSide + 1;
  const int column = (st.scroll_x + st.cursor_x) / kPatternSide;
  const int cell = row * kPitchColumns + column;
  record_edit(cells_scope(st.pitch_index, static_cast<std::size_t>(cell),
                          static_cast<std::size_t>(cell) + 1),
              pitch_step(EditKind::cell_changed, st.pitch_index, cell),
              [&] { step_cell_pattern(st, direction); });
}

int arrow(PitchModeState& st, std::uint32_t vk, bool ctrl) {
  using namespace platform;
  if (!st.edit_mode) {
    const int step = next_step(st);
    switch (vk) {
      case VK_LEFT:
        st.scroll_x = to16(std::max(st.scroll_x - step, 0));
        break;
      case VK_RIGHT:
        st.scroll_x = to16(std::min(st.scroll_x + step, kMaxScrollX));
        break;
      case VK_UP:
        st.scroll_y = to16(std::max(st.scroll_y - step, 0));
        break;
      default:
        st.scroll_y = to16(std::min(st.scroll_y + step, kMaxArrowScrollY));
        break;
    }
    return 1;
  }
  switch (vk) {
    case VK_LEFT:
      st.cursor_x = to16(st.cursor_x - kPatternSide);
      if (st.cursor_x < 0) {
        st.scroll_x = to16(std::max(st.scroll_x - kPatternSide, 0));
        st.cursor_x = 0;
      }
      break;
    case VK_RIGHT:
      st.cursor_x = to16(st.cursor_x + kPatternSide);
      if (st.cursor_x >= kScreenWidth) {
        st.scroll_x = to16(std::min(st.scroll_x + kPatternSide, kMaxScrollX));
        st.cursor_x = to16(st.cursor_x - kPatternSide);
      }
      break;
    case VK_UP:
      if (ctrl) {
        recorded_cell_step(st, 1);
        break;
      }
      st.cursor_y = to16(st.cursor_y - kPatternSide);
      if (st.cursor_y < 0) {
        st.scroll_y = to16(std::max(st.scroll_y - kPatternSide, 0));
        st.cursor_y = 0;
      }
      break;
    default:
      if (ctrl) {
        recorded_cell_step(st, -1);
        break;
      }
      st.cursor_y = to16(st.cursor_y + kPatternSide);
      if (st.cursor_y >= kScreenHeight) {
        st.scroll_y = to16(std::min(st.scroll_y + kPatternSide, kMaxArrowScrollY));
        st.cursor_y = to16(st.cursor_y - kPatternSide);
      }
      break;
  }
  return 1;
}

void reset_scroll_step() {
  pitch_mode_state().scroll_step = 1;
}

int init() {
  app().arrow_key_released = reset_scroll_step;
  return 1;
}

void enter(int) {
  PitchModeState& st = pitch_mode_state();
  apply_pitch_type(pitch_type());
  if (st.smooth_scrolling) {
    st.max_step = kSmoothMaxStep;
    start_frame_clock(scroll_pitch_frame);
  } else {
    st.max_step = kKeyRepeatMaxStep;
  }
  // The blink timer does not run while another mode is current.
  if (st.edit_mode && !st.blink_timer_running) start_blink_timer(st);
  // The digit sprites may have been replaced in sprite mode meanwhile.
  invalidate_pitch_view();
}

int keys(std::uint32_t vk, std::int64_t lparam) {
  return pitch_mode_key(vk, lparam, platform::current().key_down(platform::VK_CONTROL));
}

}  // namespace

PitchModeState& pitch_mode_state() {
  static PitchModeState state;
  return state;
}

int pitch_mode_key(std::uint32_t vk, std::int64_t lparam, bool ctrl) {
  using namespace platform;
  PitchModeState& st = pitch_mode_state();
  const bool is_arrow = vk >= VK_LEFT && vk <= VK_DOWN;
  // While the Frame callback polls the arrows their key-down messages are ignored.
  if (is_arrow && st.smooth_scrolling && !st.edit_mode && lparam != kPolledArrow) return 0;
  switch (vk) {
    case VK_SPACE:
      st.pitch_index = static_cast<std::int8_t>(std::min(st.pitch_index + 1, kPitchCount - 1));
      return 1;
    case VK_BACK:
      st.pitch_index = static_cast<std::int8_t>(std::max(st.pitch_index - 1, 0));
      return 1;
    case VK_ADD:
      pitch_type() = static_cast<std::int8_t>(std::min(pitch_type() + 1, kPitchTypeCount - 1));
      apply_pitch_type(pitch_type());
      return 1;
    case VK_SUBTRACT:
      pitch_type() = static_cast<std::int8_t>(std::max(pitch_type() - 1, 0));
      apply_pitch_type(pitch_type());
      return 1;
    case VK_PRIOR:
      st.scroll_y = to16(std::max(st.scroll_y - kPageScroll, 0));
      if (st.edit_mode) {
        st.scroll_y = round_to_tile(st.scroll_y);
        st.cursor_y = 0;
      }
      return 1;
    case VK_NEXT:
      st.scroll_y = to16(std::min(st.scroll_y + kPageScroll, kMaxScrollY));
      if (st.edit_mode) {
        st.scroll_y = round_to_tile(st.scroll_y);
        st.cursor_y = kMaxCursorY;
      }
      return 1;
    case VK_HOME:
      st.scroll_x = st.scroll_y = 0;
      if (st.edit_mode) st.cursor_x = st.cursor_y = 0;
      return 1;
    case VK_END:
      st.scroll_x = kMaxScrollX;
      st.scroll_y = kMaxScrollY;
      if (st.edit_mode) {
        st.cursor_x = kMaxCursorX;
        st.cursor_y = kMaxCursorY;
      }
      return 1;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      return arrow(st, vk, ctrl);
    case VK_INSERT:
      record_edit(EditScope::whole_pitch(st.pitch_index),
                  pitch_step(EditKind::pitch_replaced, st.pitch_index),
                  [&] { read_pitch_bitmap(st.pitch_index); });
      invalidate_pitch_view();
      return 1;
    case VK_F2:
      if (export_pitch_bitmap(st.pitch_index, pitch_type(),
                              ctrl ? ExportFormat::png : ExportFormat::bmp) == ExportResult::failed)
        show_status("Save failed", 1000, kTextCentred);
      return 1;
    case 'E':
      if (ctrl) toggle_edit_mode(st);
      return 1;
    case 'N':
      if (ctrl) {
        st.show_numbers = !st.show_numbers;
        invalidate_pitch_view();
      }
      return 1;
    default:
      return 0;
  }
}

int pitch_mode_wheel(int steps) {
  PitchModeState& st = pitch_mode_state();
  int y = std::clamp(st.scroll_y - steps * kPatternSide, 0, kMaxScrollY);
  if (st.edit_mode) y = round_to_tile(y);
  st.scroll_y = to16(y);
  return 1;
}

void scroll_pitch_frame() {
  PitchModeState& st = pitch_mode_state();
  if (st.edit_mode) return;
  KeyStateBytes state{};
  bool device = false;
  if (app_flag(keyboard_device)) {
    if (!read_keyboard_state(state)) {
      if (platform::current().window_active()) {
        close_keyboard_device();
        set_app_flag(keyboard_device, false);
      }
      return;
    }
    device = true;
  } else if (!get_keyboard_state(state)) {
    start_frame_clock(nullptr);
    st.smooth_scrolling = false;
    return;
  }
  struct Arrow {
    std::uint8_t device_code;
    std::uint32_t vk;
  };
  constexpr Arrow kArrows[] = {{DIK_RIGHT, platform::VK_RIGHT},
                               {DIK_LEFT, platform::VK_LEFT},
                               {DIK_UP, platform::VK_UP},
                               {DIK_DOWN, platform::VK_DOWN}};
  bool handled = false;
  for (const Arrow& a : kArrows) {
    const std::uint8_t code = device ? a.device_code : static_cast<std::uint8_t>(a.vk);
    if (state[code] & 0x80) handled = keys(a.vk, kPolledArrow) || handled;
  }
  if (handled) request_redraw();
}

void blink_tick() {
  PitchModeState& st = pitch_mode_state();
  st.blink = static_cast<std::uint8_t>((st.blink + 1) % 8);
  invalidate_pitch_view();
  request_redraw();
}

std::string pitch_mode_title() {
  const PitchModeState& st = pitch_mode_state();
  char title[64];
  std::snprintf(title, sizeof title, "PITCH %d - %s%s", st.pitch_index + 1,
                pitch_type_name(pitch_type()), st.edit_mode ? " (edit mode)" : "");
  return title;
}

std::uint8_t* draw_pitch_mode(std::uint8_t* fb, int stride) {
  const PitchModeState& st = pitch_mode_state();
  draw_pitch(fb, static_cast<std::uint32_t>(st.scroll_x), static_cast<std::uint32_t>(st.scroll_y),
             stride, st.pitch_index, st.edit_mode, st.show_numbers);
  draw_text(pitch_mode_title().c_str(), 0, 0, fb, stride, 1, kNaturalColours, 0);
  return fb;
}

void leave_pitch_mode() {
  start_frame_clock(nullptr);
  PitchModeState& st = pitch_mode_state();
  if (st.blink_timer_running) stop_blink_timer(st);
}

ModeDescriptor pitch_mode_descriptor() {
  return {
      init,           enter,        leave_pitch_mode, keys, draw_pitch_mode, pattern_palette_slot,
      kPitchModeHelp, "PITCH MODE", kPitchModeHotKey, 0};
}

}  // namespace tavu
