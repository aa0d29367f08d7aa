#include "history/undo.h"

#include <algorithm>

#include "pictures/picture_mode.h"
#include "pictures/pictures.h"
#include "pitch/pattern_mode.h"
#include "pitch/pitch_draw.h"
#include "pitch/pitch_mode.h"
#include "shell/modes.h"
#include "shell/status.h"
#include "sprites/sprite_files.h"
#include "sprites/sprite_mode.h"

namespace tavu {
namespace {

constexpr std::uint32_t kStatusMs = 1000;

bool g_recording = true;

int round_down_to_tile(int v) {
  return v & ~(kPatternSide - 1);
}
int round_up_to_tile(int v) {
  return (v + kPatternSide - 1) & ~(kPatternSide - 1);
}

// In edit mode the cursor goes onto the cell, the view moving only when the
// cell is out of the cursor's reach; otherwise the view moves until the
// cell is in it.
void bring_cell_into_view(PitchModeState& st, int cell) {
  const int x = (cell % kPitchColumns) * kPatternSide;
  const int y = (cell / kPitchColumns - 1) * kPatternSide;
  if (st.edit_mode) {
    auto place = [](std::int16_t& scroll, std::int16_t& cursor, int at, int max_scroll,
                    int max_cursor) {
      int c = round_up_to_tile(at - scroll);
      if (c < 0 || c > max_cursor) {
        scroll = static_cast<std::int16_t>(
            std::clamp(round_down_to_tile(at - max_cursor / 2), 0, round_down_to_tile(max_scroll)));
        c = std::clamp(at - scroll, 0, max_cursor);
      }
      cursor = static_cast<std::int16_t>(c);
    };
    place(st.scroll_x, st.cursor_x, x, kMaxScrollX, kMaxCursorX);
    place(st.scroll_y, st.cursor_y, y, kMaxScrollY, kMaxCursorY);
    return;
  }
  if (x < st.scroll_x || x + kPatternSide > st.scroll_x + kScreenWidth)
    st.scroll_x = static_cast<std::int16_t>(
        std::clamp(x - (kScreenWidth - kPatternSide) / 2, 0, kMaxScrollX));
  if (y < st.scroll_y || y + kPatternSide > st.scroll_y + kScreenHeight)
    st.scroll_y = static_cast<std::int16_t>(
        std::clamp(y - (kScreenHeight - kPatternSide) / 2, 0, kMaxScrollY));
}

int sprite_to_show(const EditStep& s, bool undo) {
  const int wanted = undo ? s.place.undo_number : s.place.redo_number;
  if (wanted >= 0) return wanted;
  const int current = wrap_sprite_number(sprite_mode_state().current);
  for (const SpriteChange& c : s.sprites)
    if (c.number == current) return current;
  return s.sprites.empty() ? current : s.sprites.front().number;
}

void show_place(const EditStep& s, bool undo) {
  const EditPlace& p = s.place;
  switch (p.mode) {
    case kSpriteMode:
      sprite_mode_state().current = static_cast<std::int16_t>(sprite_to_show(s, undo));
      break;
    case kPatternMode: {
      PatternModeState& st = pattern_mode_state();
      st.pitch_index = static_cast<std::int8_t>(p.pitch);
      st.pattern = undo ? p.undo_number : p.redo_number;
      apply_range_rule(st);
      break;
    }
    case kPitchMode: {
      PitchModeState& st = pitch_mode_state();
      st.pitch_index = static_cast<std::int8_t>(p.pitch);
      if (p.cell >= 0) bring_cell_into_view(st, p.cell);
      break;
    }
    case kPictureMode: {
      PictureRing& ring = picture_ring();
      for (std::size_t k = 0; k < ring.pictures.size(); ++k)
        if (ring.pictures[k].file_name == p.picture) ring.current = k;
      // Entering again selects the picture with its colours as they now are,
      // and the window takes them at the next frame.
      switch_mode(kPictureMode);
      picture_mode_state().display_palette_current = false;
      return;
    }
    default:
      return;
  }
  if (current_mode() != p.mode) switch_mode(p.mode);
}

// Puts one side of the newest (undo) or next (redo) step in place.
void travel(bool undo) {
  EditHistory& h = edit_history();
  const EditStep* s = undo ? h.next_undo() : h.next_redo();
  if (!s) {
    show_status(undo ? "Nothing to undo" : "Nothing to redo", kStatusMs, kTextCentred);
    return;
  }
  const EditedData data = editor_data();
  const std::string name = step_name(*s);
  if (!step_fits(*s, data, undo)) {
    // Something changed the data under the history; its steps no longer
    // describe them, so none is applied.
    h.clear();
    show_status(std::string(undo ? "Can't undo " : "Can't redo ") + name, kStatusMs, kTextCentred);
    return;
  }
  apply_step(*s, data, undo);
  recompute_unsaved_changes(true);
  invalidate_pitch_view();
  show_place(*s, undo);
  show_status(std::string(undo ? "Undo: " : "Redo: ") + name, kStatusMs, kTextCentred);
  if (undo)
    h.undone();
  else
    h.redone();
}

bool touches_team_file(const EditStep& s) {
  const SpriteFileEntry& team = sprite_files().entries[kTeamEntry];
  for (const SpriteChange& c : s.sprites)
    if (c.number >= team.first && c.number < team.first + team.count) return true;
  for (const EntryChange& e : s.entries)
    if (e.entry == kTeamEntry) return true;
  return false;
}

}  // namespace

void set_edit_recording(bool on) {
  g_recording = on;
}

bool edit_recording() {
  return g_recording;
}

EditHistory& edit_history() {
  static EditHistory history;
  return history;
}

EditedData editor_data() {
  return {&sprite_files(), &pitch_files(), &picture_ring()};
}

EditInfo sprite_step(EditKind kind, int number, std::string file_name) {
  EditInfo info;
  info.kind = kind;
  info.subject = number;
  info.subject_name = std::move(file_name);
  info.place.mode = kSpriteMode;
  info.place.undo_number = info.place.redo_number = number;
  return info;
}

EditInfo pattern_step(EditKind kind, int pitch, int pattern, int other) {
  EditInfo info;
  info.kind = kind;
  info.subject = pattern;
  info.other = other;
  info.place.mode = kPatternMode;
  info.place.pitch = pitch;
  // A swap shows the graphics where they were before and where they went.
  info.place.undo_number = pattern;
  info.place.redo_number = other >= 0 ? other : pattern;
  return info;
}

EditInfo pitch_step(EditKind kind, int pitch, int cell) {
  EditInfo info;
  info.kind = kind;
  info.subject = pitch + 1;
  info.place.mode = kPitchMode;
  info.place.pitch = pitch;
  info.place.cell = cell;
  return info;
}

EditInfo picture_step(EditKind kind, const std::string& file_name) {
  EditInfo info;
  info.kind = kind;
  info.subject_name = file_name;
  info.place.mode = kPictureMode;
  info.place.picture = file_name;
  return info;
}

EditScope cells_scope(int pitch, std::size_t from, std::size_t to) {
  EditScope s;
  s.pitch = pitch;
  s.cells = {from, to};
  return s;
}

EditScope patterns_scope(int pitch, std::initializer_list<int> patterns) {
  EditScope s;
  s.pitch = pitch;
  for (int n : patterns)
    if (n >= 0)
      s.patterns.push_back({static_cast<std::size_t>(n) * kPatternSize,
                            static_cast<std::size_t>(n + 1) * kPatternSize});
  std::sort(s.patterns.begin(), s.patterns.end(),
            [](const EditScope::Range& a, const EditScope::Range& b) { return a.from < b.from; });
  return s;
}

EditScope picture_scope(int index) {
  EditScope s;
  s.picture = index;
  return s;
}

EditSnapshot begin_edit(const EditScope& scope) {
  return take_snapshot(editor_data(), scope);
}

void finish_edit(EditSnapshot&& before, EditInfo info) {
  std::optional<EditStep> step = make_step(std::move(before), editor_data());
  if (!step) return;
  step->kind = info.kind;
  step->subject = info.kind == EditKind::sprites_inserted ? static_cast<int>(step->sprites.size())
                                                          : info.subject;
  step->other = info.other;
  step->subject_name = std::move(info.subject_name);
  step->place = std::move(info.place);
  edit_history().push(std::move(*step));
}

void undo_edit() {
  travel(true);
}

void redo_edit() {
  travel(false);
}

bool history_key(std::uint32_t vk, bool ctrl, bool shift, bool alt) {
  if (!ctrl || alt) return false;
  if (vk == 'Z' && !shift) {
    undo_edit();
    return true;
  }
  if (vk == 'Y' || vk == 'Z') {
    redo_edit();
    return true;
  }
  return false;
}

void team_file_switched() {
  EditHistory& h = edit_history();
  h.drop_redo();
  h.drop_through_last(touches_team_file);
}

}  // namespace tavu
