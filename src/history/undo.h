// Undo and redo in the editor: the session's history, the recording of the
// modes' edits, and the keys Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "history/edit_history.h"

namespace tavu {

EditHistory& edit_history();
// The sprite files, the Pitch table and the picture ring of this run.
EditedData editor_data();

// What a recorded edit is called and where it is shown. A sprite place
// without a number shows the current sprite when it changed, otherwise the
// first that did.
struct EditInfo {
  EditKind kind = EditKind::sprite_replaced;
  int subject = -1;
  int other = -1;
  std::string subject_name;
  EditPlace place;
};

// The steps of each mode: subject numbers as the user sees them (a pitch
// index is shown plus one), the place each side is shown at.
EditInfo sprite_step(EditKind kind, int number = -1, std::string file_name = {});
EditInfo pattern_step(EditKind kind, int pitch, int pattern, int other = -1);
EditInfo pitch_step(EditKind kind, int pitch, int cell = -1);
EditInfo picture_step(EditKind kind, const std::string& file_name);

// Scopes: one sprite, the cells [from, to) of a pitch, the patterns of a
// pitch (each a 256-byte range), a picture.
EditScope cells_scope(int pitch, std::size_t from, std::size_t to);
EditScope patterns_scope(int pitch, std::initializer_list<int> patterns);
EditScope picture_scope(int index);

EditSnapshot begin_edit(const EditScope& scope);
// Keeps what changed since begin_edit as the newest step (dropping the
// steps that could have been redone); nothing when nothing changed.
void finish_edit(EditSnapshot&& before, EditInfo info);

// Recording is on from the start; a program without undo (a batch run)
// turns it off and the edits run as they are.
void set_edit_recording(bool on);
bool edit_recording();

// Runs `edit` and keeps what it changed within `scope` as one step.
template <class F>
void record_edit(const EditScope& scope, EditInfo info, F&& edit) {
  if (!edit_recording()) {
    std::forward<F>(edit)();
    return;
  }
  EditSnapshot before = begin_edit(scope);
  std::forward<F>(edit)();
  finish_edit(std::move(before), std::move(info));
}

// Ctrl+Z: the newest step back; Ctrl+Y: the step last undone again. Each
// goes to the mode and the sprite, pattern, pitch or picture of the step
// and names it ("Undo: sprite 700 replaced"), or says "Nothing to undo".
void undo_edit();
void redo_edit();
// The key dispatch asks this before the mode keys; true when the key was
// Ctrl+Z, Ctrl+Y or Ctrl+Shift+Z (Alt not held) and was handled.
bool history_key(std::uint32_t vk, bool ctrl, bool shift, bool alt);

// A team file switch that discarded nothing loads other sprites under the
// steps: those that could be redone go, and so do the kept steps that
// touched the team file and every step before them.
void team_file_switched();

}  // namespace tavu
