#include "pitch/pitch_files.h"

#include "pitch/pitch_draw.h"
#include "shell/app.h"
#include "shell/files.h"
#include "shell/status.h"

namespace tavu {
namespace {

// Pattern offsets are 32-bit, so no pitch file can usefully be larger.
constexpr std::size_t kMaxPitchFileSize = 64u << 20;

// Reads one pitch file into `image`, or returns the message naming it.
bool read_pitch_file(const std::string& name, std::vector<std::uint8_t>& image,
                     std::string& error) {
  switch (read_whole_file(name, image, kMaxPitchFileSize)) {
    case ReadStatus::ok:
      return true;
    case ReadStatus::cannot_open:
      error = "Can't open " + name;
      return false;
    case ReadStatus::too_large:
    case ReadStatus::read_error:
      break;
  }
  error = "Can't read file " + name;
  return false;
}

}  // namespace

PitchFilesState& pitch_files() {
  static PitchFilesState state;
  return state;
}

void reset_pitch_files() {
  pitch_files() = PitchFilesState{};
}

PitchRecord* pitch_at(int index) {
  if (index < 0 || index >= kPitchCount) return nullptr;
  return &pitch_files().pitches[static_cast<std::size_t>(index)];
}

bool make_pitch_record(std::span<const std::uint8_t> map_file,
                       std::span<const std::uint8_t> pattern_file, PitchRecord& out) {
  std::vector<std::uint32_t> cells = decode_pitch_map(map_file);
  if (cells.size() < static_cast<std::size_t>(kPitchCells)) return false;
  if (cells.size() > static_cast<std::size_t>(INT32_MAX) ||
      pattern_count_for_size(pattern_file.size()) > static_cast<std::size_t>(INT32_MAX))
    return false;
  out.cell_count = static_cast<std::int32_t>(cells.size());
  out.cells = std::move(cells);
  out.pattern_count = static_cast<std::int32_t>(pattern_count_for_size(pattern_file.size()));
  out.patterns.assign(pattern_file.begin(), pattern_file.end());
  out.modified = 0;
  return true;
}

int load_pitches() {
  PitchFilesState& st = pitch_files();
  std::vector<std::uint8_t> map, patterns;
  for (int number = 1; number <= kPitchCount; ++number) {
    const std::string map_name = pitch_map_name(number);
    const std::string pattern_name = pitch_pattern_name(number);
    std::string error;
    if (!read_pitch_file(map_name, map, error) || !read_pitch_file(pattern_name, patterns, error)) {
      add_startup_failure_reason(error);
      return 0;
    }
    if (!make_pitch_record(map, patterns, st.pitches[static_cast<std::size_t>(number - 1)])) {
      add_startup_failure_reason(map_name + " is corrupt");
      return 0;
    }
  }
  st.patterns_modified = st.map_modified = false;
  prepare_pitch_drawing();
  return 1;
}

void mark_pitch_changed(int index, PitchChange kind) {
  PitchFilesState& st = pitch_files();
  if (PitchRecord* p = pitch_at(index)) p->modified |= kPitchModifiedBit;
  (kind == PitchChange::patterns ? st.patterns_modified : st.map_modified) = true;
  set_app_flag(unsaved_changes, true);
}

bool pitch_changes_pending() {
  const PitchFilesState& st = pitch_files();
  return st.patterns_modified || st.map_modified;
}

SaveContribution plan_pitch_save() {
  const PitchFilesState& st = pitch_files();
  SaveContribution out;
  if (!pitch_changes_pending()) return out;
  std::vector<int> written;
  for (int i = 0; i < kPitchCount; ++i) {
    const PitchRecord& p = st.pitches[static_cast<std::size_t>(i)];
    if (!(p.modified & kPitchModifiedBit)) continue;
    written.push_back(i);
    const std::size_t cells = std::min(p.cells.size(), static_cast<std::size_t>(p.cell_count));
    out.files.push_back({pitch_map_name(i + 1), encode_pitch_map(std::span(p.cells).first(cells))});
    const std::size_t bytes = std::min(p.patterns.size(), p.pattern_bytes());
    out.files.push_back(
        {pitch_pattern_name(i + 1), encode_patterns(std::span(p.patterns).first(bytes))});
  }
  out.committed = [written] {
    PitchFilesState& state = pitch_files();
    for (int i : written)
      state.pitches[static_cast<std::size_t>(i)].modified &=
          static_cast<std::uint8_t>(~kPitchModifiedBit);
    state.patterns_modified = state.map_modified = false;
  };
  return out;
}

int save_pitches() {
  return save_planned({SaveSubsystem::pitches});
}

}  // namespace tavu
