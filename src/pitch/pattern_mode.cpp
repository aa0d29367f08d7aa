#include "pitch/pattern_mode.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "display/display.h"
#include "history/undo.h"
#include "pitch/pitch_bitmaps.h"
#include "pitch/pitch_draw.h"
#include "platform/platform.h"
#include "shell/saving.h"
#include "shell/status.h"
#include "sprites/blit.h"
#include "sprites/sprite_files.h"
#include "sprites/text.h"

namespace tavu {

const char* const kPatternModeHelp =
    "arrows right/left\t- next/previous pitch\narrows up/down\t\t- next/previous "
    "pattern\nhome/end\t\t\t- first/last pattern\npage up/down\t\t- \r10 patterns "
    "forward/\nbackward\nspace/backspace\t\t- change pitch type\nF2\t\t\t\t\t- save pattern to "
    "bitmap\ng\t\t\t\t\t- go to pattern\nc\t\t\t\t\t- change pattern number\ndelete\t\t\t\t- "
    "delete pattern\ninsert\t\t\t\t- \rreplace current\n\rpattern with\n\rcorresponding\nbitmap";

namespace {

constexpr std::uint32_t kPatternModeHotKey = 0x77;  // F8
constexpr int kMaxZoom = 10;
constexpr int kPageStep = 10;
constexpr int kPatternX = 152, kPatternY = 92;
constexpr std::uint8_t kBackground = 3;
constexpr std::uint32_t kStatusMs = 1000;

PitchRecord& current_pitch(PatternModeState& st) {
  apply_range_rule(st);
  return *pitch_at(st.pitch_index);
}

int out_of_range() {
  show_status("Pattern number out of range", kStatusMs, kTextCentred);
  return 0;
}

int go_to_pattern(std::int32_t v) {
  PatternModeState& st = pattern_mode_state();
  const PitchRecord& pitch = current_pitch(st);
  if (static_cast<std::int64_t>(v) > static_cast<std::int64_t>(pitch.pattern_count) - 1)
    return out_of_range();
  invalidate_pitch_view();
  st.pattern = v;
  return 1;
}

int change_pattern_number(std::int32_t v) {
  PatternModeState& st = pattern_mode_state();
  PitchRecord& pitch = current_pitch(st);
  if (static_cast<std::int64_t>(v) > static_cast<std::int64_t>(pitch.pattern_count) - 1)
    return out_of_range();
  if (v == st.pattern) return 1;
  record_edit(patterns_scope(st.pitch_index, {st.pattern, v}),
              pattern_step(EditKind::patterns_swapped, st.pitch_index, st.pattern, v), [&] {
                swap_patterns(pitch, st.pattern, v);
                mark_pitch_changed(st.pitch_index, PitchChange::patterns);
              });
  invalidate_pitch_view();
  st.pattern = v;
  return 1;
}

void delete_current_pattern() {
  PatternModeState& st = pattern_mode_state();
  PitchRecord& pitch = current_pitch(st);
  if (pitch.pattern_count <= 1) return;
  // The map is renumbered and the later patterns move down.
  EditScope scope = EditScope::whole_pitch(st.pitch_index);
  scope.patterns = {{static_cast<std::size_t>(st.pattern) * kPatternSize, EditScope::kToEnd}};
  record_edit(scope, pattern_step(EditKind::pattern_deleted, st.pitch_index, st.pattern), [&] {
    if (delete_pattern(pitch, st.pattern)) mark_pitch_changed(st.pitch_index, PitchChange::map);
  });
  invalidate_pitch_view();
}

int init() {
  set_save_planner(SaveSubsystem::pitches, plan_pitch_save);
  set_pitch_changes_query(pitch_changes_pending);
  return load_pitches();
}

void enter(int) {
  apply_pitch_type(pitch_type());
}
void leave() {}

int keys(std::uint32_t vk, std::int64_t) {
  return pattern_mode_key(vk, platform::current().key_down(platform::VK_CONTROL));
}

}  // namespace

PatternModeState& pattern_mode_state() {
  static PatternModeState state;
  return state;
}

void apply_range_rule(PatternModeState& st) {
  st.pitch_index = static_cast<std::int8_t>(std::clamp<int>(st.pitch_index, 0, kPitchCount - 1));
  if (st.pattern < 0) st.pattern = 0;
  // Unsigned, as the pitch without patterns keeps number 0.
  const std::uint32_t last =
      static_cast<std::uint32_t>(pitch_at(st.pitch_index)->pattern_count) - 1;
  if (static_cast<std::uint32_t>(st.pattern) >= last) st.pattern = static_cast<std::int32_t>(last);
  if (st.pattern < 0) st.pattern = 0;
}

bool delete_pattern(PitchRecord& pitch, int n) {
  if (n < 0 || n >= pitch.pattern_count) return false;
  const std::size_t from = static_cast<std::size_t>(n + 1) * kPatternSize;
  const std::size_t end = pitch.pattern_bytes();
  std::memmove(pitch.patterns.data() + from - kPatternSize, pitch.patterns.data() + from,
               end - from);
  --pitch.pattern_count;
  const std::size_t cells =
      std::min(pitch.cells.size(), static_cast<std::size_t>(pitch.cell_count));
  for (std::size_t i = 0; i < cells; ++i) {
    std::uint32_t& cell = pitch.cells[i];
    const std::uint32_t k = cell / kPatternSize;
    if (k == static_cast<std::uint32_t>(n))
      cell = 0;
    else if (k > static_cast<std::uint32_t>(n))
      cell -= kPatternSize;
  }
  return true;
}

bool swap_patterns(PitchRecord& pitch, int a, int b) {
  if (a < 0 || b < 0 || a >= pitch.pattern_count || b >= pitch.pattern_count) return false;
  std::swap_ranges(pitch.patterns.begin() + static_cast<std::ptrdiff_t>(a * kPatternSize),
                   pitch.patterns.begin() + static_cast<std::ptrdiff_t>((a + 1) * kPatternSize),
                   pitch.patterns.begin() + static_cast<std::ptrdiff_t>(b * kPatternSize));
  return true;
}

int pattern_mode_key(std::uint32_t vk, bool ctrl) {
  using namespace platform;
  PatternModeState& st = pattern_mode_state();
  // Keys move the numbers past their ends; each use brings them back first.
  PitchRecord& pitch = current_pitch(st);
  switch (vk) {
    case VK_RIGHT:
      st.pitch_index = static_cast<std::int8_t>(std::min(st.pitch_index + 1, kPitchCount - 1));
      return 1;
    case VK_LEFT:
      st.pitch_index = static_cast<std::int8_t>(std::max(st.pitch_index - 1, 0));
      return 1;
    case VK_DOWN:
      ++st.pattern;
      return 1;
    case VK_UP:
      --st.pattern;
      return 1;
    case VK_NEXT:
      st.pattern += kPageStep;
      return 1;
    case VK_PRIOR:
      st.pattern -= kPageStep;
      return 1;
    case VK_HOME:
      st.pattern = 0;
      return 1;
    case VK_END:
      st.pattern = pitch.pattern_count;
      return 1;
    case VK_SPACE:
      pitch_type() = static_cast<std::int8_t>(std::min(pitch_type() + 1, kPitchTypeCount - 1));
      apply_pitch_type(pitch_type());
      return 1;
    case VK_BACK:
      pitch_type() = static_cast<std::int8_t>(std::max(pitch_type() - 1, 0));
      apply_pitch_type(pitch_type());
      return 1;
    case VK_ADD:
      st.zoom = static_cast<std::int8_t>(std::min(st.zoom + 1, kMaxZoom));
      return 1;
    case VK_SUBTRACT:
      st.zoom = static_cast<std::int8_t>(std::max(st.zoom - 1, 1));
      return 1;
    case VK_F2:
      if (export_pattern_bitmap(st.pitch_index, st.pattern,
                                ctrl ? ExportFormat::png : ExportFormat::bmp) ==
          ExportResult::failed)
        show_status("Save failed", kStatusMs, kTextCentred);
      return 1;
    case VK_INSERT:
      record_edit(patterns_scope(st.pitch_index, {st.pattern}),
                  pattern_step(EditKind::pattern_replaced, st.pitch_index, st.pattern),
                  [&] { read_pattern_bitmap(st.pitch_index, st.pattern); });
      return 1;
    case VK_DELETE:
      // A pitch keeps at least one pattern: its cells must show something.
      if (pitch.pattern_count <= 1)
        show_status("Can't delete the last pattern", kStatusMs, kTextCentred);
      else
        ask_yes_no("Delete pattern", delete_current_pattern);
      return 1;
    case 'G':
      start_number_prompt("Go to pattern: ", 3, go_to_pattern);
      return 1;
    case 'C':
      start_number_prompt("Change pattern number to: ", 3, change_pattern_number);
      return 1;
    default:
      return 0;
  }
}

std::string pattern_mode_title() {
  PatternModeState& st = pattern_mode_state();
  apply_range_rule(st);
  char title[64];
  std::snprintf(title, sizeof title, "PITCH %d - PATTERN %d", st.pitch_index + 1,
                static_cast<int>(st.pattern));
  return title;
}

std::uint8_t* draw_pattern_mode(std::uint8_t* fb, int stride) {
  PatternModeState& st = pattern_mode_state();
  const PitchRecord& pitch = current_pitch(st);
  for (int y = 0; y < kScreenHeight; ++y)
    std::memset(fb + static_cast<std::ptrdiff_t>(y) * stride, kBackground, kScreenWidth);
  if (const std::uint8_t* src =
          pitch.pattern_at(cell_for_pattern(static_cast<std::uint32_t>(st.pattern))))
    for (int y = 0; y < kPatternSide; ++y)
      std::memcpy(fb + static_cast<std::ptrdiff_t>(kPatternY + y) * stride + kPatternX,
                  src + y * kPatternSide, kPatternSide);
  if (st.zoom >= 2) zoom_centre(fb, st.zoom, stride);
  draw_text(pattern_mode_title().c_str(), 0, 0, fb, stride, 1, kNaturalColours, 0);
  return fb;
}

ModeDescriptor pattern_mode_descriptor() {
  return {init,
          enter,
          leave,
          keys,
          draw_pattern_mode,
          pattern_palette_slot,
          kPatternModeHelp,
          "PATTERN MODE",
          kPatternModeHotKey,
          0};
}

}  // namespace tavu
