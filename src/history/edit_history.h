// Undo and redo of edits to the game data. A step keeps what one edit
// changed, as it was before and as it is after, so either side can be put
// back exactly, marks included. The history is a plain list of steps, newest
// last, bounded in bytes; it works on explicit data, so any program holding
// the sprites, pitches and pictures can use it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "pictures/pictures.h"
#include "pitch/pitch_files.h"
#include "sprites/sprite_files.h"

namespace tavu {

// A run of elements an edit replaced: `before` stood at `at` and `after`
// stands there now; the two may differ in length.
template <class T>
struct Splice {
  std::size_t at = 0;
  std::vector<T> before;
  std::vector<T> after;

  bool empty() const { return before.empty() && after.empty(); }
  std::size_t bytes() const { return (before.capacity() + after.capacity()) * sizeof(T); }
};

// Lengths of the common start and (after it) the common end of two runs.
template <class T>
std::pair<std::size_t, std::size_t> common_ends(std::span<const T> a, std::span<const T> b) {
  const std::size_t shorter = std::min(a.size(), b.size());
  const auto first_difference = std::mismatch(a.begin(), a.begin() + shorter, b.begin());
  const std::size_t head = static_cast<std::size_t>(first_difference.first - a.begin());
  std::size_t tail = 0;
  while (tail < shorter - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) ++tail;
  return {head, tail};
}

// The smallest splice turning `before` into `after`: their common start and
// end are left out. `offset` is where `before` starts in its vector.
template <class T>
Splice<T> make_splice(std::span<const T> before, std::span<const T> after, std::size_t offset = 0) {
  const auto [head, tail] = common_ends(before, after);
  Splice<T> s;
  s.at = offset + head;
  s.before.assign(before.begin() + static_cast<std::ptrdiff_t>(head),
                  before.end() - static_cast<std::ptrdiff_t>(tail));
  s.after.assign(after.begin() + static_cast<std::ptrdiff_t>(head),
                 after.end() - static_cast<std::ptrdiff_t>(tail));
  return s;
}

// The same, taking over `before`'s memory for the splice's before side.
template <class T>
Splice<T> make_splice(std::vector<T>&& before, std::span<const T> after, std::size_t offset = 0) {
  const auto [head, tail] = common_ends(std::span<const T>(before), after);
  Splice<T> s;
  s.at = offset + head;
  s.after.assign(after.begin() + static_cast<std::ptrdiff_t>(head),
                 after.end() - static_cast<std::ptrdiff_t>(tail));
  before.erase(before.end() - static_cast<std::ptrdiff_t>(tail), before.end());
  before.erase(before.begin(), before.begin() + static_cast<std::ptrdiff_t>(head));
  // A step keeps only what changed, not the capacity of a whole copy.
  if (before.capacity() > 2 * before.size() + 64) before.shrink_to_fit();
  s.before = std::move(before);
  return s;
}

// Whether `v` holds one side of the splice at its place: the after side
// when `undo`, the before side otherwise.
template <class T>
bool splice_fits(const std::vector<T>& v, const Splice<T>& s, bool undo) {
  const std::vector<T>& now = undo ? s.after : s.before;
  return s.at <= v.size() && now.size() <= v.size() - s.at &&
         std::equal(now.begin(), now.end(), v.begin() + static_cast<std::ptrdiff_t>(s.at));
}

// Puts the other side in place: `undo` puts `before` back, otherwise
// `after`. The caller has checked splice_fits.
template <class T>
void apply_splice(std::vector<T>& v, const Splice<T>& s, bool undo) {
  const std::vector<T>& now = undo ? s.after : s.before;
  const std::vector<T>& then = undo ? s.before : s.after;
  const auto at = v.begin() + static_cast<std::ptrdiff_t>(s.at);
  if (now.size() == then.size()) {
    std::copy(then.begin(), then.end(), at);
    return;
  }
  v.erase(at, at + static_cast<std::ptrdiff_t>(now.size()));
  v.insert(v.begin() + static_cast<std::ptrdiff_t>(s.at), then.begin(), then.end());
}

// The change marks that a save looks at.
struct EditMarks {
  std::uint8_t sprite_mark = 0;  // kSpritesModifiedMark of the sprite flag byte
  std::array<bool, kSpriteFileCount> entries{};
  std::array<std::uint8_t, kPitchCount> pitches{};
  bool patterns_modified = false;
  bool map_modified = false;

  bool operator==(const EditMarks&) const = default;
};

// What an edit may change: the history compares this much before and after.
struct EditScope {
  static constexpr std::size_t kToEnd = std::numeric_limits<std::size_t>::max();
  struct Range {
    std::size_t from = 0;
    std::size_t to = 0;  // kToEnd: the rest, whatever its length afterwards
  };

  int first_sprite = 0;
  int sprite_count = 0;
  bool team_file = false;  // entry 3 may load another file (name and image)
  int pitch = -1;
  Range cells;                  // cell indices
  std::vector<Range> patterns;  // bytes of the pattern block
  bool pattern_count = false;   // the number of patterns may change
  int picture = -1;             // index in the picture ring

