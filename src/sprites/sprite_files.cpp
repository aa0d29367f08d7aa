#include "sprites/sprite_files.h"

#include <string_view>

#include "shell/app.h"
#include "shell/bytes.h"
#include "shell/files.h"
#include "shell/saving.h"
#include "shell/status.h"

namespace tavu {
namespace {

void convert_entry_to_chunky(SpriteFilesState& st, int entry) {
  const auto& e = st.entries[entry];
  for (int k = 0; k < e.count; ++k) planar_to_chunky(&st.sprites[e.first + k]);
}

std::span<SpriteRecord> entry_sprites(SpriteFilesState& st, int entry) {
  const auto& e = st.entries[entry];
  return std::span<SpriteRecord>(st.sprites).subspan(e.first, e.count);
}

// Reads one graphics file into `image`, or returns the message naming it.
std::optional<std::string> read_sprite_file(const std::string& name,
                                            std::vector<std::uint8_t>& image) {
  switch (read_whole_file(name, image, kMaxSpriteFileSize)) {
    case ReadStatus::ok:
      return std::nullopt;
    case ReadStatus::cannot_open:
      return "Can't open " + name;
    case ReadStatus::too_large:
      return "Not enough memory to load file " + name;
    case ReadStatus::read_error:
      break;
  }
  return "Can't read file " + name;
}

std::string corrupt_message(const std::string& name) {
  return name + " is corrupt";
}

}  // namespace

std::array<SpriteFileEntry, kSpriteFileCount> SpriteFilesState::initial_entries() {
  std::array<SpriteFileEntry, kSpriteFileCount> entries;
  for (int i = 0; i < kSpriteFileCount; ++i) {
    entries[i].name = kSpriteFiles[i].name;
    entries[i].count = kSpriteFiles[i].count;
    entries[i].first = kSpriteFiles[i].first;
  }
  return entries;
}

SpriteFilesState& sprite_files() {
  static SpriteFilesState state;
  return state;
}

void reset_sprite_files() {
  sprite_files() = SpriteFilesState{};
}

std::span<SpriteRecord> sprite_table() {
  return sprite_files().sprites;
}

SpriteRecord* sprite_at(int number) {
  if (number < 0 || number >= kSpriteCount) return nullptr;
  return &sprite_files().sprites[number];
}

char team_file_digit() {
  return sprite_files().entries[kTeamEntry].name[kTeamDigitAt];
}

int sprite_file_entry_of(int number) {
  if (number < 0 || number >= kSpriteCount) return -1;
  for (int i = kSpriteFileCount - 1; i >= 0; --i)
    if (number >= kSpriteFiles[i].first) return i;
  return -1;
}

std::optional<std::uint32_t> measure_file_image(std::span<const std::uint8_t> image, int count) {
  std::size_t at = 0;
  for (int k = 0; k < count; ++k) {
    if (image.size() - at < kSpriteHeaderSize) return std::nullopt;
    const auto header = image.subspan(at, kSpriteHeaderSize);
    const std::uint32_t length = sprite_data_length(get_i16(header, 14), get_i16(header, 12));
    at += kSpriteHeaderSize;
    if (image.size() - at < length) return std::nullopt;
    at += length;
  }
  return static_cast<std::uint32_t>(at);
}

bool parse_file_image(std::span<const std::uint8_t> image, std::span<SpriteRecord> sprites,
                      std::uint16_t entry) {
  if (!measure_file_image(image, static_cast<int>(sprites.size()))) return false;
  std::size_t at = 0;
  for (SpriteRecord& s : sprites) {
    s = parse_sprite_header(
        std::span<const std::uint8_t, kSpriteHeaderSize>(image.data() + at, kSpriteHeaderSize));
    at += kSpriteHeaderSize;
    s.pixels.assign(image.begin() + static_cast<std::ptrdiff_t>(at),
                    image.begin() + static_cast<std::ptrdiff_t>(at + s.data_length));
    s.file_entry = entry;
    at += s.data_length;
  }
  return true;
}

std::vector<std::uint8_t> rebuild_file_image(const SpriteFilesState& st, int entry,
                                             std::uint32_t base) {
  const auto& e = st.entries[entry];
  // Converted copies, so the sprites stay chunky whatever happens to the save.
  std::vector<SpriteRecord> planar(st.sprites.begin() + e.first,
                                   st.sprites.begin() + e.first + e.count);
  for (auto& s : planar) chunky_to_planar(&s);
  return build_file_image(planar, base);
}

namespace {

// GOAL1.DAT is held by two entries but written from one of them (entry 5 when
// both changed); afterwards the file holds that entry's sprites, so both of
// its runs in the index and the BENCH.DAT base must describe that entry.
int written_goal_entry(const SpriteFilesState& st) {
  return st.entries[5].modified ? 5 : 4;
}

std::uint32_t bench_base(const SpriteFilesState& st) {
  const int goal = written_goal_entry(st);
  return st.entries[1].current_size + st.entries[2].current_size + st.entries[3].current_size +
         2 * st.entries[goal].current_size;
}

// The base written into BENCH.DAT's header offsets when it was last saved.
std::optional<std::uint32_t> stored_bench_base(const SpriteFileEntry& bench) {
  if (bench.image.size() < kSpriteHeaderSize) return std::nullopt;
  return get_u32(bench.image, 0) - static_cast<std::uint32_t>(kSpriteHeaderSize);
}

}  // namespace

std::vector<std::uint8_t> build_sprite_index(const SpriteFilesState& st) {
  std::array<std::uint32_t, kSpriteCount> lengths{};
  for (int k = 0; k < kSpriteCount; ++k) lengths[k] = st.sprites[k].data_length;
  const auto& goal = st.entries[written_goal_entry(st)];
  for (int run : {4, 5})
    for (int k = 0; k < goal.count; ++k)
      lengths[st.entries[run].first + k] = st.sprites[goal.first + k].data_length;
  return encode_sprite_index(compute_sprite_index(lengths));
}

SpriteSavePlan plan_sprite_save(const SpriteFilesState& st) {
  SpriteSavePlan plan;
  const std::uint32_t base = bench_base(st);
  for (int i = 0; i < kSpriteFileCount; ++i) {
    bool write = st.entries[i].modified;
    if (i == 4 && st.entries[5].modified) write = false;  // entry 5 writes GOAL1.DAT
    // BENCH.DAT's headers count from the start of SCORE.DAT: when a file
    // before it changed size they are rewritten too.
    if (i == 6 && stored_bench_base(st.entries[6]) != base) write = true;
    if (!write) continue;
    plan.entries.push_back(i);
    plan.images.push_back(rebuild_file_image(st, i, i == 6 ? base : 0));
  }
  plan.index = build_sprite_index(st);
  return plan;
}

int load_sprite_files() {
  SpriteFilesState st;
  {
    // Only the size is checked; the index is regenerated on every save.
    FileHandle index =
        open_for_read(kSpriteIndexName, kAccessRead | kAccessSequential | kShareRead);
    if (!index.valid()) {
      add_startup_failure_reason(std::string("Can't open sprites index file, ") + kSpriteIndexName);
      return 0;
    }
    const std::int64_t size = index.size();
    if (size != static_cast<std::int64_t>(kSpriteIndexSize)) {
      add_startup_failure_reason(
          std::string(kSpriteIndexName) + " has invalid size.\nExpected size: " +
          std::to_string(kSpriteIndexSize) + ", current size :" + std::to_string(size));
      return 0;
    }
  }
  for (auto& e : st.entries) {
    if (auto error = read_sprite_file(e.name, e.image)) {
      add_startup_failure_reason(*error);
      return 0;
    }
  }
  for (int i = 0; i < kSpriteFileCount; ++i) {
    auto& e = st.entries[i];
    auto used = measure_file_image(e.image, e.count);
    if (!used || !parse_file_image(e.image, entry_sprites(st, i), static_cast<std::uint16_t>(i))) {
      add_startup_failure_reason(corrupt_message(e.name));
      return 0;
    }
    e.current_size = *used;
    convert_entry_to_chunky(st, i);
  }
  st.flags = sprite_files().flags & kInfoOverlayBit;
  sprite_files() = std::move(st);
  return 1;
}

SaveContribution plan_sprite_files_save() {
  SpriteFilesState& st = sprite_files();
  SaveContribution out;
  if (!(st.flags & kSpritesModifiedMark)) return out;
  SpriteSavePlan plan = plan_sprite_save(st);
  for (std::size_t k = 0; k < plan.entries.size(); ++k)
    out.files.push_back({st.entries[plan.entries[k]].name, plan.images[k]});
  out.files.push_back({kSpriteIndexName, std::move(plan.index)});
  // Once written, the images are what the files hold: revert and the next
  // save start from them.
  out.committed = [entries = std::move(plan.entries), images = std::move(plan.images)]() mutable {
    SpriteFilesState& state = sprite_files();
    for (std::size_t k = 0; k < entries.size(); ++k) {
      auto& e = state.entries[entries[k]];
      e.image = std::move(images[k]);
      e.current_size = static_cast<std::uint32_t>(e.image.size());
    }
  };
  return out;
}

int save_sprite_files() {
  std::vector<SaveContribution> parts;
  parts.push_back(plan_sprite_files_save());
  return save_contributions(std::move(parts));
}

void switch_team_file() {
  SpriteFilesState& st = sprite_files();
  SpriteFileEntry& e = st.entries[kTeamEntry];
  std::string name = e.name;
  name[kTeamDigitAt] = name[kTeamDigitAt] == '3' ? '2' : '3';

  std::vector<std::uint8_t> image;
  if (auto error = read_sprite_file(name, image)) {
    show_status(*error, 1000, kTextCentred);
    return;
  }
  auto used = measure_file_image(image, e.count);
  if (!used || !parse_file_image(image, entry_sprites(st, kTeamEntry), kTeamEntry)) {
    show_status(corrupt_message(name), 1000, kTextCentred);
    return;
  }
  convert_entry_to_chunky(st, kTeamEntry);
  e.name = name;
  e.image = std::move(image);
  e.current_size = *used;
  e.modified = false;
  show_status("Loaded " + name + " OK", 1000, kTextCentred);
  recompute_unsaved_changes(true);
}

void revert_sprites() {
  SpriteFilesState& st = sprite_files();
  for (int i = 0; i < kSpriteFileCount; ++i) {
    auto& e = st.entries[i];
    if (!e.modified) continue;
    // The image was checked when it was loaded or built.
    if (parse_file_image(e.image, entry_sprites(st, i), static_cast<std::uint16_t>(i))) {
      convert_entry_to_chunky(st, i);
      e.current_size = measure_file_image(e.image, e.count).value_or(0);
    }
    e.modified = false;
  }
  st.flags &= static_cast<std::uint8_t>(~kSpritesModifiedMark);
  recompute_unsaved_changes(false);
}

void mark_sprite_modified(int entry) {
  SpriteFilesState& st = sprite_files();
  if (entry >= 0 && entry < kSpriteFileCount) st.entries[entry].modified = true;
  st.flags |= kSpritesModifiedMark;
  set_app_flag(unsaved_changes, true);
}

void recompute_unsaved_changes(bool count_sprite_entries) {
  bool changed = other_changes_pending(SaveSubsystem::sprites);
  if (count_sprite_entries)
    for (const auto& e : sprite_files().entries) changed = changed || e.modified;
  set_app_flag(unsaved_changes, changed);
}

void set_pitch_changes_query(bool (*query)()) {
  set_change_query(SaveSubsystem::pitches, query);
}

bool sprite_changes_pending() {
  return (sprite_files().flags & kSpritesModifiedMark) != 0;
}

}  // namespace tavu
