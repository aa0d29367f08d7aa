#include "history/edit_history.h"

#include <cstring>

namespace tavu {
namespace {

bool same_sprite(const SpriteRecord& a, const SpriteRecord& b) {
  return a.data_length == b.data_length && a.file_entry == b.file_entry &&
         a.replaced == b.replaced && a.field9 == b.field9 && a.width == b.width &&
         a.height == b.height && a.width_words == b.width_words && a.centre_x == b.centre_x &&
         a.centre_y == b.centre_y && a.field20 == b.field20 && a.field21 == b.field21 &&
         a.ordinal == b.ordinal && a.pixels == b.pixels;
}

// The part [from, to) of a vector of `size` elements, clamped to it.
std::pair<std::size_t, std::size_t> clamp_range(EditScope::Range r, std::size_t size) {
  const std::size_t from = std::min(r.from, size);
  const std::size_t to = r.to == EditScope::kToEnd ? size : std::clamp(r.to, from, size);
  return {from, to};
}

// Copies the range of `v` and clamps `r` to what was copied (an open end
// stays open).
template <class T>
std::vector<T> copy_range(const std::vector<T>& v, EditScope::Range& r) {
  const auto [from, to] = clamp_range(r, v.size());
  r.from = from;
  if (r.to != EditScope::kToEnd) r.to = to;
  return std::vector<T>(v.begin() + static_cast<std::ptrdiff_t>(from),
                        v.begin() + static_cast<std::ptrdiff_t>(to));
}

// The splice from `before` (what the range held) to what the range holds now.
template <class T>
Splice<T> splice_from(std::vector<T>&& before, const std::vector<T>& now, EditScope::Range r) {
  const auto [from, to] = clamp_range(r, now.size());
  return make_splice<T>(std::move(before), std::span<const T>(now).subspan(from, to - from),
                        r.from);
}

std::size_t sprite_bytes(const SpriteRecord& s) {
  return sizeof(SpriteRecord) + s.pixels.capacity();
}

// Palettes are fixed arrays: their splices never change the length.
template <std::size_t N>
bool array_splice_fits(const std::array<std::uint8_t, N>& a, const Splice<std::uint8_t>& s,
                       bool undo) {
  return s.before.size() == s.after.size() &&
         splice_fits(std::vector<std::uint8_t>(a.begin(), a.end()), s, undo);
}

template <std::size_t N>
void apply_array_splice(std::array<std::uint8_t, N>& a, const Splice<std::uint8_t>& s, bool undo) {
  const std::vector<std::uint8_t>& then = undo ? s.before : s.after;
  std::copy(then.begin(), then.end(), a.begin() + static_cast<std::ptrdiff_t>(s.at));
}

std::string plural(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::size_t EditStep::bytes() const {
  std::size_t n = sizeof(EditStep) + subject_name.size() + place.picture.size();
  for (const SpriteChange& c : sprites)
    n += sizeof(int) + sprite_bytes(c.before) + sprite_bytes(c.after);
  for (const EntryChange& e : entries)
    n += sizeof(EntryChange) + e.name_before.size() + e.name_after.size() + e.image_before.size() +
         e.image_after.size();
  if (pitch) {
    n += sizeof(PitchEdit) + pitch->cells.bytes();
    for (const auto& s : pitch->patterns) n += sizeof(s) + s.bytes();
  }
  if (picture)
    n += sizeof(PictureEdit) + picture->file_name.size() + picture->pixels.bytes() +
         picture->palette.bytes() + picture->file_palette.bytes();
  return n;
}

std::string step_name(const EditStep& s) {
  const std::string n = std::to_string(s.subject);
  switch (s.kind) {
    case EditKind::sprite_replaced:
      return "sprite " + n + " replaced";
    case EditKind::sprites_inserted:
      return plural(s.subject, "sprite", "sprites") + " inserted";
    case EditKind::sprites_reverted:
      return "sprites reverted";
    case EditKind::team_file_discarded:
      return s.subject_name + " changes discarded";
    case EditKind::pattern_replaced:
      return "pattern " + n + " replaced";
    case EditKind::patterns_swapped:
      return "patterns " + n + " and " + std::to_string(s.other) + " swapped";
    case EditKind::pattern_deleted:
      return "pattern " + n + " deleted";
    case EditKind::cell_changed:
      return "pitch " + n + " cell changed";
    case EditKind::pitch_replaced:
      return "pitch " + n + " replaced";
    case EditKind::picture_replaced:
      return "picture " + s.subject_name + " replaced";
    case EditKind::picture_discarded:
      return "picture " + s.subject_name + " changes discarded";
  }
  return "edit";
}

EditMarks read_marks(const EditedData& d) {
  EditMarks m;
  if (d.sprites) {
    m.sprite_mark = d.sprites->flags & kSpritesModifiedMark;
    for (int i = 0; i < kSpriteFileCount; ++i) m.entries[i] = d.sprites->entries[i].modified;
  }
  if (d.pitches) {
    for (int i = 0; i < kPitchCount; ++i) m.pitches[i] = d.pitches->pitches[i].modified;
    m.patterns_modified = d.pitches->patterns_modified;
    m.map_modified = d.pitches->map_modified;
  }
  return m;
}

void write_changed_marks(const EditedData& d, const EditMarks& from, const EditMarks& to) {
  if (d.sprites) {
    if (from.sprite_mark != to.sprite_mark)
      d.sprites->flags = static_cast<std::uint8_t>((d.sprites->flags & ~kSpritesModifiedMark) |
                                                   (to.sprite_mark & kSpritesModifiedMark));
    for (int i = 0; i < kSpriteFileCount; ++i)
      if (from.entries[i] != to.entries[i]) d.sprites->entries[i].modified = to.entries[i];
  }
  if (d.pitches) {
    for (int i = 0; i < kPitchCount; ++i)
      if (from.pitches[i] != to.pitches[i]) d.pitches->pitches[i].modified = to.pitches[i];
    if (from.patterns_modified != to.patterns_modified)
      d.pitches->patterns_modified = to.patterns_modified;
    if (from.map_modified != to.map_modified) d.pitches->map_modified = to.map_modified;
  }
}

EditSnapshot take_snapshot(const EditedData& d, const EditScope& scope) {
  EditSnapshot s;
  s.scope = scope;
  if (d.sprites) {
    const auto& table = d.sprites->sprites;
    const int first = std::clamp(scope.first_sprite, 0, static_cast<int>(table.size()));
    const int last = std::clamp(first + scope.sprite_count, first, static_cast<int>(table.size()));
    s.scope.first_sprite = first;
    s.scope.sprite_count = last - first;
    s.sprites.assign(table.begin() + first, table.begin() + last);
    // Only an edit of sprites changes the entries' sizes and names.
    if (last > first)
      for (int i = 0; i < kSpriteFileCount; ++i)
        s.entries[i] = {d.sprites->entries[i].name, d.sprites->entries[i].current_size};
    if (scope.team_file) s.team_image = d.sprites->entries[kTeamEntry].image;
  }
  if (d.pitches && scope.pitch >= 0 && scope.pitch < kPitchCount) {
    const PitchRecord& p = d.pitches->pitches[scope.pitch];
    s.cells = copy_range(p.cells, s.scope.cells);
    for (auto& r : s.scope.patterns) s.patterns.push_back(copy_range(p.patterns, r));
    s.pattern_count = p.pattern_count;
  } else {
    s.scope.pitch = -1;
  }
  if (d.pictures && scope.picture >= 0 &&
      static_cast<std::size_t>(scope.picture) < d.pictures->pictures.size())
    s.picture = d.pictures->pictures[static_cast<std::size_t>(scope.picture)];
  else
    s.scope.picture = -1;
  s.marks = read_marks(d);
  return s;
}

std::optional<EditStep> make_step(EditSnapshot&& b, const EditedData& d) {
  EditStep step;
  const EditScope& scope = b.scope;
  bool changed = false;
  if (d.sprites && scope.sprite_count > 0) {
    for (int k = 0; k < scope.sprite_count; ++k) {
      const SpriteRecord& now = d.sprites->sprites[scope.first_sprite + k];
      SpriteRecord& then = b.sprites[static_cast<std::size_t>(k)];
      if (!same_sprite(then, now))
        step.sprites.push_back({scope.first_sprite + k, std::move(then), now});
    }
    for (int i = 0; i < kSpriteFileCount; ++i) {
      const SpriteFileEntry& now = d.sprites->entries[i];
      const EditSnapshot::Entry& then = b.entries[i];
      const bool other_file = i == kTeamEntry && scope.team_file &&
                              (then.name != now.name || b.team_image != now.image);
      if (then.name == now.name && then.size == now.current_size && !other_file) continue;
      EntryChange e{i, then.name, now.name, then.size, now.current_size, {}, {}, other_file};
      if (other_file) {
        e.image_before = std::move(b.team_image);
        e.image_after = now.image;
      }
      step.entries.push_back(std::move(e));
    }
    changed = !step.sprites.empty() || !step.entries.empty();
  }
  if (d.pitches && scope.pitch >= 0) {
    const PitchRecord& p = d.pitches->pitches[scope.pitch];
    PitchEdit e;
    e.pitch = scope.pitch;
    e.cells = splice_from(std::move(b.cells), p.cells, scope.cells);
    for (std::size_t r = 0; r < scope.patterns.size(); ++r) {
      auto s = splice_from(std::move(b.patterns[r]), p.patterns, scope.patterns[r]);
      if (!s.empty()) e.patterns.push_back(std::move(s));
    }
    e.count_before = b.pattern_count;
    e.count_after = p.pattern_count;
    if (!e.cells.empty() || !e.patterns.empty() || e.count_before != e.count_after) {
      step.pitch = std::move(e);
      changed = true;
    }
  }
  if (d.pictures && b.picture) {
    const Picture& now = d.pictures->pictures[static_cast<std::size_t>(scope.picture)];
    const Picture& then = *b.picture;
    PictureEdit e;
    e.index = static_cast<std::size_t>(scope.picture);
    e.file_name = now.file_name;
    e.pixels = make_splice<std::uint8_t>(then.image.pixels, now.image.pixels);
    e.palette = make_splice<std::uint8_t>(then.image.palette, now.image.palette);
    e.file_palette = make_splice<std::uint8_t>(then.file_palette, now.file_palette);
    e.state_before = then.state;
    e.state_after = now.state;
    e.label_before = then.label_colour;
    e.label_after = now.label_colour;
    e.white_before = then.label_made_white;
    e.white_after = now.label_made_white;
    e.replaced_before = then.replaced;
    e.replaced_after = now.replaced;
    if (!e.pixels.empty() || !e.palette.empty() || !e.file_palette.empty() ||
        e.state_before != e.state_after || e.label_before != e.label_after ||
        e.white_before != e.white_after || e.replaced_before != e.replaced_after) {
      step.picture = std::move(e);
      changed = true;
    }
  }
  step.marks_before = b.marks;
  step.marks_after = read_marks(d);
  if (!changed && step.marks_before == step.marks_after) return std::nullopt;
  return step;
}

bool step_fits(const EditStep& step, const EditedData& d, bool undo) {
  if (!step.sprites.empty() || !step.entries.empty()) {
    if (!d.sprites) return false;
    for (const SpriteChange& c : step.sprites) {
      if (c.number < 0 || static_cast<std::size_t>(c.number) >= d.sprites->sprites.size())
        return false;
      if (!same_sprite(d.sprites->sprites[c.number], undo ? c.after : c.before)) return false;
    }
    for (const EntryChange& e : step.entries) {
      const SpriteFileEntry& now = d.sprites->entries[e.entry];
      if (now.name != (undo ? e.name_after : e.name_before) ||
          now.current_size != (undo ? e.size_after : e.size_before))
        return false;
      if (e.with_image && now.image != (undo ? e.image_after : e.image_before)) return false;
    }
  }
  if (step.pitch) {
    const PitchEdit& e = *step.pitch;
    if (!d.pitches || e.pitch < 0 || e.pitch >= kPitchCount) return false;
    const PitchRecord& p = d.pitches->pitches[e.pitch];
    if (p.pattern_count != (undo ? e.count_after : e.count_before)) return false;
    if (!splice_fits(p.cells, e.cells, undo)) return false;
    for (const auto& s : e.patterns)
      if (!splice_fits(p.patterns, s, undo)) return false;
  }
  if (step.picture) {
    const PictureEdit& e = *step.picture;
    if (!d.pictures || e.index >= d.pictures->pictures.size()) return false;
    const Picture& p = d.pictures->pictures[e.index];
    if (p.file_name != e.file_name || p.state != (undo ? e.state_after : e.state_before) ||
        !splice_fits(p.image.pixels, e.pixels, undo))
      return false;
    if (!array_splice_fits(p.image.palette, e.palette, undo) ||
        !array_splice_fits(p.file_palette, e.file_palette, undo))
      return false;
  }
  return true;
}

void apply_step(const EditStep& step, const EditedData& d, bool undo) {
  if (d.sprites) {
    for (const SpriteChange& c : step.sprites)
      d.sprites->sprites[c.number] = undo ? c.before : c.after;
    for (const EntryChange& e : step.entries) {
      SpriteFileEntry& now = d.sprites->entries[e.entry];
      now.name = undo ? e.name_before : e.name_after;
      now.current_size = undo ? e.size_before : e.size_after;
      if (e.with_image) now.image = undo ? e.image_before : e.image_after;
    }
  }
  if (step.pitch && d.pitches) {
    const PitchEdit& e = *step.pitch;
    PitchRecord& p = d.pitches->pitches[e.pitch];
    apply_splice(p.cells, e.cells, undo);
    // Only a splice reaching to the end changes length, and it comes alone.
    for (const auto& s : e.patterns) apply_splice(p.patterns, s, undo);
    p.pattern_count = undo ? e.count_before : e.count_after;
  }
  if (step.picture && d.pictures) {
    const PictureEdit& e = *step.picture;
    Picture& p = d.pictures->pictures[e.index];
    apply_splice(p.image.pixels, e.pixels, undo);
    apply_array_splice(p.image.palette, e.palette, undo);
    apply_array_splice(p.file_palette, e.file_palette, undo);
    if (e.replaced_before != e.replaced_after)
      p.replaced = undo ? e.replaced_before : e.replaced_after;
    p.state = undo ? e.state_before : e.state_after;
    p.label_colour = undo ? e.label_before : e.label_after;
    p.label_made_white = undo ? e.white_before : e.white_after;
  }
  if (undo)
    write_changed_marks(d, step.marks_after, step.marks_before);
  else
    write_changed_marks(d, step.marks_before, step.marks_after);
}

void EditHistory::push(EditStep step) {
  drop_redo();
  const std::size_t size = step.bytes();
  if (size > limit_) {
    clear();
    return;
  }
  steps_.push_back(std::move(step));
  sizes_.push_back(size);
  bytes_ += size;
  applied_ = steps_.size();
  while (bytes_ > limit_) drop_oldest(1);
}

void EditHistory::drop_redo() {
  while (steps_.size() > applied_) {
    bytes_ -= sizes_.back();
    steps_.pop_back();
    sizes_.pop_back();
  }
}

void EditHistory::drop_oldest(std::size_t n) {
  for (; n > 0 && !steps_.empty(); --n) {
    bytes_ -= sizes_.front();
    steps_.pop_front();
    sizes_.pop_front();
    if (applied_) --applied_;
  }
}

void EditHistory::clear() {
  steps_.clear();
  sizes_.clear();
  applied_ = 0;
  bytes_ = 0;
}

}  // namespace tavu