  static EditScope sprites(int first, int count) {
    EditScope s;
    s.first_sprite = first;
    s.sprite_count = count;
    return s;
  }
  static EditScope whole_pitch(int pitch) {
    EditScope s;
    s.pitch = pitch;
    s.cells = {0, kToEnd};
    s.patterns = {{0, kToEnd}};
    s.pattern_count = true;
    return s;
  }
};

enum class EditKind : std::uint8_t {
  sprite_replaced,
  sprites_inserted,
  sprites_reverted,
  team_file_discarded,
  pattern_replaced,
  patterns_swapped,
  pattern_deleted,
  cell_changed,
  pitch_replaced,
  picture_replaced,
  picture_discarded,
};

struct SpriteChange {
  int number = 0;
  SpriteRecord before;
  SpriteRecord after;
};

// A Sprite file entry's own fields; the file image only when the entry
// loaded another file (a team switch that discarded changes).
struct EntryChange {
  int entry = 0;
  std::string name_before, name_after;
  std::uint32_t size_before = 0, size_after = 0;
  std::vector<std::uint8_t> image_before, image_after;
  bool with_image = false;
};

struct PitchEdit {
  int pitch = -1;
  Splice<std::uint32_t> cells;
  std::vector<Splice<std::uint8_t>> patterns;
  std::int32_t count_before = 0, count_after = 0;
};

struct PictureEdit {
  std::size_t index = 0;
  std::string file_name;
  Splice<std::uint8_t> pixels;
  Splice<std::uint8_t> palette;       // 8-bit, as shown
  Splice<std::uint8_t> file_palette;  // as the file stores it
  std::uint8_t state_before = 0, state_after = 0;
  std::int16_t label_before = -1, label_after = -1;
  bool white_before = false, white_after = false;
  bool replaced_before = false, replaced_after = false;  // the picture's change mark
};

// Where a step is shown when it is undone or redone.
struct EditPlace {
  int mode = -1;
  int pitch = -1;
  int undo_number = -1;  // sprite or pattern shown after undo
  int redo_number = -1;  // ... and after redo
  int cell = -1;         // cell index to bring into view
  std::string picture;   // file name
};

struct EditStep {
  EditKind kind = EditKind::sprite_replaced;
  int subject = -1;  // sprite, pattern or pitch number its name shows
  int other = -1;    // the second pattern of a swap
  std::string subject_name;
  EditPlace place;
  std::vector<SpriteChange> sprites;
  std::vector<EntryChange> entries;
  std::optional<PitchEdit> pitch;
  std::optional<PictureEdit> picture;
  EditMarks marks_before, marks_after;

  // Memory the step holds, for the history's bound.
  std::size_t bytes() const;
};

// "sprite 700 replaced", "pattern 12 deleted", ...
std::string step_name(const EditStep& step);

// The data edits change; a missing part is neither read nor written.
struct EditedData {
  SpriteFilesState* sprites = nullptr;
  PitchFilesState* pitches = nullptr;
  PictureRing* pictures = nullptr;
};

EditMarks read_marks(const EditedData& data);
// Sets each mark that differs between `from` and `to` to its value in `to`;
// the others keep what they are now.
void write_changed_marks(const EditedData& data, const EditMarks& from, const EditMarks& to);

// The data within a scope as they stand before an edit.
struct EditSnapshot {
  EditScope scope;
  std::vector<SpriteRecord> sprites;
  struct Entry {
    std::string name;
    std::uint32_t size = 0;
  };
  std::array<Entry, kSpriteFileCount> entries;
  std::vector<std::uint8_t> team_image;
  std::vector<std::uint32_t> cells;
  std::vector<std::vector<std::uint8_t>> patterns;  // one per range
  std::int32_t pattern_count = 0;
  std::optional<Picture> picture;
  EditMarks marks;
};

EditSnapshot take_snapshot(const EditedData& data, const EditScope& scope);
// The step that turns the snapshot's data into what `data` holds now, or
// nothing when the edit changed nothing (data and marks alike).
std::optional<EditStep> make_step(EditSnapshot&& before, const EditedData& data);

// Whether `data` holds the side of `step` that undo (undo) or redo leaves,
// so the other side can be put in place.
bool step_fits(const EditStep& step, const EditedData& data, bool undo);
// Puts the before side (undo) or the after side back, data and marks. The
// caller has checked step_fits.
void apply_step(const EditStep& step, const EditedData& data, bool undo);

inline constexpr std::size_t kHistoryLimit = std::size_t{64} << 20;

// The steps of a session, oldest first; those past `applied` were undone
// and can be redone.
class EditHistory {
 public:
  explicit EditHistory(std::size_t limit = kHistoryLimit) : limit_(limit) {}

  // Keeps `step` as the newest: the steps that could have been redone go,
  // then the oldest until the whole fits the bound. A step larger than the
  // bound on its own leaves the history empty (older steps cannot be undone
  // past an edit that is not kept).
  void push(EditStep step);
  const EditStep* next_undo() const { return applied_ ? &steps_[applied_ - 1] : nullptr; }
  const EditStep* next_redo() const {
    return applied_ < steps_.size() ? &steps_[applied_] : nullptr;
  }
  void undone() {
    if (applied_) --applied_;
  }
  void redone() {
    if (applied_ < steps_.size()) ++applied_;
  }
  void drop_redo();
  // Drops the oldest steps up to and including the newest kept step for
  // which `pred` holds.
  template <class Pred>
  void drop_through_last(Pred pred) {
    for (std::size_t k = applied_; k > 0; --k)
      if (pred(steps_[k - 1])) {
        drop_oldest(k);
        return;
      }
  }
  void clear();

  std::size_t bytes() const { return bytes_; }
  std::size_t limit() const { return limit_; }
  std::size_t undo_count() const { return applied_; }
  std::size_t redo_count() const { return steps_.size() - applied_; }

 private:
  void drop_oldest(std::size_t n);

  std::deque<EditStep> steps_;
  std::deque<std::size_t> sizes_;
  std::size_t applied_ = 0;
  std::size_t bytes_ = 0;
  std::size_t limit_;
};

}  // namespace tavu
